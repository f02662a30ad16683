#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <string_view>

class QDateTime;

// Date-time values: a day count from 1899-12-30 whose fraction is the time of day, in local
// time. Days before 1899-12-30 are negative and carry their time of day as an absolute
// fraction (-1.25 is 1899-12-29 06:00).
namespace DateTime {

struct Date {
    int year = 1899, month = 12, day = 30;
};

struct TimeOfDay {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

struct Parts {
    Date date;
    TimeOfDay time;
};

// Days from 1899-12-30 to the given proleptic Gregorian date. No range check.
qint64 DaysFromCivil(int year, int month, int day);

// True for year 1..9999, month 1..12 and a day within that month.
bool IsValidDate(int year, int month, int day);

// The one builder every path uses, so equal minutes always give equal doubles.
// Expects a valid date and a time within 00:00:00.000..23:59:59.999.
double Encode(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
              int millisecond = 0);
double Encode(const Date& date, const TimeOfDay& time = {});

// The inverse of Encode, rounded to the millisecond.
Parts Decode(double value);

// The value of a local QDateTime, to the millisecond.
double FromQDateTime(const QDateTime& local);
// The local QDateTime of a value, to the second.
QDateTime ToQDateTime(double value);

// The same value truncated to the whole minute.
double TruncateToMinute(double value);

// "yy/mm/dd hh:nn": chart labels and the minute of a live sample.
QString MinuteText(double value);
// "yy/mm/dd, hh:nn": log lines and CSV files.
QString LogTimeText(double value);
// "n": the minute of the hour, 0..59.
int MinuteOfHour(double value);

// Writes "yy/mm/dd, hh:nn" at out, which has room for kMaxStampChars; returns its end. Used
// by the file writer, which formats a line per sample.
inline constexpr int kMaxStampChars = 24;
char* WriteLogTimeText(double value, char* out);

// The same for many values in a row, keeping the text of the last day: consecutive samples
// mostly share their date.
class LogTimeWriter {
public:
    char* Write(double value, char* out);

private:
    qint64 day_ = -1;
    char date_[8] = {};
};

// A date field: "y/m/d" or "m/d" (current year), nothing else. One- and two-digit years land
// in the hundred years starting 50 years before currentYear; longer years are taken as written.
// Returns the date, or nothing when the text is not a valid calendar date.
std::optional<Date> ParseDate(QStringView text, int currentYear);
std::optional<Date> ParseDate(std::string_view text, int currentYear);

// A time field: "h", "h:n", "h:n:s" or "h:n:s.z" with hour 0..23, minute and second 0..59 and
// millisecond 0..999 (the digits after the point are a count of milliseconds). Returns nothing
// when the text does not parse.
std::optional<TimeOfDay> ParseTime(QStringView text);
std::optional<TimeOfDay> ParseTime(std::string_view text);

}  // namespace DateTime
