#include "RecoveryStore.h"

#include "AtomicFile.h"
#include "CsvLog.h"
#include "DateTime.h"
#include "FileError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// The names tried for one minute's recovery file: the plain one, then "-2" up to "-999".
constexpr int kMaxNames = 999;

[[noreturn]] void ThrowCannotCreate(const QString& path, FileError::Code why,
                                    const QString& reason = {}, qint64 limit = 0) {
    throw FileFailure({FileError::Operation::Write, why, path, reason, limit});
}

// The machine's own part of the profile (%LOCALAPPDATA% on Windows): recovery files are large and
// belong to this machine's session, not to a roaming profile.
QString DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/recovery");
}

// Only a program that ended leaves a stale lock: a window may run for months, so age alone
// never makes one stale.
std::unique_ptr<QLockFile> LockFor(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    return lock;
}

std::unique_ptr<QLockFile> TryHold(const QString& path) {
    std::unique_ptr<QLockFile> lock = LockFor(path);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

QString Summary(const QString& path, int currentYear) {
    const QString name = QFileInfo(path).fileName();
    try {
        const CsvReadResult read = ReadCsvLog(path, currentYear);
        if (read.Samples.empty()) {
            return QCoreApplication::translate("RecoveryStore", "%1: 0 分").arg(name);
        }
        return QCoreApplication::translate("RecoveryStore", "%1: %2 - %3, %4 分")
            .arg(name, DateTime::MinuteText(read.Samples.front().Time),
                 DateTime::MinuteText(read.Samples.back().Time))
            .arg(read.Samples.size());
    } catch (const FileFailure&) {
        return name;
    }
}

}  // namespace

RecoveryStore::RecoveryStore(QString folder)
    : folder_(folder.isEmpty() ? DefaultFolder() : std::move(folder)) {}

RecoveryStore::~RecoveryStore() = default;

bool RecoveryStore::InFolder(const QString& path) const {
    return QFileInfo(path).absoluteDir() == QDir(folder_);
}

bool RecoveryStore::HeldElsewhere(const QString& path) const {
    if (!InFolder(path) || path == path_ || path == openedPath_) {
        return false;
    }
    std::unique_ptr<QLockFile> probe = LockFor(path);
    if (probe->tryLock(0)) {
        probe->unlock();
        return false;
    }
    return probe->error() == QLockFile::LockFailedError;
}

bool RecoveryStore::HasFiles() const {
    const QDir dir(folder_);
    for (const QString& name : dir.entryList({QStringLiteral("*.csv")}, QDir::Files)) {
        if (!HeldElsewhere(dir.filePath(name))) {
            return true;
        }
    }
    return false;
}

QStringList RecoveryStore::Summaries(int currentYear) const {
    const QDir dir(folder_);
    QStringList lines;
    for (const QString& name : dir.entryList({QStringLiteral("*.csv")}, QDir::Files)) {
        const QString path = dir.filePath(name);
        if (!HeldElsewhere(path)) {
            lines << Summary(path, currentYear);
        }
    }
    return lines;
}

QString RecoveryStore::NewPath(double nameTime) const {
    const DateTime::Parts p = DateTime::Decode(nameTime);
    const QString base = folder_ + u'/' +
                         QString::asprintf("%04d-%02d-%02d_%02d%02d", p.date.year, p.date.month,
                                           p.date.day, p.time.hour, p.time.minute);
    // Creating the file claims the name, so two programs never pick the same one.
    for (int n = 1; n <= kMaxNames; ++n) {
        const QString path =
            n == 1 ? base + QStringLiteral(".csv") : base + QStringLiteral("-%1.csv").arg(n);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            return path;
        }
        if (!file.exists()) {
            ThrowCannotCreate(path, FileError::Code::System, file.errorString());
        }
    }
    ThrowCannotCreate(base + QStringLiteral(".csv"), FileError::Code::NoFreeName, {}, kMaxNames);
}

QString RecoveryStore::Write(double nameTime, const QByteArray& text) {
    const bool claimed = path_.isEmpty();
    if (claimed) {
        if (!QDir().mkpath(folder_)) {
            ThrowCannotCreate(folder_, FileError::Code::NoFolder);
        }
        path_ = NewPath(nameTime);
        // The name was free a moment ago, so the lock is too; should a stale one be in the
        // way, the file is still ours alone by its name.
        lock_ = TryHold(path_);
    }
    try {
        WriteFileOrThrow(path_, text);
    } catch (const FileFailure&) {
        // An empty file just claimed would later pass for a log worth restoring.
        if (claimed) {
            QFile::remove(path_);
            Detach();
        }
        throw;
    }
    return path_;
}

void RecoveryStore::Discard() {
    if (!path_.isEmpty()) {
        QFile::remove(path_);
        Detach();
    }
}

void RecoveryStore::Detach() {
    path_.clear();
    lock_.reset();
}

void RecoveryStore::HoldOpened(const QString& path) {
    ReleaseOpened();
    if (InFolder(path) && path != path_) {
        openedLock_ = TryHold(path);
        if (openedLock_) {
            openedPath_ = path;
        }
    }
}

QString RecoveryStore::DiscardOpened() {
    const QString path = openedPath_;
    if (!path.isEmpty()) {
        QFile::remove(path);
        ReleaseOpened();
    }
    return path;
}

void RecoveryStore::ReleaseOpened() {
    openedPath_.clear();
    openedLock_.reset();
}
