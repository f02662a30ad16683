#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct Sample;

// Missing time between consecutive samples: the chart draws a point per sample, so a long pause
// in logging would otherwise pass unseen.
namespace TimeGaps {

// Two samples this far apart or more (a whole minute missing between them) have a gap.
inline constexpr std::int64_t kMinGapMs = 2 * 60 * 1000;

struct Gap {
    int Before = 0;   // the gap lies between sample Before and sample Before + 1
    double From = 0;  // the two samples' times (DateTime values)
    double To = 0;
    std::int64_t Minutes = 0;  // To - From in whole minutes
};

// The gaps between consecutive samples of samples[first..last] (inclusive; clamped to the
// samples), in order. A later sample with an earlier or equal time (a clock set back) is no
// gap. Looks only at the samples asked for, so a page costs the same whatever the log's length.
std::vector<Gap> Find(std::span<const Sample> samples, int first, int last);

}  // namespace TimeGaps
