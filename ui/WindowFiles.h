#pragma once

#include "StatusLine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class FileCommands;
class FileDialogs;
class QAction;
class QTimer;
struct MainMenus;
class RecoveryStore;
class SampleDisplay;
class SampleLog;
struct GraphSettings;

// The window's side of its log files: New, Open, Save and Save As (FileCommands), the minute's
// automatic save on its timer, the recovery folder and its menu item, and what the status bar
// says of them. Whatever a command did, even when it failed, the timer, the menu item and the
// notices follow, and Changed tells the window.
class WindowFiles : public QObject {
    Q_OBJECT

public:
    // menus: フォルダを開く runs here, 復元フォルダを開く is enabled while the recovery folder
    // holds files. recoveryFolder empty: "recovery" in the per-user data folder.
    WindowFiles(SampleLog& log, SampleDisplay& display, const GraphSettings& graph,
                FileDialogs& dialogs, const QString& recoveryFolder, const MainMenus& menus,
                QObject* parent = nullptr);
    ~WindowFiles() override;

    FileCommands& Commands() const { return *commands_; }
    // The minute's save: runs while there is a file to save to or samples that are in none.
    QTimer* Timer() const { return timer_; }

    // Runs a file command; replacesLog: it may have put another log in the window. Throws what
    // the command throws.
    void Run(const std::function<void()>& command, bool replacesLog);
    // Opens a file or a folder named on the command line; the start's notice of recovery files
    // stays.
    void OpenAtStart(const QString& path);
    // Looks what the recovery folder offers; the status bar says so until the next command.
    void LookForRecoveryFiles();
    // A log the user chose among the recent ones is gone: the status bar says so until the next
    // command.
    void SayMissing(const QString& path);
    // The timer's save. A failure does not raise a box every minute: the status bar says it.
    void AutoSave();
    // Live data changed the log: a minute was finished.
    void LiveDataChanged();
    // Whether the log's last sample is a minute still counting, which no save writes.
    void SetMinuteRunning(std::function<bool()> running);

    // The file's part of the status bar.
    StatusState Status() const;

signals:
    // A command or the automatic save ran; logReplaced: the window may show another log.
    void Changed(bool logReplaced);

private:
    void AfterCommand(bool replacesLog);
    void UpdateTimer();

    std::unique_ptr<RecoveryStore> recovery_;
    std::unique_ptr<FileCommands> commands_;
    QAction* openRecovery_;
    QTimer* timer_;
    QString autosaveError_;
    QString keptNotice_;              // where New or Open put samples that were in no file
    QString missingNotice_;           // the recent log that was no longer there
    bool recoveryAvailable_ = false;  // the recovery folder held files at start
    QStringList recoveryFiles_;       // and these, one line each
};
