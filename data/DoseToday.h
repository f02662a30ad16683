#pragma once

#include "SampleDisplay.h"

#include <cstdint>

// The dose in uSv since local midnight, by the summary rule (PeriodSummary): the coefficient
// times the day's whole minutes' counts above the background, over 60. Published each minute
// as "usv_today", so it never decreases within a day: the counts since the last change of the
// settings are kept as a whole number, and what came before a change is folded into a base at
// the settings it was counted by. A change of the coefficient or the background applies to
// later minutes only. With no change during a day the value is Summary's dose of that day, to
// the bit. Used on one thread.
class DoseToday {
public:
    explicit DoseToday(const GraphSettings& settings = {});

    // Later minutes by these; the sum so far stays.
    void SetSettings(const GraphSettings& settings);
    const GraphSettings& Settings() const { return settings_; }

    // A whole minute (its start, a local DateTime value as data/DateTime.h has them) and its
    // count. A minute of another local day than the last one starts the sum afresh; a minute
    // that did not read (time 0) adds nothing. Returns the dose since that day's midnight in uSv.
    double Add(double time, std::int32_t cpm);

    // 0 before any minute.
    double Value() const;
    // The local day's midnight as a DateTime value; 0 before any minute.
    double Day() const { return day_; }
    // The whole minutes of that day added so far.
    int Minutes() const { return minutes_; }

private:
    GraphSettings settings_;
    bool started_ = false;  // a minute came: day_ is its day (1899-12-30 is 0 too)
    double day_ = 0;
    int minutes_ = 0;
    double base_ = 0;          // uSv of the day's minutes before the last change of settings
    std::int64_t netSum_ = 0;  // the counts above the background since then
};
