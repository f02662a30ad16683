#pragma once

#include "SampleDisplay.h"
#include "SampleLog.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The rules that turn measurement reports into per-minute samples, shared by the window and the
// station logger: a report of the last sample's minute adds to it; a report of any other minute
// completes it (with its dose over the ten samples ending with it) and starts a new sample.

// Payload bytes of a measurement report, and where its count sits in them (low byte first).
constexpr std::size_t kReportPayloadSize = 60;
constexpr std::size_t kCountOffset = 6;
// The samples a dose is the mean of.
constexpr int kDoseWindow = 10;

// The count of a measurement report, 0..65535.
std::int32_t ReportCount(std::span<const std::uint8_t, kReportPayloadSize> payload);

// The samples the live rules work on.
class LiveSamples {
public:
    virtual ~LiveSamples() = default;
    // How many samples were appended so far, including any no longer held.
    virtual int Count() const = 0;
    // The last n samples, oldest first. Requires n <= Count() and n <= kDoseWindow.
    virtual std::span<const Sample> Tail(int n) const = 0;
    virtual void Append(const Sample& sample) = 0;
    // Requires Count() >= 1. The sum wraps around at the 32-bit limits.
    virtual void AddToLast(std::int32_t count) = 0;
    // Takes the last sample back out. Requires Count() >= 1.
    virtual void RemoveLast() = 0;
};

// The window's whole sample log seen through LiveSamples.
class LogSamples final : public LiveSamples {
public:
    explicit LogSamples(SampleLog& log) : log_(log) {}
    int Count() const override { return log_.Count(); }
    std::span<const Sample> Tail(int n) const override;
    void Append(const Sample& sample) override { log_.Append(sample); }
    void AddToLast(std::int32_t count) override { log_.AddToLast(count); }
    void RemoveLast() override { log_.RemoveLast(); }

private:
    SampleLog& log_;
};

// Only the last samples, and how many there were: enough to go on for ever in flat memory.
// RemoveLast may be called once between two Appends.
class RecentSamples final : public LiveSamples {
public:
    int Count() const override { return count_; }
    std::span<const Sample> Tail(int n) const override;
    void Append(const Sample& sample) override;
    void AddToLast(std::int32_t count) override;
    void RemoveLast() override;
    // Requires Count() >= 1.
    const Sample& Last() const { return recent_.back(); }

private:
    std::vector<Sample> recent_;
    int count_ = 0;
};

// What one report, or the end of a minute without one, did to the samples.
struct MinuteStep {
    enum class Kind {
        First,       // a new sample with none running before it (the first of an empty log)
        SameMinute,  // added to the last sample
        NextMinute,  // completed the last sample and started a new one
        Completed,   // completed the last sample; none runs now
        None,        // nothing added or completed
    };
    Kind What = Kind::First;
    LogRecord Completed;  // NextMinute, Completed: the completed sample, as CompleteLast gives it
    // The running sample turned out partial and was taken out before anything else.
    bool DroppedRunning = false;

    // A minute was finished: it has its line now.
    bool Finished() const { return What == Kind::NextMinute || What == Kind::Completed; }
};

// Adds a report of count, received at local time now (a DateTime value), to samples: the
// report's minute is now truncated to the whole minute; equal to the last sample's time it adds
// to that sample, any other time (later or earlier) completes it and appends a new sample.
MinuteStep AddReport(LiveSamples& samples, std::int32_t count, double now,
                     const GraphSettings& settings);

// The last sample as a completed minute: its time and count, and its dose over the ten samples
// ending with it, none while it is one of the first ten. Requires Count() >= 1.
LogRecord CompleteLast(const LiveSamples& samples, const GraphSettings& settings);
