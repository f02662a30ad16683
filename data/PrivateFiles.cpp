#include "PrivateFiles.h"

#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

std::optional<QByteArray> ReadSecretFile(const QString& path, FileError* error) {
    QFile file;
    qint64 size = 0;
    std::optional<FileError> refused = OpenRegularFile(path, kMaxSecretFileBytes, file, size);
#ifdef Q_OS_UNIX
    // The permissions of what was opened, not of a path that may have changed since.
    struct stat info = {};
    if (!refused && ::fstat(file.handle(), &info) == 0 && (info.st_mode & 077) != 0) {
        refused = FileError{FileError::Operation::Read, FileError::Code::OpenToOthers, path, {}, 0};
    }
#endif
    QByteArray bytes;
    if (!refused) {
        bytes = file.read(kMaxSecretFileBytes);
        if (file.error() != QFileDevice::NoError) {
            refused = FileError{FileError::Operation::Read, FileError::Code::System, path,
                                file.errorString(), 0};
        }
    }
    if (refused) {
        if (error) {
            *error = std::move(*refused);
        }
        return std::nullopt;
    }
    return bytes;
}

bool MakePrivateFolder(const QString& folder) {
    // The missing folders, outermost first.
    QStringList missing;
    for (QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
         !QFileInfo::exists(path); path = QFileInfo(path).path()) {
        missing.prepend(path);
        if (QFileInfo(path).path() == path) {
            break;
        }
    }
    for (const QString& path : missing) {
#ifdef Q_OS_UNIX
        // Created with these bits, which the umask can only take away from: never open to others
        // on the way.
        QDir().mkdir(path,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#else
        // %APPDATA% is the user's own; its ACL is inherited.
        QDir().mkdir(path);
#endif
    }
    return QFileInfo(folder).isDir();
}
