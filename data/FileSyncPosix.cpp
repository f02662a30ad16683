#include "FileSync.h"

#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>

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
