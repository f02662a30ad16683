#pragma once

#include <QByteArray>
#include <QString>

// The per-user folder that keeps samples which are in no file of the user's: logged without a
// file, or not writable to theirs. The window writes its log there every minute and before New,
// Open and closing discard it, so neither a crash nor a power cut loses more than a minute.
// Each log gets its own file, named after its first sample's local time; no file of another
// log or another running program is ever overwritten.
class RecoveryStore {
public:
    // folder: where the files go; empty means the per-user data folder's "recovery".
    explicit RecoveryStore(QString folder = {});

    const QString& Folder() const { return folder_; }
    // True when the folder holds recovery files (of this or an earlier session).
    bool HasFiles() const;

    // Writes text as the current log's recovery file: the first time under a new name made from
    // firstSampleTime ("2026-12-08_1430.csv", then "-2", "-3" ... where taken), later over the
    // same file. Returns its path. Throws UserError "ファイル "%s" を作成できません。%s" when it
    // cannot be written.
    QString Write(double firstSampleTime, const QByteArray& text);
    // The current log's recovery file; empty when it has none.
    const QString& Path() const { return path_; }
    // The current log's samples are now in a file of the user's: its recovery file goes.
    void Discard();
    // The current log is gone from the window: its recovery file stays for the user, and the
    // next log gets a file of its own.
    void Detach() { path_.clear(); }

private:
    QString NewPath(double firstSampleTime) const;

    QString folder_;
    QString path_;
};
