#pragma once

#include "LinkKeeper.h"
#include "LogAppender.h"
#include "LoggingSession.h"
#include "SampleDisplay.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class DeviceLink;
class HidBackend;
class QTimer;

// Where and how the station logs.
struct StationOptions {
    GraphSettings Settings;
    QString File;         // every line into this file, or
    QString DailyDir;     // one file per local day in this folder: YYYY-MM-DD.csv
    double AlarmUsv = 0;  // the dose-rate alarm's threshold; 0: off
    QString OnAlarm;      // a program run at each crossing with the minute and the dose rate
};

// Logging without a window: logs through a LoggingSession (the counter kept connected, reports
// turned into minutes by the window's rules, only whole minutes recorded) and appends each whole
// minute to the log as soon as it is over. The minutes it starts and stops in and those around
// an unplug are told on the notes instead, so a restart never writes a minute twice. Each line's
// dose follows the file's own rule, over the ten lines before it in the file it goes to (the end
// of an existing file is read when the logger first writes to it), so the file reads exactly as
// Save and convert would write it; stdout, the alarm and the publishers all get that same dose.
// When the file is rotated, removed or written to by another between two minutes (its identity
// or size is not what the last append or read left), its end is read again, so the next line's
// dose follows the file it goes to.
// Holds only the last ten samples, so memory stays flat however long it runs. GUI-thread
// object; the clock is passed in so tests and benches can drive time. With an alarm threshold,
// each minute whose dose rate reaches it after being below says "ALARM <minute> <dose>" on the
// notes and runs the alarm program, if any, with those two as its arguments.
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
    // Wants the counter from now on; the session's clock ends minutes without a next report.
    void Start();
    // The day so far, from the day's minutes in the log, as the dose today the session's
    // minutes add to: read once, by the first who needs it (the publishers), so that a restart
    // does not start the day afresh. now: local time as a DateTime value.
    void ReadDaySoFar(double now);
    // The last of those minutes, if the day had one: what "now" shows until the next minute.
    const std::optional<LogRecord>& LastOfDaySoFar() const { return lastOfDay_; }
    // The session's look at the clock, and the lines kept after failed appends.
    void Tick();
    // The end: stops the link and closes the counter without sending it anything. The current
    // minute is appended only when it is whole (reports up to its last two seconds), otherwise
    // noted as partial. Returns the lines that still could not be appended.
    int Finish();

    // The file a sample of the given time goes to.
    QString PathFor(double time) const;

    LoggingSession& Session() { return *session_; }
    const StationOptions& Options() const { return options_; }
    DeviceLink& Link();
    LinkKeeper& Keeper();
    const LogAppender& Appender() const { return appender_; }

signals:
    // A whole minute's line was appended to its file (or queued after a failed append); the
    // record holds the time, count and dose exactly as that line has them. Partial minutes
    // never come here.
    void MinuteLogged(const LogRecord& record);

private:
    void Append(const LogRecord& record);
    void Flush();
    bool Replaced(const QString& path) const;
    void OnLinkState();
    void OnAlarm(const AlarmStep& step, const LogRecord& record);
    std::vector<Sample> ReadFileEnd(const QString& path);
    void Note(const QString& text) const;

    StationOptions options_;
    Clock now_;
    Print lines_;
    Print notes_;
    LogAppender appender_;
    LogAppender::Landing seen_;  // the file as the last append or read of its end left it
    LinkKeeper::State linkState_ = LinkKeeper::State::Idle;
    bool finished_ = false;
    bool daySoFarRead_ = false;
    std::optional<LogRecord> lastOfDay_;
    std::unique_ptr<LoggingSession> session_;
    QTimer* retry_ = nullptr;  // appends again what failed, while lines wait
};
