#pragma once

#include "DesktopNotifier.h"
#include "DoseAlarm.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
struct LogRecord;

// Shows the logging session's dose-rate alarm: a red status-bar text while it is raised, a
// desktop notification when it goes on and when it goes off (DesktopNotifier), and a beep each
// minute at or above the threshold when sound is on. Nothing is written to the log or its file.
class AlarmIndicator : public QObject {
    Q_OBJECT

public:
    // label: the status-bar text it owns; hidden while the alarm is not raised. alarm: the
    // session's, which outlives this.
    AlarmIndicator(QLabel* label, const DoseAlarm& alarm, QObject* parent = nullptr);

    const AlarmSettings& Settings() const { return alarm_.Settings(); }
    const DoseAlarm& Alarm() const { return alarm_; }

    // What a whole minute, record, did to the alarm.
    void MinuteChecked(const AlarmStep& step, const LogRecord& record);
    // Shows the alarm as it stands (after new settings).
    void Refresh();

    // How a change of the alarm and a beep reach the user; tests replace them.
    std::function<void(const DesktopNotice& notice)> Notify;
    std::function<void()> Beep;

private:
    void UpdateLabel();

    const DoseAlarm& alarm_;
    QLabel* label_;
    DesktopNotifier* notifier_ = nullptr;
};
