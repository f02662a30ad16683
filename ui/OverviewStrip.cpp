#include "OverviewStrip.h"

#include "ChartNavigation.h"
#include "SampleLog.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

OverviewStrip::OverviewStrip(const SampleLog& log, QWidget* parent) : QWidget(parent), log_(log) {
    setObjectName(QStringLiteral("Overview"));
    setFixedHeight(kHeight);
    setCursor(Qt::PointingHandCursor);
    Rebuild();
}

void OverviewStrip::Rebuild() {
    bands_.Rebuild(log_.Samples(), std::max(1, width()));
    known_ = log_.Count();
    sorted_ = std::is_sorted(log_.Samples().begin(), log_.Samples().end(),
                             [](const Sample& a, const Sample& b) { return a.Time < b.Time; });
    update();
}

void OverviewStrip::LogReplaced() {
    Rebuild();
}

void OverviewStrip::LiveReport() {
    const int count = log_.Count();
    if (count == known_ && count > 0) {
        bands_.SetLastCpm(log_.Last().Cpm);
    } else if (count == known_ + 1 && known_ > 0 && bands_.Append(log_.Last())) {
        sorted_ = sorted_ && log_.At(count - 2).Time <= log_.Last().Time;
        known_ = count;
    } else {
        Rebuild();
        return;
    }
    update();
}

void OverviewStrip::SetPage(int first, int last) {
    if (first != first_ || last != last_) {
        first_ = first;
        last_ = last;
        update();
    }
}

double OverviewStrip::XOf(double time) const {
    return (time - bands_.Start()) / bands_.Step() * width() / bands_.Columns();
}

double OverviewStrip::TimeAt(double x) const {
    return bands_.TimeOf(x / width() * bands_.Columns());
}

QRect OverviewStrip::PageRect() const {
    if (first_ < 0 || last_ < first_ || last_ >= log_.Count()) {
        return {};
    }
    const double a = XOf(log_.At(first_).Time);
    const double b = XOf(log_.At(last_).Time) + double(width()) / bands_.Columns();
    const int left = int(std::floor(std::min(a, b)));
    const int right = int(std::ceil(std::max(a, b)));
    // Never thinner than a few pixels, so a page of a long log can still be seen and grabbed.
    const int w = std::max(right - left, 4);
    const QRect trace = TraceRect();
    return QRect(std::clamp(left, 0, std::max(0, width() - w)), trace.top(), w, trace.height());
}

int OverviewStrip::SampleAt(double time) const {
    if (log_.Count() == 0) {
        return -1;
    }
    const int index = ChartNavigation::FirstSampleAtOrAfter(log_, time, sorted_);
    return index < 0 ? log_.Count() - 1 : index;
}

void OverviewStrip::RequestPageAt(double x, bool centred) {
    const int index = SampleAt(TimeAt(x));
    if (index < 0) {
        return;
    }
    const int page = ChartNavigation::kPageSize;
    emit PageRequested(
        ChartNavigation::PageStartAt(centred ? index - page / 2 : index, log_.Count()));
}

void OverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || log_.Count() == 0) {
        return;
    }
    const QRect page = PageRect();
    const double x = event->position().x();
    if (!page.isValid() || x < page.left() || x > page.right()) {
        RequestPageAt(x, true);  // a click elsewhere brings the page there
    }
    dragging_ = true;
    const QRect now = PageRect();
    grabOffset_ = now.isValid() ? x - now.left() : 0;
}

void OverviewStrip::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        RequestPageAt(event->position().x() - grabOffset_, false);
    }
}

void OverviewStrip::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void OverviewStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Rebuild();
}

void OverviewStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(248, 248, 248));
    const QRect trace = TraceRect();
    const int top = bands_.Top();
    const double pixelsPerColumn = double(width()) / bands_.Columns();
    // Columns without a sample between the log's ends are missing time: a light shade.
    int lastColumn = bands_.Columns() - 1;
    while (lastColumn > 0 && bands_.At(lastColumn).Empty) {
        --lastColumn;
    }
    for (int c = 0; c < lastColumn; ++c) {
        if (bands_.At(c).Empty) {
            painter.fillRect(
                QRectF(c * pixelsPerColumn, trace.top(), pixelsPerColumn, trace.height()),
                QColor(228, 228, 228));
        }
    }
    if (top > 0) {
        painter.setPen(QPen(QColor(220, 60, 40), std::max(1.0, pixelsPerColumn)));
        const double bottom = trace.bottom();
        const double scale = (trace.height() - 3) / double(top);
        for (int c = 0; c < bands_.Columns(); ++c) {
            const OverviewBands::Band band = bands_.At(c);
            if (band.Empty) {
                continue;
            }
            const double x = (c + 0.5) * pixelsPerColumn;
            const double y1 = bottom - std::max(0, band.Min) * scale;
            const double y2 = bottom - std::max(0, band.Max) * scale;
            painter.drawLine(QPointF(x, y1), QPointF(x, std::min(y2, y1 - 1)));
        }
    }
    if (const QRect page = PageRect(); page.isValid()) {
        painter.fillRect(page, QColor(0, 90, 255, 50));
        painter.setPen(QColor(0, 90, 255, 160));
        painter.drawRect(page.adjusted(0, 0, -1, -1));
    }
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(QColor(210, 210, 210));
    painter.drawLine(0, trace.top() - 1, width(), trace.top() - 1);
    if (const QString caption = caption_ ? caption_() : QString(); !caption.isEmpty()) {
        QFont font = painter.font();
        font.setPixelSize(11);
        painter.setFont(font);
        painter.setPen(QColor(40, 40, 40));
        // Clipped to its band, so no font's descent reaches the trace.
        painter.setClipRect(CaptionRect().adjusted(0, 1, 0, -1));
        painter.drawText(CaptionRect().adjusted(4, 1, -4, -1), Qt::AlignLeft | Qt::AlignVCenter,
                         caption);
    }
}
