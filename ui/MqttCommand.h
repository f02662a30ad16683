#pragma once

#include "MqttDialog.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class LoggingSession;
class MqttPublisher;
class PublishBacklog;

// The window's publishing: the settings from the INI file and the password from a file of its
// own (mode 0600, never in the INI file), the publisher that the logging session's whole minutes
// go to, the menu command that changes them, and the status bar's words for it.
class MqttCommand : public QObject {
    Q_OBJECT

public:
    using RunDialog = std::function<bool(MqttDialog&)>;

    // passwordPath empty: "mqtt-password" in the per-user configuration folder.
    // The dialog is a child of window.
    MqttCommand(QString iniPath, QString passwordPath, QString hostName, LoggingSession& session,
                QWidget* window);
    ~MqttCommand() override;

    // Reads the settings and starts publishing when they say so.
    void Load();
    // The menu command: shows the dialog and, when it is confirmed, publishes by the new
    // settings (reconnecting only when they changed) and saves them and the password. Throws
    // a FileFailure when the INI file or the password file cannot be written.
    void MqttClick(const RunDialog& run);
    // The saved file the window's log is in (empty: none). The minutes it holds after the last
    // one the broker acknowledged go to "minutes" first, and acknowledgements are marked
    // beside it; a log in no file keeps its minutes in memory only.
    void FollowLog(const QString& path);
    // Whether the window has a dose-rate alarm, whose state is then published too.
    void SetAlarmTopic(bool on);

    // "MQTT: 接続中", "MQTT: 再接続待ち (N 分待機)" and the like; empty while not publishing.
    QString StatusText() const;
    // Why the password file was not used and why the connection failed, for the tooltip.
    QString StatusToolTip() const;
    const MqttWindowSettings& Settings() const { return settings_; }
    MqttPublisher* Publisher() const { return publisher_.get(); }
    const QString& PasswordPath() const { return passwordPath_; }

signals:
    void StatusChanged();

private:
    void Restart();
    void Follow();

    QString iniPath_;
    QString passwordPath_;
    QString hostName_;
    LoggingSession& session_;
    MqttDialog* dialog_;
    bool alarmTopic_ = false;
    MqttWindowSettings settings_;
    QString password_;
    QString passwordRefusal_;  // why the password file was not used, worded; empty when it was
    QString logPath_;
    std::unique_ptr<MqttPublisher> publisher_;
    std::unique_ptr<PublishBacklog> backlog_;  // goes before the publisher it listens to
};
