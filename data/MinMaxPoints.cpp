#include "MinMaxPoints.h"

#include <algorithm>

std::vector<LogRecord> MinMaxPoints(const std::vector<LogRecord>& minutes, double from, double to,
                                    int columns) {
    columns = std::max(columns, 2);
    if (minutes.size() <= std::size_t(columns) || to <= from) {
        return minutes;
    }
    const int slices = columns / 2;
    const double width = (to - from) / slices;
    std::vector<LogRecord> points;
    points.reserve(std::size_t(columns));
    // Minutes outside [from, to) fall into the first or the last slice.
    const auto sliceOf = [&](const LogRecord& minute) {
        return std::clamp(int((minute.Time - from) / width), 0, slices - 1);
    };
    std::size_t i = 0;
    while (i < minutes.size()) {
        // Grouped by the slice each minute computes, not by the slice's end, so that rounding at
        // an edge can never split a slice in two.
        const int slice = sliceOf(minutes[i]);
        std::size_t low = i;
        std::size_t high = i;
        for (++i; i < minutes.size() && sliceOf(minutes[i]) == slice; ++i) {
            if (minutes[i].Cpm < minutes[low].Cpm) {
                low = i;
            }
            if (minutes[i].Cpm > minutes[high].Cpm) {
                high = i;
            }
        }
        points.push_back(minutes[std::min(low, high)]);
        if (low != high) {
            points.push_back(minutes[std::max(low, high)]);
        }
    }
    return points;
}
