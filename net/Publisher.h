#pragma once

struct LogRecord;

// Where whole minutes go besides the log file: a broker, a web page, a map. The logging session
// hands each publisher the same minutes, in order, on its own thread; a publisher never blocks
// it (what waits for a slow peer waits in the publisher).
class Publisher {
public:
    virtual ~Publisher() = default;

    // A whole minute, with the dose its log line has.
    virtual void Publish(const LogRecord& record) = 0;
    // The dose-rate alarm was raised (true) or ended (false).
    virtual void SetAlarm(bool raised) = 0;
    // The end: what still waits gets up to timeoutMs. Returns the minutes that could not be
    // published, which are dropped.
    virtual int Stop(int timeoutMs) = 0;
};
