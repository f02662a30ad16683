#include "PlatformFile.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool SyncFileToDisk(QFile& file, QString* errorText) {
    if (!file.flush()) {
        if (errorText) {
            *errorText = file.errorString();
        }
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        if (errorText) {
            *errorText = QString::fromLocal8Bit(std::strerror(errno));
        }
        return false;
    }
    return true;
}

FileIdentity IdentityOf(QFile& file) {
    struct stat info = {};
    if (::fstat(file.handle(), &info) != 0) {
        return {};
    }
    return {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)};
}

void SyncFolderOf(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
