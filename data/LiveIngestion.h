#pragma once

#include "LiveMinutes.h"

#include <cstdint>
#include <span>

class SampleLog;
class SampleDisplay;
struct GraphSettings;

// Adds one measurement report, received at local time now (a DateTime value), to the log and
// the display. A report of the last sample's minute adds its count to that sample and its CPM
// point. A report of any other minute completes the last sample (its dose point, null for the
// first ten samples, and its log line, then FollowLogTail) and starts a new sample with a CPM
// point labelled on minutes divisible by 10; the first sample of an empty log is always
// labelled. Requires the display to hold one CPM point per sample. Returns what the report did
// (with the completed minute, when one completed). Never fails.
MinuteStep HandleCountReport(std::span<const std::uint8_t, kReportPayloadSize> payload, double now,
                             SampleLog& log, const GraphSettings& settings, SampleDisplay& display);

// The display's part of HandleCountReport: draws what AddReport (or RunningMinute) did with a
// report of count at now, as step tells it: a running point taken out, a CPM point added or
// grown, a completed minute's dose point and log line. Requires that the display held one CPM
// point per sample before it.
void DrawLiveStep(const MinuteStep& step, std::int32_t count, double now, SampleDisplay& display);
