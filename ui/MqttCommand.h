#pragma once

#include "MqttDialog.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class MqttPublisher;
struct LogRecord;

// The window's publishing: the settings from the INI file and the password from a file of its
// own (mode 0600, never in the INI file), the publisher that the completed minutes go to, the
// menu command that changes them, and the status bar's words for it.
class MqttCommand : public QObject {
    Q_OBJECT

public:
    using RunDialog = std::function<bool(MqttDialog&)>;

    // passwordPath empty: "mqtt-password" in the per-user configuration folder.
    MqttCommand(QString iniPath, QString passwordPath, QString hostName, QObject* parent = nullptr);
    ~MqttCommand() override;

    // Reads the settings and starts publishing when they say so.
    void Load();
    // The menu command: shows the dialog and, when it is confirmed, publishes by the new
    // settings (reconnecting only when they changed) and saves them and the password. Throws a
    // FileFailure when the INI file or the password file cannot be written.
    void MqttClick(MqttDialog& dialog, const RunDialog& run);
    // A completed minute of the window's log.
    void MinuteCompleted(const LogRecord& record);
    // Says "offline" and disconnects, waiting at most timeoutMs.
    void Stop(int timeoutMs);

    // "MQTT: 接続中", "MQTT: 再接続待ち (N 分待機)" and the like; empty while not publishing.
    QString StatusText() const;
    // Why the connection failed, for the tooltip.
    QString StatusToolTip() const;
    const MqttWindowSettings& Settings() const { return settings_; }
    MqttPublisher* Publisher() const { return publisher_.get(); }
    const QString& PasswordPath() const { return passwordPath_; }

signals:
    void StatusChanged();

private:
    void Restart();

    QString iniPath_;
    QString passwordPath_;
    QString hostName_;
    MqttWindowSettings settings_;
    QString password_;
    std::unique_ptr<MqttPublisher> publisher_;
};
