// The window's automatic save into a one-year and a ten-year log: the GUI thread's time for one
// save after a live minute and the bytes it writes, against replacing the whole file, which
// every automatic save did before and an explicit Save still does; and the first automatic save
// after Open, which reads the file once to make sure it is in our own form and then writes
// only its end. Run from a Release build:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_autosave [FOLDER]
// FOLDER (default: a temporary folder) decides the file system, and so the cost of fsync.

#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "FileCommands.h"
#include "RecoveryStore.h"
#include "SampleLog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

struct SaveTo : FileDialogs {
    QString path;
    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseSaveFile(const QString&) override { return path; }
};

// Bytes this process has handed to write() so far.
qint64 BytesWritten() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("wchar:")) {
            return line.mid(6).trimmed().toLongLong();
        }
    }
    return -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median milliseconds and bytes written of step over runs, each after prepare.
std::pair<double, double> Measure(int runs, const std::function<void()>& step,
                                  const std::function<void()>& prepare = {}) {
    std::vector<double> times;
    std::vector<double> bytes;
    for (int i = 0; i < runs; ++i) {
        if (prepare) {
            prepare();
        }
        const qint64 before = BytesWritten();
        QElapsedTimer clock;
        clock.start();
        step();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        bytes.push_back(double(BytesWritten() - before));
    }
    return {Median(times), Median(bytes)};
}

// What the file system alone asks for one minute's line: a 62-byte append and fsync.
double SyncMs(const QString& folder) {
    QFile file(folder + QStringLiteral("/bench_sync.csv"));
    if (!file.open(QIODevice::WriteOnly)) {
        return -1;
    }
    const double ms = Measure(61, [&] {
                          file.write(QByteArray(60, 'x') + "\r\n");
                          file.flush();
#ifdef Q_OS_UNIX
                          ::fsync(file.handle());
#endif
                      }).first;
    file.remove();
    return ms;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    std::printf("one line appended and synced alone: %.3f ms\n", SyncMs(folder));
    std::printf("%-9s %12s %12s %12s %12s %12s %12s\n", "minutes", "whole ms", "whole bytes",
                "autosave ms", "bytes", "1st after", "bytes");
    std::printf("%-9s %12s %12s %12s %12s %12s %12s\n", "", "", "", "", "", "Open ms", "");
    for (const int minutes : {525'600, 5'256'000}) {
        SampleLog log;
        log.Reserve(minutes + 100);
        const double start = DateTime::Encode(2016, 12, 8);
        int minute = 0;
        const auto nextMinute = [&] {
            log.Append({start + double(minute / 1440) +
                            DateTime::Encode(1899, 12, 30, minute / 60 % 24, minute % 60),
                        30 + (minute * 7919) % 13});
            ++minute;
        };
        while (minute < minutes) {
            nextMinute();
        }
        DisplayModel display;
        GraphSettings settings;
        SaveTo dialogs;
        dialogs.path = folder + QStringLiteral("/bench_autosave.csv");
        RecoveryStore recovery(folder + QStringLiteral("/recovery"));
        FileCommands files(log, display, settings, dialogs, recovery);
        files.SaveAsClick();

        const auto whole = Measure(5, [&] {
            log.AddToLast(1);
            WriteCsvLog(dialogs.path, CsvTextOf(log, settings));
        });
        // The file changed behind the commands' back: the first save replaces it whole.
        files.MarkChanged();
        files.AutoSave();
        const auto autosave = Measure(61, [&] {
            log.AddToLast(1);
            nextMinute();
            files.MarkChanged();
            files.AutoSave();
        });
        SampleLog reopened;
        DisplayModel reopenedDisplay;
        std::unique_ptr<FileCommands> opened;
        const auto afterOpen = Measure(
            3,
            [&] {
                reopened.AddToLast(1);
                reopened.Append({reopened.Last().Time + 1.0 / 1440, 30});
                opened->MarkChanged();
                opened->AutoSave();
            },
            [&] {
                opened = std::make_unique<FileCommands>(reopened, reopenedDisplay, settings,
                                                        dialogs, recovery);
                opened->OpenFile(dialogs.path);
            });
        opened.reset();
        std::printf("%-9d %12.2f %12.0f %12.3f %12.0f %12.2f %12.0f\n", minutes, whole.first,
                    whole.second, autosave.first, autosave.second, afterOpen.first,
                    afterOpen.second);
        QFile::remove(dialogs.path);
    }
    return 0;
}
