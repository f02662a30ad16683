#pragma once

#include "WindowState.h"

#include <QObject>

class FileDialogs;
class RecentFilesMenu;
class SummaryWindow;
class TMainForm;
class ViewCommands;
class WindowFiles;
struct MainFormOptions;

// What the window remembers between runs (WindowState, in the INI file's "Window" section):
// sizes the main window as at the first start, or as it was left, with the log pane shown and
// as high as it was; the summaries window where it was, with its period; the folder the file
// dialogs start in and the recent logs' menu. All of it is written when the main window closes.
class WindowMemory : public QObject {
    Q_OBJECT

public:
    WindowMemory(TMainForm& form, WindowFiles& files, ViewCommands& views,
                 const MainFormOptions& options);

    // What the window would write now.
    WindowState State() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RestoreSummary(SummaryWindow& summary);

    TMainForm& form_;
    ViewCommands& views_;
    FileDialogs& dialogs_;
    QString iniPath_;
    QString startingPath_;
    WindowState loaded_;
    RecentFilesMenu* recent_;
};
