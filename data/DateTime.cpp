#include "DateTime.h"

#include "CharCode.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace DateTime {

namespace {

constexpr qint64 kMsPerDay = 86'400'000;
// 1970-01-01 lies 25,569 days after 1899-12-30.
constexpr qint64 kUnixEpochOffset = 25'569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
qint64 DaysFromUnixEpoch(qint64 y, int m, int d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date DateFromUnixEpoch(qint64 z) {
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {int(yoe + era * 400 + (m <= 2)), m, d};
}

// The value in whole milliseconds; nothing beyond year 9999 or for not-a-number, where there
// is no date to show and the parts read as the epoch.
std::optional<qint64> Milliseconds(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 3'000'000.0) {
        return std::nullopt;
    }
    // Rounded half away from zero, as llround does, without its library call (the file writer
    // asks this for every line): below 2^53 the fraction is exact.
    const double ms = value * double(kMsPerDay);
    qint64 whole = qint64(ms);
    const double fraction = ms - double(whole);
    if (fraction >= 0.5) {
        ++whole;
    } else if (fraction <= -0.5) {
        --whole;
    }
    return whole;
}

// Days before the epoch carry their time of day as an absolute fraction.
qint64 MillisecondOfDay(qint64 total) {
    const qint64 ms = total % kMsPerDay;
    return ms < 0 ? -ms : ms;
}

char* TwoDigits(int value, char* out) {
    out[0] = char('0' + value / 10);
    out[1] = char('0' + value % 10);
    return out + 2;
}

// "yy/mm/dd" of a date in year 0 or later.
char* WriteDate(const Date& date, char* out) {
    out = TwoDigits(date.year % 100, out);
    *out++ = '/';
    out = TwoDigits(date.month, out);
    *out++ = '/';
    return TwoDigits(date.day, out);
}

char* WriteHourMinute(int hour, int minute, char* out) {
    out = TwoDigits(hour, out);
    *out++ = ':';
    return TwoDigits(minute, out);
}

// Writes "yy/mm/dd<separator>hh:nn" at out (room for kMaxStampChars); returns its end.
char* WriteStamp(double value, std::string_view separator, char* out) {
    const Parts p = Decode(value);
    const int year = p.date.year % 100;
    if (year < 0) {
        // Years before 1 AD: printf's "%02d" keeps the sign.
        const int n = std::snprintf(out, kMaxStampChars, "%02d/%02d/%02d%.*s%02d:%02d", year,
                                    p.date.month, p.date.day, int(separator.size()),
                                    separator.data(), p.time.hour, p.time.minute);
        return out + n;
    }
    out = WriteDate(p.date, out);
    out = std::copy(separator.begin(), separator.end(), out);
    return WriteHourMinute(p.time.hour, p.time.minute, out);
}

// Reads an unsigned run of ASCII digits at text[pos]; at most 9 so it cannot overflow.
template <typename Text>
bool ReadNumber(Text text, qsizetype& pos, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < qsizetype(text.size()) && CharCode(text[pos]) - '0' <= 9u) {
        if (++digits > 9) {
            return false;
        }
        value = value * 10 + int(CharCode(text[pos]) - '0');
        ++pos;
    }
    return digits > 0;
}

bool At(auto text, qsizetype pos, char c) {
    return pos < qsizetype(text.size()) && CharCode(text[pos]) == unsigned(c);
}

template <typename Text>
std::optional<Date> ParseDateIn(Text text, int currentYear) {
    int numbers[3];
    int digits[3];
    int count = 0;
    qsizetype pos = 0;
    while (true) {
        if (count == 3 || !ReadNumber(text, pos, numbers[count], digits[count])) {
            return std::nullopt;
        }
        ++count;
        if (pos == qsizetype(text.size())) {
            break;
        }
        if (!At(text, pos, '/')) {
            return std::nullopt;
        }
        ++pos;
    }
    if (count < 2) {
        return std::nullopt;
    }
    Date date;
    if (count == 2) {
        date = {currentYear, numbers[0], numbers[1]};
    } else {
        date = {numbers[0], numbers[1], numbers[2]};
        if (digits[0] <= 2) {
            const int windowStart = currentYear - 50;
            date.year += windowStart - windowStart % 100;
            if (date.year < windowStart) {
                date.year += 100;
            }
        }
    }
    if (!IsValidDate(date.year, date.month, date.day)) {
        return std::nullopt;
    }
    return date;
}

