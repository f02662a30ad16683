#include "DoseAlarm.h"

#include <cmath>

void DoseAlarm::SetSettings(const AlarmSettings& settings) {
    settings_ = settings;
    raised_ = false;
}

AlarmStep DoseAlarm::MinuteCompleted(double time, double doseUsv) {
    AlarmStep step;
    if (!settings_.On() || std::isnan(doseUsv)) {
        return step;
    }
    if (doseUsv >= settings_.ThresholdUsv) {
        step.Above = true;
        step.Raised = !raised_;
        raised_ = true;
        lastAboveTime_ = time;
        lastAboveDose_ = doseUsv;
    } else if (raised_ && time - lastAboveTime_ >= kReleaseMinutes / (24 * 60) - 1e-9) {
        // Day fractions: ten minutes later by the minutes' own times, with room for rounding.
        raised_ = false;
        step.Released = true;
    }
    return step;
}
