#include "CliRun.h"
#include "TestFiles.h"
#include "TestMain.h"

#include "PeriodSummary.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>

namespace {

CliRun RunSummary(const QStringList& arguments) {
    return RunCli(QStringList{"summary"} + arguments, QStringLiteral(TEST_DATA_DIR));
}

}  // namespace

class SummaryCliTest : public QObject {
    Q_OBJECT

private slots:
    // Two daily files named out of order read as one log; text and CSV as kept in testdata.
    void golden_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("golden");
        QTest::newRow("text by hour") << QStringList{"--by", "hour"} << "summary_by_hour.txt";
        QTest::newRow("csv by day with a background")
            << QStringList{"--csv", "--coefficient", "0.01", "--background=20"}
            << "summary_by_day_background_20.csv";
    }
    void golden() {
        QFETCH(QStringList, options);
        QFETCH(QString, golden);
        const CliRun run =
            RunSummary(options + QStringList{"summary_second_day.csv", "summary_first_day.csv"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, ReadAll(QStringLiteral(TEST_DATA_DIR "/") + golden));
    }

    // Lines that are no sample leave the rest summarized, but the status and stderr say so.
    void unreadableLines() {
        QTemporaryDir dir;
        const QString path = dir.filePath("with_header.csv");
        QVERIFY(
            WriteFile(path, "date, time, cpm\r\n" +
                                ReadAll(QStringLiteral(TEST_DATA_DIR "/summary_first_day.csv"))));
        const CliRun run = RunSummary({"--csv", path});
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.err.trimmed(),
                 "solamine-cli: " + path + ": 1 unreadable line(s), the first is line 1");
        QVERIFY(run.out.endsWith(
            "\r\n2026-05-01,3,0.2,31.67,20,45,2026-05-01 23:58,0.0500,0.0025\r\n"));
    }

    // A line dated far from the rest would ask for millions of empty periods: such a table is
    // refused at once, saying why.
    void tableBeyondTheBound_data() {
        QTest::addColumn<QString>("by");
        QTest::newRow("hours from 1900 to 9999") << "hour";
        QTest::newRow("days from 1900 to 9999") << "day";
    }
    void tableBeyondTheBound() {
        QFETCH(QString, by);
        QTemporaryDir dir;
        const QString path = dir.filePath("far_apart.csv");
        QVERIFY(WriteFile(path, "1900/01/01, 00:00, 5\r\n9999/12/31, 23:59, 7\r\n"));
        const CliRun run = RunSummary({"--by", by, "--csv", path});
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.err.startsWith("solamine-cli: the table by " + by + " would have ") &&
                     run.err.contains(QStringLiteral("from 1900-01-01") +
                                      (by == "hour" ? " 00:00" : "") + " to 9999-12-31") &&
                     run.err.contains(QStringLiteral("more than %1;").arg(kMaxSummaryRows)),
                 qPrintable(run.err));
    }

    // A table that does not reach its file is a failure, text or CSV.
    void fullDisk_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("text") << QStringList{};
        QTest::newRow("csv") << QStringList{"--csv"};
    }
    void fullDisk() {
        SOLAMINE_MOUNTS_AS_ROOT();
        QFETCH(QStringList, options);
        SmallDisk disk;
        if (!disk.mounted) {
            QSKIP("cannot mount a small tmpfs here");
        }
        disk.Fill();
        QProcess process;
        process.setWorkingDirectory(QStringLiteral(TEST_DATA_DIR));
        process.setStandardOutputFile(disk.mount + QStringLiteral("/table"));
        process.start(QStringLiteral(SOLAMINE_CLI),
                      QStringList{"summary"} + options + QStringList{"summary_first_day.csv"});
        const CliRun run = FinishCli(process);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("solamine-cli: cannot write the table: ") &&
                     run.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(run.err));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << QStringList{"--csv"} << 2 << "one or more files";
        QTest::newRow("unknown period")
            << QStringList{"--by", "week", "summary_first_day.csv"} << 2 << "hour, day or month";
        QTest::newRow("missing file")
            << QStringList{"summary_first_day.csv", "missing.csv"} << 1 << "missing.csv";
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const CliRun run = RunSummary(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(run.out, QByteArray());
    }
};

SOLAMINE_TEST(SummaryCliTest)

#include "tst_summarycli.moc"
