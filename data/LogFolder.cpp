#include "LogFolder.h"

#include "CsvLog.h"
#include "DateTime.h"
#include "FileError.h"
#include "LargeBuffer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <numeric>

namespace {

// Two times a minute apart or more, less what rounding takes off, are in different minutes;
// two in the same minute are at most 59.999 seconds apart.
constexpr double kMinuteLessRounding = (60.0 - 0.0005) / (24 * 60 * 60);

[[noreturn]] void ThrowFolderError(const QString& dir, FileError::Code why, qint64 limit = 0) {
    throw FileFailure({FileError::Operation::ReadFolder, why, dir, {}, limit});
}

// Whether two times, a <= b, fall in the same minute: only times with seconds need the
// calendar.
bool SameMinute(double a, double b) {
    if (a == b) {
        return true;
    }
    if (b - a >= kMinuteLessRounding) {
        return false;
    }
    return DateTime::TruncateToMinute(a) == DateTime::TruncateToMinute(b);
}

// A line that did not read, with where it stood: before the sample of index Next among all
// the files' samples in file order.
struct PlacedLine {
    size_t Next;
    QByteArrayView Text;
};

// The files' results joined in file order, then sorted by time (stable) and each minute kept
// once; the unreadable lines go before the kept sample that stands for the one they preceded.
LogFolderRead Merge(std::vector<CsvReadResult>& files) {
    LogFolderRead merged;
    merged.Files = int(files.size());
    size_t total = 0;
    for (const CsvReadResult& file : files) {
        total += file.Samples.size();
    }
    std::vector<Sample> all;
    ReserveLarge(all, total);
    std::vector<PlacedLine> lines;
    for (CsvReadResult& file : files) {
        for (int i = 0; i < file.Unreadable.Count(); ++i) {
            lines.push_back(
                {all.size() + size_t(file.Unreadable.SamplesBefore(i)), file.Unreadable.Text(i)});
        }
        all.insert(all.end(), file.Samples.begin(), file.Samples.end());
        std::vector<Sample>().swap(file.Samples);
    }
    const auto earlier = [](const Sample& a, const Sample& b) { return a.Time < b.Time; };
    // order[p]: the file-order index of the sample at sorted place p. Daily files come in
    // order, so the sort and its index are needed only when some time went back; otherwise
    // the record is made in place.
    std::vector<size_t> order;
    std::vector<Sample> sorted;
    if (!std::is_sorted(all.begin(), all.end(), earlier)) {
        order.resize(all.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [&all](size_t a, size_t b) { return all[a].Time < all[b].Time; });
        ReserveLarge(sorted, all.size());
    }
    std::vector<Sample>& out = order.empty() ? all : sorted;
    // rank[i]: the record index of the sample that stands for file-order sample i.
    std::vector<int> rank(lines.empty() ? 0 : all.size());
    size_t kept = 0;
    for (size_t p = 0; p < all.size(); ++p) {
        const size_t from = order.empty() ? p : order[p];
        const Sample sample = all[from];
        if (kept == 0 || !SameMinute(out[kept - 1].Time, sample.Time)) {
            if (order.empty()) {
                out[kept] = sample;
            } else {
                out.push_back(sample);
            }
            ++kept;
        } else {
            ++merged.Duplicates;
        }
        if (!rank.empty()) {
            rank[from] = int(kept) - 1;
        }
    }
    const size_t count = all.size();
    out.resize(kept);
    merged.Samples = std::move(out);
    const auto placeOf = [&](const PlacedLine& line) {
        return line.Next < count ? rank[line.Next] : int(merged.Samples.size());
    };
    std::stable_sort(lines.begin(), lines.end(), [&](const PlacedLine& a, const PlacedLine& b) {
        return placeOf(a) < placeOf(b);
    });
    for (const PlacedLine& line : lines) {
        merged.Unreadable.Add(placeOf(line), std::string_view(line.Text.data(), line.Text.size()));
    }
    return merged;
}

}  // namespace

bool IsDailyFileName(const QString& name) {
    static const QRegularExpression day(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}\\.csv$"));
    return day.match(name).hasMatch();
}

QStringList DailyFilesOf(const QString& dir) {
    QStringList files;
    // Not files only: whatever stands under a day's name is read, and refused when it is no
    // regular file. The names sort as their days do.
    for (const QString& name :
         QDir(dir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (IsDailyFileName(name)) {
            files << QDir(dir).filePath(name);
        }
    }
    return files;
}

LogFolderRead ReadLogFolder(const QString& dir, int currentYear,
                            const std::function<bool()>& stopRequested) {
    if (!QFileInfo(dir).isDir()) {
        ThrowFolderError(dir, FileError::Code::NotFound);
    }
    const QStringList paths = DailyFilesOf(dir);
    if (paths.isEmpty()) {
        const bool empty = QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                             QDir::NoDotAndDotDot);
        ThrowFolderError(dir, empty ? FileError::Code::EmptyFolder : FileError::Code::NoLogFiles);
    }
    std::vector<CsvReadResult> files;
    files.reserve(size_t(paths.size()));
    qint64 lines = 0;
    for (const QString& path : paths) {
        if (stopRequested && stopRequested()) {
            ThrowFolderError(dir, FileError::Code::Stopped);
        }
        files.push_back(ReadCsvLog(path, currentYear, stopRequested));
        lines += qint64(files.back().Samples.size()) + files.back().UnreadableLines();
        // The record must open again once saved as one file.
        if (lines > kMaxCsvLogSamples) {
            ThrowFolderError(dir, FileError::Code::TooManyLines, kMaxCsvLogSamples);
        }
    }
    try {
        return Merge(files);
    } catch (const std::bad_alloc&) {
        ThrowFolderError(dir, FileError::Code::OutOfMemory);
    }
}
