#pragma once

#include "LiveMinutes.h"
#include "SampleLog.h"

#include <cstdint>

// The station's minutes: reports become minutes by the window's rules (LiveMinutes), and a
// minute counts as whole only when reports arrived over all of it, from its start to its end.
// Its start is covered when the report before its first came at most kMaxGapSeconds earlier
// (the previous minute's reports ran into it) or its first report came within its first
// kEdgeSeconds; its end when the next report (of a later minute) came at most kMaxGapSeconds
// after its last, or its last report came within its last kEdgeSeconds. Reports further apart
// than kMaxGapSeconds inside a minute (an unplug, a stalled link) leave it partial. A partial
// count read as counts per minute would be a wrong reading, so partial minutes are only told.
// Times are DateTime values (local time); the clock is passed in.

// How one minute ended.
struct MinuteEnd {
    enum class Kind {
        None,     // no minute ended
        Whole,    // reports covered all of it
        Partial,  // reports covered only Seconds of it
    };
    Kind What = Kind::None;
    Sample Minute;    // its time (the whole minute) and count
    int Seconds = 0;  // Partial: the seconds covered, rounded down
};

class WholeMinutes {
public:
    static constexpr double kEdgeSeconds = 2;
    static constexpr double kMaxGapSeconds = 3;

    // A report of count at now. Returns the minute it ended, if any: the current minute ends
    // when a report of another minute arrives.
    MinuteEnd Report(std::int32_t count, double now);
    // The clock at now. Once now has left the current minute, the minute ends whole when
    // reports came up to its end; partial when its last report is too long ago for the next
    // one to cover its end; otherwise it waits for that next report.
    MinuteEnd Clock(double now);
    // The end of logging: the current minute ends whole when it was covered so far and its
    // last report came within its last kEdgeSeconds, partial otherwise. No minute is open
    // afterwards.
    MinuteEnd Finish();

private:
    MinuteEnd End(const Sample& minute, bool endCovered);

    RecentSamples samples_;
    bool open_ = false;   // the current minute has not ended yet
    double last_ = 0;     // the time of the last report
    bool whole_ = false;  // the current minute is covered from its start up to last_
    double covered_ = 0;  // seconds of the current minute covered up to last_
};
