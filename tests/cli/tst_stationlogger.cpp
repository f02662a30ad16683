#include "DateTime.h"
#include "DeviceLink.h"
#include "LinkKeeper.h"
#include "StationLogger.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

namespace {

double At(int day, int hour, int minute, int second = 0) {
    return DateTime::Encode(2026, 12, day, hour, minute, second);
}

// A station logger over a scripted virtual counter and a clock the test sets.
struct Rig {
    QTemporaryDir dir;
    VirtualCounter* counter = nullptr;
    double now = At(8, 14, 30);
    QStringList lines;
    QStringList notes;
    std::unique_ptr<StationLogger> logger;

    explicit Rig(bool daily = false, const QString& file = QStringLiteral("log.csv"),
                 const std::function<void(StationOptions&)>& more = {}) {
        auto backend = std::make_unique<VirtualCounter>();
        counter = backend.get();
        StationOptions options;
        if (daily) {
            options.DailyDir = dir.filePath("days");
        } else {
            options.File = dir.filePath(file);
        }
        if (more) {
            more(options);
        }
        logger = std::make_unique<StationLogger>(
            std::move(backend), options, [this] { return now; },
            [this](const QString& line) { lines << line; },
            [this](const QString& note) { notes << note; });
    }

    // A report handed to the logger as the reader hands it over, at the given time.
    void Report(double at, std::uint16_t count) {
        now = at;
        DevicePacket packet;
        packet.Payload[6] = std::uint8_t(count);
        packet.Payload[7] = std::uint8_t(count >> 8);
        logger->Link().DispatchReport(packet);
    }

    QByteArray File(const char* name = "log.csv") const { return ReadAll(dir.filePath(name)); }
};

QByteArray Lines(const QStringList& lines) {
    QByteArray text;
    for (const QString& line : lines) {
        text += line.toLatin1() + "\r\n";
    }
    return text;
}

}  // namespace

class StationLoggerTest : public QObject {
    Q_OBJECT

private slots:
    // Several reports a minute; a line as each minute completes, the dose from the eleventh.
    void minutesBecomeLines() {
        Rig rig;
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        for (int minute = 30; minute < 42; ++minute) {
            rig.Report(At(8, 14, minute, 5), 20);
            rig.Report(At(8, 14, minute, 50), 15);
        }
        QCOMPARE(rig.lines.size(), 11);
        QCOMPARE(rig.lines[0], "26/12/08, 14:30, 35");
        QCOMPARE(rig.lines[9], "26/12/08, 14:39, 35");
        QCOMPARE(rig.lines[10], "26/12/08, 14:40, 35, 0.0553");
        QCOMPARE(rig.File(), Lines(rig.lines));
    }

