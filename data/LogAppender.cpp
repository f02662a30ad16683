#include "LogAppender.h"

#include "PlatformFile.h"

#include <QFile>
#include <QFileInfo>
#include <optional>
#include <utility>

namespace {

// Read too: the last byte of the file tells whether it ends with a line end.
constexpr QIODevice::OpenMode kAppend =
    QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered;

FileError AppendError(const QString& path, FileError::Code why, const QString& reason = {}) {
    return {FileError::Operation::Append, why, path, reason, 0};
}

// A FIFO without a reader would block the open for ever; a device is no log.
bool IsOtherThanRegularFile(const QFileInfo& info) {
    return info.exists() && !info.isFile();
}

// What must come before a new line so that it starts a line of its own, in a file of size
// bytes: nothing in an empty file or after LF, LF after a CR (the pair then ends that line),
// otherwise CR LF. Returns nothing and sets error when the last byte cannot be read.
std::optional<QByteArray> MissingLineEnd(QFile& file, const QString& path, qint64 size,
                                         FileError* error) {
    char last = '\n';
    if (size > 0 && (!file.seek(size - 1) || !file.getChar(&last))) {
        *error = AppendError(path, FileError::Code::System, file.errorString());
        return std::nullopt;
    }
    return QByteArray(last == '\n' ? "" : last == '\r' ? "\n" : "\r\n");
}

}  // namespace

LogAppender::LogAppender(Report report) : report_(std::move(report)) {}

bool LogAppender::Append(const QString& path, const QByteArray& line) {
    queue_.push_back({path, line + "\r\n", {}, 0, 0, {}});
    return Flush();
}

bool LogAppender::Flush() {
    int written = 0;
    while (!queue_.empty()) {
        FileError error;
        if (!AppendOne(queue_.front(), &error)) {
            if (!failing_ && report_) {
                report_({Event::Kind::Failing, std::move(error), int(queue_.size())});
            }
            failing_ = true;
            return false;
        }
        queue_.pop_front();
        ++written;
    }
    if (failing_ && report_) {
        report_({Event::Kind::Working, {}, written});
    }
    failing_ = false;
    return true;
}

bool LogAppender::AppendOne(Line& line, FileError* error) {
    const QFileInfo info(line.Path);
    if (IsOtherThanRegularFile(info)) {
        *error = AppendError(line.Path, FileError::Code::NotRegularFile);
        return false;
    }
    const bool created = !info.exists();
    QFile file(line.Path);
    if (!file.open(kAppend)) {
        *error = AppendError(line.Path, FileError::Code::System, file.errorString());
        return false;
    }
    const FileIdentity id = IdentityOf(file);
    const qint64 size = file.size();
    // A line cut short that could not be taken back is finished where it stands, as long as
    // the file is still the one it went into and nothing came after it.
    if (line.Done == 0 || !(id == line.In) || size != line.At + line.Done) {
        const std::optional<QByteArray> lineEnd = MissingLineEnd(file, line.Path, size, error);
        if (!lineEnd) {
            return false;
        }
        line.Pending = *lineEnd + line.Bytes;
        line.At = size;
        line.Done = 0;
        line.In = id;
    }
    while (line.Done < line.Pending.size()) {
        const qint64 n =
            file.write(line.Pending.constData() + line.Done, line.Pending.size() - line.Done);
        if (n <= 0) {
            *error = AppendError(line.Path, FileError::Code::System, file.errorString());
            // Taking the cut line back needs no room; the next attempt writes it whole.
            if (line.Done > 0 && file.resize(line.At)) {
                bytesWritten_ -= line.Done;
                line.Done = 0;
            }
            return false;
        }
        line.Done += n;
        bytesWritten_ += n;
    }
    // A line fully written stays written even when the sync fails: writing it again would
    // log the minute twice. The next attempt only syncs.
    QString reason;
    if (!SyncFileToDisk(file, &reason)) {
        *error = AppendError(line.Path, FileError::Code::NotSynced, reason);
        return false;
    }
    if (created) {
        SyncFolderOf(line.Path);
    }
    // The size this line leaves, not the file's: bytes someone else wrote meanwhile are a change.
    last_ = {line.Path, {line.In, line.At + line.Pending.size()}};
    return true;
}

bool CanAppendTo(const QString& path, FileError* error) {
    const QFileInfo info(path);
    if (IsOtherThanRegularFile(info)) {
        *error = AppendError(path, FileError::Code::NotRegularFile);
        return false;
    }
    const bool created = !info.exists();
    QFile file(path);
    if (!file.open(kAppend)) {
        *error = AppendError(path, FileError::Code::System, file.errorString());
        return false;
    }
    if (created) {
        SyncFolderOf(path);
    }
    return true;
}
