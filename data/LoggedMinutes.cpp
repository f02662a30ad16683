#include "LoggedMinutes.h"

#include "DateTime.h"
#include "LiveMinutes.h"
#include "LogFolder.h"
#include "LogTail.h"

#include <QDir>
#include <algorithm>
#include <optional>

namespace {

// An hour of minutes: a restart after a short stop finds them in the first read.
constexpr int kFirstLines = 64;

// The index of the last sample whose minute starts before bound; -1 when there is none.
std::ptrdiff_t LastOlder(const std::vector<Sample>& samples, double bound) {
    const auto older = std::find_if(samples.rbegin(), samples.rend(), [bound](const Sample& s) {
        return DateTime::TruncateToMinute(s.Time) < bound;
    });
    return std::ptrdiff_t(samples.rend() - older) - 1;
}

// Appends the minutes of the file at path after its last line older than bound to records.
bool AppendMinutesOf(const QString& path, double bound, const GraphSettings& settings,
                     int currentYear, std::vector<LogRecord>& records, FileError* error) {
    const std::optional<LogFileEnd> end = ReadLogEndUntil(
        path, kFirstLines, currentYear,
        [bound](const std::vector<Sample>& samples) {
            return LastOlder(samples, bound) >= kDoseWindow - 1;
        },
        error);
    if (!end) {
        return false;
    }
    // Fewer than ten lines before the first one taken only when the read reached the file's
    // start: the dose then starts as it does in the file.
    const std::vector<Sample>& lines = end->Lines;
    const std::ptrdiff_t first = LastOlder(lines, bound) + 1;
    RecentSamples before;
    for (std::ptrdiff_t i = std::max<std::ptrdiff_t>(0, first - kDoseWindow);
         i < std::ptrdiff_t(lines.size()); ++i) {
        const LogRecord record = NextLineRecord(before, lines[size_t(i)], settings);
        if (i >= first) {
            records.push_back(record);
        }
    }
    return true;
}

// The name of the daily file of the day of time.
QString DayFileName(double time) {
    const DateTime::Date d = DateTime::Decode(time).date;
    return QString::asprintf("%04d-%02d-%02d.csv", d.year, d.month, d.day);
}

// The daily files of dir from the day of first on, to the day of last when given, oldest first.
QStringList DailyFiles(const QString& dir, double first, std::optional<double> last) {
    const QString from = QDir(dir).filePath(DayFileName(first));
    const QString to = last ? QDir(dir).filePath(DayFileName(*last)) : QString();
    QStringList files;
    for (const QString& file : DailyFilesOf(dir)) {
        if (from <= file && (!last || file <= to)) {
            files << file;
        }
    }
    return files;
}

// The minutes of source after its last lines older than bound, from one file or from the
// daily files of the days from bound's to last's (or every later one).
std::optional<std::vector<LogRecord>> MinutesAfter(const MinuteSource& source, double bound,
                                                   std::optional<double> last,
                                                   const GraphSettings& settings, int currentYear,
                                                   FileError* error) {
    const QStringList files = source.DailyDir.isEmpty() ? QStringList{source.File}
                                                        : DailyFiles(source.DailyDir, bound, last);
    std::vector<LogRecord> records;
    for (const QString& file : files) {
        if (!AppendMinutesOf(file, bound, settings, currentYear, records, error)) {
            return std::nullopt;
        }
    }
    return records;
}

}  // namespace

std::optional<std::vector<LogRecord>> ReadLoggedMinutes(const MinuteSource& source, double from,
                                                        double oldest,
                                                        const GraphSettings& settings,
                                                        int currentYear, FileError* error) {
    return MinutesAfter(source, std::max(from, oldest), std::nullopt, settings, currentYear, error);
}

std::optional<std::vector<LogRecord>> ReadLoggedRange(const MinuteSource& source, double from,
                                                      double to, const GraphSettings& settings,
                                                      int currentYear, FileError* error) {
    constexpr double kMillisecond = 1.0 / (24 * 60 * 60 * 1000);
    std::optional<std::vector<LogRecord>> records =
        MinutesAfter(source, from, to - kMillisecond, settings, currentYear, error);
    // A clock set back leaves earlier times after the bound in file order.
    if (records) {
        std::erase_if(*records,
                      [from, to](const LogRecord& r) { return r.Time < from || r.Time >= to; });
    }
    return records;
}
