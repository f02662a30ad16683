#include "LogTail.h"

#include "CsvLog.h"
#include "DisplayRules.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>

namespace {

constexpr qint64 kFirstTailBytes = 4096;
constexpr qint64 kMaxPieceBytes = qint64(1) << 20;

FileError ReadError(const QString& path, FileError::Code why, const QString& reason = {}) {
    return {FileError::Operation::Read, why, path, reason, 0};
}

// Where the last n lines of a file of size bytes start: lines end at CR LF, LF or CR, as the
// log reader has them. Read backwards in pieces that double up to kMaxPieceBytes, so the usual
// ten short lines cost one small read, and none of them is kept, so a line of any length costs
// no memory here. Nothing when a read fails.
std::optional<qint64> LastLinesStart(QFile& file, qint64 size, int n) {
    int found = 0;
    char next = '\0';  // the byte after the one looked at
    QByteArray piece;
    for (qint64 end = size, want = kFirstTailBytes; end > 0;
         end -= piece.size(), want = std::min(want * 2, kMaxPieceBytes)) {
        const qint64 from = std::max<qint64>(0, end - want);
        if (!file.seek(from) || (piece = file.read(end - from)).size() != end - from) {
            return std::nullopt;
        }
        const char* bytes = piece.constData();
        for (qsizetype i = piece.size() - 1; i >= 0; --i) {
            const char c = bytes[i];
            // A line starts after an LF and after a CR without its LF, unless the file ends there.
            if ((c == '\n' || (c == '\r' && next != '\n')) && from + i + 1 < size && ++found == n) {
                return from + i + 1;
            }
            next = c;
        }
    }
    return 0;
}

// The samples of the file from start (a line's start) to size, as the whole file reads them.
std::optional<std::vector<Sample>> ReadFrom(QFile& file, qint64 start, qint64 size,
                                            int currentYear) {
    CsvLogParser parser(currentYear, size - start);
    if (start > 0) {
        // The mark is taken from the file's first bytes only: from a later line, the bytes are
        // read as they are in the whole file, even when they look like a mark.
        parser.Add("\xEF\xBB\xBF");
    }
    QByteArray piece(qsizetype(std::min(size - start, kMaxPieceBytes)), Qt::Uninitialized);
    for (qint64 at = start; at < size;) {
        const qint64 got = file.read(piece.data(), std::min<qint64>(piece.size(), size - at));
        if (got <= 0) {
            return std::nullopt;
        }
        parser.Add(QByteArrayView(piece.constData(), got));
        at += got;
    }
    return std::move(parser.Finish().Samples);
}

}  // namespace

std::optional<LogFileEnd> ReadLogEndUntil(
    const QString& path, int firstLines, int currentYear,
    const std::function<bool(const std::vector<Sample>&)>& enough, FileError* error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return LogFileEnd{};
    }
    // A FIFO without a writer would block the open.
    if (!info.isFile()) {
        *error = ReadError(path, FileError::Code::NotRegularFile);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = ReadError(path, FileError::Code::System, file.errorString());
        return std::nullopt;
    }
    LogFileEnd end{{}, StateOf(file)};
    const qint64 size = end.Seen.Size;
    if (size == 0) {
        return end;
    }
    // Each round reads from its start to the file's end again, so that a file whose first bytes
    // pick another encoding reads, once its start is reached, as the whole file does.
    for (int lines = std::max(firstLines, 1);; lines = lines > INT_MAX / 2 ? INT_MAX : lines * 2) {
        const std::optional<qint64> start = LastLinesStart(file, size, lines);
        if (!start || !file.seek(*start)) {
            *error = ReadError(path, FileError::Code::System, file.errorString());
            return std::nullopt;
        }
        std::optional<std::vector<Sample>> samples = ReadFrom(file, *start, size, currentYear);
        if (!samples) {
            *error = ReadError(path, FileError::Code::System, file.errorString());
            return std::nullopt;
        }
        if (*start == 0 || enough(*samples)) {
            end.Lines = std::move(*samples);
            return end;
        }
    }
}

std::optional<LogFileEnd> ReadLogTail(const QString& path, int n, int currentYear,
                                      FileError* error) {
    // Lines that do not read are no samples: look further back until n samples are found.
    std::optional<LogFileEnd> end = ReadLogEndUntil(
        path, n, currentYear,
        [n](const std::vector<Sample>& samples) { return int(samples.size()) >= n; }, error);
    const size_t keep = size_t(std::max(n, 0));
    if (end && end->Lines.size() > keep) {
        end->Lines.erase(end->Lines.begin(), end->Lines.end() - std::ptrdiff_t(keep));
    }
    return end;
}

LogRecord NextLineRecord(LiveSamples& lines, const Sample& sample, const GraphSettings& settings) {
    LogRecord record{sample.Time, sample.Cpm};
    if (lines.Count() >= kDoseWindow) {
        record.Dose = DoseRate(lines.Tail(kDoseWindow), settings);
    }
    lines.Append(sample);
    return record;
}
