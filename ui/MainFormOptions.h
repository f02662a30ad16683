#pragma once

#include "FileCommands.h"
#include "HidBackend.h"

#include <QString>
#include <functional>
#include <memory>

class AlarmDialog;
class GoToDialog;
class MapDialog;
class MqttDialog;
class TOKRightDlg;

// What the main window needs from outside; tests choose each part.
struct MainFormOptions {
    std::unique_ptr<HidBackend> Backend;                  // hidapi or the virtual counter
    QString IniPath;                                      // where the graph settings live
    std::function<double()> Now;                          // local time as a DateTime value
    std::unique_ptr<FileDialogs> Dialogs;                 // null: the real file dialogs
    std::function<bool(TOKRightDlg&)> RunSettingsDialog;  // null: modal exec
    std::function<void(const QString&, const QString&)> MessageBox;  // null: the real box
    QString RecoveryFolder;  // empty: "recovery" in the per-user data folder
    std::function<bool(AlarmDialog&)> RunAlarmDialog;  // null: modal exec
    std::function<bool(GoToDialog&)> RunGoToDialog;    // null: modal exec
    // The settings to start from while IniPath does not exist; empty: none.
    QString IniStartingPath;
    bool Simulated = false;  // Backend is the virtual counter of --simulate: the status bar says so
    std::function<bool(MqttDialog&)> RunMqttDialog;    // null: modal exec
    QString MqttPasswordPath;  // empty: "mqtt-password" in the per-user configuration folder
    std::function<bool(MapDialog&)> RunMapDialog;  // null: modal exec
    QString MapSecretFolder;  // the maps' secrets' folder; empty: the per-user configuration one
};
