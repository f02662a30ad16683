// The date, time, integer and float parsers on any text, and two round trips through the text
// forms the program writes: a finite double in the general format reads back as a finite double
// within 15-digit precision whose text is the same again, and a date value's minute texts read
// back as the same minute. The input's tail feeds the current year, a double and a date value;
// the rest is the text.
#include "CsvLog.h"
#include "DateTime.h"
#include "FuzzCheck.h"
#include "NumberFormat.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

void CheckGeneralRoundTrip(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    const QString text = NumberFormat::FormatGeneral(value);
    const std::optional<double> back = NumberFormat::ParseFloat(text);
    FUZZ_CHECK(back && std::isfinite(*back));
    // 15 significant digits are within half a unit of the 15th digit, and reading the text
    // rounds once more; subnormals carry fewer digits, so allow one of their steps besides.
    const double tolerance = (5e-15 + std::numeric_limits<double>::epsilon()) * std::fabs(value) +
                             std::numeric_limits<double>::denorm_min();
    FUZZ_CHECK(std::fabs(*back - value) <= tolerance);
    FUZZ_CHECK(NumberFormat::FormatGeneral(*back) == text);
}

// Both text forms of a date value, split as a log file's fields are, read back as its minute.
void CheckMinuteTexts(double value, int currentYear) {
    const double minute = DateTime::TruncateToMinute(value);
    for (const QString& text : {DateTime::MinuteText(value), DateTime::LogTimeText(value)}) {
        const QStringList fields = SplitCsvLine(text);
        FUZZ_CHECK(fields.size() == 2);
        const auto date = DateTime::ParseDate(fields[0], currentYear);
        const auto time = DateTime::ParseTime(fields[1]);
        FUZZ_CHECK(date && time);
        FUZZ_CHECK(DateTime::Encode(*date, *time) == minute);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // Two-digit years land in [currentYear - 50, currentYear + 50); keep that within 1900..9999.
    const int currentYear = input.ConsumeIntegralInRange(1950, 9949);
    const double number = std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
    const double windowStart = double(DateTime::DaysFromCivil(currentYear - 50, 1, 1));
    const double windowEnd = double(DateTime::DaysFromCivil(currentYear + 50, 1, 1));
    // Up to the window's last millisecond: a value closer to its end reads as the next day.
    const double when =
        input.ConsumeFloatingPointInRange(windowStart, windowEnd - 1.0 / 86'400'000);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    CheckGeneralRoundTrip(number);
    CheckMinuteTexts(when, currentYear);

    if (const auto date = DateTime::ParseDate(text, currentYear)) {
        FUZZ_CHECK(DateTime::IsValidDate(date->year, date->month, date->day));
    }
    if (const auto time = DateTime::ParseTime(text)) {
        FUZZ_CHECK(time->hour >= 0 && time->hour <= 23 && time->minute >= 0 && time->minute <= 59 &&
                   time->second >= 0 && time->second <= 59 && time->millisecond >= 0 &&
                   time->millisecond <= 999);
    }
    const std::optional<double> real = NumberFormat::ParseFloat(text);
    if (real) {
        FUZZ_CHECK(std::isfinite(*real));
        CheckGeneralRoundTrip(*real);
    }
    // A decimal integer is a float text too, and both must read it as the same value.
    if (const auto whole = NumberFormat::ParseInt32(text)) {
        FUZZ_CHECK(real && *real == double(*whole));
    }
    return 0;
}
