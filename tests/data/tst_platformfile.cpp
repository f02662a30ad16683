#include "AtomicFile.h"
#include "CsvLog.h"
#include "LogAppender.h"
#include "PlatformFile.h"
#include "RegularFile.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class PlatformFileTest : public QObject {
    Q_OBJECT

private slots:
    // A line cut short must not be finished in another file that took the old one's name.
    void identityTellsAReplacedFileApart() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        const QString other = dir.filePath("new.csv");
        QFile first(path);
        QVERIFY(first.open(QIODevice::WriteOnly));
        QFile again(path);
        QVERIFY(again.open(QIODevice::Append));
        const FileIdentity id = IdentityOf(first);
        QVERIFY(!(id == FileIdentity{}));
        QCOMPARE(IdentityOf(again), id);
        first.close();
        again.close();

        QFile replacement(other);
        QVERIFY(replacement.open(QIODevice::WriteOnly));
        replacement.close();
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(other, path));
        QFile replaced(path);
        QVERIFY(replaced.open(QIODevice::Append));
        QVERIFY(!(IdentityOf(replaced) == id));
    }

    void syncReportsFailureWithAText() {
        QTemporaryDir dir;
        QFile file(dir.filePath("log.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QCOMPARE(file.write("26/12/08, 14:10, 35\r\n"), 21);
        QString error;
        QVERIFY(SyncFileToDisk(file, &error));
        QVERIFY(error.isEmpty());
        file.close();
        QVERIFY(!SyncFileToDisk(file, &error));
        QVERIFY(!error.isEmpty());
    }

    // Every way a log reaches the disk, in a folder and a file named in Japanese with a sign no
    // Japanese code page has: on Windows only the wide-character calls can name them.
    void japanesePaths() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("放射線ログ"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/記録☢.csv");
        const QByteArray first = "26/12/08, 14:10, 35\r\n";
        const QByteArray second = "26/12/08, 14:11, 36\r\n";
        FileError error;
        QVERIFY2(WriteFileAtomically(path, first + "26/12/08, 14:11, 99\r\n", &error),
                 qPrintable(error.Reason));
        QVERIFY2(RewriteFileFrom(path, first.size(), second, &error), qPrintable(error.Reason));
        QVERIFY2(CanAppendTo(path, &error), qPrintable(error.Reason));
        LogAppender appender({});
        QVERIFY(appender.Append(path, "26/12/08, 14:12, 37"));

        QFile file;
        qint64 size = 0;
        const std::optional<FileError> refused = OpenRegularFile(path, 1 << 20, file, size);
        QVERIFY2(!refused, qPrintable(refused ? refused->Reason : QString()));
        QCOMPARE(file.readAll(), first + second + "26/12/08, 14:12, 37\r\n");
        QVERIFY(!(IdentityOf(file) == FileIdentity{}));
        QCOMPARE(ReadCsvLog(path, 2026).Samples.size(), size_t(3));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("記録☢.csv")});
    }
};

SOLAMINE_TEST(PlatformFileTest)
#include "tst_platformfile.moc"
