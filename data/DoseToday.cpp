#include "DoseToday.h"

#include "DateTime.h"
#include "DisplayRules.h"
#include "PeriodSummary.h"

#include <cmath>

DoseToday::DoseToday(const GraphSettings& settings) : settings_(settings) {}

void DoseToday::SetSettings(const GraphSettings& settings) {
    if (settings == settings_) {
        // Nothing to fold: the day's counts stay one sum, as Summary keeps them.
        return;
    }
    base_ = Value();
    netSum_ = 0;
    settings_ = settings;
}

double DoseToday::Add(double time, std::int32_t cpm) {
    // As Summary, a sample that did not read (time 0) or lies beyond any calendar is in no day.
    if (time == 0 || !(std::fabs(time) <= 3'000'000.0)) {
        return Value();
    }
    // The day as DateTime reads the value: rounded to the millisecond, and days before
    // 1899-12-30 with their time of day as an absolute fraction.
    const double day = DateTime::Encode(DateTime::Decode(time).date);
    if (!started_ || day != day_) {
        started_ = true;
        day_ = day;
        base_ = 0;
        netSum_ = 0;
        minutes_ = 0;
    }
    ++minutes_;
    netSum_ += NetCount(cpm, settings_);
    return Value();
}

double DoseToday::Value() const {
    return base_ + DoseOf(PeriodTotals{.NetSum = netSum_}, settings_);
}
