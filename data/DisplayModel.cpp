#include "DisplayModel.h"

#include "DisplayRules.h"
#include "LargeBuffer.h"

#include <algorithm>
#include <iterator>
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

namespace {

// Empties v; outside a rebuild (New) also gives its memory back, which a rebuild would only
// fill again.
template <typename T>
void Empty(std::vector<T>& v, bool rebuilding) {
    if (rebuilding) {
        v.clear();
    } else {
        std::vector<T>().swap(v);
    }
}

template <typename T>
void Push(std::vector<T>& v, const T& value) {
    GrowLarge(v);
    v.push_back(value);
}

}  // namespace

void DisplayModel::ClearCpm() {
    Empty(cpm_, rebuilding_);
    Empty(labels_, rebuilding_);
    labelText_.clear();
    if (!rebuilding_) {
        labelText_.shrink_to_fit();
    }
    Notify([](DisplayListener& l) { l.SeriesCleared(); });
}

void DisplayModel::AppendCpm(double value, const QString& label) {
    if (!label.isEmpty()) {
        // Labels are ASCII minute texts; anything else is kept as UTF-8.
        bool ascii = true;
        for (QChar c : label) {
            ascii = ascii && c.unicode() < 0x80;
        }
        if (ascii) {
            for (QChar c : label) {
                labelText_.push_back(char(c.unicode()));
            }
        } else {
            labelText_ += label.toStdString();
        }
        labels_.push_back({int(cpm_.size()), std::uint32_t(labelText_.size())});
    }
    Push(cpm_, value);
    Notify([](DisplayListener& l) { l.CpmAppended(); });
}

void DisplayModel::SetCpmValue(int index, double value) {
    cpm_[size_t(index)] = value;
    Notify([index](DisplayListener& l) { l.CpmChanged(index); });
}

void DisplayModel::RemoveLastCpm() {
    cpm_.pop_back();
    if (!labels_.empty() && labels_.back().index == int(cpm_.size())) {
        labels_.pop_back();
        labelText_.resize(labels_.empty() ? 0 : labels_.back().end);
    }
    Notify([](DisplayListener& l) { l.CpmRemoved(); });
}

void DisplayModel::ClearDose() {
    Empty(dose_, rebuilding_);
    Notify([](DisplayListener& l) { l.SeriesCleared(); });
}

void DisplayModel::AppendDose(double value) {
    Push(dose_, value);
    Notify([](DisplayListener& l) { l.DoseAppended(); });
}

void DisplayModel::AppendNullDose() {
    AppendDose(std::numeric_limits<double>::quiet_NaN());
}

void DisplayModel::ClearLog() {
    Empty(log_, rebuilding_);
    selected_ = -1;
    Notify([](DisplayListener& l) { l.LogCleared(); });
}

void DisplayModel::AppendLog(const LogRecord& record) {
    Push(log_, record);
    Notify([](DisplayListener& l) { l.LogAppended(); });
}

void DisplayModel::SelectLog(int index) {
    if (index == selected_ || index < -1 || index >= LogCount()) {
        return;
    }
    selected_ = index;
    Notify([index](DisplayListener& l) { l.LogSelected(index); });
}

void DisplayModel::BeginRebuild(int samples) {
    rebuilding_ = true;
    // Emptied first, so that sizing the storage copies nothing.
    cpm_.clear();
    dose_.clear();
    log_.clear();
    ReserveLarge(cpm_, size_t(samples));
    ReserveLarge(dose_, size_t(samples));
    ReserveLarge(log_, size_t(samples));
}

void DisplayModel::EndRebuild() {
    rebuilding_ = false;
    Notify([](DisplayListener& l) { l.Reset(); });
}

QString DisplayModel::LabelAt(int index) const {
    const auto it = std::lower_bound(labels_.begin(), labels_.end(), index,
                                     [](const Label& label, int i) { return label.index < i; });
    if (it == labels_.end() || it->index != index) {
        return {};
    }
    const std::uint32_t start = it == labels_.begin() ? 0 : std::prev(it)->end;
    return QString::fromUtf8(labelText_.data() + start, qsizetype(it->end - start));
}

std::vector<int> DisplayModel::LabelledPoints(int first, int last) const {
    const auto before = [](const Label& label, int i) { return label.index < i; };
    auto it = std::lower_bound(labels_.begin(), labels_.end(), first, before);
    std::vector<int> points;
    for (; it != labels_.end() && it->index <= last; ++it) {
        points.push_back(it->index);
    }
    return points;
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
