#pragma once

#include "DateTime.h"
#include "NumberFormat.h"
#include "SampleDisplay.h"

#include <QString>
#include <array>
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

// What one minute adds to a dose: its count above the background, 0 when it is below. In 64
// bits, since counts from hand-edited files could overflow a 32-bit difference.
std::int64_t NetCount(std::int32_t cpm, const GraphSettings& settings);

// The dose rate in uSv/h of minutes whose net counts sum to netSum: the coefficient times their
// mean net count rate. Requires minutes >= 1.
double MeanDoseRate(double netSum, int minutes, const GraphSettings& settings);

// Ten-minute mean of the net count rate over samples last-9..last, times the coefficient.
// Samples below the background add nothing; the divisor is always 10. Requires last >= 9.
double DoseRate(const SampleLog& log, int last, const GraphSettings& settings);
// The same over the ten samples given, oldest first. Requires exactly ten.
double DoseRate(std::span<const Sample> window, const GraphSettings& settings);

// "yy/mm/dd, hh:nn, cpm" plus ", dose" in the general number format when the record has one.
QString LogLine(const LogRecord& record);

// "0.055": a dose rate as a reading for the eye (status bar, tooltips), with three decimals,
// or two where the third is 0.
QString DoseReadingText(double doseUsv);
// The same text written at out, which has room for kMaxLogLineChars; returns its end. For
// writers that build large texts.
inline constexpr int kMaxLogLineChars = 64;
char* WriteLogLine(const LogRecord& record, char* out);

// Writes the lines of many records in a row, as WriteLogLine does. It keeps the texts of the
// doses it wrote last: a log repeats few dose values, and writing a double to 15 digits is the
// slow part of a line.
class LogLineWriter {
public:
    char* Write(const LogRecord& record, char* out);

private:
    struct Dose {
        std::uint64_t bits = 0;
        std::uint8_t size = 0;  // 0: nothing kept
        char text[NumberFormat::kMaxGeneralChars];
    };
    std::array<Dose, 256> doses_{};
    DateTime::LogTimeWriter times_;
};

// Selects the last log line when the pane is visible and its Tag is 0.
void FollowLogTail(SampleDisplay& display);

// Clears both series and the log and draws them again from the whole log: one CPM point, one
// dose point (null for the first ten) and one line per sample; sample i's dose is
// DoseRate(i - 1), over samples i-10..i-1. Ends with FollowLogTail. With lastRunning the last
// sample is a minute still counting: drawn, as live ingestion draws it, as its CPM point only.
void RebuildDisplay(const SampleLog& log, const GraphSettings& settings, SampleDisplay& display,
                    bool lastRunning = false);

// The log record RebuildDisplay draws for sample index.
LogRecord RebuildRecord(const SampleLog& log, int index, const GraphSettings& settings);

// The same records for the whole log, first to last, each in constant time: what the rebuild
// and the file writer walk through. Next requires that a sample is left.
class RebuildRecords {
public:
    RebuildRecords(const SampleLog& log, const GraphSettings& settings);
    LogRecord Next();

private:
    const SampleLog& log_;
    const GraphSettings& settings_;
    int next_ = 0;
    std::int64_t windowSum_ = 0;  // the net counts of the ten samples before next_
};
