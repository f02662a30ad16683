#include "RecoveryStore.h"

#include "AtomicFile.h"
#include "DateTime.h"
#include "UserError.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

// The machine's own part of the profile (%LOCALAPPDATA% on Windows): recovery files are large and
// belong to this machine's session, not to a roaming profile.
QString DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/recovery");
}

}  // namespace

RecoveryStore::RecoveryStore(QString folder)
    : folder_(folder.isEmpty() ? DefaultFolder() : std::move(folder)) {}

bool RecoveryStore::HasFiles() const {
    return !QDir(folder_).entryList({QStringLiteral("*.csv")}, QDir::Files).isEmpty();
}

QString RecoveryStore::NewPath(double firstSampleTime) const {
    const DateTime::Parts p = DateTime::Decode(firstSampleTime);
    const QString base = folder_ + u'/' +
                         QString::asprintf("%04d-%02d-%02d_%02d%02d", p.date.year, p.date.month,
                                           p.date.day, p.time.hour, p.time.minute);
    // Creating the file claims the name, so two programs never pick the same one.
    for (int n = 1; n < 1000; ++n) {
        const QString path =
            n == 1 ? base + QStringLiteral(".csv") : base + QStringLiteral("-%1.csv").arg(n);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            return path;
        }
        if (!file.exists()) {
            ThrowCannotCreate(path, file.errorString());
        }
    }
    ThrowCannotCreate(base + QStringLiteral(".csv"),
                      QStringLiteral("同じ名前のファイルが多すぎます"));
}

QString RecoveryStore::Write(double firstSampleTime, const QByteArray& text) {
    const bool claimed = path_.isEmpty();
    if (claimed) {
        if (!QDir().mkpath(folder_)) {
            ThrowCannotCreate(folder_, QStringLiteral("フォルダを作れません"));
        }
        path_ = NewPath(firstSampleTime);
    }
    try {
        WriteFileOrThrow(path_, text);
    } catch (const UserError&) {
        // An empty file just claimed would later pass for a log worth restoring.
        if (claimed) {
            QFile::remove(path_);
            path_.clear();
        }
        throw;
    }
    return path_;
}

void RecoveryStore::Discard() {
    if (!path_.isEmpty()) {
        QFile::remove(path_);
        path_.clear();
    }
}
