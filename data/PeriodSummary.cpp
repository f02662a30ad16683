#include "PeriodSummary.h"

#include "DateTime.h"
#include "DisplayRules.h"
#include "SampleLog.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kMinutesPerDay = 1440;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The minute of a sample's time counted from 1899-12-30 00:00, read as DateTime reads the
// value (rounded to the millisecond; days before the epoch carry an absolute time of day).
// Nothing for a sample that did not read (time 0) or a time beyond any calendar.
std::optional<std::int64_t> MinuteOf(double time) {
    if (time == 0 || !(std::fabs(time) <= 3'000'000.0)) {
        return std::nullopt;
    }
    // Rounded half away from zero without a library call: this runs for every sample.
    const double ms = time * double(kMsPerDay);
    auto whole = std::int64_t(ms);
    const double fraction = ms - double(whole);
    if (fraction >= 0.5) {
        ++whole;
    } else if (fraction <= -0.5) {
        --whole;
    }
    const std::int64_t day = whole / kMsPerDay;
    const std::int64_t msOfDay = whole % kMsPerDay;
    return day * kMinutesPerDay + (msOfDay < 0 ? -msOfDay : msOfDay) / 60'000;
}

double MinuteValue(std::int64_t minute) {
    const std::int64_t day = FloorDiv(minute, kMinutesPerDay);
    const int ofDay = int(minute - day * kMinutesPerDay);
    return DateTime::Encode(DateTime::Decode(double(day)).date, {ofDay / 60, ofDay % 60});
}

// The moment a local wall-clock time names, in ms since 1970. A time the clocks skipped (the
// hour a spring transition leaves out) names the moment of the transition; a time they showed
// twice names the first, whichever the C library's guess was.
qint64 LocalInstant(double wall) {
    const DateTime::Parts p = DateTime::Decode(wall);
    const QDate date(p.date.year, p.date.month, p.date.day);
    const QTime time(p.time.hour, p.time.minute);
    for (int step = 0; step <= 8; ++step) {
        const QDateTime local(date, time.addSecs(step * 900), Qt::LocalTime);
        if (!local.isValid()) {
            continue;
        }
        const qint64 instant = local.toMSecsSinceEpoch();
        for (const qint64 earlier : {3'600'000, 1'800'000, 7'200'000}) {
            const QDateTime before =
                QDateTime::fromMSecsSinceEpoch(instant - earlier, Qt::LocalTime);
            if (before.date() == local.date() && before.time() == local.time()) {
                return instant - earlier;
            }
        }
        return instant;
    }
    return QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
}

}  // namespace

QString PeriodName(SummaryPeriod period) {
    switch (period) {
        case SummaryPeriod::Hour:
            return QStringLiteral("hour");
        case SummaryPeriod::Day:
            return QStringLiteral("day");
        case SummaryPeriod::Month:
            return QStringLiteral("month");
    }
    return {};
}

bool ParsePeriodName(const QString& name, SummaryPeriod* period) {
    for (SummaryPeriod p : {SummaryPeriod::Hour, SummaryPeriod::Day, SummaryPeriod::Month}) {
        if (name == PeriodName(p)) {
            *period = p;
            return true;
        }
    }
    return false;
}

double MeanDoseRateOf(const PeriodTotals& totals, const GraphSettings& settings) {
    return MeanDoseRate(double(totals.NetSum), totals.Minutes, settings);
}

double HighestDoseRateOf(const PeriodTotals& totals, const GraphSettings& settings) {
    return MeanDoseRate(double(NetCount(totals.Highest, settings)), 1, settings);
}

// The minutes' rates summed over an hour's worth of minutes.
double DoseOf(const PeriodTotals& totals, const GraphSettings& settings) {
    return MeanDoseRate(double(totals.NetSum), 60, settings);
}

void PeriodTotals::Add(const Sample& sample, std::int64_t net) {
    if (Minutes == 0) {
        Lowest = Highest = sample.Cpm;
        HighestTime = sample.Time;
    } else {
        Lowest = std::min(Lowest, sample.Cpm);
        // Ties go to the earlier minute, so the order samples come in does not matter.
        if (sample.Cpm > Highest || (sample.Cpm == Highest && sample.Time < HighestTime)) {
            Highest = sample.Cpm;
            HighestTime = sample.Time;
        }
    }
    ++Minutes;
    CpmSum += sample.Cpm;
    NetSum += net;
}

Summary::Summary(SummaryPeriod by, const GraphSettings& settings) : by_(by), settings_(settings) {}

void Summary::Clear() {
    periods_.clear();
    unread_ = 0;
    minutes_ = 0;
    netSum_ = 0;
    first_ = kInfinity;
    last_ = -kInfinity;
    followed_ = 0;
    hasOpen_ = false;
    openRead_ = false;
}

