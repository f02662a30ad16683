#pragma once

#include "WindowLanguage.h"

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QStatusBar;

// 表示 → 言語: 日本語 and English, each named in its own language. The choice is written to the
// INI file at once and taken at the next start, which the status bar says in both languages.
class LanguageMenu : public QObject {
    Q_OBJECT

public:
    LanguageMenu(QMenu& view, QStatusBar& bar, QString iniPath, QString startingPath,
                 QObject* parent);

    QMenu* Menu = nullptr;
    QAction* Japanese = nullptr;
    QAction* English = nullptr;

private:
    void Choose(WindowLanguage language);
    // Checks the language the INI file holds.
    void ShowChosen();

    QStatusBar& bar_;
    QString iniPath_;
    QString startingPath_;
};
