#include "LiveIngestion.h"

#include "DateTime.h"
#include "DisplayRules.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

void HandleCountReport(std::span<const std::uint8_t, kReportPayloadSize> payload, double now,
                       SampleLog& log, const GraphSettings& settings, SampleDisplay& display) {
    const std::int32_t count = payload[kCountOffset] | payload[kCountOffset + 1] << 8;
    const int minute = DateTime::MinuteOfHour(now);
    const int k = display.CpmCount() - 1;
    const QString minuteText = DateTime::MinuteText(now);
    const double t = DateTime::TruncateToMinute(now);

    if (log.Count() == 0) {
        display.AppendCpm(count, minuteText);
        log.Append({t, count});
        return;
    }
    if (log.Last().Time == t) {
        display.SetCpmValue(k, display.CpmValue(k) + count);
        log.AddToLast(count);
        return;
    }

    LogRecord record{log.Last().Time, log.Last().Cpm};
    display.AppendCpm(count, minute % 10 == 0 ? minuteText : QString());
    if (k < 10) {
        display.AppendNullDose();
    } else {
        // The live window ends at the completed sample itself: samples k-9..k.
        record.Dose = DoseRate(log, k, settings);
        display.AppendDose(record.Dose);
    }
    // After the dose, so the new sample is never part of its window.
    log.Append({t, count});
    display.AppendLog(record);
    FollowLogTail(display);
}
