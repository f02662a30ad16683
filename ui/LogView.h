#pragma once

#include "DisplayModel.h"

#include <QAbstractScrollArea>
#include <QTimer>

// The log pane: one 13-pixel line per log record of the display model, drawn as list items only
// for the lines in view, so nothing in it grows with the log. A click selects a line, the arrow,
// page, Home and End keys move the selection, and the line FollowLogTail selects is scrolled into
// view. Its Tag holds LogHold in bit 0.
class LogView final : public QAbstractScrollArea, private DisplayListener {
    Q_OBJECT

public:
    static constexpr int kLineHeight = 13;

    explicit LogView(DisplayModel& model, QWidget* parent = nullptr);
    ~LogView() override;

    int Tag() const { return model_.LogTag(); }
    void SetTag(int tag) { model_.SetLogTag(tag); }

    // The highlighted line, or -1.
    int CurrentLine() const { return current_; }
    // The first line in view.
    int TopLine() const;
    // Where line is drawn in the viewport; empty when it is not in view.
    QRect LineRect(int line) const;
    // A click waits to see whether it becomes a double-click.
    bool ClickPending() const { return clickTimer_.isActive(); }

    // The pane's own visible flag (not whether its window is on screen) drives FollowLogTail.
    void setVisible(bool visible) override;

signals:
    void DoubleClicked();
    // A left click (press and release) on a line that no second click followed within the
    // double-click interval: a double-click is not also a click.
    void LineClicked(int line);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Reset() override;
    void LogCleared() override;
    void LogAppended() override;
    void LogSelected(int index) override;
    // The running minute's point had no line.
    void CpmRemoved() override {}

    int FullLinesInView() const;
    void UpdateScrollRange();
    // Highlights line (-1: none) and scrolls it into view, as a list box selects an item.
    void SetCurrent(int line);
    int LineAt(int y) const;

    DisplayModel& model_;
    int lines_ = 0;
    int current_ = -1;
    int pressed_ = -1;  // the line the left button went down on
    int clicked_ = -1;  // the clicked line while waiting to see whether a double-click follows
    QTimer clickTimer_;
};
