#include "DisplayRules.h"

#include "DateTime.h"
#include "NumberFormat.h"
#include "SampleLog.h"

#include <algorithm>
#include <bit>
#include <charconv>

QString MinuteText(double time) {
    return DateTime::MinuteText(time);
}

QString CpmPointLabel(int index, double time) {
    if (index == 0 || DateTime::MinuteOfHour(time) % 10 == 0) {
        return MinuteText(time);
    }
    return {};
}

std::int64_t NetCount(std::int32_t cpm, const GraphSettings& settings) {
    return cpm >= settings.GraphBackground
               ? std::int64_t(cpm) - std::int64_t(settings.GraphBackground)
               : 0;
}

double MeanDoseRate(double netSum, int minutes, const GraphSettings& settings) {
    return settings.GraphCoefficient * netSum / double(minutes);
}

namespace {

// Ten minutes' rate kept to the bit as it has always been computed: logs written before must
// read back the same.
double DoseOfSum(double sum, const GraphSettings& settings) {
    double d = settings.GraphCoefficient * sum;
    d = d * 0.1;
    return d;
}

}  // namespace

double DoseRate(const SampleLog& log, int last, const GraphSettings& settings) {
    return DoseRate(std::span(log.Samples()).subspan(size_t(last - 9), 10), settings);
}

double DoseRate(std::span<const Sample> window, const GraphSettings& settings) {
    double sum = 0.0;
    // Newest first, the order the sum has always been taken in.
    for (auto it = window.rbegin(); it != window.rend(); ++it) {
        sum += double(NetCount(it->Cpm, settings));
    }
    return DoseOfSum(sum, settings);
}

namespace {

// ", cpm": the count as "%i" writes it.
char* WriteCount(std::int32_t cpm, char* out) {
    out = std::copy_n(", ", 2, out);
    return std::to_chars(out, out + 11, cpm).ptr;
}

}  // namespace

char* WriteLogLine(const LogRecord& record, char* out) {
    out = WriteCount(record.Cpm, DateTime::WriteLogTimeText(record.Time, out));
    if (record.HasDose()) {
        out = NumberFormat::WriteGeneral(record.Dose, std::copy_n(", ", 2, out));
    }
    return out;
}

char* LogLineWriter::Write(const LogRecord& record, char* out) {
    out = WriteCount(record.Cpm, times_.Write(record.Time, out));
    if (!record.HasDose()) {
        return out;
    }
    out = std::copy_n(", ", 2, out);
    const auto bits = std::bit_cast<std::uint64_t>(record.Dose);
    Dose& kept = doses_[(bits * 0x9E3779B97F4A7C15u) >> 56];
    if (kept.size == 0 || kept.bits != bits) {
        kept.bits = bits;
        kept.size = std::uint8_t(NumberFormat::WriteGeneral(record.Dose, kept.text) - kept.text);
    }
    return std::copy_n(kept.text, kept.size, out);
}

QString DoseReadingText(double doseUsv) {
    QString text = QString::number(doseUsv, 'f', 3);
    if (text.endsWith(u'0') && text.indexOf(u'.') == text.size() - 4) {
        text.chop(1);
    }
    return text;
}

QString LogLine(const LogRecord& record) {
    char buf[kMaxLogLineChars];
    return QString::fromLatin1(buf, qsizetype(WriteLogLine(record, buf) - buf));
}

void FollowLogTail(SampleDisplay& display) {
    if (display.LogVisible() && display.LogTag() == 0) {
        display.SelectLog(display.LogCount() - 1);
    }
}

LogRecord RebuildRecord(const SampleLog& log, int index, const GraphSettings& settings) {
    const Sample& s = log.At(index);
    LogRecord record{s.Time, s.Cpm};
    if (index >= 10) {
        record.Dose = DoseRate(log, index - 1, settings);
    }
    return record;
}

RebuildRecords::RebuildRecords(const SampleLog& log, const GraphSettings& settings)
    : log_(log), settings_(settings) {}

LogRecord RebuildRecords::Next() {
    const Sample& s = log_.At(next_);
    LogRecord record{s.Time, s.Cpm};
    // The window's terms are whole numbers below 2^36, so their sum is exact in a double
    // whatever the order: sliding it gives DoseRate's value bit for bit.
    if (next_ >= 10) {
        record.Dose = DoseOfSum(double(windowSum_), settings_);
        windowSum_ -= NetCount(log_.At(next_ - 10).Cpm, settings_);
    }
    windowSum_ += NetCount(s.Cpm, settings_);
    ++next_;
    return record;
}

void RebuildDisplay(const SampleLog& log, const GraphSettings& settings, SampleDisplay& display,
                    bool lastRunning) {
    display.BeginRebuild(log.Count());
    display.ClearCpm();
    display.ClearDose();
    display.ClearLog();
    RebuildRecords records(log, settings);
    for (int i = 0; i < log.Count(); ++i) {
        const LogRecord record = records.Next();
        display.AppendCpm(record.Cpm, CpmPointLabel(i, record.Time));
        if (lastRunning && i == log.Count() - 1) {
            break;
        }
        if (record.HasDose()) {
            display.AppendDose(record.Dose);
        } else {
            display.AppendNullDose();
        }
        display.AppendLog(record);
    }
    FollowLogTail(display);
    display.EndRebuild();
}
