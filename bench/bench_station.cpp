// The station logger over 30 simulated days: the virtual counter's reports, one a second, are
// handed to the logger with an accelerated clock, and every minute is appended (and synced) to
// the daily files as in real use. Prints the time taken, the bytes written and the resident
// memory at the start and the end. Then how long the station takes to read the last ten lines
// of the file it appends to, at start, at each daily switch and after the file was replaced: a
// year-long file against a one-line file, and a file whose last line is 4 MiB (median of 101
// reads).
// Usage: bench_station [--days N] [FOLDER]   (default 30 days, a temporary folder)
#include "CsvLog.h"
#include "DateTime.h"
#include "DeviceLink.h"
#include "ErrorText.h"
#include "LogAppender.h"
#include "LogTail.h"
#include "ResidentMemory.h"
#include "StationLogger.h"
#include "VirtualCounter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace CliText;

namespace {

// Median microseconds of reading the last ten lines of the file at path.
double MedianTailMicroseconds(const QString& path) {
    std::vector<double> times;
    for (int i = 0; i < 101; ++i) {
        QElapsedTimer timer;
        timer.start();
        FileError error;
        if (!ReadLogTail(path, 10, 2026, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(FileErrorText(error)));
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    std::nth_element(times.begin(), times.begin() + 50, times.end());
    return times[50];
}

void BenchTailReads(const QString& folder) {
    SampleLog year;
    std::mt19937 random(2);
    std::poisson_distribution<int> cpm(35.0);
    const double start = DateTime::Encode(2025, 12, 1);
    for (int minute = 0; minute < 525'600; ++minute) {
        year.Append({start + minute / 1440.0, cpm(random)});
    }
    const QString yearFile = QDir(folder).filePath(QStringLiteral("year.csv"));
    const QString lineFile = QDir(folder).filePath(QStringLiteral("line.csv"));
    WriteCsvLog(yearFile, CsvTextOf(year, {}));
    WriteCsvLog(lineFile, "25/12/01, 00:00, 35\r\n");
    const double yearUs = MedianTailMicroseconds(yearFile);
    const double lineUs = MedianTailMicroseconds(lineFile);
    std::printf(
        "last ten lines: %.0f us of a year-long file (%lld bytes), %.0f us of a one-line "
        "file (x%.1f)\n",
        yearUs, qlonglong(QFileInfo(yearFile).size()), lineUs, yearUs / lineUs);
    // A last line that another program left without an end, read whole as convert reads it.
    const QString longFile = QDir(folder).filePath(QStringLiteral("long.csv"));
    WriteCsvLog(longFile, "25/12/01, 00:00, 35\r\n" + QByteArray(qsizetype(4) << 20, 'x'));
    std::printf("last ten lines: %.0f us when the last line is 4 MiB long\n",
                MedianTailMicroseconds(longFile));
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int days = 30;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--days")); at >= 0) {
        days = arguments.value(at + 1).toInt();
        arguments.remove(at, 2);
    }
    QTemporaryDir temporary;
    const QString folder =
        arguments.isEmpty() ? temporary.filePath(QStringLiteral("days")) : arguments.front();

    double now = DateTime::Encode(2026, 12, 1, 0, 0);
    long lines = 0;
    StationOptions options;
    options.DailyDir = folder;
    StationLogger logger(
        std::make_unique<VirtualCounter>(), options, [&now] { return now; },
        [&lines](const QString&) { ++lines; },
        [](const QString& note) { std::fprintf(stderr, "%s\n", qPrintable(note)); });
    QString error;
    if (!logger.Prepare(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    logger.Start();

    std::mt19937 random(1);
    std::poisson_distribution<int> counts(35.0 / 60.0);
    DevicePacket report;
    const long start = ResidentKiB();
    long afterDay = 0;
    QElapsedTimer timer;
    timer.start();
    const int minutes = days * 1440;
    for (int minute = 0; minute < minutes; ++minute) {
        for (int second = 0; second < 60; ++second) {
            now = DateTime::Encode(2026, 12, 1) + (minute * 60.0 + second + 0.5) / 86'400;
            const int count = counts(random);
            report.Payload[6] = std::uint8_t(count);
            report.Payload[7] = std::uint8_t(count >> 8);
            // Straight to the dispatch the reader hands over to: the reader's 50 ms pause
            // would make a month of one-a-second reports take days.
            logger.Link().DispatchReport(report);
        }
        logger.Tick();
        if (minute == 1439) {
            afterDay = ResidentKiB();
        }
    }
    logger.Finish();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const long end = ResidentKiB();

    qint64 onDisk = 0;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.csv")}, QDir::Files);
    for (const QFileInfo& file : files) {
        onDisk += file.size();
    }
    std::printf("%d simulated days: %d minutes, %ld reports, %ld lines in %lld files\n", days,
                minutes, long(minutes) * 60, lines, qlonglong(files.size()));
    std::printf("time: %.1f s (%.0f us a minute: 60 reports, one line appended and synced)\n",
                seconds, seconds * 1e6 / minutes);
    std::printf("bytes written: %lld (%lld on disk)\n", qlonglong(logger.Appender().BytesWritten()),
                qlonglong(onDisk));
    std::printf(
        "resident memory: %ld KiB at the start, %ld KiB after a day, %ld KiB at the end "
        "(%+ld KiB)\n",
        start, afterDay, end, end - start);
    BenchTailReads(folder);
    return 0;
}
