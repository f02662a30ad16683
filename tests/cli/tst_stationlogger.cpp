#include "LinkKeeper.h"
#include "StationRig.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

class StationLoggerTest : public QObject {
    Q_OBJECT

private slots:
    // A report a second; a line as each whole minute ends, the one started in only told. The
    // dose from the eleventh line, over the ten before it.
    void minutesBecomeLines() {
        Rig rig;
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        for (double t = At(8, 14, 29, 30); t < At(8, 14, 42, 1); t += kSecond) {
            rig.Report(t + kSecond / 2, 1);
        }
        QCOMPARE(rig.lines.size(), 12);
        QCOMPARE(rig.lines[0], "26/12/08, 14:30, 60");
        QCOMPARE(rig.lines[9], "26/12/08, 14:39, 60");
        QCOMPARE(rig.lines[10], "26/12/08, 14:40, 60, 0.0948");
        QCOMPARE(rig.File(), Lines(rig.lines));
        QCOMPARE(rig.notes,
                 QStringList{"2026-12-08 14:30:00 partial minute 14:29 (29 s) not written"});
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
        // It hears nothing of the station's secrets.
        QVERIFY(WriteFile(program,
                          "#!/bin/sh\nprintf '%s|%s|%s%s%s\\n' \"$1\" \"$2\" "
                          "\"${SOLAMINE_MQTT_PASSWORD-none}\" \"${SOLAMINE_RADMON_PASSWORD-}\" "
                          "\"${SOLAMINE_SAFECAST_KEY-}\" >> '" +
                              out.toUtf8() + "'\n"));
        for (const char* secret :
             {"SOLAMINE_MQTT_PASSWORD", "SOLAMINE_RADMON_PASSWORD", "SOLAMINE_SAFECAST_KEY"}) {
            qputenv(secret, "s3cret");
        }
        const auto unset = qScopeGuard([] {
            for (const char* secret :
                 {"SOLAMINE_MQTT_PASSWORD", "SOLAMINE_RADMON_PASSWORD", "SOLAMINE_SAFECAST_KEY"}) {
                qunsetenv(secret);
            }
        });
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        Rig rig(false, QStringLiteral("log.csv"), [&](StationOptions& options) {
            options.AlarmUsv = 0.06;
            options.OnAlarm = program;
        });
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 14, 40);  // 14:40 is at 0.0632
        QCOMPARE(rig.notes.filter("ALARM"), QStringList{"ALARM 26/12/08 14:40 0.0632"});
        QTRY_COMPARE(ReadAll(out), QByteArray("26/12/08 14:40|0.0632|none\n"));
        QCOMPARE(rig.lines.size(), 13);  // the log is as without an alarm
    }

    // The clock ends a minute whose reports came up to its end, once; an unplug leaves the
    // next one partial.
    void theClockEndsAMinute() {
        Rig rig;
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 1, 7);
        rig.now = At(8, 14, 30, 59) + 0.9 * kSecond;
        rig.logger->Tick();
        QVERIFY(rig.lines.isEmpty());
        rig.now = At(8, 14, 31) + 0.2 * kSecond;
        rig.logger->Tick();
        QCOMPARE(rig.lines, QStringList{"26/12/08, 14:30, 7"});
        for (int second = 0; second < 40; ++second) {
            rig.Report(At(8, 14, 31, second) + kSecond / 2, 1);
        }
        rig.logger->Tick();
        QCOMPARE(rig.lines.size(), 1);
        rig.now = At(8, 14, 32, 40);  // unplugged after 40 s of 14:31
        rig.logger->Tick();
        QCOMPARE(rig.lines.size(), 1);
        QVERIFY2(rig.notes.last().endsWith("partial minute 14:31 (39 s) not written"),
                 qPrintable(rig.notes.last()));
        QCOMPARE(rig.File(), Lines(rig.lines));
    }

    // 23:59 stays with its day; a new day's file has no ten lines before its first, so its
    // doses start afresh, as convert would write that file.
    void midnightSwitchesTheFile() {
        Rig rig(true);
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        rig.Minutes(At(8, 23, 50) + kSecond / 2, 12, 10);
        rig.Report(At(9, 0, 2) + kSecond / 2, 0);
        QCOMPARE(rig.logger->Finish(), 0);
        const QByteArray day8 = rig.File("days/2026-12-08.csv");
        const QByteArray day9 = rig.File("days/2026-12-09.csv");
        QCOMPARE(day8, Lines(rig.lines.mid(0, 10)));
        QVERIFY(day8.endsWith("26/12/08, 23:59, 10\r\n"));
        QCOMPARE(day9, Lines(rig.lines.mid(10)));
        QCOMPARE(day9, "26/12/09, 00:00, 10\r\n26/12/09, 00:01, 10\r\n");
        QCOMPARE(QDir(rig.dir.filePath("days")).entryList(QDir::Files).size(), 2);
    }

    void appendsToWhatIsThere_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("appended");
        const QByteArray line = "26/12/08, 14:30, 7\r\n";
        QTest::newRow("empty") << QByteArray() << line;
        QTest::newRow("ends with CR LF") << QByteArray("16/03/20, 12:30, 40\r\n") << line;
        QTest::newRow("ends with LF") << QByteArray("16/03/20, 12:30, 40\n") << line;
        QTest::newRow("no line end")
            << QByteArray("16/03/20, 12:30, 40\r\nsomething else") << "\r\n" + line;
        QTest::newRow("ends with CR") << QByteArray("16/03/20, 12:30, 40\r") << "\n" + line;
        QByteArray lines = "unreadable\r\n\r\n";
        for (int i = 0; i < 300; ++i) {  // more than the first piece read from the end
            lines +=
                QString::asprintf("26/12/08, %02d:%02d, 50\r\n", 9 + i / 60, i % 60).toLatin1();
        }
        QTest::newRow("ten lines and more") << lines << QByteArray("26/12/08, 14:30, 7, 0.079\r\n");
        // Lines that are no samples count for no minute of the dose, as in convert.
        QTest::newRow("a blank last line is no sample")
            << lines + "\r\n"
            << QByteArray("26/12/08, 14:30, 7, 0.079\r\n");
        QTest::newRow("a long last line")
            << lines + QByteArray(9000, 'x') << QByteArray("\r\n26/12/08, 14:30, 7, 0.079\r\n");
    }

    // A new line always starts a line of its own, and its dose is over the file's own last
    // ten lines.
    void appendsToWhatIsThere() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, appended);
        Rig rig;
        QVERIFY(WriteFile(rig.dir.filePath("log.csv"), before));
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 1, 7);
        rig.Report(At(8, 14, 31) + kSecond / 2, 2);
        QCOMPARE(rig.File(), before + appended);
    }

    // The folder goes away for three minutes: nothing is lost or reordered, one note each way.
    void keepsLinesWhileAppendsFail() {
        Rig rig(true);
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        const QString days = rig.dir.filePath("days");
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 2, 1);
        QVERIFY(QDir(days).removeRecursively());
        rig.Minutes(At(8, 14, 32) + kSecond / 2, 3, 2);
        rig.Report(At(8, 14, 35) + kSecond / 2, 0);
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

    // The end: the minute it stops in is told, not written; the counter is closed, nothing
    // sent to it.
    void finishWritesOnlyWholeMinutes() {
        Rig rig;
        rig.logger->Start();
        QCOMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Connected);
        const size_t written = rig.counter->Written().size();
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 1, 4);
        rig.Minutes(At(8, 14, 31) + kSecond / 2, 1, 5);
        rig.now = At(8, 14, 32, 0);
        QCOMPARE(rig.logger->Finish(), 0);
        QCOMPARE(rig.File(), "26/12/08, 14:30, 4\r\n26/12/08, 14:31, 5\r\n");
        QCOMPARE(rig.counter->OpenHandles(), 0);
        QCOMPARE(rig.counter->Written().size(), written);
        rig.Report(At(8, 14, 32, 1), 1);  // too late
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
        QVERIFY(rig.lines.isEmpty());
        QCOMPARE(rig.notes, (QStringList{"2026-12-08 14:30:00 no counter found; waiting for one",
                                         "2026-12-08 14:30:00 connected to the counter",
                                         "2026-12-08 14:30:00 counter lost; waiting for it to "
                                         "come back",
                                         "2026-12-08 14:30:00 connected to the counter",
                                         "2026-12-08 14:30:00 stopped",
                                         "2026-12-08 14:30:00 partial minute 14:30 (0 s) not "
                                         "written"}));
    }
};

SOLAMINE_TEST(StationLoggerTest)
#include "tst_stationlogger.moc"
