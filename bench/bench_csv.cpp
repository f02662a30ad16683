// Reads and writes a one-year log (525,600 minutes) and prints the median of several runs.
#include "CsvLog.h"
#include "DateTime.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kMinutesPerYear = 525'600;
constexpr int kRuns = 7;

double MedianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    SampleLog log;
    log.Reserve(kMinutesPerYear);
    std::mt19937 random(2026);
    std::poisson_distribution<int> counts(35);
    const double start = DateTime::Encode(2025, 1, 1);
    for (int i = 0; i < kMinutesPerYear; ++i) {
        log.Append(
            {DateTime::Encode(DateTime::Decode(start + i / 1440.0).date, {i / 60 % 24, i % 60}),
             counts(random)});
    }
    const GraphSettings settings;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("year.csv"));

    QByteArray text;
    const double format = MedianMs([&] { text = CsvTextOf(log, settings); });
    const double write = MedianMs([&] { WriteCsvLog(path, text); });
    size_t lines = 0;
    const double read = MedianMs([&] { lines = ReadCsvLog(path, 2026).Samples.size(); });

    std::printf("one-year log: %zu lines, %.1f MB, median of %d runs\n", lines,
                double(text.size()) / 1e6, kRuns);
    std::printf("  read (file to samples)  %8.1f ms\n", read);
    std::printf("  format (samples to text) %7.1f ms\n", format);
    std::printf("  write (text to file)    %8.1f ms\n", write);
    return lines == size_t(kMinutesPerYear) ? 0 : 1;
}
