#include "SummaryWindow.h"

#include "CsvLog.h"
#include "FileCommands.h"
#include "SampleLog.h"
#include "SummaryModel.h"
#include "SummaryTable.h"

#include <qcustomplot.h>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr int kBarsShown = 60;

// Ticks on whole rows, labelled with their period.
class PeriodTicker final : public QCPAxisTicker {
public:
    explicit PeriodTicker(const SummaryModel& model) : model_(model) {}

protected:
    double getTickStep(const QCPRange& range) override {
        return std::max(1.0, std::round(QCPAxisTicker::getTickStep(range)));
    }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        const int row = int(std::lround(tick));
        const Summary& summary = model_.Data();
        if (row < 0 || row >= summary.Count()) {
            return {};
        }
        return PeriodText(summary.Row(row).Start, summary.By());
    }

private:
    const SummaryModel& model_;
};

QString TotalsText(const SummaryTotals& totals) {
    if (totals.Minutes == 0) {
        return QCoreApplication::translate("SummaryWindow", "記録はありません");
    }
    QString text =
        QCoreApplication::translate("SummaryWindow", "合計: 積算線量 %1 µSv、カバー率 %2 % (%3 分)")
            .arg(QString::number(totals.Dose, 'f', 4), QString::number(totals.Coverage, 'f', 1))
            .arg(totals.Minutes);
    if (totals.Unread > 0) {
        text += QCoreApplication::translate("SummaryWindow", "、時刻のないサンプル %1 件を除く")
                    .arg(totals.Unread);
    }
    return text;
}

}  // namespace

SummaryWindow::SummaryWindow(DisplayModel& display, const SampleLog& log,
                             const GraphSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(new SummaryModel(display, log, settings, this)) {
    setWindowTitle(tr("集計"));
    resize(720, 520);

    PeriodBox = new QComboBox(this);
    PeriodBox->addItem(tr("時間"), int(SummaryPeriod::Hour));
    PeriodBox->addItem(tr("日"), int(SummaryPeriod::Day));
    PeriodBox->addItem(tr("月"), int(SummaryPeriod::Month));
    PeriodBox->setCurrentIndex(1);
    connect(PeriodBox, &QComboBox::currentIndexChanged, this,
            [this] { model_->SetPeriod(SummaryPeriod(PeriodBox->currentData().toInt())); });

    Table = new QTableView(this);
    Table->setModel(model_);
    Table->verticalHeader()->hide();
    // Column widths from the rows around the view, not a thousand of them: rows are computed
    // when asked, and all of a column's cells have the same form.
    Table->horizontalHeader()->setResizeContentsPrecision(32);
    Table->verticalHeader()->setResizeContentsPrecision(32);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    Table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    Table->setSortingEnabled(true);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(Table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        emit PeriodChosen(model_->PeriodStart(index.row()));
    });
    auto* copy = new QShortcut(QKeySequence::Copy, Table, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this,
            [this] { QApplication::clipboard()->setText(SelectedText()); });

    Chart = new QCustomPlot(this);
    Chart->setMinimumHeight(140);
    Chart->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new PeriodTicker(*model_)));
    Chart->yAxis->setLabel(QStringLiteral("µSv/h"));
    Chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    Chart->axisRect()->setRangeDrag(Qt::Horizontal);
    Chart->axisRect()->setRangeZoom(Qt::Horizontal);
    bars_ = new QCPBars(Chart->xAxis, Chart->yAxis);
    bars_->setName(tr("平均線量率"));
    bars_->setWidth(0.8);
    bars_->setPen(Qt::NoPen);
    bars_->setBrush(QColor(70, 130, 180));
    highest_ = Chart->addGraph();
    highest_->setName(tr("最大の分"));
    highest_->setLineStyle(QCPGraph::lsNone);
    highest_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(200, 40, 40), 5));
    Chart->legend->setVisible(true);
    Chart->legend->setBrush(QColor(255, 255, 255, 190));
    Chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);

    TotalsLabel = new QLabel(this);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(Table);
    splitter->addWidget(Chart);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PeriodBox, 0, Qt::AlignLeft);
    layout->addWidget(splitter, 1);
    layout->addWidget(TotalsLabel);

    refresh_ = new QTimer(this);
    refresh_->setSingleShot(true);
    refresh_->setInterval(1000);
    connect(refresh_, &QTimer::timeout, this, &SummaryWindow::Refresh);
    connect(model_, &SummaryModel::Rebuilt, this, &SummaryWindow::Rebuilt);
    connect(model_, &SummaryModel::Changed, this, &SummaryWindow::Changed);
}

