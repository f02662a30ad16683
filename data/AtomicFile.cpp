#include "AtomicFile.h"

#include "PlatformFile.h"
#include "UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

bool WriteInPlace(const QString& path, const QByteArray& bytes, QString* errorText) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !WriteAll(file, bytes)) {
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

// The temporary file could not be created beside the target, but the target itself exists and
// may be written.
bool OnlyTargetWritable(const QString& path) {
    const QFileInfo target(path);
    const QFileInfo directory(target.absolutePath());
    return target.isFile() && target.isWritable() && !directory.isWritable();
}

}  // namespace

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
            return WriteInPlace(path, bytes, errorText);
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
