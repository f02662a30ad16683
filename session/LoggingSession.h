#pragma once

#include "DoseAlarm.h"
#include "DoseToday.h"
#include "LinkKeeper.h"
#include "LiveMinutes.h"
#include "Publisher.h"
#include "RunningMinute.h"
#include "SampleDisplay.h"
#include "WholeMinutes.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class DeviceLink;
class HidBackend;
class QTimer;
struct DevicePacket;

// What a logging session starts with.
struct SessionOptions {
    GraphSettings Graph;  // the dose rule's coefficient and background
    AlarmSettings Alarm;  // the dose-rate alarm; off by default
    // Local time as a DateTime value; empty: the system's clock.
    std::function<double()> Now;
    // How long the handshake's answer is awaited; 0: until it comes or the link closes.
    int AnswerTimeoutMs = 0;
};

// Where whole minutes are recorded, for their dose: the record a minute of a given time goes to
// (a daily file's path; empty RecordFor: one record), and the last lines of a record, read when
// minutes first go there and again whenever Replaced says that the record is no longer the one
// they were read from (a file rotated, removed or written to by another; empty: never).
struct MinuteRecords {
    std::function<QString(double time)> RecordFor;
    std::function<std::vector<Sample>(const QString& record)> LastLines;
    std::function<bool(const QString& record)> Replaced;
};

// One logging session: the counter's link and the keeper that holds it from Start to Stop, the
// turning of its reports into minutes, the record of whole minutes with the file's dose, the
// dose-rate alarm and the publishers. The window and the station both log through it, so both
// record and publish the same minute the same way.
//
// Each report becomes a live step (LiveReport: the window's chart and pane follow it, the
// running minute included) and counts towards the current minute. A minute is whole only when
// reports covered it from start to end (WholeMinutes); each whole minute gets its dose by the
// file's rule, the mean over the ten lines before it in its record, and is told by MinuteLogged
// first (the station appends it), then to the alarm, then to every publisher. A minute that was
// not covered whole (the one logging started or stopped in, those around an unplug) is told by
// MinuteLeftOut and goes nowhere else: the live samples lose it too. GUI-thread object; the clock
// is passed in.
class LoggingSession : public QObject {
    Q_OBJECT

public:
    // How often the clock looks whether the current minute has ended without a next report.
    static constexpr int kClockMs = 1000;

    LoggingSession(std::unique_ptr<HidBackend> backend, SessionOptions options,
                   QObject* parent = nullptr);
    ~LoggingSession() override;

    // Logging begins: the counter is wanted from now on (a replug connects it again) and the
    // clock runs. Waits for the handshake's answer while processing events.
    void Start();
    // Logging ends: the link stops (reports handed over meanwhile still count), then the
    // current minute ends, whole only when its reports came up to its last seconds.
    void Stop();
    // The program's end: any answer wait ends at once, then as Stop. Reports after it are not
    // taken.
    void Close();
    // Gives each publisher up to timeoutMs in all for what still waits. Returns the minutes
    // that could not be published.
    int StopPublishers(int timeoutMs);
    // The clock's look at the current minute; the timer calls it every kClockMs.
    void Tick();

    // Later minutes are dosed by these; the record's lines and the dose today so far stay.
    void SetGraphSettings(const GraphSettings& settings);
    // New alarm settings start afresh: a raised alarm ends and the publishers hear so.
    void SetAlarmSettings(const AlarmSettings& settings);
    // The live minutes also go into samples (the window's log); null: nowhere. Their last
    // sample is the running minute while MinuteRunning(); a minute that turns out partial is
    // taken back out of them, so they hold whole minutes only besides the running one.
    void SetLiveSamples(LiveSamples* samples) { live_ = samples; }
    // The live samples may have been replaced (New, Open): a running minute that is no longer
    // their last sample goes on as their new last one, told by LiveReport.
    void RejoinRunningMinute();
    // The record that the next whole minutes follow, from its last lines (ten matter).
    void StartRecord(const std::vector<Sample>& lastLines);
    // Where minutes go, asked before each whole minute; replaces StartRecord's lines when the
    // record changes.
    void SetRecords(MinuteRecords records);
    // The dose since local midnight that later whole minutes add to (the owner reads the day's
    // minutes logged before, so that a restart does not start the day afresh).
    void SetDoseToday(const DoseToday& today) { today_ = today; }
    const DoseToday& Today() const { return today_; }
    // Publishers hear every whole minute, the alarm's changes and the counter's from now on
    // (the counter's state at once); not owned.
    void AddPublisher(Publisher* publisher);
    void RemovePublisher(Publisher* publisher);

    DeviceLink& Link() { return *link_; }
    const DeviceLink& Link() const { return *link_; }
    LinkKeeper& Keeper() { return *keeper_; }
    LinkKeeper::State State() const { return keeper_->CurrentState(); }
    // Between Start and Stop.
    bool Logging() const { return logging_; }
    // The live samples' last sample is a minute still counting: it is in no record yet.
    bool MinuteRunning() const { return running_.Running(); }
    const GraphSettings& Graph() const { return options_.Graph; }
    // Local time as a DateTime value, by the session's clock.
    double Now() const { return options_.Now(); }
    const DoseAlarm& Alarm() const { return alarm_; }
    // Stopped outside Start and Stop, else whether the counter is connected.
    CounterState Counter() const;

signals:
    // What a measurement report of count, or the end of a minute without one (count 0), did to
    // the live samples at now: a running minute begun, added to, completed (with its live
    // dose), or taken out because it was partial.
    void LiveReport(const MinuteStep& step, std::int32_t count, double now);
    // A whole minute with the dose its record's line has; partial minutes never come here.
    void MinuteLogged(const LogRecord& record);
    // A minute that reports covered for only these seconds: neither recorded nor published.
    void MinuteLeftOut(const Sample& minute, int seconds);
    // The link or the keeper changed state.
    void LinkChanged();
    // What a whole minute did to the alarm, when the alarm is on; record is that minute.
    void AlarmStepped(const AlarmStep& step, const LogRecord& record);

private:
    void OnReport(const DevicePacket& packet);
    void OnKeeperState();
    void LiveEnd(const MinuteEnd& end, bool loggingEnded);
    void Handle(const MinuteEnd& end);
    void Record(const Sample& minute);
    void TellCounter();

    SessionOptions options_;
    WholeMinutes minutes_;
    LiveSamples* live_ = nullptr;
    RunningMinute running_;
    MinuteRecords records_;
    RecentSamples record_;  // the last ten lines of the record the last minute went to
    QString recordName_;
    bool recordKnown_ = false;
    DoseAlarm alarm_;
    DoseToday today_;
    CounterState told_ = CounterState::Stopped;  // what the publishers last heard
    std::vector<Publisher*> publishers_;
    bool logging_ = false;
    bool closed_ = false;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<LinkKeeper> keeper_;
    QTimer* clock_ = nullptr;
};
