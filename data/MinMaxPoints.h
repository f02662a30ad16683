#pragma once

#include "SampleDisplay.h"

#include <vector>

// A long run of minutes thinned for a chart of a given width without hiding a spike: when there
// are more minutes than pixel columns, [from, to) is cut into columns / 2 equal slices and each
// keeps its lowest and its highest minute (by CPM), in time order, so that at most one point per
// column remains and every peak and dip is still drawn. Fewer minutes than columns are kept as
// they are. The minutes are in time order; the points are minutes of the input, with their own
// times and the file's values.
std::vector<LogRecord> MinMaxPoints(const std::vector<LogRecord>& minutes, double from, double to,
                                    int columns);
