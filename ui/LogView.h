#pragma once

#include "DisplayModel.h"

#include <QAbstractListModel>
#include <QListView>

// The log pane's lines as a list model: records are formatted only when the view asks.
class LogLinesModel final : public QAbstractListModel, private DisplayListener {
    Q_OBJECT

public:
    explicit LogLinesModel(DisplayModel& model, QObject* parent = nullptr);
    ~LogLinesModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void LineSelected(int row);

private:
    void Reset() override;
    void LogCleared() override;
    void LogAppended() override;
    void LogSelected(int index) override;

    DisplayModel& model_;
    int rows_ = 0;
};

// The log pane: a list view over the log lines that scrolls to the line FollowLogTail selects.
// Its Tag holds LogHold in bit 0.
class LogView final : public QListView {
    Q_OBJECT

public:
    explicit LogView(DisplayModel& model, QWidget* parent = nullptr);

    int Tag() const { return model_.LogTag(); }
    void SetTag(int tag) { model_.SetLogTag(tag); }

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

public:
    // The pane's own visible flag (not whether its window is on screen) drives FollowLogTail.
    void setVisible(bool visible) override;

private:
    void SelectRow(int row);

    DisplayModel& model_;
    LogLinesModel lines_;
};
