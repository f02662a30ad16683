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

QString NotRegularText() {
    return QStringLiteral("通常のファイルではありません");
}

}  // namespace

QString TooLargeText(qint64 maxBytes) {
    return QStringLiteral("%1 MiB を超える大きさです").arg(maxBytes >> 20);
}

std::optional<QString> OpenRegularFile(const QString& path, qint64 maxBytes, QFile& file,
                                       qint64& size) {
#ifdef Q_OS_UNIX
    // Without blocking: a FIFO without a writer would hang a plain open. The checks then look
    // at what was opened, not at a path that may have changed since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return NotRegularText();
    }
    size = qint64(info.st_size);
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        return NotRegularText();
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return file.errorString();
    }
    size = info.size();
#endif
    if (size > maxBytes) {
        return TooLargeText(maxBytes);
    }
    return std::nullopt;
}
