#pragma once

#include "DisplayModel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class GapMarks;
class QCustomPlot;
class QCPGraph;
class QCPRange;
class QWidget;
class SampleLog;

// Draws a DisplayModel's two series on a QCustomPlot: CPM as a filled area on the left axis,
// the dose rate as a line on the right axis. Shows a page of at most MaxPointsPerPage points that
// follows the newest point until the user drags it away. The chart holds the points of the page
// only, and its labels come from the model as the axis asks for them, so a page costs the same
// whatever the log's length. Changes are drawn together, at most once a frame.
class ChartView final : public QObject, private DisplayListener {
    Q_OBJECT

public:
    static constexpr int MaxPointsPerPage = 360;
    static constexpr qint64 kFrameMs = 16;

    ChartView(DisplayModel& model, QWidget* parent);
    ~ChartView() override;

    QCustomPlot* Chart() const { return chart_; }
    QCPGraph* SeriesCPM() const { return seriesCpm_; }
    QCPGraph* SeriesSV() const { return seriesSv_; }
    // The gaps in time marked on the page.
    const GapMarks& Gaps() const { return *gaps_; }
    // Marks the gaps between the times of log's samples, point i being sample i.
    void MarkGapsOf(const SampleLog& log);

    // True while the page follows the newest point.
    bool Following() const { return following_; }
    // The first point index of the page shown.
    int PageStart() const;
    // Moves the page to start at the given point and re-fits the vertical axes (as a drag does).
    void ScrollTo(int firstPoint);
    // True while changes wait for their frame to be drawn.
    bool ReplotPending() const { return replotTimer_.isActive(); }

signals:
    // The user dragged the chart sideways.
    void Scrolled();

private:
    void Reset() override;
    void SeriesCleared() override;
    void CpmAppended() override;
    void CpmChanged(int index) override;
    void CpmRemoved() override;
    void DoseAppended() override;

    void Configure();
    void ShowPage(double lower);
    void LoadPage();
    bool OnPage(int index) const;
    void FollowNewest();
    void FitValueAxes();
    void OnRangeChanged(const QCPRange& range);
    void Replot();

    DisplayModel& model_;
    QCustomPlot* chart_;
    QCPGraph* seriesCpm_ = nullptr;
    QCPGraph* seriesSv_ = nullptr;
    GapMarks* gaps_ = nullptr;  // owned by the chart
    const SampleLog* log_ = nullptr;
    bool following_ = true;
    bool settingRange_ = false;
    bool pageStale_ = true;  // the chart's points are not those of the page shown
    QTimer replotTimer_;
    QElapsedTimer sinceReplot_;
};
