#include "WindowFiles.h"

#include "ErrorBox.h"
#include "ErrorTexts.h"
#include "FileCommands.h"
#include "FileError.h"
#include "MainMenus.h"
#include "RecoveryStore.h"

#include <QAction>
#include <QDate>
#include <QTimer>
#ifdef __GLIBC__
#include <malloc.h>
#endif

WindowFiles::WindowFiles(SampleLog& log, SampleDisplay& display, const GraphSettings& graph,
                         FileDialogs& dialogs, const QString& recoveryFolder,
                         const MainMenus& menus, QObject* parent)
    : QObject(parent),
      recovery_(std::make_unique<RecoveryStore>(recoveryFolder)),
      commands_(std::make_unique<FileCommands>(log, display, graph, dialogs, *recovery_)),
      openRecovery_(menus.OpenRecovery),
      timer_(new QTimer(this)) {
    timer_->setInterval(60000);
    connect(menus.OpenFolder, &QAction::triggered, this, [this] {
        RunGuarded([this] { Run([this] { commands_->OpenFolderClick(); }, true); });
    });
}

WindowFiles::~WindowFiles() = default;

void WindowFiles::LookForRecoveryFiles() {
    recoveryFiles_ = recovery_->Summaries(QDate::currentDate().year());
    recoveryAvailable_ = !recoveryFiles_.isEmpty();
    openRecovery_->setEnabled(recoveryAvailable_);
}

void WindowFiles::Run(const std::function<void()>& command, bool replacesLog) {
    // Save As keeps the chosen name even when the write then fails, so the timer and status
    // follow the file name whatever happened.
    try {
        command();
    } catch (...) {
        AfterCommand(replacesLog);
        throw;
    }
    AfterCommand(replacesLog);
}

void WindowFiles::OpenAtStart(const QString& path) {
    const bool recoveryAvailable = recoveryAvailable_;
    try {
        Run([&] { commands_->OpenPath(path); }, true);
    } catch (...) {
        recoveryAvailable_ = recoveryAvailable;
        throw;
    }
    recoveryAvailable_ = recoveryAvailable;
}

void WindowFiles::AfterCommand(bool replacesLog) {
#ifdef __GLIBC__
    // Reading a large log leaves many small freed blocks behind; handed back to the system, a
    // logger that opened a year of data does not keep the reading's peak for days.
    if (replacesLog) {
        malloc_trim(0);
    }
#endif
    autosaveError_.clear();
    missingNotice_.clear();
    keptNotice_ = commands_->KeptFile();
    recoveryAvailable_ = false;
    openRecovery_->setEnabled(recovery_->HasFiles());
    UpdateTimer();
    emit Changed(replacesLog);
}

void WindowFiles::SayMissing(const QString& path) {
    missingNotice_ = path;
    emit Changed(false);
}

void WindowFiles::AutoSave() {
    try {
        commands_->AutoSave();
        autosaveError_.clear();
    } catch (const FileFailure& e) {
        autosaveError_ = FailureText(e);
    }
    openRecovery_->setEnabled(recovery_->HasFiles());
    UpdateTimer();
    emit Changed(false);
}

void WindowFiles::SetMinuteRunning(std::function<bool()> running) {
    commands_->SetMinuteRunning(std::move(running));
}

void WindowFiles::LiveDataChanged() {
    commands_->MarkChanged();
    UpdateTimer();
}

void WindowFiles::UpdateTimer() {
    if (commands_->CurrentFile().isEmpty() && !commands_->Changed()) {
        timer_->stop();
    } else if (!timer_->isActive()) {
        timer_->start();
    }
}

StatusState WindowFiles::Status() const {
    StatusState state;
    state.File = commands_->CurrentFile();
    state.Folder = commands_->CurrentFolder();
    state.FolderFiles = commands_->FolderFiles();
    state.DuplicateMinutes = commands_->DuplicateMinutes();
    state.AutosaveError = autosaveError_;
    if (commands_->AutoSaveBlocked()) {
        state.UnreadableLines = commands_->UnreadableLines();
        state.FirstUnreadableLine = commands_->FirstUnreadableLine();
        state.FirstForeignLine = commands_->FirstForeignLine();
    }
    state.KeptFile = keptNotice_;
    state.MissingFile = missingNotice_;
    state.CopyOf = commands_->CopyOf();
    state.DiscardedRecovery = commands_->DiscardedRecovery();
    state.RecoveryAvailable = recoveryAvailable_;
    state.RecoveryFiles = recoveryFiles_;
    return state;
}
