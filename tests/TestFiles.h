#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>
#include <QTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

// File and error helpers shared by the tests.

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The bytes this process has read so far through system calls (rchar of /proc/self/io), to tell
// that a call left a file unread; -1 where the system does not count them.
inline qint64 BytesReadSoFar() {
    for (const QByteArray& line : ReadAll(QStringLiteral("/proc/self/io")).split('\n')) {
        if (line.startsWith("rchar:")) {
            return line.mid(6).trimmed().toLongLong();
        }
    }
    return -1;
}

// The errors of the FileFailure that f throws; none when it throws none.
template <typename F>
std::vector<FileError> ErrorsOf(F&& f) {
    try {
        f();
    } catch (const FileFailure& e) {
        return e.Errors();
    }
    return {};
}

// Makes the mount at folder read-only. In a user namespace the kernel refuses to remount the
// tmpfs itself but lets its mount be made read-only, which refuses writes all the same.
inline bool RemountReadOnly(const QString& folder) {
    QProcess whole;
    whole.setProcessChannelMode(QProcess::MergedChannels);
    whole.start(QStringLiteral("mount"), {"-o", "remount,ro", folder});
    if (whole.waitForFinished() && whole.exitStatus() == QProcess::NormalExit &&
        whole.exitCode() == 0) {
        return true;
    }
    return QProcess::execute(QStringLiteral("mount"), {"-o", "remount,bind,ro", folder}) == 0;
}

// How a test function that mounts ran for a user who is not root.
struct NamespaceRun {
    bool ran = false;  // false: this process may mount, the test goes on here
    bool passed = false;
    QString skipped;  // why it was skipped, there or here
    QString output;   // the test log of the run in the namespace
};

// Mounting a tmpfs needs root. As root (and on Windows, which has no mounts) returns ran false.
// Otherwise runs this test function, this row only, again in the test executable under
// `unshare -Urm`: as root of a new user and mount namespace, where the kernel lets it mount a
// tmpfs and nothing it mounts is seen outside. Rerunning from inside the test, rather than a
// second CTest entry, keeps one result per test for root and for everyone else. Where the
// kernel refuses such namespaces, skipped says so.
inline NamespaceRun RunInUserNamespace(const char* testClass) {
    NamespaceRun run;
#ifndef Q_OS_WIN
    if (::geteuid() == 0) {
        return run;
    }
    run.ran = true;
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {"-Urm", "true"});
    if (!probe.waitForFinished() || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0) {
        const QString reason = probe.error() == QProcess::FailedToStart
                                   ? QStringLiteral("unshare (util-linux) is not installed")
                                   : QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
        run.skipped = QStringLiteral(
                          "mounting a tmpfs needs root or a user and mount namespace, "
                          "and unshare -Urm is refused here: ") +
                      reason;
        return run;
    }
    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (const char* tag = QTest::currentDataTag()) {
        function += u':' + QString::fromLocal8Bit(tag);
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"), {"-Urm", QCoreApplication::applicationFilePath(),
                                            "-class", QString::fromLatin1(testClass), function});
    const bool ended = child.waitForFinished(120'000);
    run.output = QString::fromLocal8Bit(child.readAll());
    run.passed = ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    for (const QString& line : run.output.split(u'\n')) {
        if (line.startsWith(QStringLiteral("SKIP"))) {
            run.skipped = line.trimmed();
        }
    }
#else
    Q_UNUSED(testClass);
#endif
    return run;
}

// The first line of a test function that mounts: see RunInUserNamespace.
#define SOLAMINE_MOUNTS_AS_ROOT()                                                        \
    do {                                                                                 \
        const NamespaceRun namespaceRun = RunInUserNamespace(metaObject()->className()); \
        if (namespaceRun.ran) {                                                          \
            if (!namespaceRun.skipped.isEmpty()) {                                       \
                QSKIP(qPrintable(namespaceRun.skipped));                                 \
            }                                                                            \
            QVERIFY2(namespaceRun.passed, qPrintable(namespaceRun.output));              \
            qInfo("passed as root of a user and mount namespace (unshare -Urm)");        \
            return;                                                                      \
        }                                                                                \
    } while (false)

