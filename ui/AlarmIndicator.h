#pragma once

#include "DoseAlarm.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QSystemTrayIcon;

// Shows the logging session's dose-rate alarm: a red status-bar text while it is raised, a
// desktop notification once per crossing where the desktop offers one, and a beep each minute
// at or above the threshold when sound is on. Nothing is written to the log or its file.
class AlarmIndicator : public QObject {
    Q_OBJECT

public:
    // label: the status-bar text it owns; hidden while the alarm is not raised. alarm: the
    // session's, which outlives this.
    AlarmIndicator(QLabel* label, const DoseAlarm& alarm, QObject* parent = nullptr);

    const AlarmSettings& Settings() const { return alarm_.Settings(); }
    const DoseAlarm& Alarm() const { return alarm_; }

    // What a whole minute did to the alarm.
    void MinuteChecked(const AlarmStep& step);
    // Shows the alarm as it stands (after new settings).
    void Refresh();

    // How a crossing and a beep reach the user; tests replace them.
    std::function<void(const QString& text)> Notify;
    std::function<void()> Beep;

private:
    void ShowNotification(const QString& text);
    void UpdateLabel();

    const DoseAlarm& alarm_;
    QLabel* label_;
    QSystemTrayIcon* tray_ = nullptr;
};
