#include "AtomicFile.h"

#include <QSaveFile>

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* errorText) {
    QSaveFile file(path);
    auto fail = [&] {
        if (errorText) {
            *errorText = file.errorString();
        }
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) {
        return fail();
    }
    // commit() alone can report success after a short write on a full disk, so every step
    // is checked before the new file replaces the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        return fail();
    }
    if (!file.commit()) {
        if (errorText) {
            *errorText = file.errorString();
        }
        return false;
    }
    return true;
}
