#pragma once

#include "TimeGaps.h"

#include <qcustomplot.h>
#include <QString>
#include <vector>

// The gaps in time on the chart's page: a dashed line on a light band at the boundary between
// the two points of each gap, drawn over the series. The page's gaps are given with the page's
// points, so drawing only looks them up.
class GapMarks final : public QCPLayerable {
public:
    explicit GapMarks(QCustomPlot* chart);

    void SetGaps(std::vector<TimeGaps::Gap> gaps) { gaps_ = std::move(gaps); }
    const std::vector<TimeGaps::Gap>& Gaps() const { return gaps_; }

    // Where a gap's mark is drawn, in the chart's pixels.
    double XOf(const TimeGaps::Gap& gap) const;
    // The gap whose mark lies within a few pixels of pos inside the plot; null when none.
    const TimeGaps::Gap* GapAt(QPointF pos) const;
    // The hover text of a gap: its length and its two ends.
    static QString Text(const TimeGaps::Gap& gap);

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;
    QRect clipRect() const override;

private:
    std::vector<TimeGaps::Gap> gaps_;
};
