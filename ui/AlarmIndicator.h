#pragma once

#include "DoseAlarm.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QSystemTrayIcon;

// Shows the dose-rate alarm: a red status-bar text while it is raised, a desktop notification
// once per crossing where the desktop offers one, and a beep each minute at or above the
// threshold when sound is on. Nothing is written to the log or its file.
class AlarmIndicator : public QObject {
    Q_OBJECT

public:
    // label: the status-bar text it owns; hidden while the alarm is not raised.
    AlarmIndicator(QLabel* label, QObject* parent = nullptr);

    void SetSettings(const AlarmSettings& settings);
    const AlarmSettings& Settings() const { return alarm_.Settings(); }
    const DoseAlarm& Alarm() const { return alarm_; }

    // A minute completed live with this dose rate (NaN: none yet).
    void MinuteCompleted(double time, double doseUsv);

    // How a crossing and a beep reach the user; tests replace them.
    std::function<void(const QString& text)> Notify;
    std::function<void()> Beep;

private:
    void ShowNotification(const QString& text);
    void UpdateLabel();

    DoseAlarm alarm_;
    QLabel* label_;
    QSystemTrayIcon* tray_ = nullptr;
};
