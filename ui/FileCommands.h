#pragma once

#include "LogFileTail.h"
#include "UnreadableText.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

class RecoveryStore;
class SampleLog;
class SampleDisplay;
struct Sample;
struct GraphSettings;

// The file dialogs' fixed settings. Both dialogs use the default extension and the filter; the
// save dialog asks before replacing an existing file, the open dialog accepts any name.
inline constexpr char16_t kCsvDefaultExt[] = u".csv";
inline constexpr char kCsvFilter[] = QT_TRANSLATE_NOOP("QtFileDialogs", "CSVファイル|*.csv");

// "Description|pattern|..." as Qt's name filters ("CSVファイル (*.csv)"), joined by ";;".
QString QtNameFilters(QStringView filter);

// What the commands ask the user; the main window answers with real file dialogs, tests with
// prepared answers.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file to open, starting from an empty name in directory (empty: the dialog's own
    // choice); nullopt when cancelled.
    virtual std::optional<QString> ChooseOpenFile(const QString& directory) = 0;
    // The file to save to, pre-filled with currentFile; the dialog confirms replacing an
    // existing file. nullopt when cancelled.
    virtual std::optional<QString> ChooseSaveFile(const QString& currentFile) = 0;
    // A picture of the chart to save (PNG, or PDF by its name); the dialog confirms replacing
    // an existing file. nullopt when cancelled.
    virtual std::optional<QString> ChooseImageFile() { return std::nullopt; }
    // A folder of daily logs to open; nullopt when cancelled.
    virtual std::optional<QString> ChooseFolder() { return std::nullopt; }

    // Where the dialogs start when no file or folder is given them: the folder of the file last
    // chosen in them, remembered between runs. Empty: the dialogs' own choice.
    const QString& Folder() const { return folder_; }
    void SetFolder(const QString& folder) { folder_ = folder; }

private:
    QString folder_;
};

// New, Open, Save and Save As on CSV log files, and the automatic save. Failures throw
// FileFailure for the caller's error box; a failed Open changes nothing.
//
// A file is written only by an explicit Save or Save As, or by the automatic save when live
// data changed the log since it was last read or written: a file that was only opened stays
// byte for byte as it was, and one that had unreadable lines, or whose samples our writer would
// change (seconds, four-digit years two digits cannot hold), is never written automatically.
// Samples that are in no file of the user's go to the recovery store instead of being lost.
// While only live data changes the log, the automatic save rewrites only the end of the file,
// the first time after Open too when the file was in our own form. Lines that did not read are
// no samples; every write puts their text back at their places.
class FileCommands {
public:
    FileCommands(SampleLog& log, SampleDisplay& display, const GraphSettings& settings,
                 FileDialogs& dialogs, RecoveryStore& recovery);

    // New and Open first keep the samples that are in no file (see KeepUnsaved); when that
    // fails they throw and the log stays.
    void NewClick();
    void OpenClick();
    // Open with the dialog starting in the recovery folder.
    void OpenRecoveryClick();
    // Open without the dialog: a file named on the command line.
    void OpenFile(const QString& path);
    // A folder of daily logs (data/LogFolder) as one record, read-only: there is no current
    // file, so Save asks for one as Save As does and the automatic save keeps live minutes in
    // the recovery folder; no file of the folder is ever written.
    void OpenFolderClick();
    void OpenFolder(const QString& dir);
    // A folder as OpenFolder, anything else as OpenFile: a path named on the command line or
    // in the recent list.
    void OpenPath(const QString& path);
    void SaveClick();
    void SaveAsClick();

    // The file Save writes to; empty when there is none.
    const QString& CurrentFile() const { return currentFile_; }
    // The folder whose daily files the log was read from; empty when the log is no folder's.
    const QString& CurrentFolder() const { return folder_; }
    // Of the folder's record: the daily files read and the minutes left out as duplicates.
    int FolderFiles() const { return folderFiles_; }
    int DuplicateMinutes() const { return duplicates_; }

    // Live data added to the last sample or appended one.
    void MarkChanged();
    // The log changed since it was last read from or written to a file of the user's.
    bool Changed() const { return changed_; }
    // The current file had unreadable lines, or samples our writer would change, when it was
    // opened: the automatic save leaves it alone until the user saves explicitly.
    bool AutoSaveBlocked() const { return blocked_; }
    // The first line of the opened file whose sample would read back differently once our
    // writer formats it (counted from 1); 0 when there is none or the file had unreadable
    // lines.
    int FirstForeignLine() const { return firstForeignLine_; }
    // The recovery file another running window writes, of which the log is a copy; empty
    // otherwise. That file is never written from here.
    const QString& CopyOf() const { return copyOf_; }
    // The recovery file the user had opened and that the last Save As made unneeded, deleted;
    // empty otherwise.
    const QString& DiscardedRecovery() const { return discardedRecovery_; }
    // Lines of the last opened file that did not read as a sample, and the first of them
    // (counted from 1); both 0 after New, Save As and a file read without fault.
    int UnreadableLines() const { return unreadableLines_; }
    int FirstUnreadableLine() const { return firstUnreadableLine_; }
    // The text of those lines, which every save of this log writes back at their places; none
    // after New.
    const UnreadableText& Unreadable() const { return unreadable_; }

    // The minute's automatic save: when the log changed, writes it to the current file in the
    // Save format without redrawing, where it may; what cannot go there goes to the recovery
    // file. Throws a FileFailure when the current file or the recovery file cannot be written (the
    // recovery file is tried first; both errors when both fail).
    void AutoSave();
    // Before the log is discarded: when it holds samples that are in no file, writes them to
    // the current file where the automatic save may, else to a recovery file, which then stays
    // for the user. Returns that recovery file, or empty. Throws a FileFailure when the samples
    // could be written nowhere.
    QString KeepUnsaved();
    // The recovery file that New or Open wrote last; empty when they kept nothing.
    const QString& KeptFile() const { return keptFile_; }

    // Two-digit years are placed relative to this year instead of the current one.
    void SetCurrentYearForTests(int year) { yearForTests_ = year; }
    // Whether the log's last sample is a minute still counting; no write holds it, and a
    // redraw draws it as running.
    void SetMinuteRunning(std::function<bool()> running) { running_ = std::move(running); }

private:
    // Writes the log to the current file; once it is there, nothing is at risk any more.
    void Write(bool automatic);
    void WriteExplicitly();
    double RecoveryNameTime() const;
    bool MayWriteCurrentFile() const { return !currentFile_.isEmpty() && !blocked_; }
    void WriteRecovery();
    void Clear();
    // Puts samples in the log and draws them; samples then holds nothing. When memory runs
    // out on the way, the log and the display are left as they were and the Open of path
    // fails.
    void ShowInstead(std::vector<Sample>& samples, const QString& path);
    // The file, its state and the recovery file are no longer the current log's.
    void ForgetFile();
    bool MinuteRunning() const;
    int Year() const;

    SampleLog& log_;
    UnreadableText unreadable_;
    SampleDisplay& display_;
    const GraphSettings& settings_;
    FileDialogs& dialogs_;
    RecoveryStore& recovery_;
    QString currentFile_;
    QString folder_;
    int folderFiles_ = 0;
    int duplicates_ = 0;
    QString keptFile_;
    QString copyOf_;
    QString discardedRecovery_;
    LogFileTail tail_;
    bool changed_ = false;
    bool changedSinceRecovery_ = false;
    bool blocked_ = false;
    int unreadableLines_ = 0;
    int firstUnreadableLine_ = 0;
    int firstForeignLine_ = 0;
    int yearForTests_ = 0;
    std::function<bool()> running_;
};
