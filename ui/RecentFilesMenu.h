#pragma once

#include "RecentFiles.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;
class WindowFiles;

// ファイル → 最近使ったファイル: the logs last opened or saved, newest first, numbered as access
// keys. Choosing one opens it as Open does; one that is gone is taken off the list and the
// status bar says so. The menu stays in its place, disabled while the list is empty.
class RecentFilesMenu : public QObject {
    Q_OBJECT

public:
    // paths: the list remembered from the last run.
    RecentFilesMenu(QMenu* menu, WindowFiles& files, const QStringList& paths,
                    QObject* parent = nullptr);

    const QStringList& Paths() const { return recent_.Paths(); }
    // Opens path, or takes it off the list when it is gone; errors go to the error box.
    void Choose(const QString& path);

private:
    // A command or the automatic save ran: a file that became the current one goes first.
    void FilesChanged();
    void Rebuild();

    QMenu* menu_;
    WindowFiles& files_;
    RecentFiles recent_;
    QString current_;
};
