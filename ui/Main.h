#pragma once

#include <QMainWindow>

class QAction;
class QMenu;

// The main window: owns all program state, carries the menus and runs start-up and shutdown.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);

    // Menu items, named as the program's handlers refer to them.
    QMenu* File = nullptr;
    QAction* New = nullptr;
    QAction* Open = nullptr;
    QAction* Save = nullptr;
    QAction* SaveAs = nullptr;
    QAction* N2 = nullptr;
    QAction* Exit = nullptr;
    QMenu* Logger = nullptr;
    QAction* Start = nullptr;
    QAction* Stop = nullptr;
    QAction* N3 = nullptr;
    QAction* RedrawGraphs = nullptr;
    QMenu* Setting = nullptr;
    QAction* Hide = nullptr;
    QAction* Show = nullptr;
    QAction* N1 = nullptr;
    QAction* Set = nullptr;

private:
    void BuildMenus();
};
