#include "LogAppender.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Line(int i) {
    return "26/12/08, 14:" + QByteArray::number(10 + i) + ", 35";
}

}  // namespace

class LogAppenderTest : public QObject {
    Q_OBJECT

private slots:
    void refusesWhatIsNoRegularFile() {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!CanAppendTo(dir.path(), &error));
        QVERIFY(error.contains("not a regular file"));
        QVERIFY(!CanAppendTo(dir.filePath("missing/log.csv"), &error));
        QVERIFY(error.contains("cannot append"));
#ifndef Q_OS_WIN
        QCOMPARE(QProcess::execute("mkfifo", {dir.filePath("fifo")}), 0);
        QVERIFY(!CanAppendTo(dir.filePath("fifo"), &error));  // returns: the FIFO is not opened
#endif
    }

    // A full disk cuts a line short: it is taken back off the file, and once there is room
    // again it follows whole, then the kept lines in order, each exactly once; the failure is
    // reported once for the streak.
    void finishesALineCutShort() {
        SOLAMINE_MOUNTS_AS_ROOT();
        SmallDisk disk;
        if (!disk.mounted) {
            QSKIP("cannot mount a tmpfs here");
        }
        const QString path = disk.mount + "/log.csv";
        // After the first line, 5 bytes are left in the file's page: the next line is cut.
        const QByteArray before = QByteArray(4096 - 2 - 21 - 5, 'p') + "\r\n";
        QVERIFY(WriteFile(path, before));
        QStringList reports;
        LogAppender appender([&](const QString& text) { reports << text; });
        QVERIFY(appender.Append(path, Line(0)));
        disk.Fill();
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(!appender.Append(path, Line(i)));
        }
        QCOMPARE(appender.Queued(), 3);
        QCOMPARE(QFileInfo(path).size(), before.size() + 21);  // the cut line taken back
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains("cannot append to " + path), qPrintable(reports[0]));

        QVERIFY(QFile::remove(disk.mount + "/filler"));
        QVERIFY(appender.Flush());
        QByteArray expected = before;
        for (int i = 0; i <= 3; ++i) {
            expected += Line(i) + "\r\n";
        }
        QCOMPARE(ReadAll(path), expected);
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports[1].contains("works again"));
    }
};

SOLAMINE_TEST(LogAppenderTest)
#include "tst_logappender.moc"
