#include "FileCommands.h"

#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "FileError.h"
#include "LogFolder.h"
#include "ReadBack.h"
#include "RecoveryStore.h"
#include "SampleLog.h"
#include "Termination.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <new>
#include <optional>

namespace {

// Takes the running minute out of the log while the log is written and puts it back after:
// a minute still counting is no line of any file, or a crash would leave it there as finished.
class FinishedMinutesOnly {
public:
    FinishedMinutesOnly(SampleLog& log, bool running) : log_(log) {
        if (running) {
            held_ = log_.Last();
            log_.RemoveLast();
        }
    }
    // The room the sample left is still there, so putting it back cannot fail.
    ~FinishedMinutesOnly() {
        if (held_) {
            log_.Append(*held_);
        }
    }
    FinishedMinutesOnly(const FinishedMinutesOnly&) = delete;
    FinishedMinutesOnly& operator=(const FinishedMinutesOnly&) = delete;

private:
    SampleLog& log_;
    std::optional<Sample> held_;
};

}  // namespace

QString QtNameFilters(QStringView filter) {
    const QList<QStringView> parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1].toString();
        patterns.replace(u';', u' ');
        filters.append(parts[i].toString() + QStringLiteral(" (") + patterns + u')');
    }
    return filters.join(QStringLiteral(";;"));
}

FileCommands::FileCommands(SampleLog& log, SampleDisplay& display, const GraphSettings& settings,
                           FileDialogs& dialogs, RecoveryStore& recovery)
    : log_(log), display_(display), settings_(settings), dialogs_(dialogs), recovery_(recovery) {}

void FileCommands::NewClick() {
    keptFile_ = KeepUnsaved();
    Clear();
}

void FileCommands::Clear() {
    display_.ClearCpm();
    display_.ClearDose();
    log_.Clear();
    unreadable_.Clear();
    display_.ClearLog();
    ForgetFile();
}

void FileCommands::ShowInstead(std::vector<Sample>& samples, const QString& path) {
    log_.Swap(samples);
    try {
        RebuildDisplay(log_, settings_, display_);
    } catch (const std::bad_alloc&) {
        // The samples that were shown come back, drawn in the room the new ones leave.
        log_.Swap(samples);
        std::vector<Sample>().swap(samples);
        RebuildDisplay(log_, settings_, display_);
        throw FileFailure({FileError::Operation::Read, FileError::Code::OutOfMemory, path, {}, 0});
    }
    std::vector<Sample>().swap(samples);
}

bool FileCommands::MinuteRunning() const {
    return running_ && running_() && log_.Count() > 0;
}

void FileCommands::ForgetFile() {
    currentFile_.clear();
    folder_.clear();
    folderFiles_ = 0;
    duplicates_ = 0;
    recovery_.Detach();
    recovery_.ReleaseOpened();
    tail_.Forget();
    copyOf_.clear();
    discardedRecovery_.clear();
    changed_ = false;
    changedSinceRecovery_ = false;
    blocked_ = false;
    unreadableLines_ = 0;
    firstUnreadableLine_ = 0;
    firstForeignLine_ = 0;
}

void FileCommands::OpenClick() {
    keptFile_.clear();
    const std::optional<QString> path = dialogs_.ChooseOpenFile({});
    if (path) {
        OpenFile(*path);
    }
}

void FileCommands::OpenRecoveryClick() {
    keptFile_.clear();
    const std::optional<QString> path = dialogs_.ChooseOpenFile(recovery_.Folder());
    if (path) {
        OpenFile(*path);
    }
}

int FileCommands::Year() const {
    return yearForTests_ != 0 ? yearForTests_ : QDate::currentDate().year();
}

void FileCommands::OpenFolderClick() {
    keptFile_.clear();
    const std::optional<QString> dir = dialogs_.ChooseFolder();
    if (dir) {
        OpenFolder(*dir);
    }
}

void FileCommands::OpenPath(const QString& path) {
    if (QFileInfo(path).isDir()) {
        OpenFolder(path);
    } else {
        OpenFile(path);
    }
}

void FileCommands::OpenFolder(const QString& dir) {
    keptFile_.clear();
    // As OpenFile: samples in no file are kept first, and a failed read changes nothing.
    const QString kept = KeepUnsaved();
    LogFolderRead read = ReadLogFolder(dir, Year(), &Termination::Pending);
    ShowInstead(read.Samples, dir);
    ForgetFile();
    keptFile_ = kept;
    folder_ = dir;
    folderFiles_ = read.Files;
    duplicates_ = read.Duplicates;
    unreadableLines_ = read.UnreadableLines();
    firstUnreadableLine_ = read.FirstUnreadableLine();
    unreadable_ = std::move(read.Unreadable);
    blocked_ = unreadableLines_ > 0;
}

