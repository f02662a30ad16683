#include "LanguageMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QStatusBar>

LanguageMenu::LanguageMenu(QMenu& view, QStatusBar& bar, QString iniPath, QString startingPath,
                           QObject* parent)
    : QObject(parent),
      bar_(bar),
      iniPath_(std::move(iniPath)),
      startingPath_(std::move(startingPath)) {
    view.addSeparator();
    Menu = view.addMenu(tr("言語(&L)"));
    // A language's own name: whoever cannot read the current one still finds theirs.
    Japanese = Menu->addAction(QStringLiteral("日本語(&J)"));
    English = Menu->addAction(QStringLiteral("&English"));
    auto* group = new QActionGroup(this);
    for (QAction* item : {Japanese, English}) {
        item->setCheckable(true);
        group->addAction(item);
    }
    ShowChosen();
    connect(Japanese, &QAction::triggered, this, [this] { Choose(WindowLanguage::Japanese); });
    connect(English, &QAction::triggered, this, [this] { Choose(WindowLanguage::English); });
}

void LanguageMenu::Choose(WindowLanguage language) {
    if (!SaveWindowLanguage(iniPath_, language, startingPath_)) {
        bar_.showMessage(tr("言語の選択を設定ファイルに書き込めません"));
        ShowChosen();
        return;
    }
    // Both languages: the window's texts stay as they are until the next start.
    bar_.showMessage(
        QStringLiteral("言語は次回の起動から切り替わります / The language changes "
                       "at the next start"));
}

void LanguageMenu::ShowChosen() {
    const WindowLanguage chosen = LoadWindowLanguage(iniPath_, startingPath_);
    (chosen == WindowLanguage::English ? English : Japanese)->setChecked(true);
}
