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

// A folder on a tmpfs of its own, so that its disk can be filled; unmounted at the end.
struct SmallDisk {
    QTemporaryDir dir;
    QString mount = dir.filePath("disk");
    bool mounted = false;

    SmallDisk() {
        QDir().mkpath(mount);
        mounted =
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) == 0;
    }
    ~SmallDisk() {
        if (mounted) {
            QProcess::execute("umount", {mount});
        }
    }
    // Fills what is left of the disk with another file.
    void Fill() const {
        QFile filler(mount + "/filler");
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        const QByteArray block(512, 'x');
        while (filler.write(block) > 0) {
        }
        filler.write("x");  // the last few bytes
    }
};

}  // namespace

class LogAppenderTest : public QObject {
    Q_OBJECT

private slots:
    void onlyAppends_data() {
        QTest::addColumn<QByteArray>("before");  // "-": no file yet
        QTest::newRow("created when missing") << QByteArray("-");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("existing lines keep their bytes")
            << QByteArray("16/03/20, 12:30, 40\r\n16/03/20 12:31 41\n");
        QTest::newRow("no line end at the end") << QByteArray("16/03/20, 12:30, 40");
    }

    void onlyAppends() {
        QFETCH(QByteArray, before);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        if (before != "-") {
            QVERIFY(WriteFile(path, before));
        } else {
            before.clear();
        }
        QString error;
        QVERIFY(CanAppendTo(path, &error));
        QCOMPARE(ReadAll(path), before);
        QStringList reports;
        LogAppender appender([&](const QString& text) { reports << text; });
        QVERIFY(appender.Append(path, Line(0)));
        QVERIFY(appender.Append(path, Line(1)));
        QCOMPARE(ReadAll(path), before + Line(0) + "\r\n" + Line(1) + "\r\n");
        QCOMPARE(appender.BytesWritten(), 2 * (Line(0).size() + 2));
        QVERIFY(reports.isEmpty());
    }

    void refusesWhatIsNoRegularFile() {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!CanAppendTo(dir.path(), &error));
        QVERIFY(error.contains("not a regular file"));
        QVERIFY(!CanAppendTo(dir.filePath("missing/log.csv"), &error));
        QVERIFY(error.contains("cannot append"));
        QCOMPARE(QProcess::execute("mkfifo", {dir.filePath("fifo")}), 0);
        QVERIFY(!CanAppendTo(dir.filePath("fifo"), &error));  // returns: the FIFO is not opened
    }

    void keepsLinesWhileFailing_data() {
        QTest::addColumn<QString>("failure");
        QTest::newRow("folder removed") << "removed";
        QTest::newRow("disk full, a line cut short") << "full";
    }

    // Lines that cannot be written wait in memory; once writing works they follow in order, each
    // exactly once, and the failure is reported once for the whole streak.
    void keepsLinesWhileFailing() {
        QFETCH(QString, failure);
        SmallDisk disk;
        QString folder = disk.dir.filePath("logs");
        QByteArray before;
        if (failure == "full") {
            if (!disk.mounted) {
                QSKIP("cannot mount a tmpfs here");
            }
            folder = disk.mount;
            // After the first line, 5 bytes are left in the file's page: the next line is cut.
            before = QByteArray(4096 - 2 - 21 - 5, 'p') + "\r\n";
        }
        QDir().mkpath(folder);
        const QString path = folder + "/log.csv";
        QVERIFY(WriteFile(path, before));
        QStringList reports;
        LogAppender appender([&](const QString& text) { reports << text; });
        QVERIFY(appender.Append(path, Line(0)));

        if (failure == "full") {
            disk.Fill();
        } else {
            QVERIFY(QDir(folder).removeRecursively());
            before.clear();  // the file went with its folder
        }
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(!appender.Append(path, Line(i)));
        }
        QVERIFY(!appender.Flush());
        QCOMPARE(appender.Queued(), 3);
        if (failure == "full") {  // the start of line 1 is in the file already
            QCOMPARE(QFileInfo(path).size(), before.size() + 21 + 5);
        }
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].contains("cannot append to " + path), qPrintable(reports[0]));

        if (failure == "full") {
            QVERIFY(QFile::remove(folder + "/filler"));
        } else {
            QVERIFY(QDir().mkpath(folder));
        }
        QVERIFY(appender.Append(path, Line(4)));
        QCOMPARE(appender.Queued(), 0);
        QByteArray expected = before;
        for (int i = failure == "full" ? 0 : 1; i <= 4; ++i) {
            expected += Line(i) + "\r\n";
        }
        QCOMPARE(ReadAll(path), expected);
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports[1].contains("works again"));
    }
};

SOLAMINE_TEST(LogAppenderTest)
#include "tst_logappender.moc"
