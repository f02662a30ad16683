#include "CsvLog.h"
#include "FileError.h"
#include "LogFolder.h"
#include "SampleDisplay.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using Files = QMap<QString, QByteArray>;

namespace {

bool WriteFolder(const QString& dir, const Files& files) {
    for (auto f = files.cbegin(); f != files.cend(); ++f) {
        if (!WriteFile(QDir(dir).filePath(f.key()), f.value())) {
            return false;
        }
    }
    return true;
}

}  // namespace

class LogFolderTest : public QObject {
    Q_OBJECT

private slots:
    // The record as Save As writes it: samples in time order, each minute once, the lines that
    // did not read before the minute that followed them in their file.
    void record_data() {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("duplicates");

        QTest::newRow("sorted across files given out of order")
            << Files{{"2026-12-09.csv", "26/12/09, 00:01, 3\r\n"},
                     {"2026-12-08.csv", "26/12/09, 00:02, 5\r\n26/12/08, 23:58, 1\r\n"}}
            << QByteArray("26/12/08, 23:58, 1\r\n26/12/09, 00:01, 3\r\n26/12/09, 00:02, 5\r\n")
            << 0;
        QTest::newRow("the same minute in two files: the earlier file's")
            << Files{{"2026-12-08.csv", "26/12/08, 23:59, 7\r\n"},
                     {"2026-12-09.csv", "26/12/08, 23:59, 9\r\n26/12/09, 00:00, 4\r\n"}}
            << QByteArray("26/12/08, 23:59, 7\r\n26/12/09, 00:00, 4\r\n") << 1;
        QTest::newRow("the same minute twice in one file, with seconds too")
            << Files{{"2026-12-08.csv",
                      "26/12/08, 10:00, 1\r\n26/12/08, 10:00, 2\r\n26/12/08, 10:00:30, 3\r\n"
                      "26/12/08, 10:01, 4\r\n"}}
            << QByteArray("26/12/08, 10:00, 1\r\n26/12/08, 10:01, 4\r\n") << 2;
        QTest::newRow("a gap stays a gap")
            << Files{{"2026-12-08.csv", "26/12/08, 10:00, 1\r\n26/12/08, 10:05, 2\r\n"},
                     {"2026-12-10.csv", "26/12/10, 09:00, 3\r\n"}}
            << QByteArray("26/12/08, 10:00, 1\r\n26/12/08, 10:05, 2\r\n26/12/10, 09:00, 3\r\n")
            << 0;
        QTest::newRow("other files are no part of it")
            << Files{{"2026-12-08.csv", "26/12/08, 10:00, 1\r\n"},
                     {"all.csv", "26/12/08, 10:00, 1\r\n26/12/08, 10:01, 2\r\n"},
                     {"2026-12-09.csv.bak", "26/12/09, 10:00, 1\r\n"}}
            << QByteArray("26/12/08, 10:00, 1\r\n") << 0;
        QTest::newRow("unreadable lines at their places")
            << Files{{"2026-12-09.csv", "26/12/09, 10:00, 2\r\ngarbage\r\n"},
                     {"2026-12-08.csv", "header\r\n26/12/08, 10:00, 1\r\n"}}
            << QByteArray("header\r\n26/12/08, 10:00, 1\r\n26/12/09, 10:00, 2\r\ngarbage\r\n") << 0;
    }
    void record() {
        QFETCH(Files, files);
        QFETCH(QByteArray, record);
        QFETCH(int, duplicates);
        QTemporaryDir dir;
        QVERIFY(WriteFolder(dir.path(), files));
        const LogFolderRead read = ReadLogFolder(dir.path(), 2026);
        SampleLog log;
        log.Assign(std::vector<Sample>(read.Samples));
        QCOMPARE(CsvTextOf(log, GraphSettings{}, read.Unreadable), record);
        QCOMPARE(read.Duplicates, duplicates);
    }

    void errors_data() {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("folder");  // relative to the temporary folder
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("path");
        using Op = FileError::Operation;
        using Code = FileError::Code;
        QTest::newRow("no such folder")
            << Files{} << "gone" << int(Op::ReadFolder) << int(Code::NotFound) << "gone";
        QTest::newRow("an empty folder")
            << Files{} << "" << int(Op::ReadFolder) << int(Code::EmptyFolder) << "";
        QTest::newRow("no daily file")
            << Files{{"notes.txt", "x"}, {"all.csv", "26/12/08, 10:00, 1"}} << ""
            << int(Op::ReadFolder) << int(Code::NoLogFiles) << "";
        QTest::newRow("a daily name on a folder")
            << Files{{"2026-12-08.csv/x", "x"}} << "" << int(Op::Read) << int(Code::NotRegularFile)
            << "2026-12-08.csv";
    }
    void errors() {
        QFETCH(Files, files);
        QFETCH(QString, folder);
        QFETCH(int, op);
        QFETCH(int, code);
        QFETCH(QString, path);
        QTemporaryDir dir;
        for (auto f = files.cbegin(); f != files.cend(); ++f) {
            QDir().mkpath(QFileInfo(dir.filePath(f.key())).path());
        }
        QVERIFY(WriteFolder(dir.path(), files));
        const QString read = QDir(dir.path()).filePath(folder);
        const std::vector<FileError> errors = ErrorsOf([&] { ReadLogFolder(read, 2026); });
        QCOMPARE(errors.size(), size_t(1));
        QCOMPARE(int(errors[0].Op), op);
        QCOMPARE(int(errors[0].Why), code);
        QCOMPARE(QDir::cleanPath(errors[0].Path), QDir::cleanPath(QDir(dir.path()).filePath(path)));
    }
};

SOLAMINE_TEST(LogFolderTest)
#include "tst_logfolder.moc"
