#pragma once

#include "Publisher.h"
#include "SampleDisplay.h"

#include <QString>
#include <QtGlobal>
#include <limits>
#include <optional>
#include <vector>

// Where an upload to a public map stands: its service's name ("radmon"), the readings waiting
// for it, whether a refusal stopped it, and the readings it took since the start.
struct UploadStatus {
    QString Service;
    int Waiting = 0;
    bool Stopped = false;
    qint64 Sent = 0;

    friend bool operator==(const UploadStatus&, const UploadStatus&) = default;
};

// Where a station stands, as its web API and metrics show it: a copy made on the logging
// thread after each change and handed to the server's thread, which never reads the session.
struct StationSnapshot {
    std::optional<LogRecord> Last;  // the newest whole minute, with the file's dose
    CounterState Counter = CounterState::Stopped;
    bool NeverFound = false;  // while waiting: no counter was connected since logging started
    std::optional<bool> Alarm;  // raised or not; nothing without an alarm
    double UsvToday = std::numeric_limits<double>::quiet_NaN();
    int MinutesToday = 0;
    qint64 CountsTotal = 0;    // counts of the minutes logged since the start
    qint64 MinutesLogged = 0;  // since the start
    int PublishWaiting = 0;    // minutes waiting for the broker; 0 without one
    std::vector<UploadStatus> Uploads;  // one per map uploaded to
};
