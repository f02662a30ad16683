#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "ErrorBox.h"
#include "FileCommands.h"
#include "Main.h"
#include "RecoveryStore.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QAction>
#include <QMenu>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct FolderDialogs final : FileDialogs {
    std::optional<QString> folder;
    std::optional<QString> save;
    QString prefilled;
    int saveAsked = 0;

    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseSaveFile(const QString& currentFile) override {
        ++saveAsked;
        prefilled = currentFile;
        return save;
    }
    std::optional<QString> ChooseFolder() override { return folder; }
};

// Two days of a station's folder, the second day's first minute also at the end of the first.
const QByteArray kDay8 = "26/12/08, 23:58, 1\r\n26/12/08, 23:59, 2\r\n";
const QByteArray kDay9 = "26/12/08, 23:59, 5\r\n26/12/09, 00:00, 3\r\n";
const QByteArray kRecord = "26/12/08, 23:58, 1\r\n26/12/08, 23:59, 2\r\n26/12/09, 00:00, 3\r\n";

bool WriteDays(const QString& folder) {
    return QDir().mkpath(folder) && WriteFile(folder + "/2026-12-08.csv", kDay8) &&
           WriteFile(folder + "/2026-12-09.csv", kDay9);
}

bool DaysUnchanged(const QString& folder) {
    return ReadAll(folder + "/2026-12-08.csv") == kDay8 &&
           ReadAll(folder + "/2026-12-09.csv") == kDay9 &&
           QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == 2;
}

}  // namespace

class FolderWindowTest : public QObject {
    Q_OBJECT

private slots:
    // A folder's files are never written: Save asks for a file as Save As does, live minutes
    // go to the recovery folder; Save As writes the record as one file, which is then the log's.
    void folderIsReadOnly() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("daily");
        QVERIFY(WriteDays(folder));
        SampleLog log;
        DisplayModel display;
        GraphSettings settings;
        FolderDialogs dialogs;
        RecoveryStore recovery(dir.filePath("recovery"));
        FileCommands commands(log, display, settings, dialogs, recovery);
        commands.SetCurrentYearForTests(2026);
        dialogs.folder = folder;
        commands.OpenFolderClick();
        QCOMPARE(commands.CurrentFolder(), folder);
        QVERIFY(commands.CurrentFile().isEmpty());
        QCOMPARE(commands.DuplicateMinutes(), 1);
        QCOMPARE(display.LogCount(), 3);

        log.Append({DateTime::Encode(2026, 12, 9, 0, 1), 4});
        commands.MarkChanged();
        commands.AutoSave();
        QCOMPARE(ReadAll(recovery.Path()), kRecord + "26/12/09, 00:01, 4\r\n");
        commands.SaveClick();  // cancelled
        QCOMPARE(dialogs.saveAsked, 1);
        QCOMPARE(dialogs.prefilled, folder + ".csv");
        commands.KeepUnsaved();
        QVERIFY(DaysUnchanged(folder));

        dialogs.save = dir.filePath("year.csv");
        commands.SaveAsClick();
        QCOMPARE(ReadAll(dir.filePath("year.csv")), kRecord + "26/12/09, 00:01, 4\r\n");
        QCOMPARE(commands.CurrentFile(), dir.filePath("year.csv"));
        QVERIFY(commands.CurrentFolder().isEmpty());
        QVERIFY(DaysUnchanged(folder));
    }

    // A folder named on the command line and from the menu: the status bar names it and the
    // duplicates, the summaries cover every day, the recent list holds it, a folder with no log
    // is an error that changes nothing.
    void windowOverFolder() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("daily");
        QVERIFY(WriteDays(folder));
        QStringList errors;
        SetErrorBoxHook([&](const QString& text) { errors << text; });
        MainFormOptions options;
        options.Backend = std::make_unique<VirtualCounter>();
        options.IniPath = dir.filePath("solamine.ini");
        options.RecoveryFolder = dir.filePath("recovery");
        options.Now = [] { return DateTime::Encode(2026, 12, 9, 12, 30); };
        auto owned = std::make_unique<FolderDialogs>();
        FolderDialogs& dialogs = *owned;
        options.Dialogs = std::move(owned);
        {
            TMainForm form(std::move(options));
            form.OpenFile(folder);
            QVERIFY(errors.isEmpty());
            QCOMPARE(form.Samples().Count(), 3);
            QVERIFY2(form.StatusText().contains(QDir::toNativeSeparators(folder)),
                     qPrintable(form.StatusText()));
            QVERIFY(form.StatusText().contains("重複した 1 分を 1 つにしました"));
            form.SummaryClick();
            QCOMPARE(form.Summaries()->Model().rowCount(), 2);
            QCOMPARE(form.Recent->actions().size(), 1);

            QVERIFY(QDir().mkpath(dir.filePath("empty")));
            dialogs.folder = dir.filePath("empty");
            form.OpenFolder->trigger();
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors[0].contains("フォルダが空です"), qPrintable(errors[0]));
            QCOMPARE(form.Samples().Count(), 3);
        }
        SetErrorBoxHook({});
        QVERIFY(DaysUnchanged(folder));
    }
};

SOLAMINE_TEST(FolderWindowTest)
#include "tst_folderwindow.moc"
