#pragma once

#include "MapWindowSettings.h"
#include "SampleDisplay.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LoggingSession;
class MapDialog;
class MapUploader;
class PublishBacklog;
class QAction;
class QWidget;
class WindowFiles;
struct MainFormOptions;

// The window's uploads to the public maps: the settings from the INI file and the secrets from
// files of their own (mode 0600, never in the INI file), an uploader per map that is on as a
// publisher of the logging session (the station's uploaders, by the same code), following the
// window's saved log for the minutes a map has not taken yet, and the menu command that changes
// them. Builds without uploads have the command hidden.
class MapCommand : public QObject {
    Q_OBJECT

public:
    // action: the menu item that runs the command; options: the dialog's hook and where the
    // secrets are kept; files: whose saved log is followed. The dialog is a child of window.
    MapCommand(const MainFormOptions& options, LoggingSession& session, WindowFiles& files,
               QAction* action, QWidget* window);
    ~MapCommand() override;

    // Reads the settings and secrets and uploads where they say so.
    void Load();
    // The menu command: shows the dialog and, when it is confirmed, uploads by the new settings
    // (starting again only the maps that changed) and saves them and the secrets. Throws a
    // FileFailure when the INI file or a secret's file cannot be written.
    void MapClick();
    // The saved file the window's log is in (empty: none): the minutes it holds after the last
    // one a map took go to it first, and what it takes is marked beside the file.
    void FollowLog(const QString& path);

    const MapWindowSettings& Settings() const { return settings_; }
    // The uploader of service; null while it is off.
    MapUploader* Uploader(MapService service) const;
    QString SecretPath(MapService service) const;

private:
    struct Running;

    void Restart(MapService service);
    void Follow(Running& map);

    std::function<bool(MapDialog&)> run_;
    QString iniPath_;
    QString secretFolder_;
    QPointer<LoggingSession> session_;  // may go before the window's children
    MapDialog* dialog_ = nullptr;
    MapWindowSettings settings_;
    QString logPath_;
    std::optional<LogRecord> latest_;  // the latest whole minute, for a test
    std::vector<std::unique_ptr<Running>> running_;
};
