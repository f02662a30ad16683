#include "CliRun.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <QTest>

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
