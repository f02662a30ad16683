#include "HelpMenu.h"

#include "HidapiBackend.h"
#include "Version.h"

#include <qcustomplot.h>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

QString CounterNotFoundHelp() {
    return QCoreApplication::translate(
        "HelpMenu",
        "カウンタが見つからないときは、次を確かめてください。\n"
        "・カウンタが USB に差し込まれていること。\n"
        "・Linux では README の udev ルールを入れてから、カウンタを抜いて差し直すこと。\n"
        "・端末で solamine-cli devices を実行すると、見つかったカウンタと開けない理由が"
        "分かります。\n"
        "・カウンタなしで試すには、solamine --simulate (内蔵の仮想カウンタ) で起動してください。");
}

QString WindowCaption() {
    return QCoreApplication::translate("HelpMenu", "ソラミネ Ver ") +
           QLatin1String(kProgramVersion);
}

QString VersionText() {
    return QStringLiteral("%1\n\nQt %2\nQCustomPlot %3\nhidapi %4")
        .arg(WindowCaption(), QString::fromLatin1(qVersion()),
             QStringLiteral(QCUSTOMPLOT_VERSION_STR), HidLibraryVersion());
}

QMenu* AddHelpMenu(QMenuBar* bar, std::function<void(const QString&, const QString&)> show) {
    QMenu* menu = bar->addMenu(QCoreApplication::translate("HelpMenu", "ヘルプ(&H)"));
    QAction* notFound = menu->addAction(
        QCoreApplication::translate("HelpMenu", "カウンタが見つからないとき(&C)..."));
    QAction* version =
        menu->addAction(QCoreApplication::translate("HelpMenu", "バージョン情報(&A)..."));
    QObject::connect(notFound, &QAction::triggered, menu, [show] {
        show(CounterNotFoundHelp(),
             QCoreApplication::translate("HelpMenu", "カウンタが見つからないとき"));
    });
    QObject::connect(version, &QAction::triggered, menu, [show] {
        show(VersionText(), QCoreApplication::translate("HelpMenu", "バージョン情報"));
    });
    return menu;
}
