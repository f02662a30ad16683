// How long Open reads and how much memory it takes at the bounds: the read time of a 512 MiB
// file of one line without a line end (median of runs), and the peak resident memory of reading
// the largest files Open accepts (a file of the most lines, each of the longest form, and a file
// of one line that size), and the time to save each again. Each peak is measured in a child
// process of its own.
// Run: build/bench/bench_read [DIRECTORY]   (needs about 2.5 GB of free space there)
#include "CsvLog.h"
#include "DisplayRules.h"
#include "FileError.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The peak resident memory of this process so far, in MiB.
long PeakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').front().toLong() / 1024;
        }
    }
    return -1;
}

bool WriteRepeated(const QString& path, const QByteArray& head, const QByteArray& unit,
                   qint64 count) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size()) {
        return false;
    }
    QByteArray block;
    const qint64 perBlock = std::max<qint64>(1, (1 << 20) / unit.size());
    for (qint64 i = 0; i < perBlock; ++i) {
        block += unit;
    }
    for (qint64 done = 0; done < count; done += perBlock) {
        const qint64 n = std::min(perBlock, count - done) * unit.size();
        if (file.write(block.constData(), n) != n) {
            return false;
        }
    }
    return file.flush();
}

// The child: reads path once and prints its samples and peak memory.
int ReadOnce(const QString& path) {
    const long before = PeakMiB();
    try {
        QElapsedTimer reading;
        reading.start();
        CsvReadResult read = ReadCsvLog(path, 2026);
        std::printf("%zu samples in %.2f s, peak %ld MiB (%ld MiB before the read)",
                    read.Samples.size(), reading.nsecsElapsed() / 1e9, PeakMiB(), before);
        // What a save of that log costs: the shutdown waits for it.
        SampleLog log;
        log.Assign(std::move(read.Samples));
        QElapsedTimer clock;
        clock.start();
        const QByteArray text = CsvTextOf(log, GraphSettings{});
        WriteCsvLog(path + QStringLiteral(".saved"), text);
        std::printf("; saved again in %.2f s (%lld bytes)\n", clock.nsecsElapsed() / 1e9,
                    qint64(text.size()));
        QFile::remove(path + QStringLiteral(".saved"));
    } catch (const FileFailure& e) {
        // This bench links data/ alone, which has no words: the code and the system's reason.
        std::printf("refused: code %d %s\n", int(e.First().Why), qPrintable(e.First().Reason));
    }
    return 0;
}

double MedianSeconds(const QString& path, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        ReadCsvLog(path, 2026);
        times.push_back(clock.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--read")) {
        return ReadOnce(args[2]);
    }
    QTemporaryDir dir(args.size() > 1 ? args[1] + QStringLiteral("/bench_read-XXXXXX") : QString());
    const QByteArray head = "16/03/20, 12:30, 40 ";
    const QString oneLine = dir.filePath(QStringLiteral("one_line_512MiB.csv"));
    if (!WriteRepeated(oneLine, head, "x", (qint64(512) << 20) - head.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(oneLine));
        return 1;
    }
    std::printf("read a 512 MiB line without a line end: median %.2f s of 5\n",
                MedianSeconds(oneLine, 5));
    QFile::remove(oneLine);

    // The longest line the writer makes, repeated as often as Open accepts.
    char line[kMaxLogLineChars + 2];
    char* end = WriteLogLine({-1e9, INT32_MIN, -1.2345678901234e-300}, line);
    *end++ = '\r';
    *end++ = '\n';
    const QByteArray longest(line, end - line);
    struct Case {
        const char* name;
        QByteArray head;
        QByteArray unit;
        qint64 count;
    };
    const Case cases[] = {
        {"most lines, longest form", {}, longest, kMaxCsvLogSamples},
        {"one line of the largest size", head, "x", kMaxCsvLogBytes - head.size()},
        {"one blank line too many", {}, "\n", kMaxCsvLogSamples + 1},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("largest.csv"));
        if (!WriteRepeated(path, c.head, c.unit, c.count)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), path});
        child.waitForFinished(-1);
        std::printf("%s (%lld bytes): %s", c.name, QFile(path).size(),
                    child.readAllStandardOutput().constData());
        QFile::remove(path);
    }
    return 0;
}
