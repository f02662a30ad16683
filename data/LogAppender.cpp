#include "LogAppender.h"

#include "PlatformFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

constexpr QIODevice::OpenMode kAppend =
    QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;

// A FIFO without a reader would block the open for ever; a device is no log.
bool IsOtherThanRegularFile(const QFileInfo& info) {
    return info.exists() && !info.isFile();
}

}  // namespace

LogAppender::LogAppender(Report report) : report_(std::move(report)) {}

bool LogAppender::Append(const QString& path, const QByteArray& line) {
    queue_.push_back({path, line + "\r\n", 0, {}});
    return Flush();
}

bool LogAppender::Flush() {
    int written = 0;
    while (!queue_.empty()) {
        QString error;
        if (!AppendOne(queue_.front(), &error)) {
            if (!failing_ && report_) {
                report_(QStringLiteral("cannot append to %1: %2; %3 line(s) kept in memory, "
                                       "trying again")
                            .arg(QDir::toNativeSeparators(queue_.front().Path), error)
                            .arg(queue_.size()));
            }
            failing_ = true;
            return false;
        }
        queue_.pop_front();
        ++written;
    }
    if (failing_ && report_) {
        report_(QStringLiteral("appending works again; %1 kept line(s) written").arg(written));
    }
    failing_ = false;
    return true;
}

bool LogAppender::AppendOne(Line& line, QString* error) {
    const QFileInfo info(line.Path);
    if (IsOtherThanRegularFile(info)) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    const bool created = !info.exists();
    QFile file(line.Path);
    if (!file.open(kAppend)) {
        *error = file.errorString();
        return false;
    }
    const FileIdentity id = IdentityOf(file);
    // The start of a line cut short went into a file that has since been replaced.
    if (line.Done > 0 && !(id == line.In)) {
        line.Done = 0;
    }
    line.In = id;
    while (line.Done < line.Bytes.size()) {
        const qint64 n =
            file.write(line.Bytes.constData() + line.Done, line.Bytes.size() - line.Done);
        if (n <= 0) {
            *error = file.errorString();
            return false;
        }
        line.Done += n;
        bytesWritten_ += n;
    }
    // A line fully written stays written even when the sync fails: writing it again would
    // log the minute twice. The next attempt only syncs.
    if (!SyncFileToDisk(file)) {
        *error = QStringLiteral("cannot sync to disk");
        return false;
    }
    if (created) {
        SyncFolderOf(line.Path);
    }
    return true;
}

bool CanAppendTo(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (IsOtherThanRegularFile(info)) {
        *error = QStringLiteral("%1 is not a regular file").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QFile file(path);
    if (!file.open(kAppend)) {
        *error = QStringLiteral("cannot append to %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}
