#pragma once

#include <QString>
#include <QWidget>
#include <variant>

class ChartView;
class DisplayModel;
class OverviewStrip;
class QMouseEvent;
class SampleLog;

// The chart with the whole log under it: the chart as configured, the overview strip, and the
// ways through a long log: keys while the chart has the focus (Page Up / Page Down a page, Left
// / Right ten points, Home the first page, End the newest), the strip, a sample to show, and
// the values under the mouse as a tooltip (over a gap's mark, the gap). The strip also says
// what the page shows.
class ChartPane final : public QWidget {
    Q_OBJECT

public:
    ChartPane(DisplayModel& display, const SampleLog& log, QWidget* parent = nullptr);

    ChartView& View() const { return *view_; }
    OverviewStrip& Strip() const { return *strip_; }

    // The log was replaced or cleared.
    void LogReplaced();
    // A live report changed the log's end; droppedRunning: its running point was taken out.
    void LiveReport(bool droppedRunning = false);
    // Brings a sample into the page (in its middle when it was not shown).
    void ShowSample(int index);
    // Brings the sample of a log-pane line into the page.
    void ShowLogLine(int line);
    // Shows the page that begins at a sample.
    void ShowPageFrom(int index);
    // The sample of a time typed as the log writes it: the first at or after it, or why there
    // is none.
    std::variant<int, QString> FindTime(const QString& text) const;

    // The tooltip text for point index: its time, CPM and dose; empty outside the log.
    QString PointText(int index) const;
    // What the strip says about the page shown.
    QString PageCaption() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdatePage();
    void ShowPointUnder(QMouseEvent* event);

    DisplayModel& display_;
    const SampleLog& log_;
    ChartView* view_;
    OverviewStrip* strip_;
};
