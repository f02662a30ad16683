#include "CliRun.h"
#include "DeviceLink.h"
#include "Devices.h"
#include "Settings.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Version.h"
#include "VirtualCounter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void logEndsOnSignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // The real program with the virtual counter: the signal's minute is partial, so it is told
    // on stderr and not written; exit 0.
    void logEndsOnSignal() {
#ifdef Q_OS_WIN
        QSKIP("POSIX signals; the console's Ctrl+C is sent to the program by scripts/windows.sh");
#else
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString path = dir.filePath("station.csv");
        QProcess process;
        process.start(QStringLiteral(SOLAMINE_CLI), {"log", "--simulate", path});
        QVERIFY(process.waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains("connected"),
                                 5000);
        // The virtual counter reports once a second; give it time for one.
        QTest::qWait(1500);
        ::kill(pid_t(process.processId()), signal);
        const CliRun run = FinishCli(process);
        QCOMPARE(run.exitCode, 0);
        const QByteArray file = ReadAll(path);
        QVERIFY2(QRegularExpression(R"(^(\d\d/\d\d/\d\d, \d\d:\d\d, \d+\r\n)*$)")
                     .match(QString::fromLatin1(file))
                     .hasMatch(),
                 file.constData());
        QCOMPARE(QString::fromLatin1(file).remove('\r'), QString::fromLocal8Bit(run.out));
        err += run.err.toUtf8();
        QVERIFY2(
            QRegularExpression(R"(stopped\n.* partial minute \d\d:\d\d \(\d+ s\) not written\n$)")
                .match(QString::fromUtf8(err))
                .hasMatch(),
            err.constData());
#endif
    }

    void exitStatus_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");  // expected on stdout, or on stderr for failures
        QTest::newRow("log without a file") << QStringList{"log", "--simulate"} << 2 << "usage:";
        QTest::newRow("log with a file and --daily")
            << QStringList{"log", "f.csv", "--daily", "d"} << 2 << "no file with --daily";
        QTest::newRow("log into a missing folder")
            << QStringList{"log", "--simulate", "missing/f.csv"} << 1 << "cannot append";
#ifndef Q_OS_WIN  // a device node: a file that is no folder
        QTest::newRow("log into a folder that is a file")
            << QStringList{"log", "--simulate", "--daily", "/dev/null"} << 1 << "cannot create";
#endif
        QTest::newRow("log with a negative alarm")
            << QStringList{"log", "--alarm", "-1", "f.csv"} << 2 << "--alarm takes";
        QTest::newRow("log with an alarm program but no alarm")
            << QStringList{"log", "--on-alarm", "/bin/true", "f.csv"} << 2 << "needs --alarm";
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QStringLiteral("solamine-cli %1\n").arg(kProgramVersion);
        QTest::newRow("unknown command") << QStringList{"record"} << 2 << "usage:";
        QTest::newRow("devices")
            << QStringList{"devices", "--simulate"} << 0
            << "virtual:counter\tHID\\VID_04D8&PID_F9F2&REV_0100\tcan be opened\n";
        QTest::newRow("settings") << QStringList{"settings", "--simulate"} << 0
                                  << "coefficient 0.00158\nbackground 0\n";
        QTest::newRow("settings set and read back")
            << QStringList{"settings", "--simulate", "--set", "0.00258", "513"} << 0
            << "coefficient 0.00258\nbackground 513\n";
        QTest::newRow("coefficient the dialog refuses")
            << QStringList{"settings", "--simulate", "--set", "0.7", "0"} << 2 << "0.65535";
    }

    void exitStatus() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QTemporaryDir dir;
        const CliRun run = RunCli(arguments, dir.path());
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode == 0) {
            QCOMPARE(QString::fromLocal8Bit(run.out), out);
            QCOMPARE(run.err, QString());
        } else {
            QVERIFY2(run.err.contains(out), qPrintable(run.err));
        }
    }

    void devices_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("none") << false << true << 1;
        QTest::newRow("there but not for this user") << true << false << 3;
    }

    void devices() {
        QFETCH(bool, present);
        QFETCH(bool, opens);
        QFETCH(int, exitCode);
        VirtualCounter counter;
        if (!present) {
            counter.Unplug();
        }
        counter.SetOpenFails(!opens);
        QStringList out, err;
        QCOMPARE(
            ListDevices(
                counter, [&](const QString& l) { out << l; }, [&](const QString& l) { err << l; }),
            exitCode);
        QCOMPARE(out.size(), present ? 1 : 0);
        QCOMPARE(err.size(), 1);
        QVERIFY(err[0].contains(present ? "udev rule" : "no counter found"));
        if (present) {
            QVERIFY(err[0].contains("unplug"));
        }
    }

    void settingsWithoutAnswer_data() {
        QTest::addColumn<QString>("counterState");
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << "silent" << false << "no valid answer within 0.3 s";
        QTest::newRow("cannot be opened") << "locked" << false << "udev rule";
        QTest::newRow("wrong answer") << "wrong code" << true << "no valid answer";
    }

    // Each answer is awaited a bounded time; the link is stopped whatever happened.
    void settingsWithoutAnswer() {
        QFETCH(QString, counterState);
        QFETCH(bool, set);
        QFETCH(QString, message);
        auto backend = std::make_unique<VirtualCounter>();
        VirtualCounter& counter = *backend;
        counter.SetAnswering(counterState != "silent");
        counter.SetOpenFails(counterState == "locked");
        if (counterState == "wrong code") {
            counter.SetAnswerCode(9);
        }
        DeviceLink link(std::move(backend), nullptr);
        QStringList out, err;
        const auto values = set ? std::optional<CounterSettings>({1, 2}) : std::nullopt;
        QCOMPARE(ExchangeSettings(
                     link, values, 300, [&](const QString& l) { out << l; },
                     [&](const QString& l) { err << l; }),
                 1);
        QVERIFY(out.isEmpty());
        QCOMPARE(err.size(), 1);
        QVERIFY2(err[0].contains(message), qPrintable(err[0]));
        QVERIFY(!link.ReaderActive());
        QCOMPARE(counter.OpenHandles(), 0);
    }
};

SOLAMINE_TEST(CommandsTest)
#include "tst_commands.moc"
