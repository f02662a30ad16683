#include "RecentFilesMenu.h"

#include "ErrorBox.h"
#include "FileCommands.h"
#include "WindowFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

RecentFilesMenu::RecentFilesMenu(QMenu* menu, WindowFiles& files, const QStringList& paths,
                                 QObject* parent)
    : QObject(parent),
      menu_(menu),
      files_(files),
      recent_(paths),
      current_(files.Commands().CurrentFile()) {
    connect(&files_, &WindowFiles::Changed, this, &RecentFilesMenu::FilesChanged);
    Rebuild();
}

void RecentFilesMenu::FilesChanged() {
    // Only a change of file counts: the minute's automatic save must not reorder the list. A
    // folder of daily logs goes on the list as a file does.
    const FileCommands& commands = files_.Commands();
    const QString current =
        commands.CurrentFolder().isEmpty() ? commands.CurrentFile() : commands.CurrentFolder();
    if (current == current_) {
        return;
    }
    current_ = current;
    if (!current.isEmpty()) {
        recent_.Add(current);
        Rebuild();
    }
}

void RecentFilesMenu::Choose(const QString& path) {
    if (!QFileInfo::exists(path)) {
        recent_.Remove(path);
        Rebuild();
        files_.SayMissing(path);
        return;
    }
    RunGuarded([&] { files_.Run([&] { files_.Commands().OpenPath(path); }, true); });
}

void RecentFilesMenu::Rebuild() {
    // The item chosen may be the one taking itself off: the old items go once it has run.
    for (QAction* item : menu_->actions()) {
        menu_->removeAction(item);
        item->deleteLater();
    }
    int number = 0;
    for (const QString& path : recent_.Paths()) {
        ++number;
        // A "&" in a file name is a character, not an access key.
        QString name = QDir::toNativeSeparators(path);
        name.replace(u'&', QStringLiteral("&&"));
        QAction* item = menu_->addAction(QStringLiteral("&%1 %2").arg(number).arg(name));
        connect(item, &QAction::triggered, this, [this, path] { Choose(path); });
    }
    menu_->menuAction()->setEnabled(number > 0);
}
