#pragma once

#include "SampleDisplay.h"
#include "SampleLog.h"

#include <QString>
#include <climits>
#include <cstdint>
#include <limits>
#include <span>
#include <unordered_map>
#include <vector>

// Summaries of a log per local hour, day or month, by each sample's minute time.
//
// A minute's dose rate is the dose-rate rule applied to that minute alone: the coefficient times
// its count above the background (0 when below). A period's mean dose rate is the mean of its
// minutes' rates, and its dose in uSv the sum of its minutes' rates divided by 60:
//     dose = coefficient * sum(max(cpm - background, 0)) / 60
// Sums are kept in whole counts, so the result does not depend on the order samples come in.

enum class SummaryPeriod { Hour, Day, Month };

// The word of a period as the command line takes it ("hour", "day", "month"), and back.
QString PeriodName(SummaryPeriod period);
bool ParsePeriodName(const QString& name, SummaryPeriod* period);

// What the samples of one period add up to.
struct PeriodTotals {
    int Minutes = 0;
    std::int64_t CpmSum = 0;
    std::int64_t NetSum = 0;  // the counts above the background
    std::int32_t Lowest = 0;
    std::int32_t Highest = 0;
    double HighestTime = 0;  // the first minute with the highest count

    void Add(const Sample& sample, std::int64_t net);
};

// A period's mean dose rate and its highest minute's dose rate, in uSv/h, and its dose in uSv.
// Require totals.Minutes >= 1.
double MeanDoseRateOf(const PeriodTotals& totals, const GraphSettings& settings);
double HighestDoseRateOf(const PeriodTotals& totals, const GraphSettings& settings);
double DoseOf(const PeriodTotals& totals, const GraphSettings& settings);

// One row of a summary. Values that need a minute are NaN when the period has none.
struct SummaryRow {
    double Start = 0;         // the period's first minute, a local DateTime value
    double End = 0;           // the next period's first minute
    int MinutesInPeriod = 0;  // minutes that passed from Start to End: 1,380 on a 23-hour day
    PeriodTotals Totals;
    double Coverage = 0;  // logged minutes per 100 minutes in the period; NaN for none
    double MeanCpm = 0;
    double MeanDoseRate = 0;     // uSv/h
    double HighestDoseRate = 0;  // uSv/h of the highest minute
    double Dose = 0;             // uSv

    int Minutes() const { return Totals.Minutes; }
};

// The whole log at once.
struct SummaryTotals {
    int Minutes = 0;
    int Unread = 0;    // samples that did not read (time 0), left out of every period
    double First = 0;  // the earliest and latest minute logged
    double Last = 0;
    double Coverage = 0;  // logged minutes per 100 minutes from First to Last; NaN for none
    double Dose = 0;      // uSv
};

// A table longer than this is refused rather than written: an hour table over 34 years (more
// than the longest log file holds), a day table over 800. One sample dated far from the rest (a
// typo'd year) would otherwise ask for millions of empty rows.
inline constexpr int kMaxSummaryRows = 300'000;

// The periods from the earliest sample's to the latest sample's, with empty periods between, so
// gaps show. Samples may come in any order. Used on one thread.
class Summary {
public:
    explicit Summary(SummaryPeriod by = SummaryPeriod::Day, const GraphSettings& settings = {});

    SummaryPeriod By() const { return by_; }
    const GraphSettings& Settings() const { return settings_; }

    void Clear();
    void Add(const Sample& sample);
    void Add(std::span<const Sample> samples);

    // Follows a log that grows at its end, as live ingestion grows it: adds the samples that
    // came since the last call and takes the last one, which may still be counting, as it is
    // now. Each call costs what the new samples cost. A log shorter than the samples followed
    // is taken afresh; a log replaced by another of the same length needs Clear first.
    void Follow(const SampleLog& log);

    // Periods, first to last.
    int Count() const;
    // Requires 0 <= index < Count().
    SummaryRow Row(int index) const;
    // The row of the period that holds a time; -1 outside the rows.
    int RowAt(double time) const;
    SummaryTotals Totals() const;

    // The rows that hold a sample, first to last, with what their samples add up to: what a
    // chart of the periods needs, without the calendar work of Row.
    struct FilledRow {
        int Row;
        PeriodTotals Totals;
    };
    std::vector<FilledRow> Filled() const;
    // The row of the followed log's last sample; -1 when there is none.
    int OpenRow() const;

private:
    struct Period {
        std::int64_t Key;
        PeriodTotals Totals;
    };

    std::int64_t KeyOf(std::int64_t minute) const;
    PeriodTotals& Slot(std::int64_t key);
    const PeriodTotals* Find(std::int64_t key) const;
    double StartOf(std::int64_t key) const;
    int MinutesBetween(double start, double end) const;
    int DayMinutes(double dayStart) const;
    void AddTo(PeriodTotals& totals, const Sample& sample) const;
    void AddClosed(std::span<const Sample> samples);
    void MinuteRange(std::int64_t key, std::int64_t* first, std::int64_t* end) const;
    std::int64_t FirstKey() const;
    std::int64_t LastKey() const;

    SummaryPeriod by_;
    GraphSettings settings_;
    // Only periods that hold a sample, by key; logs come in time order, so adding is mostly at
    // the end. A typo'd year far from the rest costs one entry, not the periods between.
    std::vector<Period> periods_;
    int unread_ = 0;
    int minutes_ = 0;
    std::int64_t netSum_ = 0;
    double first_ = std::numeric_limits<double>::infinity();  // earliest and latest time added
    double last_ = -std::numeric_limits<double>::infinity();
    int followed_ = 0;  // samples of the followed log added for good
    bool hasOpen_ = false;
    Sample open_;  // the followed log's last sample, which may still change
    std::int64_t openKey_ = 0;
    bool openRead_ = false;  // open_ has a time
    // The month of the last day seen, and minutes of real time per day, so most samples and
    // rows skip the calendar and the time zone.
    mutable std::int64_t cachedDay_ = INT64_MIN;
    mutable std::int64_t cachedMonth_ = 0;
    mutable std::unordered_map<std::int64_t, int> dayMinutes_;
};
