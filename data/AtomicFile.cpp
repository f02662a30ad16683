#include "AtomicFile.h"

#include "PlatformFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace {

// Writes everything or fails. A short write on a full disk leaves the device without an error
// of its own; writing the rest then fails with the system's reason ("No space left on device").
bool WriteAll(QFileDevice& file, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return file.flush();
}

bool FailWith(const QString& path, FileError::Code why, const QString& reason, FileError* error) {
    if (error) {
        *error = {FileError::Operation::Write, why, path, reason};
    }
    return false;
}

bool Fail(QFileDevice& file, const QString& path, FileError* error) {
    return FailWith(path, FileError::Code::System, file.errorString(), error);
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Room for the file to grow to size without a write failing for want of space. The blocks are
// reserved past the end without changing the file's size, so that a power cut leaves no run
// of zeros behind its lines. Where that cannot be done, the free space is compared with the
// growth instead.
bool Reserve(QFile& file, const QString& path, [[maybe_unused]] qint64 offset, qint64 size,
             FileError* error) {
    const qint64 growth = size - file.size();
    if (growth <= 0) {
        return true;
    }
#ifdef Q_OS_LINUX
    // Only the range written: a whole large file would cost a walk over all its pages.
    if (::fallocate(file.handle(), FALLOC_FL_KEEP_SIZE, off_t(offset), off_t(size - offset)) == 0) {
        return true;
    }
    if (errno != EOPNOTSUPP && errno != ENOSYS) {
        return FailWith(path, FileError::Code::System, SystemReason(errno), error);
    }
#endif
    const QStorageInfo storage(QFileInfo(file.fileName()).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() < growth) {
        return FailWith(path, FileError::Code::System, SystemReason(ENOSPC), error);
    }
    return true;
}

// The temporary file could not be created beside the target, but the target itself exists and
// may be written.
bool OnlyTargetWritable(const QString& path) {
    const QFileInfo target(path);
    const QFileInfo directory(target.absolutePath());
    return target.isFile() && target.isWritable() && !directory.isWritable();
}

}  // namespace

bool RewriteFileFrom(const QString& path, qint64 offset, const QByteArray& tail, FileError* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return Fail(file, path, error);
    }
    if (offset > file.size()) {
        return FailWith(path, FileError::Code::Shrunk, {}, error);
    }
    const qint64 size = offset + tail.size();
    if (!Reserve(file, path, offset, size, error)) {
        return false;
    }
    if (!file.seek(offset) || !WriteAll(file, tail) || !file.resize(size)) {
        return Fail(file, path, error);
    }
    QString reason;
    if (!SyncFileToDisk(file, &reason)) {
        return FailWith(path, FileError::Code::System, reason, error);
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return Fail(file, path, error);
    }
    return true;
}

void WriteFileOrThrow(const QString& path, const QByteArray& bytes) {
    FileError error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        throw FileFailure(std::move(error));
    }
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, FileError* error,
                         bool ownerOnly) {
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // A new file would take the place of a device or a FIFO, where root may replace anything;
    // a folder fails below with the system's own reason.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        return FailWith(path, FileError::Code::NotRegularFile, {}, error);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (OnlyTargetWritable(path)) {
            if (ownerOnly) {
                QFile::setPermissions(path, kOwnerOnly);
            }
            return RewriteFileFrom(path, 0, bytes, error);
        }
        return Fail(file, path, error);
    }
    if (ownerOnly && !file.setPermissions(kOwnerOnly)) {
        Fail(file, path, error);
        file.cancelWriting();
        return false;
    }
    // commit() alone can report success after a short write on a full disk, so every step
    // is checked before the new file replaces the old one.
    if (!WriteAll(file, bytes)) {
        Fail(file, path, error);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        return Fail(file, path, error);
    }
    return true;
}
