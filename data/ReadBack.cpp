#include "ReadBack.h"

#include "DateTime.h"

#include <string_view>

namespace {

bool SameDate(const DateTime::Date& a, const DateTime::Date& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The date part of the written time, read back as the reader would.
bool DateReadsBack(double time, const DateTime::Date& date, int currentYear) {
    char text[DateTime::kMaxStampChars];
    const std::string_view stamp(text, size_t(DateTime::WriteLogTimeText(time, text) - text));
    const std::optional<DateTime::Date> back =
        DateTime::ParseDate(stamp.substr(0, stamp.find(',')), currentYear);
    return back && SameDate(*back, date);
}

}  // namespace

int FirstSampleNotReadBack(std::span<const Sample> samples, int currentYear) {
    // Consecutive samples mostly share their day: its date is written and read once.
    DateTime::Date checkedDate{0, 0, 0};
    for (size_t i = 0; i < samples.size(); ++i) {
        const double time = samples[i].Time;
        const DateTime::Parts p = DateTime::Decode(time);
        if (p.time.second != 0 || p.time.millisecond != 0 ||
            DateTime::Encode(p.date, p.time) != time) {
            return int(i);
        }
        if (!SameDate(p.date, checkedDate)) {
            if (!DateReadsBack(time, p.date, currentYear)) {
                return int(i);
            }
            checkedDate = p.date;
        }
    }
    return -1;
}
