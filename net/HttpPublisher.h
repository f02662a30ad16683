#pragma once

#include "HttpApi.h"
#include "Publisher.h"
#include "StationSnapshot.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class HttpService;
class QThread;

// The station's HTTP server as a publisher of the logging session. The server (HttpService)
// runs on a thread of its own with its own event loop: a slow client or a month read from the
// daily files never holds up a file line, a reconnect or the stop. This side lives on the
// session's thread and hands the server a copy of where the station stands after every change
// (the last minute, the counter, the alarm, the day so far, the counts, the broker's waiting
// minutes) as an event posted to it; nothing is shared between the threads.
class HttpPublisher : public QObject, public Publisher {
    Q_OBJECT

public:
    explicit HttpPublisher(ApiSource source, QObject* parent = nullptr);
    ~HttpPublisher() override;

    // Starts the server's thread and listens on address and port (0: a free one). Returns the
    // system's reason when it cannot listen; the thread is then gone again.
    std::optional<QString> Listen(const QHostAddress& address, quint16 port);
    quint16 Port() const { return port_; }

    // The day's minutes logged before the start and their dose, so that the day does not start
    // afresh at a restart.
    // last: the newest of them, shown as the last minute until one is logged.
    void SetToday(int minutes, double usvToday, const std::optional<LogRecord>& last = {});
    // Whether no counter was connected since logging started ("not found" rather than
    // "waiting" for one that went away).
    void SetNeverFound(bool never);
    // Whether the station has an alarm: without one "alarm" is null.
    void SetAlarmOn(bool on);
    // Where the minutes waiting for the broker are counted, asked at each change; Refresh when
    // that count changed by itself (an acknowledgement).
    void SetWaitingCount(std::function<int()> count);
    void Refresh() { Send(); }
    // Where the map uploads' status comes from, asked at each change; Refresh when it changed
    // by itself.
    void SetUploadStatus(std::function<std::vector<UploadStatus>()> status);

    void Publish(const PublishedMinute& minute) override;
    void SetAlarm(bool raised) override;
    void SetCounter(CounterState state) override;
    // Ends the server and its thread within timeoutMs (at least 100 ms); answers not yet
    // written are cut off. A thread still reading files then is left to the process's end.
    int Stop(int timeoutMs) override;

    const StationSnapshot& Snapshot() const { return snapshot_; }

private:
    void Send();

    StationSnapshot snapshot_;
    std::function<int()> waiting_;
    std::function<std::vector<UploadStatus>()> uploads_;
    quint16 port_ = 0;
    QThread* thread_ = nullptr;
    HttpService* service_ = nullptr;  // lives on thread_
};
