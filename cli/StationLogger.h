#pragma once

#include "DoseAlarm.h"
#include "LiveMinutes.h"
#include "LogAppender.h"
#include "SampleDisplay.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class DeviceLink;
class HidBackend;
class LinkKeeper;
class QTimer;
struct DevicePacket;

// Where and how the station logs.
struct StationOptions {
    GraphSettings Settings;
    QString File;         // every line into this file, or
    QString DailyDir;     // one file per local day in this folder: YYYY-MM-DD.csv
    double AlarmUsv = 0;  // the dose-rate alarm's threshold; 0: off
    QString OnAlarm;      // a program run at each crossing with the minute and the dose rate
};

// Logging without a window: keeps the counter connected, turns its reports into minutes by
// the window's rules and appends each minute to the log as soon as it is complete (when a
// report of another minute arrives, or the clock has left it), with its live dose. Holds only
// the last ten samples, so memory stays flat however long it runs. GUI-thread object; the
// clock is passed in so tests and benches can drive time. With an alarm threshold, each minute
// whose dose rate reaches it after being below says "ALARM <minute> <dose>" on the notes and
// runs the alarm program, if any, with those two as its arguments.
class StationLogger : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<double()>;  // local time as a DateTime value
    using Print = std::function<void(const QString& line)>;

    // How long the handshake's answer is awaited.
    static constexpr int kAnswerTimeoutMs = 5000;

    // lines hears every log line as it is completed; notes hears the changes of the link and of
    // the writing, each one line starting with the local time.
    StationLogger(std::unique_ptr<HidBackend> backend, StationOptions options, Clock now,
                  Print lines, Print notes, QObject* parent = nullptr);
    ~StationLogger() override;

    // Whether the file or folder can be logged into (a missing folder is created). Returns
    // false and sets error when it cannot.
    bool Prepare(QString* error);
    // Wants the counter from now on and checks the clock once a second.
    void Start();
    // Appends the current minute once the clock has left it, and the lines kept after failed
    // appends.
    void Tick();
    // The end: stops the link and closes the counter without sending it anything, then appends
    // the current, incomplete minute. Returns the lines that still could not be appended.
    int Finish();

    // The file a sample of the given time goes to.
    QString PathFor(double time) const;

    DeviceLink& Link() { return *link_; }
    LinkKeeper& Keeper() { return *keeper_; }
    const LogAppender& Appender() const { return appender_; }

signals:
    // A minute's line was appended to its file (or queued after a failed append); the record
    // holds the time, count and dose exactly as that line has them. Publishers follow this.
    void MinuteLogged(const LogRecord& record);
    // With an alarm threshold: the alarm was raised (true) or ended (false) by that minute.
    void AlarmChanged(bool raised);

private:
    void OnReport(const DevicePacket& packet);
    void OnLinkState();
    void Complete(const LogRecord& record);
    void Note(const QString& text) const;
    void CheckAlarm(const LogRecord& record);

    StationOptions options_;
    Clock now_;
    Print lines_;
    Print notes_;
    RecentSamples samples_;
    DoseAlarm alarm_;
    LogAppender appender_;
    // The current sample was appended already (its minute ended before a report of the next
    // one came), with this count.
    bool lastAppended_ = false;
    std::int32_t appendedCpm_ = 0;
    bool finished_ = false;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<LinkKeeper> keeper_;
    QTimer* clockTimer_ = nullptr;
};