void SummaryWindow::showEvent(QShowEvent* event) {
    model_->SetActive(true);
    QWidget::showEvent(event);
}

void SummaryWindow::hideEvent(QHideEvent* event) {
    model_->SetActive(false);
    QWidget::hideEvent(event);
}

void SummaryWindow::FitColumns() {
    model_->SetActive(true);
    Table->resizeColumnsToContents();
    const QMargins margins = layout()->contentsMargins();
    int wanted = Table->horizontalHeader()->length() + 2 * Table->frameWidth() +
                 Table->verticalScrollBar()->sizeHint().width() + margins.left() + margins.right();
    if (const QScreen* shown = screen()) {
        wanted = std::min(wanted, shown->availableGeometry().width());
    }
    if (width() < wanted) {
        resize(wanted, height());
    }
}

void SummaryWindow::Changed() {
    if (!refresh_->isActive()) {
        refresh_->start();
    }
}

void SummaryWindow::Rebuilt() {
    Table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    Refresh();
    const int count = model_->Data().Count();
    Chart->xAxis->setRange(std::max(0, count - kBarsShown) - 0.5, count - 0.5);
    Chart->replot(QCustomPlot::rpQueuedReplot);
    Table->resizeColumnsToContents();
    Table->scrollToBottom();
}

void SummaryWindow::Refresh() {
    refresh_->stop();
    const Summary& summary = model_->Data();
    const std::vector<Summary::FilledRow> filled = summary.Filled();
    QVector<double> keys, mean, highest;
    keys.reserve(qsizetype(filled.size()));
    mean.reserve(qsizetype(filled.size()));
    highest.reserve(qsizetype(filled.size()));
    double top = 0;
    for (const Summary::FilledRow& row : filled) {
        keys << row.Row;
        mean << MeanDoseRateOf(row.Totals, summary.Settings());
        highest << HighestDoseRateOf(row.Totals, summary.Settings());
        top = std::max(top, highest.back());
    }
    bars_->setData(keys, mean, true);
    highest_->setData(keys, highest, true);
    Chart->yAxis->setRange(0, top > 0 ? top * 1.1 : 1);
    Chart->replot(QCustomPlot::rpQueuedReplot);
    TotalsLabel->setText(TotalsText(summary.Totals()));
}

QString SummaryWindow::SelectedText() const {
    std::map<int, std::map<int, QString>> cells;
    for (const QModelIndex& index : Table->selectionModel()->selectedIndexes()) {
        cells[index.row()][index.column()] = index.data().toString();
    }
    QString text;
    for (const auto& [row, columns] : cells) {
        QStringList line;
        for (const auto& [column, cell] : columns) {
            line << cell;
        }
        text += line.join(u'\t') + u'\n';
    }
    return text;
}

void SaveSummaryCsv(const SampleLog& log, const GraphSettings& settings, SummaryPeriod period,
                    FileDialogs& dialogs) {
    const std::optional<QString> path =
        dialogs.ChooseSaveFile(QStringLiteral("summary-%1.csv").arg(PeriodName(period)));
    if (!path) {
        return;
    }
    Summary summary(period, settings);
    summary.Add(log.Samples());
    WriteCsvLog(*path, SummaryCsv(summary));
}
