#include "DisplayModel.h"

#include "DisplayRules.h"

#include <algorithm>
#include <limits>

template <typename F>
void DisplayModel::Notify(F&& f) {
    if (rebuilding_) {
        return;
    }
    for (DisplayListener* l : listeners_) {
        f(*l);
    }
}

void DisplayModel::ClearCpm() {
    cpm_.clear();
    labels_.clear();
    Notify([](DisplayListener& l) { l.SeriesCleared(); });
}

void DisplayModel::AppendCpm(double value, const QString& label) {
    if (!label.isEmpty()) {
        labels_.emplace_back(int(cpm_.size()), label);
    }
    cpm_.push_back(value);
    Notify([](DisplayListener& l) { l.CpmAppended(); });
}

void DisplayModel::SetCpmValue(int index, double value) {
    cpm_[size_t(index)] = value;
    Notify([index](DisplayListener& l) { l.CpmChanged(index); });
}

void DisplayModel::ClearDose() {
    dose_.clear();
    Notify([](DisplayListener& l) { l.SeriesCleared(); });
}

void DisplayModel::AppendDose(double value) {
    dose_.push_back(value);
    Notify([](DisplayListener& l) { l.DoseAppended(); });
}

void DisplayModel::AppendNullDose() {
    AppendDose(std::numeric_limits<double>::quiet_NaN());
}

void DisplayModel::ClearLog() {
    log_.clear();
    selected_ = -1;
    Notify([](DisplayListener& l) { l.LogCleared(); });
}

void DisplayModel::AppendLog(const LogRecord& record) {
    log_.push_back(record);
    Notify([](DisplayListener& l) { l.LogAppended(); });
}

void DisplayModel::SelectLog(int index) {
    if (index == selected_ || index < -1 || index >= LogCount()) {
        return;
    }
    selected_ = index;
    Notify([index](DisplayListener& l) { l.LogSelected(index); });
}

void DisplayModel::BeginRebuild() {
    rebuilding_ = true;
}

void DisplayModel::EndRebuild() {
    rebuilding_ = false;
    Notify([](DisplayListener& l) { l.Reset(); });
}

QString DisplayModel::LabelAt(int index) const {
    const auto it = std::lower_bound(labels_.begin(), labels_.end(), index,
                                     [](const auto& entry, int i) { return entry.first < i; });
    return it != labels_.end() && it->first == index ? it->second : QString();
}

QString DisplayModel::LogText(int index) const {
    return LogLine(log_[size_t(index)]);
}

void DisplayModel::AddListener(DisplayListener* listener) {
    listeners_.push_back(listener);
}

void DisplayModel::RemoveListener(DisplayListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}
