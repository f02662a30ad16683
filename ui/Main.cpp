#include "Main.h"

#include <QMenuBar>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("ソラミネ Ver 1.3"));
    resize(572, 377);
    setMinimumSize(256, 256);
    BuildMenus();
}

void TMainForm::BuildMenus() {
    QMenuBar* bar = menuBar();

    File = bar->addMenu(QStringLiteral("ファイル(&F)"));
    New = File->addAction(QStringLiteral("新規作成(&N)"));
    Open = File->addAction(QStringLiteral("開く(&O)..."));
    Save = File->addAction(QStringLiteral("上書き保存(&S)"));
    SaveAs = File->addAction(QStringLiteral("名前をつけて保存(&A)..."));
    N2 = File->addSeparator();
    Exit = File->addAction(QStringLiteral("終了(&X)"));

    Logger = bar->addMenu(QStringLiteral("ロガー(&L)"));
    Start = Logger->addAction(QStringLiteral("接続/開始(&B)"));
    Stop = Logger->addAction(QStringLiteral("切断/停止(&S)"));
    N3 = Logger->addSeparator();
    N3->setVisible(false);
    RedrawGraphs = Logger->addAction(QStringLiteral("グラフ再描画(&G)"));

    Setting = bar->addMenu(QStringLiteral("設定(&S)"));
    Hide = Setting->addAction(QStringLiteral("ログを隠す(&H)"));
    Show = Setting->addAction(QStringLiteral("ログを表示(&S)..."));
    N1 = Setting->addSeparator();
    Set = Setting->addAction(QStringLiteral("各種設定(&M)..."));

    connect(Exit, &QAction::triggered, this, &QWidget::close);
}
