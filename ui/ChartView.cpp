#include "ChartView.h"

#include "GapMarks.h"
#include "SampleLog.h"
#include "TimeGaps.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// A fixed step with a fixed number of minor ticks between major ones; labels with or without
// thousands separators ("#,##0.00" against "0").
class StepTicker : public QCPAxisTickerFixed {
public:
    StepTicker(double step, int subTicks, bool grouped) : subTicks_(subTicks), grouped_(grouped) {
        setTickStep(step);
        setScaleStrategy(ssMultiples);
    }

protected:
    int getSubTickCount(double) override { return subTicks_; }
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override {
        QLocale labels = locale;
        if (!grouped_) {
            labels.setNumberOptions(labels.numberOptions() | QLocale::OmitGroupSeparator);
        }
        return labels.toString(tick, formatChar.toLatin1(), precision);
    }

private:
    int subTicks_;
    bool grouped_;
};

// The bottom axis: a tick at each labelled point of the range shown, with its label, asked of
// the model only for that range.
class PointLabelTicker : public QCPAxisTicker {
public:
    explicit PointLabelTicker(const DisplayModel& model) : model_(model) {}

protected:
    double getTickStep(const QCPRange&) override { return 1.0; }
    int getSubTickCount(double) override { return 0; }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        return model_.LabelAt(int(std::lround(tick)));
    }
    QVector<double> createTickVector(double, const QCPRange& range) override {
        QVector<double> ticks;
        const double first = std::max(0.0, std::ceil(range.lower));
        const double last = std::min(double(model_.CpmCount() - 1), std::floor(range.upper));
        if (first <= last) {
            for (int point : model_.LabelledPoints(int(first), int(last))) {
                ticks.append(double(point));
            }
        }
        return ticks;
    }

private:
    const DisplayModel& model_;
};

QPen DottedPen(const QColor& colour) {
    QPen pen(colour, 0, Qt::DotLine);
    return pen;
}

}  // namespace

ChartView::ChartView(DisplayModel& model, QWidget* parent)
    : QObject(parent), model_(model), chart_(new QCustomPlot(parent)) {
    chart_->setObjectName(QStringLiteral("Chart"));
    Configure();
    replotTimer_.setSingleShot(true);
    connect(&replotTimer_, &QTimer::timeout, chart_, [this] { chart_->replot(); });
    connect(chart_, &QCustomPlot::beforeReplot, this, &ChartView::LoadPage);
    connect(chart_, &QCustomPlot::afterReplot, this, [this] { sinceReplot_.start(); });
    model_.AddListener(this);
    Reset();
}

ChartView::~ChartView() {
    model_.RemoveListener(this);
}

void ChartView::Configure() {
    chart_->setNoAntialiasingOnDrag(true);
    chart_->plotLayout()->setMargins(QMargins(5, 10, 10, 5));
    // Number texts with "." and "," grouping whatever the desktop's locale.
    chart_->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));

    QCPAxisRect* rect = chart_->axisRect();
    rect->setupFullAxesBox(false);
    const QPen frame(Qt::gray);
    for (QCPAxis* axis : rect->axes()) {
        axis->setBasePen(frame);
        axis->setTickPen(frame);
        axis->setSubTickPen(frame);
    }
    rect->axis(QCPAxis::atTop)->setTicks(false);
    rect->axis(QCPAxis::atTop)->setTickLabels(false);

    QCPAxis* bottom = chart_->xAxis;
    bottom->setTicker(QSharedPointer<PointLabelTicker>::create(model_));
    bottom->setTickLabelRotation(90);
    bottom->setSubTicks(false);
    bottom->setTickLength(5, 0);
    bottom->grid()->setPen(DottedPen(QColor(192, 192, 192)));

    QCPAxis* left = chart_->yAxis;
    left->setLabel(QStringLiteral("CPM"));
    left->setTicker(QSharedPointer<StepTicker>::create(1.0, 0, false));
    left->setNumberFormat(QStringLiteral("f"));
    left->setNumberPrecision(0);
    left->setSubTicks(false);
    left->setTickLength(2, 0);
    left->grid()->setPen(DottedPen(Qt::gray));

    QCPAxis* right = chart_->yAxis2;
    right->setVisible(true);
    right->setTickLabels(true);
    right->setLabel(QStringLiteral("uSv/ h"));
    right->setTicker(QSharedPointer<StepTicker>::create(0.05, 4, true));
    right->setNumberFormat(QStringLiteral("f"));
    right->setNumberPrecision(2);
    right->grid()->setVisible(false);

    // Drawn first: the CPM area, red fading to light yellow, 40 % transparent, no outline.
    seriesCpm_ = chart_->addGraph(bottom, left);
    seriesCpm_->setName(QStringLiteral("CPM"));
    seriesCpm_->setPen(Qt::NoPen);
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0.0, QColor(255, 0, 0, 153));
    gradient.setColorAt(0.7, QColor(255, 255, 128, 153));
    gradient.setColorAt(1.0, QColor(255, 255, 128, 153));
    seriesCpm_->setBrush(QBrush(gradient));
    seriesCpm_->setLineStyle(QCPGraph::lsLine);

    // Drawn over it: the dose line, blue, 25 % transparent; NaN points leave gaps.
    seriesSv_ = chart_->addGraph(bottom, right);
    seriesSv_->setName(QStringLiteral("uSv/ h"));
    seriesSv_->setPen(QPen(QColor(0, 0, 255, 191), 1));
    seriesSv_->setBrush(Qt::NoBrush);

    // Over both series: the marks of gaps in time.
    gaps_ = new GapMarks(chart_);

    chart_->legend->setVisible(false);
    chart_->setInteractions(QCP::iRangeDrag);
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Orientations());

    connect(bottom, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &ChartView::OnRangeChanged);
}

