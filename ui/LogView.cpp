#include "LogView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionViewItem>

#include <algorithm>

LogView::LogView(DisplayModel& model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model), lines_(model.LogCount()) {
    setObjectName(QStringLiteral("Log"));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    clickTimer_.setSingleShot(true);
    connect(&clickTimer_, &QTimer::timeout, this, [this] { emit LineClicked(clicked_); });
    model_.AddListener(this);
    UpdateScrollRange();
}

LogView::~LogView() {
    model_.RemoveListener(this);
}

int LogView::TopLine() const {
    return verticalScrollBar()->value();
}

int LogView::FullLinesInView() const {
    return std::max(1, viewport()->height() / kLineHeight);
}

void LogView::UpdateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    const int maximum = std::max(0, lines_ - FullLinesInView());
    bar->setPageStep(FullLinesInView());
    // The scroll area lays itself out again whenever the range changes, to show or hide the
    // bar. A line added to a log that already scrolls changes neither: spare it that.
    const QSignalBlocker quiet(bar->maximum() > 0 && maximum >= bar->maximum() ? bar : nullptr);
    bar->setRange(0, maximum);
}

QRect LogView::LineRect(int line) const {
    const int y = (line - TopLine()) * kLineHeight;
    if (line < 0 || line >= lines_ || y < 0 || y >= viewport()->height()) {
        return {};
    }
    return {0, y, viewport()->width(), kLineHeight};
}

int LogView::LineAt(int y) const {
    const int line = TopLine() + y / kLineHeight;
    return y >= 0 && line < lines_ ? line : -1;
}

void LogView::SetCurrent(int line) {
    current_ = line;
    if (line >= 0) {
        QScrollBar* bar = verticalScrollBar();
        if (line < bar->value()) {
            bar->setValue(line);
        } else if (line >= bar->value() + FullLinesInView()) {
            bar->setValue(line - FullLinesInView() + 1);
        }
    }
    viewport()->update();
}

void LogView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    // Each line is drawn as the style draws a list item, so the pane looks like a list box.
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
    if (!hasFocus()) {
        option.state &= ~QStyle::State_Active;
    }
    option.palette.setCurrentColorGroup(isEnabled() ? QPalette::Normal : QPalette::Disabled);
    option.font = font();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = Qt::ElideRight;
    option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    option.showDecorationSelected = true;  // a list box highlights the whole row
    option.widget = this;
    const QStyle::State base = option.state;
    for (int line = TopLine(), y = 0; line < lines_ && y < viewport()->height();
         ++line, y += kLineHeight) {
        option.rect = LineRect(line);
        option.text = model_.LogText(line);
        option.state = base;
        if (line == current_) {
            option.state |= QStyle::State_Selected;
            if (hasFocus()) {
                option.state |= QStyle::State_HasFocus;
            }
        }
        style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
    }
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void LogView::mousePressEvent(QMouseEvent* event) {
    // As a list box: the press selects, and the pane keeps the mouse (nothing behind it gets it).
    pressed_ = -1;
    if (event->button() == Qt::LeftButton) {
        pressed_ = LineAt(int(event->position().y()));
        if (pressed_ >= 0) {
            SetCurrent(pressed_);
        }
    }
    event->accept();
}

void LogView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_ >= 0 &&
        LineAt(int(event->position().y())) == pressed_) {
        clicked_ = pressed_;
        clickTimer_.start(QApplication::doubleClickInterval());
    }
    pressed_ = -1;
    event->accept();
}

void LogView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first click of the pair only selected its line; it moves nothing now.
    clickTimer_.stop();
    pressed_ = -1;
    event->accept();
    emit DoubleClicked();
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (lines_ == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int page = FullLinesInView();
    int line = current_;
    switch (event->key()) {
        case Qt::Key_Up:
            line = std::max(0, current_ - 1);
            break;
        case Qt::Key_Down:
            line = current_ + 1;
            break;
        case Qt::Key_PageUp:
            line = std::max(0, current_ - page);
            break;
        case Qt::Key_PageDown:
            line = std::max(0, current_) + page;
            break;
        case Qt::Key_Home:
            line = 0;
            break;
        case Qt::Key_End:
            line = lines_ - 1;
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    SetCurrent(std::min(line, lines_ - 1));
}

void LogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();  // the selection is drawn active only while the pane has the focus
}

void LogView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void LogView::setVisible(bool visible) {
    model_.SetLogVisible(visible);
    QAbstractScrollArea::setVisible(visible);
}

void LogView::Reset() {
    // As a list whose items are replaced: back at the top, then the selection (if any) shown.
    lines_ = model_.LogCount();
    current_ = -1;
    clickTimer_.stop();  // the clicked line may now hold another sample
    UpdateScrollRange();
    verticalScrollBar()->setValue(0);
    SetCurrent(model_.SelectedLog());
}

void LogView::LogCleared() {
    Reset();
}

void LogView::LogAppended() {
    const int before = lines_;
    lines_ = model_.LogCount();
    UpdateScrollRange();
    if (before < TopLine() + FullLinesInView() + 1) {
        viewport()->update();
    }
}

void LogView::LogSelected(int index) {
    SetCurrent(index);
}
