#include "RecentFiles.h"

#include <QDir>

namespace {

// Windows names one file in any letter case.
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

}  // namespace

RecentFiles::RecentFiles(const QStringList& paths) {
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
        if (!it->isEmpty()) {
            Add(*it);
        }
    }
}

qsizetype RecentFiles::IndexOf(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    for (qsizetype i = 0; i < paths_.size(); ++i) {
        if (QDir::cleanPath(paths_[i]).compare(clean, kFileNameCase) == 0) {
            return i;
        }
    }
    return -1;
}

void RecentFiles::Add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    Remove(path);
    paths_.prepend(path);
    while (paths_.size() > kMaxFiles) {
        paths_.removeLast();
    }
}

bool RecentFiles::Remove(const QString& path) {
    const qsizetype at = IndexOf(path);
    if (at < 0) {
        return false;
    }
    paths_.removeAt(at);
    return true;
}
