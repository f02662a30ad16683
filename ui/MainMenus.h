#pragma once

#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QString;

// The main window's menu bar with its captions and access keys, in the order the user sees
// them: ファイル, ロガー and 設定 first, then the added 表示 and ヘルプ.
struct MainMenus {
    QMenu* File = nullptr;
    QAction* New = nullptr;
    QAction* Open = nullptr;
    QAction* OpenFolder = nullptr;  // a folder of daily logs as one record
    QAction* Save = nullptr;
    QAction* SaveAs = nullptr;
    QAction* OpenRecovery = nullptr;  // enabled while the recovery folder holds files
    QAction* SaveImage = nullptr;
    QAction* SaveSummary = nullptr;
    QMenu* Recent = nullptr;  // the logs last opened or saved; disabled while there are none
    QAction* N2 = nullptr;
    QAction* Exit = nullptr;
    QMenu* Logger = nullptr;
    QAction* Start = nullptr;
    QAction* Stop = nullptr;
    QAction* N3 = nullptr;
    QAction* RedrawGraphs = nullptr;
    QMenu* View = nullptr;
    QAction* GoTo = nullptr;
    QAction* ShowSummary = nullptr;
    QMenu* Setting = nullptr;
    QAction* Hide = nullptr;
    QAction* Show = nullptr;
    QAction* N1 = nullptr;
    QAction* Set = nullptr;
    QAction* Alarm = nullptr;
    QAction* MqttSend = nullptr;
    QAction* MapSend = nullptr;
    QMenu* Help = nullptr;

    // Fills bar; showMessage(text, caption) shows the help menu's texts.
    void BuildMenus(QMenuBar* bar,
                    std::function<void(const QString& text, const QString& caption)> showMessage);
};
