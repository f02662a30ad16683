#include "ChartPane.h"

#include "ChartNavigation.h"
#include "ChartView.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "GapMarks.h"
#include "OverviewStrip.h"
#include "SampleLog.h"

#include <qcustomplot.h>
#include <QDate>
#include <QKeyEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <span>

namespace {

using ChartNavigation::Key;

std::optional<Key> NavigationKey(int key) {
    switch (key) {
        case Qt::Key_PageUp:
            return Key::PageUp;
        case Qt::Key_PageDown:
            return Key::PageDown;
        case Qt::Key_Left:
            return Key::Left;
        case Qt::Key_Right:
            return Key::Right;
        case Qt::Key_Home:
            return Key::Home;
        case Qt::Key_End:
            return Key::End;
        default:
            return std::nullopt;
    }
}

}  // namespace

ChartPane::ChartPane(DisplayModel& display, const SampleLog& log, QWidget* parent)
    : QWidget(parent), display_(display), log_(log) {
    setObjectName(QStringLiteral("ChartPane"));
    view_ = new ChartView(display, this);
    view_->MarkGapsOf(log);
    strip_ = new OverviewStrip(log, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_->Chart(), 1);
    layout->addWidget(strip_);

    QCustomPlot* chart = view_->Chart();
    chart->setFocusPolicy(Qt::StrongFocus);
    chart->installEventFilter(this);
    connect(chart, &QCustomPlot::mouseMove, this, &ChartPane::ShowPointUnder);
    connect(chart->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &ChartPane::UpdatePage);
    connect(strip_, &OverviewStrip::PageRequested, this,
            [this](int first) { view_->ScrollTo(first); });
    strip_->SetCaption([this] { return PageCaption(); });
    UpdatePage();
}

void ChartPane::LogReplaced() {
    strip_->LogReplaced();
    UpdatePage();
}

void ChartPane::LiveReport(bool droppedRunning) {
    // A point taken out is rare: the strip then starts afresh.
    if (droppedRunning) {
        strip_->LogReplaced();
    } else {
        strip_->LiveReport();
    }
    UpdatePage();
}

void ChartPane::ShowSample(int index) {
    if (index >= 0) {
        view_->ScrollTo(
            ChartNavigation::PageStartShowing(index, view_->PageStart(), display_.CpmCount()));
    }
}

void ChartPane::ShowLogLine(int line) {
    const auto& records = display_.LogRecords();
    if (line >= 0 && line < int(records.size())) {
        ShowSample(ChartNavigation::SampleOfLogLine(log_, line, records[size_t(line)].Time));
    }
}

void ChartPane::ShowPageFrom(int index) {
    if (index >= 0) {
        view_->ScrollTo(ChartNavigation::PageStartAt(index, display_.CpmCount()));
    }
}

std::variant<int, QString> ChartPane::FindTime(const QString& text) const {
    const auto time = ChartNavigation::ParseGoToTime(text, QDate::currentDate().year());
    if (!time) {
        return tr("yy/mm/dd, hh:nn か yy/mm/dd の形で入力してください");
    }
    const int index = ChartNavigation::FirstSampleAtOrAfter(log_, *time);
    if (index < 0) {
        return tr("その日時より後のサンプルはありません");
    }
    return index;
}

bool ChartPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->Chart() && event->type() == QEvent::KeyPress) {
        if (const auto key = NavigationKey(static_cast<QKeyEvent*>(event)->key())) {
            view_->ScrollTo(
                ChartNavigation::PageStartAfterKey(*key, view_->PageStart(), display_.CpmCount()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString ChartPane::PointText(int index) const {
    if (index < 0 || index >= log_.Count() || index >= display_.CpmCount()) {
        return {};
    }
    QString text = DateTime::MinuteText(log_.At(index).Time) +
                   QStringLiteral("\n%1 CPM").arg(display_.CpmValue(index));
    if (index < display_.DoseCount() && !std::isnan(display_.DoseValues()[size_t(index)])) {
        text +=
            QStringLiteral("\n%1 µSv/h").arg(DoseReadingText(display_.DoseValues()[size_t(index)]));
    }
    return text;
}

void ChartPane::ShowPointUnder(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton) {
        return;  // a drag moves the page; no tooltip flickering along
    }
    QCustomPlot* chart = view_->Chart();
    const int index = int(std::lround(chart->xAxis->pixelToCoord(event->position().x())));
    const TimeGaps::Gap* gap = view_->Gaps().GapAt(event->position());
    const QString text = gap != nullptr ? GapMarks::Text(*gap)
                         : chart->axisRect()->rect().contains(event->position().toPoint())
                             ? PointText(index)
                             : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(event->globalPosition().toPoint(), text, chart);
    }
}

QString ChartPane::PageCaption() const {
    const int count = display_.CpmCount();
    if (count == 0) {
        return {};
    }
    const int first = std::clamp(view_->PageStart(), 0, count - 1);
    const int last = std::min(count, first + ChartView::MaxPointsPerPage);
    const std::span<const double> cpm(display_.CpmValues().data() + first, size_t(last - first));
    const int doseEnd = std::min(last, display_.DoseCount());
    const std::span<const double> dose =
        doseEnd > first
            ? std::span<const double>(display_.DoseValues().data() + first, size_t(doseEnd - first))
            : std::span<const double>();
    const ChartNavigation::PageSummary page = ChartNavigation::SummarizePage(cpm, dose);
    QString caption =
        tr("平均 %1 CPM (%2〜%3)").arg(page.MeanCpm, 0, 'f', 1).arg(page.MinCpm).arg(page.MaxCpm);
    if (!std::isnan(page.MeanDose)) {
        caption += QStringLiteral("  %1 µSv/h").arg(DoseReadingText(page.MeanDose));
    }
    return caption;
}

void ChartPane::UpdatePage() {
    const int count = std::min(display_.CpmCount(), log_.Count());
    if (count == 0) {
        strip_->SetPage(-1, -1);
        return;
    }
    const int first = std::clamp(view_->PageStart(), 0, count - 1);
    strip_->SetPage(first, std::min(count, first + ChartView::MaxPointsPerPage) - 1);
}
