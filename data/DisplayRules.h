#pragma once

#include "SampleDisplay.h"

#include <QString>
#include <cstdint>
#include <span>
#include <string>

class SampleLog;
struct Sample;

// The rules shared by live ingestion, the full rebuild and the file writer.

// "yy/mm/dd hh:nn" of a time: the label text of a CPM point.
QString MinuteText(double time);

// The label of CPM point index: the minute text for the first point and for minutes divisible
// by 10, otherwise empty.
QString CpmPointLabel(int index, double time);

// Ten-minute mean of the net count rate over samples last-9..last, times the coefficient.
// Samples below the background add nothing; the divisor is always 10. Requires last >= 9.
double DoseRate(const SampleLog& log, int last, const GraphSettings& settings);
// The same over the ten samples given, oldest first. Requires exactly ten.
double DoseRate(std::span<const Sample> window, const GraphSettings& settings);

// "yy/mm/dd, hh:nn, cpm" plus ", dose" in the general number format when the record has one.
QString LogLine(const LogRecord& record);
// The same text appended to out, for writers that build large texts.
void AppendLogLine(const LogRecord& record, std::string& out);

// Selects the last log line when the pane is visible and its Tag is 0.
void FollowLogTail(SampleDisplay& display);

// Clears both series and the log and draws them again from the whole log: one CPM point, one
// dose point (null for the first ten) and one line per sample; sample i's dose is
// DoseRate(i - 1), over samples i-10..i-1. Ends with FollowLogTail.
void RebuildDisplay(const SampleLog& log, const GraphSettings& settings, SampleDisplay& display);

// The log records RebuildDisplay would produce, without a display; used by the file writer.
LogRecord RebuildRecord(const SampleLog& log, int index, const GraphSettings& settings);
