#include "CsvLog.h"
#include "DisplayRules.h"
#include "LoggedMinutes.h"
#include "PublishMark.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>
#include <numeric>

namespace {

const GraphSettings kSettings{0.0057, 12};

// The minute that many minutes after start, as the log's reader gives it.
double At(double start, int minutes) {
    const DateTime::Parts parts = DateTime::Decode(start + minutes / 1440.0);
    return DateTime::Encode(parts.date, parts.time);
}

// The text the program saves for samples at these minutes after start, below a header line
// that is no sample, and the lines of the samples.
std::pair<QByteArray, QStringList> Written(double start, const QList<int>& minutes) {
    SampleLog log;
    for (int i = 0; i < minutes.size(); ++i) {
        log.Append({At(start, minutes[i]), (i * 7) % 30});
    }
    const QByteArray text = CsvTextOf(log, kSettings);
    return {"date, time, cpm\r\n" + text, QString::fromLatin1(text.trimmed()).split("\r\n")};
}

QStringList LinesOf(const std::vector<LogRecord>& records) {
    QStringList lines;
    for (const LogRecord& record : records) {
        lines << LogLine(record);
    }
    return lines;
}

}  // namespace

class LoggedMinutesTest : public QObject {
    Q_OBJECT

private slots:
    void singleFile_data() {
        QTest::addColumn<QList<int>>("minutes");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("oldest");
        QTest::addColumn<int>("first");  // the first line taken; all after it are
        QList<int> thirty, setBack;
        for (int i = 0; i < 30; ++i) {
            thirty << i;
            setBack << (i < 20 ? i : i - 8);
        }
        QTest::newRow("from in the middle") << thirty << 17 << -999 << 17;
        QTest::newRow("from before the file") << thirty << -5 << -999 << 0;
        QTest::newRow("from after the last line") << thirty << 40 << -999 << 30;
        QTest::newRow("oldest bounds it") << thirty << -5 << 22 << 22;
        QTest::newRow("the clock set back") << setBack << 15 << -999 << 23;
    }

    // The lines after the last one older than the bounds, each as the file has it: its dose
    // over the ten lines before, none while fewer come before.
    void singleFile() {
        QFETCH(QList<int>, minutes);
        QFETCH(int, from);
        QFETCH(int, oldest);
        QFETCH(int, first);
        QTemporaryDir dir;
        const double start = DateTime::Encode(2026, 12, 8, 9, 0);
        const auto [text, lines] = Written(start, minutes);
        QVERIFY(WriteFile(dir.filePath("log.csv"), text));
        FileError error;
        const auto records = ReadLoggedMinutes({dir.filePath("log.csv"), {}}, At(start, from),
                                               At(start, oldest), kSettings, 2026, &error);
        QVERIFY(records);
        QCOMPARE(LinesOf(*records), lines.mid(first));
    }

    // A daily folder: the days from the bound's on, a missing one passed over, each file's
    // doses its own; whatever stands under a day's name and is no file is refused.
    void dailyFolder() {
        QTemporaryDir dir;
        const QDate today = QDate::currentDate();
        QStringList expected;
        for (const int back : {3, 2, 0}) {
            const QDate day = today.addDays(-back);
            const auto [text, lines] = Written(DateTime::Encode(day.year(), day.month(), day.day()),
                                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
            QVERIFY(WriteFile(dir.filePath(day.toString("yyyy-MM-dd.csv")), text));
            expected << (back == 2 ? lines.mid(5) : back == 0 ? lines : QStringList{});
        }
        const QDate day = today.addDays(-2);
        const double from = DateTime::Encode(day.year(), day.month(), day.day(), 0, 5);
        FileError error;
        auto records = ReadLoggedMinutes({{}, dir.path()}, from, 0, kSettings, 2026, &error);
        QVERIFY(records);
        QCOMPARE(LinesOf(*records), expected);
        QVERIFY(QDir(dir.path()).mkdir(today.addDays(-1).toString("yyyy-MM-dd.csv")));
        QVERIFY(!ReadLoggedMinutes({{}, dir.path()}, from, 0, kSettings, 2026, &error));
        QCOMPARE(error.Why, FileError::Code::NotRegularFile);
    }

    // A file of 200,000 minutes is read from its end only.
    void largeFileReadFromItsEnd() {
        QTemporaryDir dir;
        const double start = DateTime::Encode(2026, 1, 1);
        QList<int> minutes(200'000);
        std::iota(minutes.begin(), minutes.end(), 0);
        const auto [text, lines] = Written(start, minutes);
        QVERIFY(WriteFile(dir.filePath("log.csv"), text));
        FileError error;
        const qint64 before = BytesReadSoFar();
        const auto records = ReadLoggedMinutes({dir.filePath("log.csv"), {}}, At(start, 199'940), 0,
                                               kSettings, 2026, &error);
        if (before >= 0) {
            QCOMPARE_LT(BytesReadSoFar() - before, 256 * 1024);
        }
        QVERIFY(records);
        QCOMPARE(LinesOf(*records), lines.mid(199'940));
    }

    void markRoundTrip() {
        QTemporaryDir dir;
        const QString path = MarkPathFor(dir.filePath("log.csv"), {}, "mqtt");
        const FileError untouched{FileError::Operation::Write, FileError::Code::Stopped, {}, {}, 0};
        FileError error = untouched;
        QVERIFY(!ReadPublishMark(path, &error));
        QCOMPARE(error, untouched);  // no file is no error
        for (const PublishMark& mark :
             {PublishMark{"home", DateTime::Encode(2026, 12, 9, 17, 20)},
              PublishMark{"B\u00fcro 1\n=%", DateTime::Encode(1850, 3, 1)}}) {
            QVERIFY(WritePublishMark(path, mark, &error));
            QCOMPARE(ReadPublishMark(path, &error), mark);
        }
#ifndef Q_OS_WIN  // Windows has no mode bits for others; the folder's ACL decides
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
#endif
    }

    void readsMark_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");  // empty: it reads as home at 2026-12-09 17:20
        QTest::newRow("written by hand") << QByteArray(
                                                "station=home\r\nv=1\r\n\r\n"
                                                "acknowledged=2026-12-09 17:20\r\n")
                                         << "";
        QTest::newRow("no such day") << QByteArray("station=home\nacknowledged=2026-02-30 17:20")
                                     << "acknowledged=2026-02-30 17:20";
        QTest::newRow("seconds") << QByteArray("station=a\nacknowledged=2026-12-09 17:20:05\n")
                                 << "acknowledged=2026-12-09 17:20:05";
        QTest::newRow("no station") << QByteArray("acknowledged=2026-12-09 17:20\n") << "station=";
        QTest::newRow("no minute") << QByteArray("station=home\n") << "acknowledged=";
        QTest::newRow("a line of no key") << QByteArray("station=home\ngarbage\n") << "garbage";
    }

    void readsMark() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("m"), bytes));
        FileError error;
        const std::optional<PublishMark> mark = ReadPublishMark(dir.filePath("m"), &error);
        if (reason.isEmpty()) {
            QCOMPARE(mark, (PublishMark{"home", DateTime::Encode(2026, 12, 9, 17, 20)}));
        } else {
            QVERIFY(!mark);
            QCOMPARE(error, (FileError{FileError::Operation::Read, FileError::Code::System,
                                       dir.filePath("m"), reason, 0}));
        }
    }
};

SOLAMINE_TEST(LoggedMinutesTest)
#include "tst_loggedminutes.moc"
