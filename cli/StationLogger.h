#pragma once

#include "DoseAlarm.h"
#include "LiveMinutes.h"
#include "LogAppender.h"
#include "SampleDisplay.h"
#include "WholeMinutes.h"

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
// the window's rules and appends each whole minute to the log as soon as it is over. Only
// minutes over which reports arrived from start to end are written (WholeMinutes): the minutes
// it starts and stops in and those around an unplug are told on the notes instead, so a restart
// never writes a minute twice. Each line's dose follows the file's own rule, over the ten lines
// before it in the file it goes to (the end of an existing file is read when the logger first
// writes to it), so the file reads exactly as Save and convert would write it; stdout, the
// alarm and MinuteLogged all get that same dose. Holds only the last ten samples, so memory
// stays flat however long it runs. GUI-thread object; the clock is passed in so tests and
// benches can drive time. With an alarm threshold, each minute whose dose rate reaches it
// after being below says "ALARM <minute> <dose>" on the notes and runs the alarm program, if
// any, with those two as its arguments.
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
    // Appends the current minute once the clock has left it with reports up to its end, and
    // the lines kept after failed appends.
    void Tick();
    // The end: stops the link and closes the counter without sending it anything. The current
    // minute is appended only when it is whole (reports up to its last two seconds), otherwise
    // noted as partial. Returns the lines that still could not be appended.
    int Finish();

    // The file a sample of the given time goes to.
    QString PathFor(double time) const;

    DeviceLink& Link() { return *link_; }
    LinkKeeper& Keeper() { return *keeper_; }
    const LogAppender& Appender() const { return appender_; }

signals:
    // A whole minute's line was appended to its file (or queued after a failed append); the
    // record holds the time, count and dose exactly as that line has them. Publishers follow
    // this; partial minutes never come here.
    void MinuteLogged(const LogRecord& record);
    // With an alarm threshold: the alarm was raised (true) or ended (false) by that minute.
    void AlarmChanged(bool raised);

private:
    void OnReport(const DevicePacket& packet);
    void OnLinkState();
    void Handle(const MinuteEnd& end);
    void Complete(const Sample& minute);
    void ReadFileEnd(const QString& path);
    void Note(const QString& text) const;
    void CheckAlarm(const LogRecord& record);

    StationOptions options_;
    Clock now_;
    Print lines_;
    Print notes_;
    WholeMinutes minutes_;
    // The last ten lines of the file the last line went to, read from it when the logger first
    // wrote there, and the lines written since: the window of the next line's dose.
    RecentSamples fileLines_;
    QString fileLinesPath_;
    bool fileLinesRead_ = false;
    DoseAlarm alarm_;
    LogAppender appender_;
    bool finished_ = false;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<LinkKeeper> keeper_;
    QTimer* clockTimer_ = nullptr;
};
