#include "LogAppender.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr QIODevice::OpenMode kAppend =
    QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;

// A FIFO without a reader would block the open for ever; a device is no log.
bool IsOtherThanRegularFile(const QFileInfo& info) {
    return info.exists() && !info.isFile();
}

bool SyncToDisk(QFile& file) {
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return file.flush();
#endif
}

// A file just created is only safe once its folder's entry is on disk too.
void SyncFolder(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
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
                            .arg(QDir::toNativeSeparators(queue_.front().Path), error,
                                 QString::number(queue_.size())));
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
    FileId id;
#ifdef Q_OS_UNIX
    struct stat st = {};
    if (::fstat(file.handle(), &st) == 0) {
        id = {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    }
#endif
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
    if (!SyncToDisk(file)) {
        *error = QStringLiteral("cannot sync to disk");
        return false;
    }
    if (created) {
        SyncFolder(line.Path);
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
