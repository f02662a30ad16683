#include "OverviewBands.h"

#include "SampleLog.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinute = 1.0 / (24 * 60);

}  // namespace

void OverviewBands::Rebuild(const std::vector<Sample>& samples, int columns) {
    bands_.assign(size_t(std::max(1, columns)), Band{});
    top_ = 0;
    hasLast_ = false;
    start_ = 0;
    step_ = kMinute;
    if (samples.empty()) {
        return;
    }
    double first = samples.front().Time;
    double last = first;
    for (const Sample& s : samples) {
        first = std::min(first, s.Time);
        last = std::max(last, s.Time);
    }
    // Room for the log to grow by a sixty-fourth of its span (at least ten minutes) before the
    // axis has to be laid out again: little blank strip, and a year-long log is laid out again
    // about once a week. A minute is the least a column covers.
    const double span = last - first + kMinute;
    const double room = std::max(span / 64, 10 * kMinute);
    start_ = first;
    step_ = std::max((span + room) / double(bands_.size()), kMinute);
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        Fold(samples[i]);
    }
    hasLast_ = true;
    lastTime_ = samples.back().Time;
    lastCpm_ = samples.back().Cpm;
}

bool OverviewBands::Fits(double time) const {
    return time >= start_ && time < start_ + step_ * double(bands_.size());
}

int OverviewBands::ColumnOf(double time) const {
    const double column = std::floor((time - start_) / step_);
    return int(std::clamp(column, 0.0, double(bands_.size()) - 1));
}

void OverviewBands::Fold(const Sample& sample) {
    Band& band = bands_[size_t(ColumnOf(sample.Time))];
    if (band.Empty) {
        band = {sample.Cpm, sample.Cpm, false};
    } else {
        band.Min = std::min(band.Min, sample.Cpm);
        band.Max = std::max(band.Max, sample.Cpm);
    }
    top_ = std::max(top_, band.Max);
}

bool OverviewBands::Append(const Sample& sample) {
    if (bands_.empty() || !hasLast_ || !Fits(sample.Time)) {
        return false;
    }
    Fold({lastTime_, lastCpm_});
    lastTime_ = sample.Time;
    lastCpm_ = sample.Cpm;
    return true;
}

void OverviewBands::SetLastCpm(std::int32_t cpm) {
    lastCpm_ = cpm;
}

OverviewBands::Band OverviewBands::At(int column) const {
    Band band = bands_[size_t(column)];
    if (hasLast_ && ColumnOf(lastTime_) == column) {
        band = band.Empty ? Band{lastCpm_, lastCpm_, false}
                          : Band{std::min(band.Min, lastCpm_), std::max(band.Max, lastCpm_), false};
    }
    return band;
}

std::int32_t OverviewBands::Top() const {
    return hasLast_ ? std::max(top_, lastCpm_) : top_;
}
