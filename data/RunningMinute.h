#pragma once

#include "LiveMinutes.h"
#include "WholeMinutes.h"

#include <cstdint>

// The minute the counter is counting now, as the window's samples hold it: their last sample,
// while reports add to it. It becomes a finished minute when the next minute's report comes or
// logging stops with it whole, and is taken back out of the samples when the whole-minute rule
// finds it partial (logging started or stopped inside it, or the counter went away), so that
// the samples hold only whole minutes and the one still running: a minute is finished only
// when the rule calls it whole. GUI-thread object.
class RunningMinute {
public:
    // A report of count at now; ended is what the whole-minute rule said of the minute this
    // report ended. A report of another minute takes the running minute out first unless the
    // rule called it whole; then the report adds to the running minute, completes it and starts
    // the next, or starts one when none runs.
    MinuteStep Report(LiveSamples& samples, std::int32_t count, double now,
                      const GraphSettings& settings, const MinuteEnd& ended);
    // The current minute ended without a report: by the clock (loggingEnded false), where only
    // a partial minute changes anything, or by the end of logging, which completes the running
    // minute when the rule called it whole and takes it out otherwise.
    MinuteStep End(LiveSamples& samples, const GraphSettings& settings, const MinuteEnd& ended,
                   bool loggingEnded);
    // The samples may have been replaced (New, Open): a running minute that is no longer their
    // last sample goes on as their new last one. Returns the step that draws it (First), or
    // None when nothing changed.
    MinuteStep Rejoin(LiveSamples& samples);

    // The samples' last sample is a minute still counting.
    bool Running() const { return running_; }
    // The running minute's time and count so far. Requires Running().
    const Sample& Minute() const { return minute_; }

private:
    void Hear(const MinuteEnd& ended);
    bool Drop(LiveSamples& samples);

    bool running_ = false;
    bool whole_ = false;  // the rule called the running minute whole
    int count_ = 0;       // the samples' count when the running minute was last their last
    Sample minute_;
};
