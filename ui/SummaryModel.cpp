#include "SummaryModel.h"

#include "SampleLog.h"
#include "SummaryTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const char* const kHeaders[kSummaryColumns] = {
    QT_TRANSLATE_NOOP("SummaryModel", "期間"),
    QT_TRANSLATE_NOOP("SummaryModel", "記録 (分)"),
    QT_TRANSLATE_NOOP("SummaryModel", "カバー率 (%)"),
    QT_TRANSLATE_NOOP("SummaryModel", "平均 CPM"),
    QT_TRANSLATE_NOOP("SummaryModel", "最小 CPM"),
    QT_TRANSLATE_NOOP("SummaryModel", "最大 CPM"),
    QT_TRANSLATE_NOOP("SummaryModel", "最大の分"),
    QT_TRANSLATE_NOOP("SummaryModel", "平均線量率 (µSv/h)"),
    QT_TRANSLATE_NOOP("SummaryModel", "積算線量 (µSv)")};

// The value a column sorts by; periods without one sort first.
double SortKey(const SummaryRow& row, int sourceRow, SummaryColumn column) {
    const bool any = row.Minutes() > 0;
    const double none = -std::numeric_limits<double>::infinity();
    double key = none;
    switch (column) {
        case SummaryColumn::Period:
            return sourceRow;
        case SummaryColumn::Minutes:
            return row.Minutes();
        case SummaryColumn::Coverage:
            key = row.Coverage;
            break;
        case SummaryColumn::MeanCpm:
            key = row.MeanCpm;
            break;
        case SummaryColumn::Lowest:
            key = any ? row.Totals.Lowest : none;
            break;
        case SummaryColumn::Highest:
            key = any ? row.Totals.Highest : none;
            break;
        case SummaryColumn::HighestTime:
            key = any ? row.Totals.HighestTime : none;
            break;
        case SummaryColumn::MeanDoseRate:
            key = row.MeanDoseRate;
            break;
        case SummaryColumn::Dose:
            key = row.Dose;
            break;
    }
    return std::isnan(key) ? none : key;
}

}  // namespace

SummaryModel::SummaryModel(DisplayModel& display, const SampleLog& log,
                           const GraphSettings& settings, QObject* parent)
    : QAbstractTableModel(parent), display_(display), log_(log), settings_(settings) {
    display_.AddListener(this);
}

SummaryModel::~SummaryModel() {
    display_.RemoveListener(this);
}

void SummaryModel::SetPeriod(SummaryPeriod period) {
    if (period != period_) {
        period_ = period;
        Rebuild();
    }
}

void SummaryModel::SetActive(bool active) {
    active_ = active;
    if (active_ && stale_) {
        Rebuild();
    }
}

void SummaryModel::Rebuild() {
    if (!active_) {
        stale_ = true;
        return;
    }
    beginResetModel();
    summary_ = Summary(period_, settings_);
    summary_.Follow(log_);
    order_.clear();
    cachedRow_ = -1;
    stale_ = false;
    endResetModel();
    emit Rebuilt();
    emit Changed();
}

void SummaryModel::LiveReport() {
    if (!active_ || stale_) {
        Rebuild();
        return;
    }
    const int before = summary_.Count();
    summary_.Follow(log_);
    cachedRow_ = -1;
    const int after = summary_.Count();
    const int open = summary_.OpenRow();
    if (after < before || (after > before && open != after - 1)) {
        // The log went back in time or was replaced under us: take it afresh.
        Rebuild();
        return;
    }
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        if (!order_.empty()) {
            for (int row = before; row < after; ++row) {
                order_.push_back(row);
            }
        }
        endInsertRows();
    }
    if (open >= 0) {
        // In a sorted table the row may be anywhere; the view repaints only what it shows.
        const int first = order_.empty() ? open : 0;
        const int last = order_.empty() ? open : after - 1;
        emit dataChanged(index(first, 0), index(last, kSummaryColumns - 1));
    }
    emit Changed();
}

int SummaryModel::SourceRow(int viewRow) const {
    return order_.empty() ? viewRow : order_[size_t(viewRow)];
}

const SummaryRow& SummaryModel::RowAt(int sourceRow) const {
    if (sourceRow != cachedRow_) {
        cached_ = summary_.Row(sourceRow);
        cachedRow_ = sourceRow;
    }
    return cached_;
}

double SummaryModel::PeriodStart(int viewRow) const {
    return RowAt(SourceRow(viewRow)).Start;
}

int SummaryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : summary_.Count();
}

int SummaryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSummaryColumns;
}

QVariant SummaryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= summary_.Count()) {
        return {};
    }
    const auto column = SummaryColumn(index.column());
    if (role == Qt::DisplayRole) {
        return SummaryCellText(RowAt(SourceRow(index.row())), column, summary_.By());
    }
    if (role == Qt::TextAlignmentRole) {
        return int(Qt::AlignVCenter |
                   (column == SummaryColumn::Period ? Qt::AlignLeft : Qt::AlignRight));
    }
    return {};
}

QVariant SummaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kSummaryColumns) {
        return tr(kHeaders[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void SummaryModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged();
    const int count = summary_.Count();
    if (column == int(SummaryColumn::Period) && order == Qt::AscendingOrder) {
        // Time order is the rows' own: nothing to compute.
        order_.clear();
        emit layoutChanged();
        return;
    }
    std::vector<double> keys(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
        keys[size_t(row)] = SortKey(summary_.Row(row), row, SummaryColumn(column));
    }
    order_.resize(size_t(count));
    for (int row = 0; row < count; ++row) {
        order_[size_t(row)] = row;
    }
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? keys[size_t(a)] < keys[size_t(b)]
                                           : keys[size_t(a)] > keys[size_t(b)];
    });
    emit layoutChanged();
}
