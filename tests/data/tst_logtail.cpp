#include "CsvLog.h"
#include "LogTail.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kYear = 2026;

QByteArray Minute(int i, const QByteArray& end = "\r\n") {
    return QString::asprintf("26/12/08, %02d:%02d, %d", 9 + i / 60, i % 60, 30 + i % 7).toLatin1() +
           end;
}

QByteArray Minutes(int from, int count) {
    QByteArray lines;
    for (int i = from; i < from + count; ++i) {
        lines += Minute(i);
    }
    return lines;
}

// What the end of a file must read as: the last n samples of the whole file.
std::vector<Sample> LastOfWhole(const QByteArray& bytes, size_t n) {
    std::vector<Sample> samples = ParseCsvLog(bytes, kYear).Samples;
    samples.erase(samples.begin(), samples.end() - qsizetype(std::min(n, samples.size())));
    return samples;
}

}  // namespace

class LogTailTest : public QObject {
    Q_OBJECT

private slots:
    void readsAsTheWholeFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray mib(1 << 20, 'x');
        const QByteArray spaces((1 << 20) + 7, ' ');
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one line without its end") << Minute(0, "");
        QTest::newRow("fewer than ten lines") << Minutes(0, 4);
        QTest::newRow("many lines") << Minutes(0, 500);
        QTest::newRow("blank lines and every line end") << Minutes(0, 8) + "\r\n\n\r" +
                                                               Minute(8, "\r") + Minute(9, "\n") +
                                                               "\r\r\n" + Minute(10, "\n\r");
        QTest::newRow("ends with a lone CR") << Minutes(0, 12) + "\r";
        QTest::newRow("a mark at the start of a short file") << "\xEF\xBB\xBF" + Minutes(0, 3);
        // The line the end is read from, not the file's start.
        QTest::newRow("bytes like a UTF-16 mark")
            << Minutes(0, 300) + "\xFF\xFE" + Minutes(300, 10);
        QTest::newRow("bytes like a UTF-8 mark")
            << Minutes(0, 300) + "\xEF\xBB\xBF" + Minutes(300, 10);
        QTest::newRow("an unreadable last line over 1 MiB") << Minutes(0, 3) + mib;
        QTest::newRow("a readable last line over 1 MiB")
            << Minutes(0, 3) + Minute(3, ", ") + mib + "\r\n";
        QTest::newRow("its fields at the end of a line over 1 MiB")
            << Minutes(0, 12) + spaces + Minute(12);
        QTest::newRow("lines over 1 MiB among the last ten")
            << Minutes(0, 20) + mib + "\r\n" + Minutes(20, 3) + mib + "\n" + Minutes(23, 4);
    }

    // The end read from the end is what the whole file says, whatever its lines' lengths and
    // ends; and the file as it was read is told.
    void readsAsTheWholeFile() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, bytes));
        FileError error;
        const std::optional<LogFileEnd> end = ReadLogTail(path, 10, kYear, &error);
        QVERIFY(end);
        QVERIFY(end->Lines == LastOfWhole(bytes, 10));
        QCOMPARE(end->Seen.Size, bytes.size());
        QVERIFY(end->Seen == StateAt(path));
    }

    void pieceEdges_data() {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
    }

    // Lines long enough that four of them fill the first piece read from the end (4 KiB), so
    // the ten are found across two pieces; shifted so that each byte of a line end falls on
    // the edge between them, a CR LF split by it too.
    void pieceEdges() {
        QFETCH(QByteArray, end);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        const QByteArray padding(1000, ' ');
        for (int shift = 0; shift < 1025; ++shift) {
            QByteArray bytes;
            for (int i = 0; i < 12; ++i) {
                bytes += Minute(i, padding + end);
            }
            bytes += Minute(12, QByteArray(shift, ' ') + end);
            const qsizetype edge = bytes.size() - 4096;
            if (!end.contains(bytes[edge - 1]) && !end.contains(bytes[edge])) {
                continue;
            }
            QVERIFY(WriteFile(path, bytes));
            FileError error;
            const std::optional<LogFileEnd> tail = ReadLogTail(path, 10, kYear, &error);
            QVERIFY(tail);
            QVERIFY2(tail->Lines == LastOfWhole(bytes, 10), qPrintable(QString::number(shift)));
        }
    }

    // No file: no lines, and nothing was seen.
    void missingFile() {
        QTemporaryDir dir;
        FileError error;
        const std::optional<LogFileEnd> end =
            ReadLogTail(dir.filePath("missing.csv"), 10, kYear, &error);
        QVERIFY(end);
        QVERIFY(end->Lines.empty());
        QVERIFY(end->Seen == FileState{});
    }
};

SOLAMINE_TEST(LogTailTest)
#include "tst_logtail.moc"
