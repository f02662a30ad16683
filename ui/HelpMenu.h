#pragma once

#include <QString>
#include <functional>

class QMenu;
class QMenuBar;

// What to check when no counter is found; also the tooltip of that status.
QString CounterNotFoundHelp();

// The window's caption: the program's name and version.
QString WindowCaption();

// The program's name and version with those of the libraries it runs on.
QString VersionText();

// Adds "ヘルプ(&H)" with the two texts above; show(text, caption) displays one.
QMenu* AddHelpMenu(QMenuBar* bar, std::function<void(const QString&, const QString&)> show);
