#include "GapMarks.h"

#include "DateTime.h"

#include <QCoreApplication>
#include <cmath>

namespace {

// Half the band's width, and how near the mouse must come to a mark for its text.
constexpr double kHalfBand = 3;
constexpr double kHoverReach = 4;

}  // namespace

GapMarks::GapMarks(QCustomPlot* chart) : QCPLayerable(chart, QStringLiteral("main")) {
    setObjectName(QStringLiteral("GapMarks"));
    setAntialiased(false);
}

double GapMarks::XOf(const TimeGaps::Gap& gap) const {
    // Halfway between the gap's two points: the boundary of their slots.
    return mParentPlot->xAxis->coordToPixel(gap.Before + 0.5);
}

const TimeGaps::Gap* GapMarks::GapAt(QPointF pos) const {
    if (!clipRect().contains(pos.toPoint())) {
        return nullptr;
    }
    const TimeGaps::Gap* nearest = nullptr;
    double best = kHoverReach;
    for (const TimeGaps::Gap& gap : gaps_) {
        if (const double d = std::abs(XOf(gap) - pos.x()); d <= best) {
            best = d;
            nearest = &gap;
        }
    }
    return nearest;
}

QString GapMarks::Text(const TimeGaps::Gap& gap) {
    const QString from = DateTime::MinuteText(gap.From);
    const QString to = DateTime::MinuteText(gap.To);
    const qint64 hours = gap.Minutes / 60;
    const qint64 minutes = gap.Minutes % 60;
    if (hours == 0) {
        return QCoreApplication::translate("GapMarks", "欠測 %1 分 (%2 – %3)")
            .arg(minutes)
            .arg(from, to);
    }
    return QCoreApplication::translate("GapMarks", "欠測 %1 時間 %2 分 (%3 – %4)")
        .arg(hours)
        .arg(minutes)
        .arg(from, to);
}

void GapMarks::applyDefaultAntialiasingHint(QCPPainter* painter) const {
    applyAntialiasingHint(painter, mAntialiased, QCP::aeItems);
}

QRect GapMarks::clipRect() const {
    return mParentPlot->axisRect()->rect();
}

void GapMarks::draw(QCPPainter* painter) {
    const QRect plot = clipRect();
    const QPen dashed(QColor(90, 90, 90), 1, Qt::DashLine);
    for (const TimeGaps::Gap& gap : gaps_) {
        const double x = std::round(XOf(gap));
        if (x < plot.left() || x > plot.right()) {
            continue;
        }
        painter->fillRect(QRectF(x - kHalfBand, plot.top(), 2 * kHalfBand + 1, plot.height()),
                          QColor(120, 120, 120, 45));
        painter->setPen(dashed);
        painter->drawLine(QPointF(x + 0.5, plot.top()), QPointF(x + 0.5, plot.bottom()));
    }
}