// A folder where no new file can be created but one file in it may be written: the setting of
// an INI beside an installed program or of a shared log. As root, permissions do not stop
// writes, so the folder is a read-only tmpfs with a writable file bound over the one inside.
// Ready() is false where neither can be arranged.
class ReadOnlyFolderWithWritableFile {
public:
    ReadOnlyFolderWithWritableFile(const QString& name, const QByteArray& bytes)
        : path_(dir_.filePath(QStringLiteral("folder"))) {
        QDir().mkpath(path_);
#ifdef Q_OS_WIN
        // A folder's read-only attribute does not stop new files there, and there are no
        // mounts: not arranged.
        Q_UNUSED(name);
        Q_UNUSED(bytes);
        return;
#else
        if (::geteuid() != 0) {
            ready_ = WriteFile(FilePath(name), bytes) &&
                     QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return;
        }
        const QString source = dir_.filePath(QStringLiteral("bound"));
        auto mount = [](const QStringList& args) {
            return QProcess::execute(QStringLiteral("mount"), args) == 0;
        };
        mounted_ = mount({"-t", "tmpfs", "-o", "size=64k", "tmpfs", path_});
        ready_ = mounted_ && WriteFile(FilePath(name), {}) && WriteFile(source, bytes) &&
                 RemountReadOnly(path_) && (bound_ = mount({"--bind", source, FilePath(name)}));
        target_ = FilePath(name);
#endif
    }
    ~ReadOnlyFolderWithWritableFile() {
        if (bound_) {
            QProcess::execute(QStringLiteral("umount"), {target_});
        }
        if (mounted_) {
            QProcess::execute(QStringLiteral("umount"), {path_});
        }
        QFile::setPermissions(
            path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Ready() const {
        return ready_;
    }
    QString FilePath(const QString& name) const {
        return path_ + u'/' + name;
    }
    QStringList Entries() const {
        return QDir(path_).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QString target_;
    bool ready_ = false;
    bool mounted_ = false;
    bool bound_ = false;
};

// A folder on a small tmpfs of its own (at folder, or in a temporary folder), so that its disk
// can be filled; unmounted at the end. mounted is false where no tmpfs can be mounted.
struct SmallDisk {
    QTemporaryDir dir;
    QString mount;
    bool mounted = false;

    explicit SmallDisk(const QString& folder = {})
        : mount(folder.isEmpty() ? dir.filePath(QStringLiteral("disk")) : folder) {
        QDir().mkpath(mount);
        mounted = QProcess::execute(QStringLiteral("mount"),
                                    {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) == 0;
    }
    ~SmallDisk() {
        if (mounted) {
            QProcess::execute(QStringLiteral("umount"), {mount});
        }
    }
    // Fills what is left of the disk with another file.
    void Fill() const {
        QFile filler(mount + QStringLiteral("/filler"));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        const QByteArray block(512, 'x');
        while (filler.write(block) > 0) {
        }
        filler.write("x");  // the last few bytes
    }
    bool Free() const { return QFile::remove(mount + QStringLiteral("/filler")); }
};

// A log in the program's own form (twelve minutes of 40 CPM from 16/03/20 12:30, the dose of
// the default settings from the eleventh) with lines that are no samples: a header, a blank
// line and garbage between the samples, and a total after them. Saving it as it was read gives
// these bytes again.
inline QByteArray OwnFormWithUnreadableLines() {
    QByteArray text = "date, time, cpm\r\n";
    for (int i = 0; i < 12; ++i) {
        text += "16/03/20, 12:" + QByteArray::number(30 + i) + ", 40" +
                (i >= 10 ? ", 0.0632\r\n" : "\r\n");
        if (i == 4) {
            text += "\r\n";
        } else if (i == 9) {
            text += "-- counter \xe5\x86\x8d\xe6\x8e\xa5\xe7\xb6\x9a --\r\n";
        }
    }
    return text + "total, 480\r\n";
}
