#include "LiveMinutes.h"

#include "DateTime.h"
#include "DisplayRules.h"

std::int32_t ReportCount(std::span<const std::uint8_t, kReportPayloadSize> payload) {
    return payload[kCountOffset] | payload[kCountOffset + 1] << 8;
}

std::span<const Sample> LogSamples::Tail(int n) const {
    return std::span(log_.Samples()).last(size_t(n));
}

std::span<const Sample> RecentSamples::Tail(int n) const {
    return std::span(recent_).last(size_t(n));
}

void RecentSamples::Append(const Sample& sample) {
    // One more than the dose window, so that a full window is left when the last is taken out.
    if (int(recent_.size()) == kDoseWindow + 1) {
        recent_.erase(recent_.begin());
    }
    recent_.push_back(sample);
    ++count_;
}

void RecentSamples::AddToLast(std::int32_t count) {
    // As SampleLog does: the unsigned sum is the two's-complement wrap without undefined overflow.
    Sample& last = recent_.back();
    last.Cpm = std::int32_t(std::uint32_t(last.Cpm) + std::uint32_t(count));
}

void RecentSamples::RemoveLast() {
    recent_.pop_back();
    --count_;
}

LogRecord CompleteLast(const LiveSamples& samples, const GraphSettings& settings) {
    const Sample last = samples.Tail(1).front();
    LogRecord record{last.Time, last.Cpm};
    // The live window ends at the completed sample itself: samples k-9..k.
    if (samples.Count() > kDoseWindow) {
        record.Dose = DoseRate(samples.Tail(kDoseWindow), settings);
    }
    return record;
}

MinuteStep AddReport(LiveSamples& samples, std::int32_t count, double now,
                     const GraphSettings& settings) {
    const double t = DateTime::TruncateToMinute(now);
    if (samples.Count() == 0) {
        samples.Append({t, count});
        return {MinuteStep::Kind::First, {}};
    }
    if (samples.Tail(1).front().Time == t) {
        samples.AddToLast(count);
        return {MinuteStep::Kind::SameMinute, {}};
    }
    // The dose first, so the new sample is never part of its window.
    const LogRecord completed = CompleteLast(samples, settings);
    samples.Append({t, count});
    return {MinuteStep::Kind::NextMinute, completed};
}
