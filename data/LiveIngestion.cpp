#include "LiveIngestion.h"

#include "DateTime.h"
#include "DisplayRules.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

MinuteStep HandleCountReport(std::span<const std::uint8_t, kReportPayloadSize> payload, double now,
                             SampleLog& log, const GraphSettings& settings,
                             SampleDisplay& display) {
    const std::int32_t count = ReportCount(payload);
    LogSamples samples(log);
    const MinuteStep step = AddReport(samples, count, now, settings);
    DrawLiveStep(step, count, now, display);
    return step;
}

void DrawLiveStep(const MinuteStep& step, std::int32_t count, double now, SampleDisplay& display) {
    if (step.DroppedRunning) {
        display.RemoveLastCpm();
    }
    const int k = display.CpmCount() - 1;
    switch (step.What) {
        case MinuteStep::Kind::None:
            return;
        case MinuteStep::Kind::First:
            display.AppendCpm(count, CpmPointLabel(k + 1, now));
            return;
        case MinuteStep::Kind::SameMinute:
            display.SetCpmValue(k, display.CpmValue(k) + count);
            return;
        case MinuteStep::Kind::NextMinute:
            display.AppendCpm(count, CpmPointLabel(k + 1, now));
            break;
        case MinuteStep::Kind::Completed:
            break;
    }
    if (step.Completed.HasDose()) {
        display.AppendDose(step.Completed.Dose);
    } else {
        display.AppendNullDose();
    }
    display.AppendLog(step.Completed);
    FollowLogTail(display);
}