template <typename Text>
std::optional<TimeOfDay> ParseTimeIn(Text text) {
    TimeOfDay t;
    int digits = 0;
    qsizetype pos = 0;
    if (!ReadNumber(text, pos, t.hour, digits)) {
        return std::nullopt;
    }
    // Minutes, seconds and milliseconds, each only after the one before it.
    int* const parts[] = {&t.minute, &t.second, &t.millisecond};
    const char separators[] = {':', ':', '.'};
    for (int i = 0; i < 3 && At(text, pos, separators[i]); ++i) {
        ++pos;
        if (!ReadNumber(text, pos, *parts[i], digits)) {
            return std::nullopt;
        }
    }
    if (pos != qsizetype(text.size()) || t.hour > 23 || t.minute > 59 || t.second > 59 ||
        t.millisecond > 999) {
        return std::nullopt;
    }
    return t;
}

}  // namespace

qint64 DaysFromCivil(int year, int month, int day) {
    return DaysFromUnixEpoch(year, month, day) + kUnixEpochOffset;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

double Encode(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    const double days = double(DaysFromCivil(year, month, day));
    const double fraction =
        double(hour * 3'600'000 + minute * 60'000 + second * 1'000 + millisecond) /
        double(kMsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

double Encode(const Date& date, const TimeOfDay& time) {
    return Encode(date.year, date.month, date.day, time.hour, time.minute, time.second,
                  time.millisecond);
}

Parts Decode(double value) {
    const std::optional<qint64> total = Milliseconds(value);
    if (!total) {
        return {};
    }
    const qint64 days = *total / kMsPerDay;
    const qint64 ms = MillisecondOfDay(*total);
    Parts parts;
    parts.date = DateFromUnixEpoch(days - kUnixEpochOffset);
    parts.time.hour = int(ms / 3'600'000);
    parts.time.minute = int(ms / 60'000 % 60);
    parts.time.second = int(ms / 1'000 % 60);
    parts.time.millisecond = int(ms % 1'000);
    return parts;
}

QDateTime ToQDateTime(double value) {
    const Parts parts = Decode(value);
    return QDateTime(QDate(parts.date.year, parts.date.month, parts.date.day),
                     QTime(parts.time.hour, parts.time.minute, parts.time.second));
}

double FromQDateTime(const QDateTime& local) {
    const QDate d = local.date();
    const QTime t = local.time();
    return Encode(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

double TruncateToMinute(double value) {
    Parts p = Decode(value);
    p.time.second = 0;
    p.time.millisecond = 0;
    return Encode(p.date, p.time);
}

QString MinuteText(double value) {
    char buf[kMaxStampChars];
    return QString::fromLatin1(buf, WriteStamp(value, " ", buf) - buf);
}

QString LogTimeText(double value) {
    char buf[kMaxStampChars];
    return QString::fromLatin1(buf, WriteLogTimeText(value, buf) - buf);
}

char* WriteLogTimeText(double value, char* out) {
    return WriteStamp(value, ", ", out);
}

char* LogTimeWriter::Write(double value, char* out) {
    const std::optional<qint64> total = Milliseconds(value);
    if (!total || *total < 0) {
        return WriteLogTimeText(value, out);
    }
    const qint64 day = *total / kMsPerDay;
    const int ms = int(*total % kMsPerDay);
    if (day != day_) {
        day_ = day;
        WriteDate(DateFromUnixEpoch(day - kUnixEpochOffset), date_);
    }
    out = std::copy_n(date_, sizeof date_, out);
    out = std::copy_n(", ", 2, out);
    return WriteHourMinute(ms / 3'600'000, ms / 60'000 % 60, out);
}

int MinuteOfHour(double value) {
    // Only the time of day: the calendar date is not needed for it.
    const std::optional<qint64> total = Milliseconds(value);
    return total ? int(MillisecondOfDay(*total) / 60'000 % 60) : 0;
}

std::optional<Date> ParseDate(QStringView text, int currentYear) {
    return ParseDateIn(text, currentYear);
}

std::optional<Date> ParseDate(std::string_view text, int currentYear) {
    return ParseDateIn(text, currentYear);
}

std::optional<TimeOfDay> ParseTime(QStringView text) {
    return ParseTimeIn(text);
}

std::optional<TimeOfDay> ParseTime(std::string_view text) {
    return ParseTimeIn(text);
}

}  // namespace DateTime