int ChartView::PageStart() const {
    return int(std::lround(chart_->xAxis->range().lower + 0.5));
}

void ChartView::ScrollTo(int firstPoint) {
    ShowPage(firstPoint - 0.5);
    const int count = model_.CpmCount();
    following_ = PageStart() + MaxPointsPerPage >= count;
    Replot();
}

void ChartView::ShowPage(double lower) {
    const int count = model_.CpmCount();
    const double width = std::max(1, std::min(count, MaxPointsPerPage));
    const double last = std::max(count, 1) - 0.5;
    lower = std::clamp(lower, -0.5, last - width);
    settingRange_ = true;
    chart_->xAxis->setRange(lower, lower + width);
    settingRange_ = false;
    pageStale_ = true;
    FitValueAxes();
}

void ChartView::LoadPage() {
    // The points of the page and one beyond each side, so lines run on to the edges. Loaded as
    // the chart is drawn, once for all changes since the last time.
    if (!pageStale_) {
        return;
    }
    pageStale_ = false;
    const QCPRange range = chart_->xAxis->range();
    const int first = std::max(0, int(std::floor(range.lower)));
    const int last = int(std::ceil(range.upper));
    const auto load = [&](QCPGraph* graph, const std::vector<double>& values) {
        const int end = std::min(int(values.size()), last + 1);
        QVector<QCPGraphData> points(std::max(0, end - first));
        QCPGraphData* point = points.data();
        for (int i = first; i < end; ++i, ++point) {
            *point = QCPGraphData(double(i), values[size_t(i)]);
        }
        graph->data()->set(points, true);
    };
    load(seriesCpm_, model_.CpmValues());
    load(seriesSv_, model_.DoseValues());
    if (log_ != nullptr) {
        gaps_->SetGaps(
            TimeGaps::Find(log_->Samples(), first, std::min(last, model_.CpmCount() - 1)));
    }
}

void ChartView::MarkGapsOf(const SampleLog& log) {
    log_ = &log;
    pageStale_ = true;
    Replot();
}

void ChartView::FollowNewest() {
    if (following_) {
        ShowPage(model_.CpmCount() - MaxPointsPerPage - 0.5);
    } else {
        ShowPage(chart_->xAxis->range().lower);
    }
}

void ChartView::FitValueAxes() {
    const QCPRange range = chart_->xAxis->range();
    const int first = std::max(0, int(std::ceil(range.lower)));
    const auto upTo = [&](const std::vector<double>& values) {
        const int end = std::min(int(values.size()), int(std::floor(range.upper)) + 1);
        double top = 0;
        for (int i = first; i < end; ++i) {
            if (!std::isnan(values[size_t(i)])) {
                top = std::max(top, values[size_t(i)]);
            }
        }
        return top;
    };
    // Maxima rounded up to the axis step, with room so the top is not clipped by the frame.
    const double cpmTop = std::max(1.0, std::ceil(upTo(model_.CpmValues()) * 1.05));
    const double doseTop =
        std::max(0.05, std::ceil(upTo(model_.DoseValues()) * 1.05 / 0.05) * 0.05);
    chart_->yAxis->setRange(0, cpmTop);
    chart_->yAxis2->setRange(0, doseTop);
}

void ChartView::OnRangeChanged(const QCPRange& range) {
    if (settingRange_) {
        return;
    }
    // A drag by the user: keep it inside the data and decide whether to follow.
    ShowPage(range.lower);
    following_ = PageStart() + MaxPointsPerPage >= model_.CpmCount();
    emit Scrolled();
}

void ChartView::Replot() {
    // Changes arrive one by one (a report a second, a rebuild, a page move): draw them together,
    // at most once a frame.
    if (!replotTimer_.isActive()) {
        const qint64 sinceLast = sinceReplot_.isValid() ? sinceReplot_.elapsed() : kFrameMs;
        replotTimer_.start(int(std::max<qint64>(0, kFrameMs - sinceLast)));
    }
}

void ChartView::Reset() {
    following_ = true;
    FollowNewest();
    Replot();
}

void ChartView::SeriesCleared() {
    Reset();
}

void ChartView::CpmAppended() {
    FollowNewest();
    Replot();
}

void ChartView::CpmRemoved() {
    // Where the user scrolled stays; a chart following the newest keeps following it.
    FollowNewest();
    Replot();
}

bool ChartView::OnPage(int index) const {
    // The page's points and the one beyond each side, whose lines reach into it.
    const QCPRange range = chart_->xAxis->range();
    return index >= std::floor(range.lower) && index <= std::ceil(range.upper);
}

void ChartView::CpmChanged(int index) {
    if (OnPage(index)) {
        pageStale_ = true;
        FitValueAxes();
        Replot();
    }
}

void ChartView::DoseAppended() {
    if (OnPage(model_.DoseCount() - 1)) {
        pageStale_ = true;
        FitValueAxes();
        Replot();
    }
}