std::int64_t Summary::KeyOf(std::int64_t minute) const {
    switch (by_) {
        case SummaryPeriod::Hour:
            return FloorDiv(minute, 60);
        case SummaryPeriod::Day:
            return FloorDiv(minute, kMinutesPerDay);
        case SummaryPeriod::Month:
            break;
    }
    const std::int64_t day = FloorDiv(minute, kMinutesPerDay);
    if (day != cachedDay_) {
        const DateTime::Date date = DateTime::Decode(double(day)).date;
        cachedDay_ = day;
        cachedMonth_ = std::int64_t(date.year) * 12 + (date.month - 1);
    }
    return cachedMonth_;
}

double Summary::StartOf(std::int64_t key) const {
    switch (by_) {
        case SummaryPeriod::Hour:
            return MinuteValue(key * 60);
        case SummaryPeriod::Day:
            return MinuteValue(key * kMinutesPerDay);
        case SummaryPeriod::Month:
            break;
    }
    const std::int64_t year = FloorDiv(key, 12);
    return DateTime::Encode(int(year), int(key - year * 12) + 1, 1);
}

int Summary::DayMinutes(double dayStart) const {
    const auto day = std::int64_t(std::floor(dayStart));
    const auto kept = dayMinutes_.find(day);
    if (kept != dayMinutes_.end()) {
        return kept->second;
    }
    const int minutes = int(
        (LocalInstant(MinuteValue((day + 1) * kMinutesPerDay)) - LocalInstant(dayStart)) / 60'000);
    dayMinutes_.emplace(day, minutes);
    return minutes;
}

int Summary::MinutesBetween(double start, double end) const {
    // Most days have 1,440 minutes: then their hours have 60 and the zone need not be asked.
    if (by_ == SummaryPeriod::Hour && start >= 0 && DayMinutes(std::floor(start)) == 1440) {
        return 60;
    }
    if (by_ == SummaryPeriod::Day && start >= 0) {
        return DayMinutes(start);
    }
    return int((LocalInstant(end) - LocalInstant(start)) / 60'000);
}

PeriodTotals& Summary::Slot(std::int64_t key) {
    if (periods_.empty() || periods_.back().Key < key) {
        periods_.push_back({key, {}});
        return periods_.back().Totals;
    }
    if (periods_.back().Key == key) {
        return periods_.back().Totals;
    }
    auto at = std::lower_bound(periods_.begin(), periods_.end(), key,
                               [](const Period& p, std::int64_t k) { return p.Key < k; });
    if (at == periods_.end() || at->Key != key) {
        at = periods_.insert(at, {key, {}});
    }
    return at->Totals;
}

const PeriodTotals* Summary::Find(std::int64_t key) const {
    const auto at = std::lower_bound(periods_.begin(), periods_.end(), key,
                                     [](const Period& p, std::int64_t k) { return p.Key < k; });
    return at != periods_.end() && at->Key == key ? &at->Totals : nullptr;
}

void Summary::AddTo(PeriodTotals& totals, const Sample& sample) const {
    totals.Add(sample, NetCount(sample.Cpm, settings_));
}

void Summary::MinuteRange(std::int64_t key, std::int64_t* first, std::int64_t* end) const {
    switch (by_) {
        case SummaryPeriod::Hour:
            *first = key * 60;
            *end = *first + 60;
            return;
        case SummaryPeriod::Day:
            *first = key * kMinutesPerDay;
            *end = *first + kMinutesPerDay;
            return;
        case SummaryPeriod::Month:
            break;
    }
    const std::int64_t year = FloorDiv(key, 12);
    const int month = int(key - year * 12) + 1;
    *first = DateTime::DaysFromCivil(int(year), month, 1) * kMinutesPerDay;
    *end = (month == 12 ? DateTime::DaysFromCivil(int(year) + 1, 1, 1)
                        : DateTime::DaysFromCivil(int(year), month + 1, 1)) *
           kMinutesPerDay;
}

void Summary::AddClosed(std::span<const Sample> samples) {
    // Consecutive samples mostly share their period: while a time lies within it, no calendar
    // arithmetic is needed. Its bounds are half a millisecond early, as times round to the
    // millisecond.
    constexpr double kHalfMs = 0.5 / double(kMsPerDay);
    PeriodTotals* slot = nullptr;
    double from = 0;
    double to = 0;
    for (const Sample& sample : samples) {
        const double time = sample.Time;
        if (slot == nullptr || !(time >= from && time < to) || time == 0) {
            const std::optional<std::int64_t> minute = MinuteOf(time);
            if (!minute) {
                ++unread_;
                continue;
            }
            const std::int64_t key = KeyOf(*minute);
            slot = &Slot(key);
            std::int64_t first = 0;
            std::int64_t end = 0;
            MinuteRange(key, &first, &end);
            // Only days from 1899-12-30 on count up with their value.
            from = first >= 0 ? double(first) / kMinutesPerDay - kHalfMs : 1;
            to = first >= 0 ? double(end) / kMinutesPerDay - kHalfMs : 0;
        }
        const std::int64_t net = NetCount(sample.Cpm, settings_);
        slot->Add(sample, net);
        first_ = std::min(first_, time);
        last_ = std::max(last_, time);
        ++minutes_;
        netSum_ += net;
    }
}

void Summary::Add(const Sample& sample) {
    AddClosed({&sample, 1});
}

void Summary::Add(std::span<const Sample> samples) {
    AddClosed(samples);
}

void Summary::Follow(const SampleLog& log) {
    const int count = log.Count();
    if (count < followed_ + int(hasOpen_)) {
        Clear();
    }
    if (count - 1 > followed_) {
        AddClosed(
            std::span(log.Samples()).subspan(size_t(followed_), size_t(count - 1 - followed_)));
    }
    followed_ = std::max(followed_, count - 1);
    hasOpen_ = count > 0;
    openRead_ = false;
    if (hasOpen_) {
        open_ = log.Last();
        if (const std::optional<std::int64_t> minute = MinuteOf(open_.Time)) {
            openRead_ = true;
            openKey_ = KeyOf(*minute);
        }
    }
}

std::int64_t Summary::FirstKey() const {
    if (periods_.empty()) {
        return openKey_;
    }
    return openRead_ ? std::min(openKey_, periods_.front().Key) : periods_.front().Key;
}

std::int64_t Summary::LastKey() const {
    if (periods_.empty()) {
        return openKey_;
    }
    return openRead_ ? std::max(openKey_, periods_.back().Key) : periods_.back().Key;
}

int Summary::Count() const {
    if (periods_.empty() && !openRead_) {
        return 0;
    }
    return int(LastKey() - FirstKey() + 1);
}

int Summary::RowAt(double time) const {
    const std::optional<std::int64_t> minute = MinuteOf(time);
    if (!minute || Count() == 0) {
        return -1;
    }
    const std::int64_t row = KeyOf(*minute) - FirstKey();
    return row >= 0 && row < Count() ? int(row) : -1;
}

SummaryRow Summary::Row(int index) const {
    const std::int64_t key = FirstKey() + index;
    SummaryRow row;
    row.Start = StartOf(key);
    row.End = StartOf(key + 1);
    row.MinutesInPeriod = MinutesBetween(row.Start, row.End);
    if (const PeriodTotals* totals = Find(key)) {
        row.Totals = *totals;
    }
    if (openRead_ && openKey_ == key) {
        AddTo(row.Totals, open_);
    }
    const PeriodTotals& t = row.Totals;
    row.Coverage = row.MinutesInPeriod > 0 ? 100.0 * t.Minutes / row.MinutesInPeriod : kNaN;
    if (t.Minutes == 0) {
        row.MeanCpm = row.MeanDoseRate = row.HighestDoseRate = row.Dose = kNaN;
        return row;
    }
    row.MeanCpm = double(t.CpmSum) / t.Minutes;
    row.MeanDoseRate = MeanDoseRateOf(t, settings_);
    row.HighestDoseRate = HighestDoseRateOf(t, settings_);
    row.Dose = DoseOf(t, settings_);
    return row;
}

std::vector<Summary::FilledRow> Summary::Filled() const {
    std::vector<FilledRow> rows;
    rows.reserve(periods_.size() + 1);
    const std::int64_t first = FirstKey();
    for (const Period& p : periods_) {
        rows.push_back({int(p.Key - first), p.Totals});
    }
    if (openRead_) {
        const auto at = std::lower_bound(rows.begin(), rows.end(), int(openKey_ - first),
                                         [](const FilledRow& r, int row) { return r.Row < row; });
        auto& slot = at != rows.end() && at->Row == int(openKey_ - first)
                         ? *at
                         : *rows.insert(at, {int(openKey_ - first), {}});
        AddTo(slot.Totals, open_);
    }
    return rows;
}

int Summary::OpenRow() const {
    return openRead_ ? int(openKey_ - FirstKey()) : -1;
}

SummaryTotals Summary::Totals() const {
    SummaryTotals totals;
    totals.Minutes = minutes_;
    totals.Unread = unread_ + int(hasOpen_ && !openRead_);
    double first = first_;
    double last = last_;
    std::int64_t netSum = netSum_;
    if (openRead_) {
        first = std::min(first, open_.Time);
        last = std::max(last, open_.Time);
        ++totals.Minutes;
        netSum += NetCount(open_.Cpm, settings_);
    }
    if (totals.Minutes == 0) {
        totals.Coverage = kNaN;
        return totals;
    }
    totals.First = MinuteValue(*MinuteOf(first));
    totals.Last = MinuteValue(*MinuteOf(last));
    const qint64 span = (LocalInstant(totals.Last) - LocalInstant(totals.First)) / 60'000 + 1;
    totals.Coverage = span > 0 ? 100.0 * totals.Minutes / double(span) : kNaN;
    totals.Dose = DoseOf(PeriodTotals{.NetSum = netSum}, settings_);
    return totals;
}
