#pragma once

// The dose-rate alarm: a threshold in µSv/h checked against each completed minute's live dose
// rate. It is raised when a minute reaches the threshold and stays raised until the rate has
// been below it for ten minutes, so a rate hovering at the threshold does not flap.

struct AlarmSettings {
    double ThresholdUsv = 0;  // 0: off
    bool Sound = false;       // a beep each minute while at or above the threshold

    bool On() const { return ThresholdUsv > 0; }
    friend bool operator==(const AlarmSettings&, const AlarmSettings&) = default;
};

// What one completed minute did to the alarm.
struct AlarmStep {
    bool Raised = false;    // it crossed: the alarm was not raised before this minute
    bool Above = false;     // this minute is at or above the threshold
    bool Released = false;  // ten minutes below the threshold ended the alarm
};

class DoseAlarm {
public:
    static constexpr double kReleaseMinutes = 10;

    // New settings start afresh: a raised alarm is dropped.
    void SetSettings(const AlarmSettings& settings);
    const AlarmSettings& Settings() const { return settings_; }

    // One completed minute at time (a DateTime value) with its live dose rate. Minutes earlier
    // than the last one seen (a clock set back) count as they come.
    AlarmStep MinuteCompleted(double time, double doseUsv);

    bool Raised() const { return raised_; }
    // The latest minute at or above the threshold, while raised.
    double LastAboveTime() const { return lastAboveTime_; }
    double LastAboveDose() const { return lastAboveDose_; }

private:
    AlarmSettings settings_;
    bool raised_ = false;
    double lastAboveTime_ = 0;
    double lastAboveDose_ = 0;
};
