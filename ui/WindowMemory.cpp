#include "WindowMemory.h"

#include "LanguageMenu.h"
#include "LogView.h"
#include "Main.h"
#include "MainFormOptions.h"
#include "MainSplitter.h"
#include "RecentFilesMenu.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"
#include "ViewCommands.h"

#include <QComboBox>
#include <QEvent>
#include <QStatusBar>

namespace {

// The smallest main window, whatever was remembered.
constexpr int kMinimumSide = 256;

}  // namespace

WindowMemory::WindowMemory(TMainForm& form, WindowFiles& files, ViewCommands& views,
                           const MainFormOptions& options)
    : QObject(&form),
      form_(form),
      views_(views),
      dialogs_(*options.Dialogs),
      iniPath_(options.IniPath),
      startingPath_(options.IniStartingPath),
      loaded_(LoadWindowState(iniPath_, startingPath_)),
      recent_(new RecentFilesMenu(form.Recent, files, loaded_.RecentFiles, this)) {
    form.setMinimumSize(kMinimumSide, kMinimumSide);
    // The first size always comes first: a remembered geometry the screen cannot take leaves it.
    MainSplitter::SizeWindow(form);
    if (!loaded_.MainGeometry.isEmpty()) {
        form.restoreGeometry(loaded_.MainGeometry);
    }
    if (loaded_.LogShown) {
        form.ShowClick();
    }
    if (loaded_.LogHeight > 0) {
        // The chart takes what the window gains or loses; the pane keeps its height.
        form.Splitter->setSizes({form.Splitter->height(), loaded_.LogHeight});
    }
    dialogs_.SetFolder(loaded_.Folder);
    new LanguageMenu(*form.View, *form.statusBar(), iniPath_, startingPath_, this);
    connect(&views, &ViewCommands::SummaryCreated, this, &WindowMemory::RestoreSummary);
    form.installEventFilter(this);
}

void WindowMemory::RestoreSummary(SummaryWindow& summary) {
    if (!loaded_.SummaryGeometry.isEmpty()) {
        summary.restoreGeometry(loaded_.SummaryGeometry);
    }
    if (loaded_.Period) {
        summary.PeriodBox->setCurrentIndex(summary.PeriodBox->findData(int(*loaded_.Period)));
    }
}

WindowState WindowMemory::State() const {
    WindowState state = loaded_;
    // A window never shown has no place of its own to remember.
    if (form_.isVisible()) {
        state.MainGeometry = form_.saveGeometry();
        state.LogShown = !form_.Log->isHidden();
        if (state.LogShown) {
            state.LogHeight = form_.Log->height();
        }
    }
    if (const SummaryWindow* summary = views_.Summaries()) {
        state.SummaryGeometry = summary->saveGeometry();
        state.Period = summary->Model().Period();
    }
    state.Folder = dialogs_.Folder();
    state.RecentFiles = recent_->Paths();
    return state;
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event) {
    // Before the window's own close, which saves the settings and may report the file.
    if (watched == &form_ && event->type() == QEvent::Close) {
        SaveWindowState(iniPath_, State(), startingPath_);
    }
    return QObject::eventFilter(watched, event);
}
