#include "CsvLog.h"
#include "LogTail.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// count lines of the program's form from minute `from` on, padded with blanks (which the
// reader skips) and ended with end.
QByteArray Minutes(int from, int count, int padding = 0, const QByteArray& end = "\r\n") {
    QByteArray lines;
    for (int i = from; i < from + count; ++i) {
        lines += QString::asprintf("26/12/08, %02d:%02d, %d", 9 + i / 60, i % 60, 30 + i % 7)
                     .toLatin1() +
                 QByteArray(padding, ' ') + end;
    }
    return lines;
}

}  // namespace

class LogTailTest : public QObject {
    Q_OBJECT

private slots:
    void readsAsTheWholeFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray mib((1 << 20) + 7, 'x');
        QTest::newRow("fewer than ten lines, the last without its end") << Minutes(0, 4) + "x";
        QTest::newRow("blank lines and every line end") << Minutes(0, 8) + "\r\n\n\r" +
                                                               Minutes(8, 2, 0, "\r") + "\r\r\n" +
                                                               Minutes(10, 1, 0, "\n\r");
        QTest::newRow("a line starting with bytes like a mark")
            << Minutes(0, 300) + "\xFF\xFE" + Minutes(300, 10);
        QTest::newRow("lines over 1 MiB among the last ten, one readable")
            << Minutes(0, 20) + mib + "\n" + Minutes(20, 3) + QByteArray(mib.size(), ' ') +
                   Minutes(23, 1);
        // Four lines fill the first 4 KiB read from the end; each kind of line end once on the
        // edge of that piece.
        const QList<std::pair<const char*, QByteArray>> ends{
            {"CR LF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};
        for (const auto& [name, end] : ends) {
            for (int shift = 0;; ++shift) {
                const QByteArray bytes = Minutes(0, 12, 1000, end) + Minutes(12, 1, shift, end);
                if (bytes[bytes.size() - 4096 - 1] == end[0]) {
                    QTest::addRow("%s on a piece's edge", name) << bytes;
                    break;
                }
            }
        }
    }

    // The end read from the end is what the whole file says, whatever its lines' lengths and
    // ends; and the file is told as it was read.
    void readsAsTheWholeFile() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, bytes));
        FileError error;
        const std::optional<LogFileEnd> end = ReadLogTail(path, 10, 2026, &error);
        QVERIFY(end);
        std::vector<Sample> whole = ParseCsvLog(bytes, 2026).Samples;
        whole.erase(whole.begin(), whole.end() - std::min<qsizetype>(qsizetype(whole.size()), 10));
        QVERIFY(end->Lines == whole);
        QVERIFY(end->Seen == StateAt(path));
    }
};

SOLAMINE_TEST(LogTailTest)
#include "tst_logtail.moc"
