#include "LogAppender.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <vector>

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
        FileError error;
        QVERIFY(!CanAppendTo(dir.path(), &error));
        const FileError refused{
            FileError::Operation::Append, FileError::Code::NotRegularFile, dir.path(), {}, 0};
        QVERIFY(error == refused);
        QVERIFY(!CanAppendTo(dir.filePath("missing/log.csv"), &error));
        QCOMPARE(error.Why, FileError::Code::System);
        QVERIFY(!error.Reason.isEmpty());
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
        std::vector<LogAppender::Event> reports;
        LogAppender appender([&](const LogAppender::Event& event) { reports.push_back(event); });
        QVERIFY(appender.Append(path, Line(0)));
        disk.Fill();
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(!appender.Append(path, Line(i)));
        }
        QCOMPARE(appender.Queued(), 3);
        QCOMPARE(QFileInfo(path).size(), before.size() + 21);  // the cut line taken back
        QCOMPARE(reports.size(), size_t(1));
        QCOMPARE(reports[0].What, LogAppender::Event::Kind::Failing);
        QCOMPARE(reports[0].Error.Path, path);
        QCOMPARE(reports[0].Error.Reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(reports[0].Lines, 1);

        QVERIFY(QFile::remove(disk.mount + "/filler"));
        QVERIFY(appender.Flush());
        QByteArray expected = before;
        for (int i = 0; i <= 3; ++i) {
            expected += Line(i) + "\r\n";
        }
        QCOMPARE(ReadAll(path), expected);
        QCOMPARE(reports.size(), size_t(2));
        QCOMPARE(reports[1].What, LogAppender::Event::Kind::Working);
        QCOMPARE(reports[1].Lines, 3);
    }
};

SOLAMINE_TEST(LogAppenderTest)
#include "tst_logappender.moc"
