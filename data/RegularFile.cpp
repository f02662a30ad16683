#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

FileError Refused(const QString& path, FileError::Code why, const QString& reason = {},
                  qint64 limit = 0) {
    return {FileError::Operation::Read, why, path, reason, limit};
}

}  // namespace

std::optional<FileError> OpenRegularFile(const QString& path, qint64 maxBytes, QFile& file,
                                         qint64& size) {
#ifdef Q_OS_UNIX
    // Without blocking: a FIFO without a writer would hang a plain open. The checks then look
    // at what was opened, not at a path that may have changed since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return Refused(path, error == ENOENT ? FileError::Code::NotFound : FileError::Code::System,
                       QString::fromLocal8Bit(std::strerror(error)));
    }
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        return Refused(path, FileError::Code::System, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(info.st_mode)) {
        return Refused(path, FileError::Code::NotRegularFile);
    }
    size = qint64(info.st_size);
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        return Refused(path, FileError::Code::NotRegularFile);
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Refused(path, info.exists() ? FileError::Code::System : FileError::Code::NotFound,
                       file.errorString());
    }
    size = info.size();
#endif
    if (size > maxBytes) {
        return Refused(path, FileError::Code::TooLarge, {}, maxBytes);
    }
    return std::nullopt;
}
