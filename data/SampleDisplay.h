#pragma once

#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>

// The two graph settings that shape the dose rate.
struct GraphSettings {
    double GraphCoefficient = 0.00158;  // uSv/h per CPM
    std::int32_t GraphBackground = 0;   // CPM subtracted before scaling

    friend bool operator==(const GraphSettings&, const GraphSettings&) = default;
};

// One line of the log pane, kept as data and formatted only when shown or saved.
struct LogRecord {
    double Time = 0;
    std::int32_t Cpm = 0;
    double Dose = std::numeric_limits<double>::quiet_NaN();  // NaN: no dose field

    bool HasDose() const { return !std::isnan(Dose); }
};

// What live ingestion and the full rebuild draw through: the CPM series, the dose series and
// the log pane. Points sit at their index; a null dose point has a position but is not drawn.
class SampleDisplay {
public:
    virtual ~SampleDisplay() = default;

    // The CPM series.
    virtual void ClearCpm() = 0;
    virtual int CpmCount() const = 0;
    virtual void AppendCpm(double value, const QString& label) = 0;
    virtual double CpmValue(int index) const = 0;
    virtual void SetCpmValue(int index, double value) = 0;
    // Takes the last point (with its label) back out; it had no dose point or log line yet.
    virtual void RemoveLastCpm() = 0;

    // The dose series.
    virtual void ClearDose() = 0;
    virtual int DoseCount() const = 0;
    virtual void AppendDose(double value) = 0;
    virtual void AppendNullDose() = 0;

    // The log pane.
    virtual void ClearLog() = 0;
    virtual int LogCount() const = 0;
    virtual void AppendLog(const LogRecord& record) = 0;
    virtual void SelectLog(int index) = 0;
    virtual bool LogVisible() const = 0;
    virtual int LogTag() const = 0;

    // A full rebuild of this many samples is bracketed by these, so views can redraw once
    // instead of per point, and storage is sized once.
    virtual void BeginRebuild(int /*samples*/) {}
    virtual void EndRebuild() {}
};
