#pragma once

#include "SampleDisplay.h"

#include <QMetaObject>
#include <functional>
#include <limits>

class QObject;

// A whole minute as publishers get it: the record its log line has, and the dose since local
// midnight by the summary rule (NaN where it is not known) over the day's whole minutes so far,
// this one included.
struct PublishedMinute {
    LogRecord Record;
    double UsvToday = std::numeric_limits<double>::quiet_NaN();
    int MinutesToday = 0;
};

// Where the logging stands, for those who show it: not logging, logging without a counter
// (waiting for one to be plugged in or to come back), or logging with the counter connected.
enum class CounterState { Stopped, Waiting, Connected };

// Where whole minutes go besides the log file: a broker, a web page, a map. The logging session
// hands each publisher the same minutes, in order, on its own thread; a publisher never blocks
// it (what waits for a slow peer waits in the publisher).
class Publisher {
public:
    virtual ~Publisher() = default;

    // A whole minute, with the dose its log line has.
    virtual void Publish(const PublishedMinute& minute) = 0;
    // The dose-rate alarm was raised (true) or ended (false).
    virtual void SetAlarm(bool raised) = 0;
    // Logging started or stopped, or the counter came or went.
    virtual void SetCounter(CounterState state) = 0;
    // The end: what still waits gets up to timeoutMs. Returns the minutes that could not be
    // published, which are dropped.
    virtual int Stop(int timeoutMs) = 0;
};

// A publisher whose peer keeps each minute with its own time (a broker's history, a map that
// takes a time), so that the minutes it did not get can be given again from the log later.
class ReplayPublisher : public Publisher {
public:
    // A minute logged earlier that the peer has not acknowledged: sent in order, before any
    // live minute given later.
    virtual void Replay(const PublishedMinute& minute) = 0;
    // Calls acknowledged, in context's thread, with the time of each minute the peer took (the
    // minutes before it were taken too), until context goes.
    virtual QMetaObject::Connection OnAcknowledged(
        QObject* context, std::function<void(double time)> acknowledged) = 0;
};
