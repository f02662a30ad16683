#pragma once

#include <cstdint>
#include <vector>

struct Sample;

// The whole log at a glance: for each pixel column of a strip, the lowest and highest CPM of the
// samples whose time falls in it, on a real time axis, so gaps in the log stay gaps. Built once
// when the log is replaced. Live data only touches the end: the last sample, which may still
// grow, is kept apart and merged when a band is read, and the time axis leaves room to grow, so
// a new minute seldom means building the bands again.
class OverviewBands {
public:
    struct Band {
        std::int32_t Min = 0;
        std::int32_t Max = 0;
        bool Empty = true;
    };

    // All samples over the given number of columns (at least 1).
    void Rebuild(const std::vector<Sample>& samples, int columns);
    // A sample was appended to the log: the one before it is final now. Returns false when a
    // sample lies outside the time axis: then Rebuild is needed.
    bool Append(const Sample& sample);
    // The last sample's count changed.
    void SetLastCpm(std::int32_t cpm);

    int Columns() const { return int(bands_.size()); }
    // Column c, with the last sample merged in.
    Band At(int column) const;
    // The highest CPM of any column, for scaling; 0 when empty.
    std::int32_t Top() const;

    // The time axis: column c covers [Start + c * Step, Start + (c + 1) * Step).
    double Start() const { return start_; }
    double Step() const { return step_; }
    // The column of a time, clamped to the strip.
    int ColumnOf(double time) const;
    // The time at a column position (fractions allowed).
    double TimeOf(double column) const { return start_ + column * step_; }

private:
    bool Fits(double time) const;
    void Fold(const Sample& sample);

    std::vector<Band> bands_;
    double start_ = 0;
    double step_ = 1;
    std::int32_t top_ = 0;
    bool hasLast_ = false;
    double lastTime_ = 0;
    std::int32_t lastCpm_ = 0;
};
