#include "RunningMinute.h"

#include "DateTime.h"

void RunningMinute::Hear(const MinuteEnd& ended) {
    if (running_ && ended.What == MinuteEnd::Kind::Whole && ended.Minute.Time == minute_.Time) {
        whole_ = true;
    }
}

bool RunningMinute::Drop(LiveSamples& samples) {
    samples.RemoveLast();
    running_ = false;
    return true;
}

MinuteStep RunningMinute::Report(LiveSamples& samples, std::int32_t count, double now,
                                 const GraphSettings& settings, const MinuteEnd& ended) {
    Hear(ended);
    bool dropped = false;
    if (running_ && DateTime::TruncateToMinute(now) != minute_.Time && !whole_) {
        dropped = Drop(samples);
    }
    MinuteStep step;
    if (running_) {
        step = AddReport(samples, count, now, settings);
    } else {
        // A sample that was there before is finished; it is never completed again.
        samples.Append({DateTime::TruncateToMinute(now), count});
    }
    if (!running_ || step.What == MinuteStep::Kind::NextMinute) {
        running_ = true;
        whole_ = false;
    }
    step.DroppedRunning = dropped;
    minute_ = samples.Tail(1).front();
    count_ = samples.Count();
    return step;
}

MinuteStep RunningMinute::End(LiveSamples& samples, const GraphSettings& settings,
                              const MinuteEnd& ended, bool loggingEnded) {
    Hear(ended);
    MinuteStep step;
    step.What = MinuteStep::Kind::None;
    if (!running_) {
        return step;
    }
    const bool partial =
        ended.What == MinuteEnd::Kind::Partial && ended.Minute.Time == minute_.Time;
    if (partial || (loggingEnded && !whole_)) {
        step.DroppedRunning = Drop(samples);
    } else if (loggingEnded) {
        step.What = MinuteStep::Kind::Completed;
        step.Completed = CompleteLast(samples, settings);
        running_ = false;
    }
    return step;
}

MinuteStep RunningMinute::Rejoin(LiveSamples& samples) {
    MinuteStep step;
    step.What = MinuteStep::Kind::None;
    const bool stillThere = samples.Count() == count_ && count_ > 0 &&
                            samples.Tail(1).front() == minute_;
    if (running_ && !stillThere) {
        samples.Append(minute_);
        count_ = samples.Count();
        step.What = MinuteStep::Kind::First;
    }
    return step;
}
