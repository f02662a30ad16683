#include "ViewCommands.h"

#include "ChartImage.h"
#include "ChartNavigation.h"
#include "ChartPane.h"
#include "FileCommands.h"
#include "GoToDialog.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"

ViewCommands::ViewCommands(ChartPane& pane, DisplayModel& display, const SampleLog& log,
                           const GraphSettings& graph, FileDialogs& dialogs, QWidget* window)
    : QObject(window),
      pane_(pane),
      display_(display),
      log_(log),
      graph_(graph),
      dialogs_(dialogs),
      window_(window) {}

ViewCommands::~ViewCommands() {
    delete summary_;
}

void ViewCommands::GoToClick(const std::function<bool(GoToDialog&)>& runDialog) {
    GoToDialog dialog([this](const QString& text) { return pane_.FindTime(text); }, window_);
    if (runDialog ? runDialog(dialog) : dialog.exec() == QDialog::Accepted) {
        pane_.ShowPageFrom(dialog.Found);
    }
}

void ViewCommands::SummaryClick() {
    if (!summary_) {
        summary_ = new SummaryWindow(display_, log_, graph_, window_);
        connect(summary_, &SummaryWindow::PeriodChosen, this, [this](double start) {
            pane_.ShowPageFrom(ChartNavigation::FirstSampleAtOrAfter(log_, start));
        });
        emit SummaryCreated(*summary_);
        summary_->FitColumns();
    }
    summary_->show();
    summary_->raise();
    summary_->activateWindow();
}

void ViewCommands::SaveImageClick(QCustomPlot& chart) {
    if (const std::optional<QString> path = dialogs_.ChooseImageFile()) {
        SaveChartImage(chart, *path);
    }
}

void ViewCommands::SaveSummaryClick() {
    SaveSummaryCsv(log_, graph_, summary_ ? summary_->Model().Period() : SummaryPeriod::Day,
                   dialogs_);
}
