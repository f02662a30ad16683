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

// The files' samples in file order and their unreadable lines, joined as each file is read: a
// file's own buffer goes before the next is read, so a year of files costs the memory of the
// record and one day's.
struct Joined {
    std::vector<Sample> All;
    std::vector<PlacedLine> Lines;
    std::vector<UnreadableText> Texts;  // the lines' texts, of the files that have any

    // Adds a file's read; expected: how many samples all files are likely to hold.
    void Add(CsvReadResult& file, size_t expected) {
        if (All.size() + file.Samples.size() > All.capacity()) {
            ReserveLarge(
                All, std::max({expected, All.size() + file.Samples.size(), All.capacity() * 2}));
        }
        if (!file.Unreadable.IsEmpty()) {
            Texts.push_back(std::move(file.Unreadable));
            const UnreadableText& text = Texts.back();
            for (int i = 0; i < text.Count(); ++i) {
                Lines.push_back({All.size() + size_t(text.SamplesBefore(i)), text.Text(i)});
            }
        }
        All.insert(All.end(), file.Samples.begin(), file.Samples.end());
    }
};

// The joined samples sorted by time (stable) and each minute kept once; the unreadable lines go
// before the kept sample that stands for the one they preceded.
LogFolderRead Merge(Joined& joined, int files) {
    LogFolderRead merged;
    merged.Files = files;
    std::vector<Sample>& all = joined.All;
    std::vector<PlacedLine>& lines = joined.Lines;
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
    Joined joined;
    // Moved texts keep their bytes where they are, so the lines' views stay valid.
    joined.Texts.reserve(size_t(paths.size()));
    qint64 lines = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (stopRequested && stopRequested()) {
            ThrowFolderError(dir, FileError::Code::Stopped);
        }
        CsvReadResult file = ReadCsvLog(paths[i], currentYear, stopRequested);
        lines += qint64(file.Samples.size()) + file.UnreadableLines();
        // The record must open again once saved as one file.
        if (lines > kMaxCsvLogSamples) {
            ThrowFolderError(dir, FileError::Code::TooManyLines, kMaxCsvLogSamples);
        }
        // The days read so far tell how many the rest will hold.
        const size_t expected = size_t(lines * paths.size() / (i + 1)) * 17 / 16;
        try {
            joined.Add(file, expected);
        } catch (const std::bad_alloc&) {
            ThrowFolderError(dir, FileError::Code::OutOfMemory);
        }
    }
    try {
        return Merge(joined, int(paths.size()));
    } catch (const std::bad_alloc&) {
        ThrowFolderError(dir, FileError::Code::OutOfMemory);
    }
}
