#include "TimeGaps.h"

#include "SampleLog.h"

#include <algorithm>
#include <cmath>

namespace TimeGaps {

namespace {

constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;

}  // namespace

std::vector<Gap> Find(std::span<const Sample> samples, int first, int last) {
    std::vector<Gap> gaps;
    first = std::max(first, 0);
    last = std::min(last, int(samples.size()) - 1);
    for (int i = first; i < last; ++i) {
        const double from = samples[size_t(i)].Time;
        const double to = samples[size_t(i) + 1].Time;
        // Rounded to the millisecond: times of whole minutes two minutes apart must not come out
        // a hair short of two minutes as doubles.
        const double ms = std::round((to - from) * kMsPerDay);
        if (ms >= double(kMinGapMs)) {
            gaps.push_back({i, from, to, std::int64_t(ms) / (60 * 1000)});
        }
    }
    return gaps;
}

}  // namespace TimeGaps
