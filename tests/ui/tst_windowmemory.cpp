#include "DateTime.h"
#include "LanguageMenu.h"
#include "LogView.h"
#include "Main.h"
#include "RecentFilesMenu.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"
#include "WindowTranslation.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct NoDialogs final : FileDialogs {
    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseSaveFile(const QString&) override { return std::nullopt; }
};

// One start of the window over the virtual counter, with its settings in dir.
struct Start {
    NoDialogs* dialogs = nullptr;
    std::unique_ptr<TMainForm> form;

    explicit Start(const QTemporaryDir& dir) {
        MainFormOptions options;
        options.Backend = std::make_unique<VirtualCounter>();
        options.IniPath = dir.filePath(QStringLiteral("solamine.ini"));
        options.RecoveryFolder = dir.filePath(QStringLiteral("recovery"));
        options.Now = [] { return DateTime::Encode(2026, 12, 8, 12, 30); };
        auto fileDialogs = std::make_unique<NoDialogs>();
        dialogs = fileDialogs.get();
        options.Dialogs = std::move(fileDialogs);
        form = std::make_unique<TMainForm>(std::move(options));
        form->show();
    }
    QStringList RecentItems() const {
        QStringList items;
        for (const QAction* item : form->Recent->actions()) {
            items << item->text();
        }
        return items;
    }
};

}  // namespace

class WindowMemoryTest : public QObject {
    Q_OBJECT

private slots:
    // Without a remembered place the window starts at its first size, log pane hidden; starting
    // writes nothing.
    void firstStart_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("no settings") << QByteArray();
        QTest::newRow("other sections only") << QByteArray("[Graph]\r\nuSv=0.00158\r\n");
        QTest::newRow("recent logs only") << QByteArray("[Window]\r\nRecent1=/gone.csv\r\n");
    }
    void firstStart() {
        QFETCH(QByteArray, ini);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("solamine.ini"));
        if (!ini.isEmpty()) {
            QVERIFY(WriteFile(path, ini));
        }
        Start start(dir);
        QVERIFY(QTest::qWaitForWindowExposed(start.form.get()));
        QCOMPARE(start.form->centralWidget()->size(), QSize(572, 377));
        QVERIFY(start.form->Log->isHidden());
        QCOMPARE(ReadAll(path), ini);
    }

    // Sizes, the pane, the summaries window and the dialogs' folder, from one start to the next.
    void rememberedAcrossStarts() {
        QTemporaryDir dir;
        {
            Start start(dir);
            TMainForm& form = *start.form;
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.resize(700, 480);
            form.Show->trigger();
            form.Splitter->setSizes({200, 100});
            form.ShowSummary->trigger();
            form.Summaries()->PeriodBox->setCurrentIndex(2);
            form.Summaries()->resize(790, 300);
            start.dialogs->SetFolder(dir.path());
            QCoreApplication::processEvents();
            QCOMPARE(form.Log->height(), 100);
            form.close();
        }
        Start start(dir);
        TMainForm& form = *start.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(700, 480));
        QVERIFY(!form.Log->isHidden());
        QTRY_COMPARE(form.Log->height(), 100);
        QCOMPARE(start.dialogs->Folder(), dir.path());
        form.ShowSummary->trigger();
        QCOMPARE(form.Summaries()->Model().Period(), SummaryPeriod::Month);
        // Its width is at least what its columns need, which the test's screen cannot hold.
        QCOMPARE(form.Summaries()->height(), 300);
    }

    // Logs opened go first; one chosen that is gone leaves the list, and the status bar says so.
    void recentFiles() {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.csv"));
        const QString b = dir.filePath(QStringLiteral("b.csv"));
        QVERIFY(WriteFile(a, "26/12/08, 12:00, 1\r\n"));
        QVERIFY(WriteFile(b, "26/12/08, 12:01, 2\r\n"));
        Start start(dir);
        TMainForm& form = *start.form;
        form.OpenFile(a);
        form.OpenFile(b);
        form.FileTimerTimer();  // the minute's save does not reorder the list
        QCOMPARE(start.RecentItems(), (QStringList{"&1 " + QDir::toNativeSeparators(b),
                                                   "&2 " + QDir::toNativeSeparators(a)}));
        form.Recent->actions().at(1)->trigger();
        QCOMPARE(form.CurrentFile(), a);
        QVERIFY(QFile::remove(b));
        form.Recent->actions().at(1)->trigger();
        QCOMPARE(start.RecentItems(), QStringList{"&1 " + QDir::toNativeSeparators(a)});
        QCOMPARE(form.CurrentFile(), a);
        QVERIFY(form.StatusText().contains(
            QStringLiteral("見つからないため最近使ったファイルから外しました: ") +
            QDir::toNativeSeparators(b)));
        form.close();
        Start again(dir);
        QCOMPARE(again.RecentItems(), QStringList{"&1 " + QDir::toNativeSeparators(a)});
        QVERIFY(again.form->Recent->menuAction()->isEnabled());
    }

    // 表示 → 言語: the choice is written at once, keeps the file's other lines and the window's
    // own keys, and is the language of the next start.
    void languageAcrossStarts() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("solamine.ini"));
        QVERIFY(WriteFile(path, "[Graph]\r\nuSv=0.00158\r\n"));
        {
            Start start(dir);
            TMainForm& form = *start.form;
            auto* menu = form.findChild<LanguageMenu*>();
            QVERIFY(menu);
            QVERIFY(menu->Japanese->isChecked());
            menu->English->trigger();
            QVERIFY(menu->English->isChecked() && !menu->Japanese->isChecked());
            QCOMPARE(LoadWindowLanguage(path), WindowLanguage::English);
            const QString said = form.statusBar()->currentMessage();
            QVERIFY2(said.contains(QStringLiteral("次回の起動")) && said.contains(u"next start"),
                     qPrintable(said));
            // This run keeps its texts.
            QCOMPARE(form.File->title(), QStringLiteral("ファイル(&F)"));
            form.close();
        }
        QVERIFY(ReadAll(path).contains("uSv=0.00158"));
        QCOMPARE(LoadWindowLanguage(path), WindowLanguage::English);
        const WindowTranslation translation(LoadWindowLanguage(path));
        Start again(dir);
        QCOMPARE(again.form->File->title(), QStringLiteral("&File"));
        auto* menu = again.form->findChild<LanguageMenu*>();
        QVERIFY(menu->English->isChecked());
        menu->Japanese->trigger();
        QCOMPARE(LoadWindowLanguage(path), WindowLanguage::Japanese);
    }
};

SOLAMINE_TEST(WindowMemoryTest)
#include "tst_windowmemory.moc"
