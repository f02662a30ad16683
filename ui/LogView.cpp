#include "LogView.h"

#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

constexpr int kLineHeight = 13;

// Fixed 13-pixel lines, so the pane shows as many lines as its height allows.
class LineDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kLineHeight};
    }
};

}  // namespace

LogLinesModel::LogLinesModel(DisplayModel& model, QObject* parent)
    : QAbstractListModel(parent), model_(model), rows_(model.LogCount()) {
    model_.AddListener(this);
}

LogLinesModel::~LogLinesModel() {
    model_.RemoveListener(this);
}

int LogLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant LogLinesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) {
        return {};
    }
    return model_.LogText(index.row());
}

void LogLinesModel::Reset() {
    beginResetModel();
    rows_ = model_.LogCount();
    endResetModel();
    if (model_.SelectedLog() >= 0) {
        emit LineSelected(model_.SelectedLog());
    }
}

void LogLinesModel::LogCleared() {
    Reset();
}

void LogLinesModel::LogAppended() {
    const int count = model_.LogCount();
    if (count <= rows_) {
        return;
    }
    beginInsertRows({}, rows_, count - 1);
    rows_ = count;
    endInsertRows();
}

void LogLinesModel::LogSelected(int index) {
    emit LineSelected(index);
}

LogView::LogView(DisplayModel& model, QWidget* parent)
    : QListView(parent), model_(model), lines_(model) {
    setObjectName(QStringLiteral("Log"));
    setModel(&lines_);
    setUniformItemSizes(true);
    setItemDelegate(new LineDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(&lines_, &LogLinesModel::LineSelected, this, &LogView::SelectRow);
}

void LogView::SelectRow(int row) {
    if (row < 0) {
        clearSelection();
        return;
    }
    const QModelIndex index = lines_.index(row);
    setCurrentIndex(index);
    scrollTo(index);
}

void LogView::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}

void LogView::setVisible(bool visible) {
    model_.SetLogVisible(visible);
    QListView::setVisible(visible);
}
