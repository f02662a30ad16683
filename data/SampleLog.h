#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// One logged minute: the local time (a DateTime value) and the counts in that minute.
struct Sample {
    double Time = 0;
    std::int32_t Cpm = 0;

    friend bool operator==(const Sample&, const Sample&) = default;
};

// The one list of samples, in the order they were appended. Nothing sorts it; only the last
// sample can change or be taken out. Used on the GUI thread only.
class SampleLog {
public:
    void Clear() { samples_.clear(); }
    void Append(const Sample& sample) { samples_.push_back(sample); }
    // Adds count to the last sample's Cpm. Requires Count() >= 1. The sum wraps around at the
    // 32-bit limits instead of overflowing.
    void AddToLast(std::int32_t count);
    // Takes the last sample back out. Requires Count() >= 1.
    void RemoveLast() { samples_.pop_back(); }
    int Count() const { return int(samples_.size()); }
    // Requires 0 <= index < Count().
    const Sample& At(int index) const { return samples_[size_t(index)]; }
    // Requires Count() >= 1.
    const Sample& Last() const { return samples_.back(); }

    void Reserve(int count) { samples_.reserve(size_t(count)); }
    // Replaces all samples at once: what Clear and an Append per sample would give, without
    // copying them.
    void Assign(std::vector<Sample>&& samples) { samples_ = std::move(samples); }
    // Exchanges all samples with samples, without copying them.
    void Swap(std::vector<Sample>& samples) { samples_.swap(samples); }
    const std::vector<Sample>& Samples() const { return samples_; }

private:
    std::vector<Sample> samples_;
};
