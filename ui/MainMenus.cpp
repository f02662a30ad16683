#include "MainMenus.h"

#include "HelpMenu.h"

#include <QCoreApplication>
#include <QMenuBar>

void MainMenus::BuildMenus(QMenuBar* bar,
                           std::function<void(const QString&, const QString&)> showMessage) {
    File = bar->addMenu(QCoreApplication::translate("MainMenus", "ファイル(&F)"));
    New = File->addAction(QCoreApplication::translate("MainMenus", "新規作成(&N)"));
    Open = File->addAction(QCoreApplication::translate("MainMenus", "開く(&O)..."));
    OpenFolder = File->addAction(QCoreApplication::translate("MainMenus", "フォルダを開く(&D)..."));
    Save = File->addAction(QCoreApplication::translate("MainMenus", "上書き保存(&S)"));
    SaveAs = File->addAction(QCoreApplication::translate("MainMenus", "名前をつけて保存(&A)..."));
    OpenRecovery =
        File->addAction(QCoreApplication::translate("MainMenus", "復元フォルダを開く(&R)..."));
    SaveImage =
        File->addAction(QCoreApplication::translate("MainMenus", "グラフを画像で保存(&I)..."));
    SaveSummary =
        File->addAction(QCoreApplication::translate("MainMenus", "集計を CSV で保存(&U)..."));
    Recent = File->addMenu(QCoreApplication::translate("MainMenus", "最近使ったファイル(&F)"));
    N2 = File->addSeparator();
    Exit = File->addAction(QCoreApplication::translate("MainMenus", "終了(&X)"));
    // Spelled out rather than QKeySequence::SaveAs and Quit, which Windows leaves empty.
    New->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    Exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    Logger = bar->addMenu(QCoreApplication::translate("MainMenus", "ロガー(&L)"));
    Start = Logger->addAction(QCoreApplication::translate("MainMenus", "接続/開始(&B)"));
    Stop = Logger->addAction(QCoreApplication::translate("MainMenus", "切断/停止(&S)"));
    N3 = Logger->addSeparator();
    N3->setVisible(false);
    RedrawGraphs = Logger->addAction(QCoreApplication::translate("MainMenus", "グラフ再描画(&G)"));

    Setting = bar->addMenu(QCoreApplication::translate("MainMenus", "設定(&S)"));
    Hide = Setting->addAction(QCoreApplication::translate("MainMenus", "ログを隠す(&H)"));
    Show = Setting->addAction(QCoreApplication::translate("MainMenus", "ログを表示(&S)..."));
    N1 = Setting->addSeparator();
    Set = Setting->addAction(QCoreApplication::translate("MainMenus", "各種設定(&M)..."));
    Alarm = Setting->addAction(QCoreApplication::translate("MainMenus", "警報(&A)..."));
    // Not &M: 各種設定 has it, and a shared key only moves between the two items.
    MqttSend = Setting->addAction(QCoreApplication::translate("MainMenus", "MQTT 送信(&T)..."));
    MapSend = Setting->addAction(QCoreApplication::translate("MainMenus", "公開マップ送信(&P)..."));

    // ファイル, ロガー and 設定 keep their places as the first three menus; added menus follow.
    View = bar->addMenu(QCoreApplication::translate("MainMenus", "表示(&V)"));
    GoTo = View->addAction(QCoreApplication::translate("MainMenus", "移動(&G)..."));
    GoTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    ShowSummary = View->addAction(QCoreApplication::translate("MainMenus", "集計(&S)..."));
    ShowSummary->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

    Help = AddHelpMenu(bar, std::move(showMessage));
}
