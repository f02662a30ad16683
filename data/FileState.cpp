#include "FileState.h"

#include <QFile>
#include <QFileInfo>

FileState StateOf(QFile& file) {
    return {IdentityOf(file), file.size()};
}

FileState StateAt(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return StateOf(file);
}
