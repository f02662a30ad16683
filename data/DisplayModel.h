#pragma once

#include "SampleDisplay.h"

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// Told about every change of a DisplayModel, so views redraw what changed. While a rebuild runs,
// only Reset() is sent, once at its end.
class DisplayListener {
public:
    virtual ~DisplayListener() = default;
    virtual void Reset() {}
    virtual void SeriesCleared() {}
    virtual void CpmAppended() {}
    virtual void CpmChanged(int /*index*/) {}
    // The last CPM point was taken out: rare (a partial minute), so views may start afresh.
    virtual void CpmRemoved() { Reset(); }
    virtual void DoseAppended() {}
    virtual void LogCleared() {}
    virtual void LogAppended() {}
    virtual void LogSelected(int /*index*/) {}
};

// The chart series and the log pane as plain data, held once for all views: CPM values with
// sparse labels, dose values (NaN for a null point) and log records, formatted only when asked.
class DisplayModel final : public SampleDisplay {
public:
    void ClearCpm() override;
    int CpmCount() const override { return int(cpm_.size()); }
    void AppendCpm(double value, const QString& label) override;
    double CpmValue(int index) const override { return cpm_[size_t(index)]; }
    void SetCpmValue(int index, double value) override;
    void RemoveLastCpm() override;

    void ClearDose() override;
    int DoseCount() const override { return int(dose_.size()); }
    void AppendDose(double value) override;
    void AppendNullDose() override;

    void ClearLog() override;
    int LogCount() const override { return int(log_.size()); }
    void AppendLog(const LogRecord& record) override;
    void SelectLog(int index) override;
    bool LogVisible() const override { return logVisible_; }
    int LogTag() const override { return logTag_; }

    void BeginRebuild(int samples) override;
    void EndRebuild() override;

    // Read access for views and tests.
    const std::vector<double>& CpmValues() const { return cpm_; }
    const std::vector<double>& DoseValues() const { return dose_; }
    // The label of a point; empty for most.
    QString LabelAt(int index) const;
    int LabelCount() const { return int(labels_.size()); }
    // The indexes of the labelled points from first to last, in order.
    std::vector<int> LabelledPoints(int first, int last) const;
    const std::vector<LogRecord>& LogRecords() const { return log_; }
    QString LogText(int index) const;
    int SelectedLog() const { return selected_; }

    void SetLogVisible(bool visible) { logVisible_ = visible; }
    void SetLogTag(int tag) { logTag_ = tag; }

    void AddListener(DisplayListener* listener);
    void RemoveListener(DisplayListener* listener);

private:
    template <typename F>
    void Notify(F&& f);

    // A label's point and where its text ends in labelText_ (it starts where the one before
    // ends). A year of minutes has 52,560 labels: one string for all keeps them small.
    struct Label {
        int index;
        std::uint32_t end;
    };

    std::vector<double> cpm_;
    std::vector<Label> labels_;
    std::string labelText_;  // UTF-8
    std::vector<double> dose_;
    std::vector<LogRecord> log_;
    int selected_ = -1;
    bool logVisible_ = false;
    int logTag_ = 0;
    bool rebuilding_ = false;
    std::vector<DisplayListener*> listeners_;
};
