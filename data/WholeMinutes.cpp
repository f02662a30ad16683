#include "WholeMinutes.h"

#include "DateTime.h"

#include <algorithm>

namespace {

constexpr double kSecondsPerDay = 86'400;
constexpr double kMinute = 60 / kSecondsPerDay;

// Times a day apart differ in the last bits of their doubles; a millisecond is far above that
// and far below anything the limits mean.
double SecondsBetween(double from, double to) {
    return (to - from) * kSecondsPerDay;
}

bool AtMost(double seconds, double limit) {
    return seconds <= limit + 0.001;
}

}  // namespace

MinuteEnd WholeMinutes::Report(std::int32_t count, double now) {
    const bool first = samples_.Count() == 0;
    // A clock set back gives a negative gap, which covers nothing.
    const double gap = SecondsBetween(last_, now);
    const bool bridged = !first && !broken_ && gap >= 0 && AtMost(gap, kMaxGapSeconds);
    broken_ = false;
    const MinuteStep step = AddReport(samples_, count, now, {});
    MinuteEnd ended;
    if (step.What == MinuteStep::Kind::SameMinute) {
        if (open_) {
            whole_ = whole_ && bridged;
            covered_ += bridged ? gap : 0;
        }
        last_ = now;
        return ended;
    }
    if (step.What == MinuteStep::Kind::NextMinute && open_) {
        ended = End({step.Completed.Time, step.Completed.Cpm}, bridged);
    }
    const double start = samples_.Last().Time;
    const double intoMinute = SecondsBetween(start, now);
    open_ = true;
    whole_ = bridged || AtMost(intoMinute, kEdgeSeconds);
    covered_ = whole_ ? intoMinute : 0;
    last_ = now;
    return ended;
}

MinuteEnd WholeMinutes::Clock(double now) {
    if (!open_ || DateTime::TruncateToMinute(now) == samples_.Last().Time) {
        return {};
    }
    const Sample& minute = samples_.Last();
    const double since = SecondsBetween(last_, now);
    if (AtMost(SecondsBetween(last_, minute.Time + kMinute), kEdgeSeconds) || since < 0 ||
        !AtMost(since, kMaxGapSeconds)) {
        return End(minute, false);
    }
    return {};
}

MinuteEnd WholeMinutes::Finish() {
    return open_ ? End(samples_.Last(), false) : MinuteEnd{};
}

MinuteEnd WholeMinutes::End(const Sample& minute, bool endCovered) {
    open_ = false;
    const double toEnd = SecondsBetween(last_, minute.Time + kMinute);
    // Its last report within its last seconds covers its end as well as the next report would.
    endCovered = endCovered || (toEnd >= 0 && AtMost(toEnd, kEdgeSeconds));
    if (whole_ && endCovered) {
        return {MinuteEnd::Kind::Whole, minute, 60};
    }
    const double covered = covered_ + (endCovered ? toEnd : 0);
    return {MinuteEnd::Kind::Partial, minute, std::clamp(int(covered + 0.001), 0, 60)};
}
