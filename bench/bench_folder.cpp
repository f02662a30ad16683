// Opening a year of daily files as one record against the same minutes in one file: 365 files
// of 1,440 minutes and one file of 525,600, each read (ReadLogFolder, ReadCsvLog) and then drawn
// into the display model as Open draws it; median of runs, and the folder's time over the
// file's.
// Run: build/bench/bench_folder [RUNS] [FOLDER]   (default 9 runs, a temporary folder)
#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "LogFolder.h"
#include "MedianTime.h"
#include "SampleLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDays = 365;
constexpr int kMinutesADay = 1440;

// The minutes of one day, counts around 35 CPM.
std::vector<Sample> DayOf(int dayIndex) {
    const DateTime::Date d = DateTime::Decode(DateTime::Encode(2025, 1, 1) + dayIndex).date;
    std::vector<Sample> day;
    for (int m = 0; m < kMinutesADay; ++m) {
        day.push_back({DateTime::Encode(d.year, d.month, d.day, m / 60, m % 60),
                       25 + (m * 7 + dayIndex) % 21});
    }
    return day;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QString DayName(int dayIndex) {
    const DateTime::Date d = DateTime::Decode(DateTime::Encode(2025, 1, 1) + dayIndex).date;
    return QString::asprintf("%04d-%02d-%02d.csv", d.year, d.month, d.day);
}

// Writes the year as daily files into folder and as one file; returns the file.
QString WriteYear(const QString& folder) {
    const GraphSettings settings;
    SampleLog year;
    QDir().mkpath(folder);
    for (int day = 0; day < kDays; ++day) {
        SampleLog log;
        log.Assign(DayOf(day));
        WriteCsvLog(QDir(folder).filePath(DayName(day)), CsvTextOf(log, settings));
        for (const Sample& s : log.Samples()) {
            year.Append(s);
        }
    }
    const QString file = folder + QStringLiteral(".csv");
    WriteCsvLog(file, CsvTextOf(year, settings));
    return file;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 9;
    QTemporaryDir dir(args.size() > 2 ? args[2] + QStringLiteral("/bench_folder-XXXXXX")
                                      : QString());
    const QString folder = dir.filePath(QStringLiteral("daily"));
    const QString file = WriteYear(folder);
    const GraphSettings settings;

    // The two are timed in turns, so that a change in the machine's load falls on both.
    DisplayModel display;
    SampleLog log;
    size_t samples = 0;
    int duplicates = 0;
    std::vector<double> fileRead, folderRead, fileOpen, folderOpen;
    for (int run = 0; run < runs; ++run) {
        fileRead.push_back(MedianMs(1, [&] { samples = ReadCsvLog(file, 2026).Samples.size(); }));
        folderRead.push_back(
            MedianMs(1, [&] { duplicates = ReadLogFolder(folder, 2026).Duplicates; }));
        // Open as the window does it: the read, then the chart series and the log pane drawn.
        fileOpen.push_back(MedianMs(1, [&] {
            log.Assign(std::move(ReadCsvLog(file, 2026).Samples));
            RebuildDisplay(log, settings, display);
        }));
        folderOpen.push_back(MedianMs(1, [&] {
            log.Assign(std::move(ReadLogFolder(folder, 2026).Samples));
            RebuildDisplay(log, settings, display);
        }));
    }
    std::printf("%zu minutes; %d daily files (%d duplicates)\n", samples, kDays, duplicates);
    std::printf("read:           one file %8.1f ms   folder %8.1f ms   ratio %.2f\n",
                Median(fileRead), Median(folderRead), Median(folderRead) / Median(fileRead));
    std::printf("read and draw:  one file %8.1f ms   folder %8.1f ms   ratio %.2f\n",
                Median(fileOpen), Median(folderOpen), Median(folderOpen) / Median(fileOpen));
    std::printf("listing the folder's daily files: %.2f ms\n",
                MedianMs(runs, [&] { DailyFilesOf(folder); }));
    std::printf("(median of %d runs each)\n", runs);
    return 0;
}
