#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;

// The per-user folder that keeps samples which are in no file of the user's: logged without a
// file, or not writable to theirs. The window writes its log there every minute and before New,
// Open and closing discard it, so neither a crash nor a power cut loses more than a minute.
// Each log gets its own file, named after its first sample's local time; no file of another
// log or another running program is ever overwritten.
//
// A window holds a lock on each recovery file it writes ("<name>.lock" beside it), so that a
// second window neither offers nor writes it; a lock left by a program that ended is stale and
// taken over.
class RecoveryStore {
public:
    // folder: where the files go; empty means the per-user data folder's "recovery".
    explicit RecoveryStore(QString folder = {});
    ~RecoveryStore();

    const QString& Folder() const { return folder_; }
    // True when the folder holds recovery files that no other running window holds.
    bool HasFiles() const;
    // Those files, one line each: name, time span and minutes ("2026-12-08_1430.csv:
    // 26/12/08 14:30 - 26/12/08 16:09, 100 分").
    QStringList Summaries(int currentYear) const;
    // True when another running program holds the recovery file at path and writes it.
    bool HeldElsewhere(const QString& path) const;

    // Writes text as the current log's recovery file: the first time under a new name made from
    // nameTime ("2026-12-08_1430.csv", then "-2", "-3" ... where taken), later over the same
    // file. Returns its path. Throws a FileFailure with a Write error when it cannot be
    // written.
    QString Write(double nameTime, const QByteArray& text);
    // The current log's recovery file; empty when it has none.
    const QString& Path() const { return path_; }
    // The current log's samples are now in a file of the user's: its recovery file goes.
    void Discard();
    // The current log is gone from the window: its recovery file stays for the user, and the
    // next log gets a file of its own.
    void Detach();

    // The user opened path: when it is a recovery file, this window holds it from now on.
    void HoldOpened(const QString& path);
    // The recovery file the user opened and this window holds; empty when none.
    const QString& OpenedPath() const { return openedPath_; }
    // Its samples are in another file of the user's now: it goes. Returns its path.
    QString DiscardOpened();
    // The opened log is gone from the window: the file stays, no longer held.
    void ReleaseOpened();

private:
    QString NewPath(double nameTime) const;
    bool InFolder(const QString& path) const;

    QString folder_;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    QString openedPath_;
    std::unique_ptr<QLockFile> openedLock_;
};
