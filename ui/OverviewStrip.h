#pragma once

#include "OverviewBands.h"

#include <QString>
#include <QWidget>
#include <functional>

class SampleLog;

// A strip under the chart that shows the whole log at once: CPM as a band from the lowest to
// the highest count of each pixel column, on a real time axis, so gaps stay gaps (shaded, where
// no sample fell between the log's first and last). The chart's page is a highlighted band; a
// click moves the page there and dragging the band moves it along. A line of text above the
// trace, in a band of its own, says what the page shows. The bands are worked out when the log
// changes, never while painting.
class OverviewStrip final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCaptionHeight = 14;
    static constexpr int kTraceHeight = 40;
    static constexpr int kHeight = kCaptionHeight + kTraceHeight;

    OverviewStrip(const SampleLog& log, QWidget* parent = nullptr);

    // The log was replaced or cleared (New, Open): the bands are built again.
    void LogReplaced();
    // A live report added to the last sample or appended one.
    void LiveReport();
    // The chart shows points first..last (inclusive); -1 for none.
    void SetPage(int first, int last);
    // The line of text above the trace (what the page shows), asked for when the strip is
    // painted.
    void SetCaption(std::function<QString()> caption) { caption_ = std::move(caption); }
    // Where the text and the trace are drawn: one above the other, never overlapping.
    QRect CaptionRect() const { return QRect(0, 0, width(), kCaptionHeight); }
    QRect TraceRect() const { return QRect(0, kCaptionHeight, width(), height() - kCaptionHeight); }

    const OverviewBands& Bands() const { return bands_; }
    // Where the page band lies on the trace, in pixels; empty without a page.
    QRect PageRect() const;

signals:
    // The user asked for the page that starts at this point.
    void PageRequested(int firstPoint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Rebuild();
    double XOf(double time) const;
    double TimeAt(double x) const;
    // The sample at or after a time, or the last one before it.
    int SampleAt(double time) const;
    void RequestPageAt(double x, bool centred);

    const SampleLog& log_;
    OverviewBands bands_;
    int known_ = 0;       // samples the bands have seen
    bool sorted_ = true;  // the log is in time order: sample lookups may bisect
    int first_ = -1;
    int last_ = -1;
    std::function<QString()> caption_;
    bool dragging_ = false;
    double grabOffset_ = 0;  // from the band's left edge to where it was grabbed
};
