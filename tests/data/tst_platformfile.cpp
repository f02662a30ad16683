#include "PlatformFile.h"
#include "TestMain.h"

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
};

SOLAMINE_TEST(PlatformFileTest)
#include "tst_platformfile.moc"
