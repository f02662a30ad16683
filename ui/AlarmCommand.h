#pragma once

#include <QObject>
#include <QString>
#include <functional>

class AlarmDialog;
class LoggingSession;
class MqttCommand;
class QWidget;

// 設定 → 警報: the dialog, the session's alarm settings it changes (and with them whether the
// broker hears of an alarm), and keeping them in the INI file's [Alarm] section at the end when
// they changed.
class AlarmCommand : public QObject {
    Q_OBJECT

public:
    AlarmCommand(LoggingSession& session, MqttCommand& mqtt, QString iniPath,
                 QString startingPath, QWidget* window);

    // runDialog empty: the dialog's exec().
    void AlarmClick(const std::function<bool(AlarmDialog&)>& runDialog);
    // Writes the settings when the dialog changed them. Throws a FileFailure when it cannot.
    void Save() const;

signals:
    // The settings changed.
    void Changed();

private:
    LoggingSession& session_;
    MqttCommand& mqtt_;
    QString iniPath_;
    QString startingPath_;
    AlarmDialog* dialog_;
    bool changed_ = false;
};
