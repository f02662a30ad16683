#pragma once

#include <QObject>
#include <functional>

class ChartPane;
class QCustomPlot;
class DisplayModel;
class FileDialogs;
class GoToDialog;
class QWidget;
class SampleLog;
class SummaryWindow;
struct GraphSettings;

// The commands that look at the log: going to a time (表示 → 移動), the summaries window beside
// the main window (表示 → 集計), whose double-clicked period the chart then shows, and saving
// the summaries as CSV by the period that window shows.
class ViewCommands : public QObject {
    Q_OBJECT

public:
    ViewCommands(ChartPane& pane, DisplayModel& display, const SampleLog& log,
                 const GraphSettings& graph, FileDialogs& dialogs, QWidget* window);
    // The summaries window goes with this, before the display and log it watches.
    ~ViewCommands() override;

    // runDialog empty: the dialog's exec().
    void GoToClick(const std::function<bool(GoToDialog&)>& runDialog);
    void SummaryClick();
    void SaveSummaryClick();
    // The chart as a picture (PNG, or PDF by its name) where the user chooses.
    void SaveImageClick(QCustomPlot& chart);

    // The summaries window; null until first shown.
    SummaryWindow* Summaries() const { return summary_; }

signals:
    // The summaries window was made, just before it is first shown and widened to show all its
    // columns.
    void SummaryCreated(SummaryWindow& window);

private:
    ChartPane& pane_;
    DisplayModel& display_;
    const SampleLog& log_;
    const GraphSettings& graph_;
    FileDialogs& dialogs_;
    QWidget* window_;
    SummaryWindow* summary_ = nullptr;
};
