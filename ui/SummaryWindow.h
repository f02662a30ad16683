#pragma once

#include "PeriodSummary.h"

#include <QWidget>

class DisplayModel;
class FileDialogs;
class QCPBars;
class QCPGraph;
class QComboBox;
class QCustomPlot;
class QLabel;
class QTableView;
class QTimer;
class SampleLog;
class SummaryModel;

// The summaries window: a period selector, the table (sortable, Ctrl+C copies the selected
// cells as tab-separated text), a bar chart of the mean dose rate per period with each
// period's highest minute marked, and the whole log's dose and coverage. It follows the log
// while shown; the chart and totals catch up at most once a second.
class SummaryWindow final : public QWidget {
    Q_OBJECT

public:
    SummaryWindow(DisplayModel& display, const SampleLog& log, const GraphSettings& settings,
                  QWidget* parent = nullptr);

    SummaryModel& Model() const { return *model_; }
    QComboBox* PeriodBox = nullptr;
    QTableView* Table = nullptr;
    QCustomPlot* Chart = nullptr;
    QLabel* TotalsLabel = nullptr;

    // Brings the chart and the totals up to date now.
    void Refresh();
    // Widens the window, within the screen, until every column of the table shows without
    // scrolling sideways; never narrows it. Reads the log as showing the window would.
    void FitColumns();
    // The selected cells as tab-separated lines, in the table's order.
    QString SelectedText() const;

signals:
    // A row was double-clicked: the start of its period.
    void PeriodChosen(double start);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Rebuilt();
    void Changed();

    SummaryModel* model_;
    QCPBars* bars_ = nullptr;
    QCPGraph* highest_ = nullptr;
    QTimer* refresh_ = nullptr;
};

// Writes the summary of the log by period as CSV (SummaryCsv) to a file the user chooses;
// nothing when cancelled. Throws a FileFailure when the file cannot be written.
void SaveSummaryCsv(const SampleLog& log, const GraphSettings& settings, SummaryPeriod period,
                    FileDialogs& dialogs);
