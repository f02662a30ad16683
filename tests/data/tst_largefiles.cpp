#include "CsvLog.h"
#include "FileState.h"
#include "LogAppender.h"
#include "LogTail.h"
#include "RegularFile.h"
#include "TestMain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Logs past 2 GiB and 4 GiB, where a 32-bit offset or size would wrap: the file is sparse, so
// it costs no disk, and its last line is a sample.
class LargeFileTest : public QObject {
    Q_OBJECT

private slots:
    void sizesAndOffsetsPastThirtyTwoBits_data() {
        QTest::addColumn<qint64>("hole");
        QTest::newRow("past 2 GiB") << (qint64(1) << 31) + 10;
        QTest::newRow("past 4 GiB") << (qint64(1) << 32) + 10;
    }
    void sizesAndOffsetsPastThirtyTwoBits() {
        QFETCH(qint64, hole);
        QTemporaryDir dir;
        const QString path = dir.filePath("big.csv");
        const QByteArray last = "\r\n26/12/08, 14:10, 35\r\n";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (!file.resize(hole)) {
                QSKIP(qPrintable("this file system holds no sparse file that large: " +
                                 file.errorString()));
            }
            QVERIFY(file.seek(hole));
            QCOMPARE(file.write(last), qint64(last.size()));
        }
        const qint64 size = hole + last.size();

        // Refused for its size, not for an error of the system's.
        QFile file;
        qint64 seen = 0;
        const std::optional<FileError> refused =
            OpenRegularFile(path, kMaxCsvLogBytes, file, seen);
        QVERIFY(refused);
        QCOMPARE(refused->Why, FileError::Code::TooLarge);
        QCOMPARE(refused->Limit, kMaxCsvLogBytes);
        QCOMPARE(StateAt(path).Size, size);

        // The station reads the end of its file and appends after it.
        FileError error;
        const std::optional<LogFileEnd> end = ReadLogTail(path, 1, 2026, &error);
        QVERIFY2(end, qPrintable(error.Reason));
        QCOMPARE(end->Seen.Size, size);
        QCOMPARE(int(end->Lines.size()), 1);
        QCOMPARE(end->Lines.front().Cpm, 35);

        LogAppender appender([](const LogAppender::Event&) {});
        const QByteArray next = "26/12/08, 14:11, 36";
        QVERIFY(appender.Append(path, next));
        QCOMPARE(appender.LastLine().After.Size, size + next.size() + 2);
        QFile reread(path);
        QVERIFY(reread.open(QIODevice::ReadOnly));
        QCOMPARE(reread.size(), size + next.size() + 2);
        QVERIFY(reread.seek(hole));
        QCOMPARE(reread.readAll(), last + next + "\r\n");
    }
};

SOLAMINE_TEST(LargeFileTest)
#include "tst_largefiles.moc"
