#include "CliRun.h"
#include "DeviceLink.h"
#include "Devices.h"
#include "Settings.h"
#include "Summary.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Version.h"
#include "VirtualCounter.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
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

    // The real program with the virtual counter, stopped by a signal seconds after its first
    // report: no minute can be whole yet, so the file it created stays empty, nothing goes to
    // stdout, and the signal's minute is told on stderr as partial; exit 0.
    void logEndsOnSignal() {
#ifdef Q_OS_WIN
        QSKIP("POSIX signals; the console's Ctrl+C is sent to the program by scripts/windows.sh");
#else
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString path = dir.filePath("station.csv");
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_LOGGING_RULES", "solamine.device.debug=true");
        environment.insert("QT_FORCE_STDERR_LOGGING", "1");
        environment.remove("QT_MESSAGE_PATTERN");
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(SOLAMINE_CLI), {"log", "--simulate", path});
        QVERIFY(process.waitForStarted());
        const QByteArray taken = "solamine.device: measurement report taken\n";
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains(taken), 20000);
        ::kill(pid_t(process.processId()), signal);
        const CliRun run = FinishCli(process);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(ReadAll(path), QByteArray());
        QCOMPARE(run.out, QByteArray());
        QStringList notes = (QString::fromLocal8Bit(err) + run.err).split(u'\n');
        notes.removeIf([](const QString& line) { return line.startsWith("solamine.device: "); });
        const QString told = notes.join(u'\n');
        QVERIFY2(QRegularExpression(R"(connected to the counter\n(.*\n)*.* stopped\n)"
                                    R"(.* partial minute \d\d:\d\d \(\d+ s\) not written\n$)")
                     .match(told)
                     .hasMatch(),
                 qPrintable(told));
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
        QTest::newRow("summary --help")
            << QStringList{"summary", "--help"} << 0 << QString::fromUtf8(kSummaryUsage);
        QTest::newRow("settings -h among its options")
            << QStringList{"settings", "--simulate", "-h"} << 0
            << QString::fromUtf8(kSettingsUsage);
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
