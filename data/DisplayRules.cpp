#include "DisplayRules.h"

#include "DateTime.h"
#include "NumberFormat.h"
#include "SampleLog.h"

QString MinuteText(double time) {
    return DateTime::MinuteText(time);
}

QString CpmPointLabel(int index, double time) {
    if (index == 0 || DateTime::MinuteOfHour(time) % 10 == 0) {
        return MinuteText(time);
    }
    return {};
}

double DoseRate(const SampleLog& log, int last, const GraphSettings& settings) {
    return DoseRate(std::span(log.Samples()).subspan(size_t(last - 9), 10), settings);
}

double DoseRate(std::span<const Sample> window, const GraphSettings& settings) {
    double sum = 0.0;
    // Newest first, the order the sum has always been taken in.
    for (auto it = window.rbegin(); it != window.rend(); ++it) {
        const std::int32_t cpm = it->Cpm;
        if (cpm >= settings.GraphBackground) {
            // In 64 bits: counts from hand-edited files could overflow a 32-bit difference.
            sum += double(std::int64_t(cpm) - std::int64_t(settings.GraphBackground));
        }
    }
    double d = settings.GraphCoefficient * sum;
    d = d * 0.1;
    return d;
}

void AppendLogLine(const LogRecord& record, std::string& out) {
    DateTime::AppendLogTimeText(record.Time, out);
    out += ", ";
    out += std::to_string(record.Cpm);
    if (record.HasDose()) {
        out += ", ";
        NumberFormat::AppendGeneral(record.Dose, out);
    }
}

QString LogLine(const LogRecord& record) {
    std::string out;
    AppendLogLine(record, out);
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

void FollowLogTail(SampleDisplay& display) {
    if (display.LogVisible() && display.LogTag() == 0) {
        display.SelectLog(display.LogCount() - 1);
    }
}

LogRecord RebuildRecord(const SampleLog& log, int index, const GraphSettings& settings) {
    const Sample& s = log.At(index);
    LogRecord record{s.Time, s.Cpm};
    if (index >= 10) {
        record.Dose = DoseRate(log, index - 1, settings);
    }
    return record;
}

void RebuildDisplay(const SampleLog& log, const GraphSettings& settings, SampleDisplay& display) {
    display.BeginRebuild();
    display.ClearCpm();
    display.ClearDose();
    display.ClearLog();
    for (int i = 0; i < log.Count(); ++i) {
        const LogRecord record = RebuildRecord(log, i, settings);
        display.AppendCpm(record.Cpm, CpmPointLabel(i, record.Time));
        if (record.HasDose()) {
            display.AppendDose(record.Dose);
        } else {
            display.AppendNullDose();
        }
        display.AppendLog(record);
    }
    FollowLogTail(display);
    display.EndRebuild();
}
