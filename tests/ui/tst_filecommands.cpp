#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "FileCommands.h"
#include "SampleLog.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "UserError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <random>

namespace {

struct FakeDialogs : FileDialogs {
    std::optional<QString> openAnswer;
    std::optional<QString> saveAnswer;
    int openAsked = 0;
    int saveAsked = 0;
    QString prefilled;

    std::optional<QString> ChooseOpenFile() override {
        ++openAsked;
        return openAnswer;
    }
    std::optional<QString> ChooseSaveFile(const QString& currentFile) override {
        ++saveAsked;
        prefilled = currentFile;
        return saveAnswer;
    }
};

struct ChangeCounter : DisplayListener {
    int changes = 0;
    void Reset() override { ++changes; }
    void SeriesCleared() override { ++changes; }
    void CpmAppended() override { ++changes; }
    void LogCleared() override { ++changes; }
    void LogAppended() override { ++changes; }
};

// The main window's state around one FileCommands.
struct Window {
    SampleLog log;
    DisplayModel display;
    GraphSettings settings;
    FakeDialogs dialogs;
    FileCommands commands{log, display, settings, dialogs};
    ChangeCounter counter;

    Window() {
        commands.SetCurrentYearForTests(2026);
        display.AddListener(&counter);
    }
    ~Window() { display.RemoveListener(&counter); }

    void Open(const QString& path) {
        dialogs.openAnswer = path;
        commands.OpenClick();
    }
};

// Twelve lines with a dose column that no setting would give.
QByteArray StaleDoseFile() {
    QByteArray text;
    for (int i = 0; i < 12; ++i) {
        text += "16/03/20, 12:" + QByteArray::number(30 + i) + ", 40, 123\r\n";
    }
    return text;
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void openRedrawsAndSaveWritesBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, StaleDoseFile()));
        Window w;
        w.Open(path);
        QCOMPARE(w.log.Count(), 12);
        QCOMPARE(w.display.CpmCount(), 12);
        QCOMPARE(w.display.LogText(11), "16/03/20, 12:41, 40, 0.0632");
        QCOMPARE(w.commands.CurrentFile(), path);

        w.log.AddToLast(2);  // live ingestion goes on after Open
        w.commands.SaveClick();
        QCOMPARE(w.dialogs.saveAsked, 0);
        QCOMPARE(w.display.LogText(11), "16/03/20, 12:41, 42, 0.0632");
        // The file holds exactly the lines the rebuilt pane shows.
        QCOMPARE(ReadAll(path), CsvText(w.display.LogRecords()));
    }

    void saveThenOpenGivesBackTheSamples() {
        SampleLog live;
        std::mt19937 random(7);
        for (int i = 0; i < 500; ++i) {
            // Whole minutes anywhere in the hundred-year window of 2026, in no particular order.
            const int year = 1976 + int(random() % 100);
            live.Append({DateTime::Encode(year, 1 + int(random() % 12), 1 + int(random() % 28),
                                          int(random() % 24), int(random() % 60)),
                         int(random() % 70'000)});
            live.AddToLast(int(random() % 100));
        }
        QTemporaryDir dir;
        Window saver;
        saver.settings = {7.5, 12};
        for (const Sample& s : live.Samples()) {
            saver.log.Append(s);
        }
        saver.dialogs.saveAnswer = dir.filePath("round.csv");
        saver.commands.SaveClick();
        QCOMPARE(saver.dialogs.saveAsked, 1);

        Window reader;
        reader.Open(dir.filePath("round.csv"));
        QVERIFY(reader.log.Samples() == live.Samples());
    }

    void failedOpenChangesNothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, StaleDoseFile()));
        Window w;
        w.Open(path);
        const std::vector<Sample> before = w.log.Samples();
        const int changes = w.counter.changes;

        const QString missing = dir.filePath("missing.csv");
        const QString text = ErrorText([&] { w.Open(missing); });
        QVERIFY2(text.startsWith(QStringLiteral("ファイル %1 は開けません。 ").arg(missing)),
                 qPrintable(text));
        QVERIFY(w.log.Samples() == before);
        QCOMPARE(w.display.LogCount(), 12);
        QCOMPARE(w.counter.changes, changes);
        QCOMPARE(w.commands.CurrentFile(), path);
    }

    void cancelledDialogsChangeNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("hasCurrentFile");
        QTest::newRow("Open") << "open" << true;
        QTest::newRow("Save As") << "saveAs" << true;
        QTest::newRow("Save without a current file") << "save" << false;
    }
    void cancelledDialogsChangeNothing() {
        QFETCH(QString, command);
        QFETCH(bool, hasCurrentFile);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, StaleDoseFile()));
        Window w;
        w.Open(path);
        if (!hasCurrentFile) {
            w.commands.NewClick();
        }
        w.log.Append({DateTime::Encode(2016, 3, 20, 12, 42), 1});  // not yet drawn
        const QString currentFile = w.commands.CurrentFile();
        const int changes = w.counter.changes;
        w.dialogs.openAnswer.reset();
        if (command == "open") {
            w.commands.OpenClick();
        } else if (command == "saveAs") {
            w.commands.SaveAsClick();
            QCOMPARE(w.dialogs.prefilled, path);
        } else {
            w.commands.SaveClick();
            QCOMPARE(w.dialogs.saveAsked, 1);
        }
        QCOMPARE(w.counter.changes, changes);
        QCOMPARE(w.commands.CurrentFile(), currentFile);
        QCOMPARE(ReadAll(path), StaleDoseFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"log.csv"});
    }

    void failedSaveAsKeepsTheChosenName() {
        QTemporaryDir dir;
        Window w;
        w.log.Append({DateTime::Encode(2016, 3, 20, 12, 30), 40});
        const QString path = dir.filePath("no/such/dir/log.csv");
        w.dialogs.saveAnswer = path;
        const QString text = ErrorText([&] { w.commands.SaveAsClick(); });
        QVERIFY2(text.startsWith(QStringLiteral("ファイル \"%1\" を作成できません。").arg(path)),
                 qPrintable(text));
        QCOMPARE(w.display.LogCount(), 1);  // redrawn before the write failed
        QCOMPARE(w.commands.CurrentFile(), path);
    }

    void autoSaveWritesTheWholeLogWithoutRedrawing() {
        QTemporaryDir dir;
        Window w;
        w.log.Append({DateTime::Encode(2016, 3, 20, 12, 30), 40});
        w.commands.AutoSave();  // no current file: nothing happens
        QCOMPARE(w.dialogs.saveAsked, 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());

        const QString path = dir.filePath("log.csv");
        w.dialogs.saveAnswer = path;
        w.commands.SaveAsClick();
        for (int i = 1; i < 12; ++i) {
            w.log.Append({DateTime::Encode(2016, 3, 20, 12, 30 + i), 40});
        }
        const int changes = w.counter.changes;
        w.commands.AutoSave();
        QCOMPARE(w.counter.changes, changes);
        QCOMPARE(ReadAll(path), CsvTextOf(w.log, w.settings));
    }

    void qtNameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("csv") << QString::fromUtf16(kCsvFilter) << "CSVファイル (*.csv)";
        QTest::newRow("two entries, two patterns") << "CSV|*.csv|Text|*.txt;*.log"
                                                   << "CSV (*.csv);;Text (*.txt *.log)";
    }
    void qtNameFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtNameFilters(filter), qt);
    }
};

SOLAMINE_TEST(FileCommandsTest)

#include "tst_filecommands.moc"
