#include "MapCommand.h"

#include "LoggingSession.h"

#include <QAction>
#include <QWidget>

// A build without Qt Network has no uploads: the menu item is hidden and nothing is read.
struct MapCommand::Running {};

MapCommand::MapCommand(const MainFormOptions&, LoggingSession&, WindowFiles&, QAction* action,
                       QWidget* window)
    : QObject(window) {
    action->setVisible(false);
}

MapCommand::~MapCommand() = default;
