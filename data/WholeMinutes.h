#pragma once

#include "LiveMinutes.h"
#include "SampleLog.h"

#include <cstdint>

// The station's minutes: reports become minutes by the window's rules (LiveMinutes), and a
// minute counts as whole only when reports arrived over all of it, from its start to its end.
// Its start is covered when the reports before it ran into it (the report before its first
// came at most kMaxGapSeconds earlier, with no break of the link between) or its first report
// came within its first kEdgeSeconds; its end when the reports ran on into the next minute, or
// its last report came within its last kEdgeSeconds. A break of the link, or reports further
// apart than kMaxGapSeconds, inside a minute leave it partial. The limit is loose because a
// report waits in the system's buffer while the program is busy (a slow sync to disk) and then
// arrives late with its count whole; a break of the link is what loses counts. A partial count
// read as counts per minute would be a wrong reading, so partial minutes are only told.
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
    static constexpr double kMaxGapSeconds = 10;

    // A report of count at now. Returns the minute it ended, if any: the current minute ends
    // when a report of another minute arrives.
    MinuteEnd Report(std::int32_t count, double now);
    // The link broke (unplugged, lost, stopped): the reports after it do not cover the time
    // since the last report.
    void Break() { broken_ = true; }
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
    bool open_ = false;    // the current minute has not ended yet
    double last_ = 0;      // the time of the last report
    bool whole_ = false;   // the current minute is covered from its start up to last_
    double covered_ = 0;   // seconds of the current minute covered up to last_
    bool broken_ = false;  // the link broke since the last report
};