void FileCommands::OpenFile(const QString& path) {
    keptFile_.clear();
    const int year = Year();
    // Samples in no file are kept before anything is read: the file chosen may be the current
    // one. A file that cannot be read then leaves the log, display and file name as they were.
    const QString kept = KeepUnsaved();
    // A signal asking the window to close ends a long read, so the close is not held up.
    CsvReadResult read = ReadCsvLog(path, year, &Termination::Pending);
    ShowInstead(read.Samples, path);
    ForgetFile();
    keptFile_ = kept;
    unreadableLines_ = read.UnreadableLines();
    firstUnreadableLine_ = read.FirstUnreadableLine();
    unreadable_ = std::move(read.Unreadable);
    if (unreadableLines_ == 0) {
        firstForeignLine_ = FirstSampleNotReadBack(log_.Samples(), year) + 1;
    }
    blocked_ = unreadableLines_ > 0 || firstForeignLine_ > 0;
    if (recovery_.HeldElsewhere(path)) {
        // Another window rewrites that file every minute: this log is a copy, in no file yet.
        copyOf_ = path;
        return;
    }
    currentFile_ = path;
    recovery_.HoldOpened(path);
    if (!blocked_) {
        // A file in our own form gets only its end written by the first automatic save too.
        tail_.Opened(path, log_, unreadable_, settings_);
    }
}

void FileCommands::SaveClick() {
    keptFile_.clear();
    discardedRecovery_.clear();
    if (currentFile_.isEmpty()) {
        SaveAsClick();
        return;
    }
    RebuildDisplay(log_, settings_, display_, MinuteRunning());
    WriteExplicitly();
}

void FileCommands::SaveAsClick() {
    keptFile_.clear();
    discardedRecovery_.clear();
    // A folder's record is offered as one file beside the folder, named after it.
    const std::optional<QString> path = dialogs_.ChooseSaveFile(
        folder_.isEmpty() ? currentFile_ : QDir::cleanPath(folder_) + QStringLiteral(".csv"));
    if (!path) {
        return;
    }
    currentFile_ = *path;
    folder_.clear();
    folderFiles_ = 0;
    duplicates_ = 0;
    RebuildDisplay(log_, settings_, display_, MinuteRunning());
    WriteExplicitly();
}

void FileCommands::WriteExplicitly() {
    // The user chose this file: from now on the automatic save may write it.
    blocked_ = false;
    unreadableLines_ = 0;
    firstUnreadableLine_ = 0;
    firstForeignLine_ = 0;
    Write(false);
    copyOf_.clear();
    // A recovery file the user opened is not needed once its samples are in another file.
    if (!recovery_.OpenedPath().isEmpty() && recovery_.OpenedPath() != currentFile_) {
        discardedRecovery_ = recovery_.DiscardOpened();
    }
}

void FileCommands::MarkChanged() {
    changed_ = true;
    changedSinceRecovery_ = true;
}

void FileCommands::AutoSave() {
    if (!changed_) {
        return;
    }
    if (!MayWriteCurrentFile()) {
        WriteRecovery();
        return;
    }
    try {
        Write(true);
    } catch (const FileFailure& failed) {
        // The samples go to the recovery file before the failure is reported.
        try {
            WriteRecovery();
        } catch (const FileFailure& alsoFailed) {
            throw FileFailure(failed, alsoFailed);
        }
        throw;
    }
}

QString FileCommands::KeepUnsaved() {
    if (!changed_) {
        return {};
    }
    if (MayWriteCurrentFile()) {
        try {
            Write(true);
            return {};
        } catch (const FileFailure&) {
            // The recovery file below keeps them instead.
        }
    }
    WriteRecovery();
    return recovery_.Path();
}

void FileCommands::WriteRecovery() {
    const FinishedMinutesOnly finished(log_, MinuteRunning());
    if (!changedSinceRecovery_ || log_.Count() == 0) {
        return;
    }
    recovery_.Write(RecoveryNameTime(), CsvTextOf(log_, settings_, unreadable_));
    changedSinceRecovery_ = false;
}

double FileCommands::RecoveryNameTime() const {
    return log_.Count() > 0 ? log_.At(0).Time
                            : DateTime::FromQDateTime(QDateTime::currentDateTime());
}

void FileCommands::Write(bool automatic) {
    const FinishedMinutesOnly finished(log_, MinuteRunning());
    // While only live data changed the log, the file is brought up to date from its first
    // changed line; anything else replaces it whole.
    if (!automatic || !tail_.Rewrite(currentFile_, log_, unreadable_, settings_)) {
        tail_.Forget();
        // The same records the rebuild just drew, so the file holds exactly the pane's lines,
        // and the lines that did not read as they were.
        const QByteArray text = CsvTextOf(log_, settings_, unreadable_);
        WriteCsvLog(currentFile_, text);
        tail_.Wrote(currentFile_, text, log_, unreadable_, settings_);
    }
    // The samples are in a file of the user's now: none at risk, no recovery file needed.
    changed_ = false;
    changedSinceRecovery_ = false;
    if (recovery_.Path() != currentFile_) {
        recovery_.Discard();
    }
}
