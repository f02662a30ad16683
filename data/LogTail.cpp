#include "LogTail.h"

#include "CsvLog.h"
#include "DisplayRules.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr qint64 kFirstTailBytes = 4096;

// Where the first whole line of a piece cut from a file's end starts: after its first line
// end (CR LF, LF or CR). -1 when it holds none.
qsizetype FirstLineStart(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            return i + 1;
        }
        if (bytes[i] == '\r') {
            return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? i + 2 : i + 1;
        }
    }
    return -1;
}

std::vector<Sample> LastOf(std::vector<Sample> samples, size_t n) {
    if (samples.size() > n) {
        samples.erase(samples.begin(), samples.end() - qsizetype(n));
    }
    return samples;
}

FileError ReadError(const QString& path, FileError::Code why, const QString& reason = {}) {
    return {FileError::Operation::Read, why, path, reason, 0};
}

}  // namespace

std::optional<std::vector<Sample>> ReadLogTail(const QString& path, int n, int currentYear,
                                               FileError* error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return std::vector<Sample>{};
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
    const qint64 size = file.size();
    // Twice as much at each round, so the pieces parsed add up to at most twice the last.
    for (qint64 want = kFirstTailBytes;; want *= 2) {
        const qint64 from = std::max<qint64>(0, size - std::min(want, kMaxLogTailBytes));
        QByteArray tail;
        if (!file.seek(from) || (tail = file.read(size - from)).size() != size - from) {
            *error = ReadError(path, FileError::Code::System, file.errorString());
            return std::nullopt;
        }
        if (from == 0) {
            return LastOf(ParseCsvLog(tail, currentYear).Samples, size_t(n));
        }
        const qsizetype start = FirstLineStart(tail);
        std::vector<Sample> samples;
        if (start >= 0) {
            samples = ParseCsvLog(tail.mid(start), currentYear).Samples;
        }
        if (samples.size() >= size_t(n)) {
            return LastOf(std::move(samples), size_t(n));
        }
        if (size - from >= kMaxLogTailBytes) {
            samples.insert(samples.begin(), size_t(n) - samples.size(), Sample{});
            return samples;
        }
    }
}

LogRecord NextLineRecord(LiveSamples& lines, const Sample& sample, const GraphSettings& settings) {
    LogRecord record{sample.Time, sample.Cpm};
    if (lines.Count() >= kDoseWindow) {
        record.Dose = DoseRate(lines.Tail(kDoseWindow), settings);
    }
    lines.Append(sample);
    return record;
}