    // A crossing says ALARM and runs the alarm program with the minute and the dose rate, once
    // until the rate has been below for ten minutes.
    void alarmRunsItsProgram() {
#ifdef Q_OS_WIN
        QSKIP("the alarm program here is a shell script");
#endif
        QTemporaryDir scripts;
        const QString out = scripts.filePath("alarms.txt");
        const QString program = scripts.filePath("on-alarm");
        QVERIFY(WriteFile(
            program, "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> '" + out.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        Rig rig(false, QStringLiteral("log.csv"), [&](StationOptions& options) {
            options.AlarmUsv = 0.06;
            options.OnAlarm = program;
        });
        for (int minute = 30; minute <= 43; ++minute) {
            rig.Report(At(8, 14, minute, 5), 40);  // 14:40 completes at 0.0632
        }
        QCOMPARE(rig.notes.filter("ALARM"), QStringList{"ALARM 26/12/08 14:40 0.0632"});
        QTRY_COMPARE(ReadAll(out), QByteArray("26/12/08 14:40|0.0632\n"));
        QCOMPARE(rig.lines.size(), 13);  // the log is as without an alarm
    }

    // The minute is appended once the clock has left it, and only once.
    void theClockCompletesAMinute() {
        Rig rig;
        rig.Report(At(8, 14, 30, 10), 7);
        rig.now = At(8, 14, 30, 59);
        rig.logger->Tick();
        QVERIFY(rig.lines.isEmpty());
        rig.now = At(8, 14, 31, 1);
        rig.logger->Tick();
        QCOMPARE(rig.lines, QStringList{"26/12/08, 14:30, 7"});
        rig.Report(At(8, 14, 31, 2), 3);
        rig.logger->Tick();
        QCOMPARE(rig.lines.size(), 1);
        rig.Report(At(8, 14, 33), 4);  // a gap: 14:31 completes, nothing for 14:32
        QCOMPARE(rig.lines.last(), "26/12/08, 14:31, 3");
        QCOMPARE(rig.File(), Lines(rig.lines));
    }

    // 23:59 stays with its day; the dose window carries on across midnight.
    void midnightSwitchesTheFile() {
        Rig rig(true);
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        for (int i = 0; i < 12; ++i) {
            rig.Report(At(8, 23, 50) + i / 1440.0, 10);
        }
        QCOMPARE(rig.logger->Finish(), 0);
        const QByteArray day8 = rig.File("days/2026-12-08.csv");
        const QByteArray day9 = rig.File("days/2026-12-09.csv");
        QCOMPARE(day8, Lines(rig.lines.mid(0, 10)));
        QVERIFY(day8.endsWith("26/12/08, 23:59, 10\r\n"));
        QCOMPARE(day9, Lines(rig.lines.mid(10)));
        QCOMPARE(day9, "26/12/09, 00:00, 10, 0.0158\r\n26/12/09, 00:01, 10, 0.0158\r\n");
        QCOMPARE(QDir(rig.dir.filePath("days")).entryList(QDir::Files).size(), 2);
    }

    void appendsToWhatIsThere() {
        Rig rig;
        const QByteArray before = "16/03/20, 12:30, 40\r\nsomething else";
        QVERIFY(WriteFile(rig.dir.filePath("log.csv"), before));
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        rig.Report(At(8, 14, 30), 1);
        rig.Report(At(8, 14, 31), 2);
        QCOMPARE(rig.File(), before + "26/12/08, 14:30, 1\r\n");
    }

    // The folder goes away for three minutes: nothing is lost or reordered, one note each way.
    void keepsLinesWhileAppendsFail() {
        Rig rig(true);
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        const QString days = rig.dir.filePath("days");
        rig.Report(At(8, 14, 30), 1);
        rig.Report(At(8, 14, 31), 2);
        QVERIFY(QDir(days).removeRecursively());
        for (int minute = 32; minute < 36; ++minute) {
            rig.Report(At(8, 14, minute), std::uint16_t(minute));
        }
        rig.logger->Tick();
        QCOMPARE(rig.logger->Appender().Queued(), 4);
        QCOMPARE(rig.notes.size(), 1);
        QVERIFY2(rig.notes[0].startsWith("2026-12-08 14:32:00 cannot append to "),
                 qPrintable(rig.notes[0]));
        QDir().mkpath(days);
        rig.logger->Tick();
        QCOMPARE(rig.logger->Appender().Queued(), 0);
        QCOMPARE(rig.File("days/2026-12-08.csv"), Lines(rig.lines.mid(1)));
        QCOMPARE(rig.lines.size(), 5);
        QCOMPARE(rig.notes.size(), 2);
    }

    // The end: the incomplete minute is appended, the counter closed, nothing sent to it.
    void finishKeepsTheLastMinute() {
        Rig rig;
        rig.logger->Start();
        QCOMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Connected);
        const size_t written = rig.counter->Written().size();
        rig.Report(At(8, 14, 30), 4);
        rig.Report(At(8, 14, 31), 5);
        rig.Report(At(8, 14, 31, 30), 6);
        QCOMPARE(rig.logger->Finish(), 0);
        QCOMPARE(rig.File(), "26/12/08, 14:30, 4\r\n26/12/08, 14:31, 11\r\n");
        QCOMPARE(rig.counter->OpenHandles(), 0);
        QCOMPARE(rig.counter->Written().size(), written);
        rig.Report(At(8, 14, 32), 1);  // too late
        rig.logger->Tick();
        QCOMPARE(rig.lines.size(), 2);
        QVERIFY(rig.notes.last().endsWith("stopped"));
    }

    // Waiting, connected, lost, connected again: one timed note for each change.
    void saysWhenTheLinkChanges() {
        Rig rig;
        rig.counter->Unplug();
        rig.logger->Start();
        rig.counter->Replug();
        QTRY_COMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Connected);
        rig.counter->Unplug();
        QTRY_COMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Lost);
        rig.counter->Replug();
        QTRY_COMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Connected);
        rig.counter->SendCount(3);  // through the reader this time
        QTRY_COMPARE(rig.counter->Pending(), 0);
        QCOMPARE(rig.logger->Finish(), 0);
        QCOMPARE(rig.lines, QStringList{"26/12/08, 14:30, 3"});
        QCOMPARE(rig.notes, (QStringList{"2026-12-08 14:30:00 no counter found; waiting for one",
                                         "2026-12-08 14:30:00 connected to the counter",
                                         "2026-12-08 14:30:00 counter lost; waiting for it to "
                                         "come back",
                                         "2026-12-08 14:30:00 connected to the counter",
                                         "2026-12-08 14:30:00 stopped"}));
    }
};

SOLAMINE_TEST(StationLoggerTest)
#include "tst_stationlogger.moc"
