#pragma once

#include "DisplayModel.h"
#include "PeriodSummary.h"

#include <QAbstractTableModel>
#include <vector>

class SampleLog;

// The summary table over the sample log, its rows computed when a view asks for them. While
// active it follows the log through the display model's notices: a live report updates the
// current period, a rebuild (Open, New, changed settings) takes the log afresh. Inactive, it
// only notes that it is out of date, so a hidden window costs nothing.
class SummaryModel final : public QAbstractTableModel, private DisplayListener {
    Q_OBJECT

public:
    SummaryModel(DisplayModel& display, const SampleLog& log, const GraphSettings& settings,
                 QObject* parent = nullptr);
    ~SummaryModel() override;

    void SetPeriod(SummaryPeriod period);
    SummaryPeriod Period() const { return period_; }
    void SetActive(bool active);
    const Summary& Data() const { return summary_; }
    // The start of the period a view row shows.
    double PeriodStart(int viewRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Sorts by a column's values, empty periods first; column 0 is time order.
    void sort(int column, Qt::SortOrder order) override;

signals:
    // Rows or totals changed; after a rebuild, Rebuilt comes as well.
    void Changed();
    void Rebuilt();

private:
    void Reset() override { Rebuild(); }
    void SeriesCleared() override { stale_ = true; }
    void CpmAppended() override { LiveReport(); }
    void CpmChanged(int) override { LiveReport(); }

    void Rebuild();
    void LiveReport();
    int SourceRow(int viewRow) const;
    const SummaryRow& RowAt(int sourceRow) const;

    DisplayModel& display_;
    const SampleLog& log_;
    const GraphSettings& settings_;
    SummaryPeriod period_ = SummaryPeriod::Day;
    Summary summary_;
    bool active_ = false;
    bool stale_ = true;
    std::vector<int> order_;  // view row to summary row; empty: time order
    mutable int cachedRow_ = -1;
    mutable SummaryRow cached_;
};
