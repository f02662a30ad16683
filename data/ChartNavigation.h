#pragma once

#include <QStringView>
#include <optional>
#include <span>

class SampleLog;

// Moving the chart's page of points through a long log: by keys, to a time, to a sample.
// Pages are given by their first point; a log shorter than a page has one page, from point 0.
namespace ChartNavigation {

inline constexpr int kPageSize = 360;

enum class Key { PageUp, PageDown, Left, Right, Home, End };

// The first point of the newest page: where the chart stands while it follows the log.
int LastPageStart(int count, int pageSize = kPageSize);

// The page after a key, from the page starting at start over count points: Page Up / Page Down
// one page back / forward, Left / Right ten points, Home the first page, End the newest.
// Always a page within the log.
int PageStartAfterKey(Key key, int start, int count, int pageSize = kPageSize);

// A page that shows point index: the page starting at start when it already does, otherwise
// one with the point in its middle, kept within the log.
int PageStartShowing(int index, int start, int count, int pageSize = kPageSize);

// A page that begins at point index, kept within the log.
int PageStartAt(int index, int count, int pageSize = kPageSize);

// A time as the log writes it, "yy/mm/dd, hh:nn" (also with a space instead of ", ", with
// four-digit years, or with seconds), or a date alone "yy/mm/dd" for its midnight. Two-digit
// years land as in log files. Returns the DateTime value, or nothing when it does not parse.
std::optional<double> ParseGoToTime(QStringView text, int currentYear);

// The sample whose time comes first at or after time (the earliest in log order among equal
// times); -1 when there is none. The log need not be in time order; when the caller knows it
// is (inTimeOrder), the search bisects instead of looking at every sample.
int FirstSampleAtOrAfter(const SampleLog& log, double time, bool inTimeOrder = false);

// The sample a log-pane line belongs to: line i is sample i, unless a redraw while logging gave
// a sample a second line; then the sample of that time nearest to the line. -1 for none.
int SampleOfLogLine(const SampleLog& log, int line, double time);

// What a page of points shows: mean, lowest and highest CPM and the mean dose rate over the
// points that have one (NaN when none do). Count 0 for an empty page.
struct PageSummary {
    int Count = 0;
    double MeanCpm = 0;
    double MinCpm = 0;
    double MaxCpm = 0;
    double MeanDose = 0;
};
PageSummary SummarizePage(std::span<const double> cpm, std::span<const double> dose);

}  // namespace ChartNavigation
