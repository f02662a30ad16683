#include "AtomicFile.h"

#include "PlatformFile.h"
#include "UserError.h"

#include <QDir>
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

bool Fail(QFileDevice& file, QString* errorText) {
    if (errorText) {
        *errorText = file.errorString();
    }
    return false;
}

bool FailWith(const QString& reason, QString* errorText) {
    if (errorText) {
        *errorText = reason;
    }
    return false;
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Room for the file to grow to size without a write failing for want of space. The blocks are
// reserved past the end without changing the file's size, so that a power cut leaves no run
// of zeros behind its lines. Where that cannot be done, the free space is compared with the
// growth instead.
bool Reserve(QFile& file, [[maybe_unused]] qint64 offset, qint64 size, QString* errorText) {
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
        return FailWith(SystemReason(errno), errorText);
    }
#endif
    const QStorageInfo storage(QFileInfo(file.fileName()).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() < growth) {
        return FailWith(SystemReason(ENOSPC), errorText);
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

bool RewriteFileFrom(const QString& path, qint64 offset, const QByteArray& tail,
                     QString* errorText) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return Fail(file, errorText);
    }
    if (offset > file.size()) {
        return FailWith(QStringLiteral("ファイルが短くなっています"), errorText);
    }
    const qint64 size = offset + tail.size();
    if (!Reserve(file, offset, size, errorText)) {
        return false;
    }
    if (!file.seek(offset) || !WriteAll(file, tail) || !file.resize(size)) {
        return Fail(file, errorText);
    }
    if (!SyncFileToDisk(file, errorText)) {
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return Fail(file, errorText);
    }
    return true;
}

void ThrowCannotCreate(const QString& path, const QString& reason) {
    throw UserError(QStringLiteral("ファイル \"%1\" を作成できません。%2")
                        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason));
}

void WriteFileOrThrow(const QString& path, const QByteArray& bytes) {
    QString error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        ThrowCannotCreate(path, error);
    }
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* errorText) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (OnlyTargetWritable(path)) {
            return RewriteFileFrom(path, 0, bytes, errorText);
        }
        return Fail(file, errorText);
    }
    // commit() alone can report success after a short write on a full disk, so every step
    // is checked before the new file replaces the old one.
    if (!WriteAll(file, bytes)) {
        Fail(file, errorText);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        return Fail(file, errorText);
    }
    return true;
}
