#pragma once

#include "FileError.h"

#include <QString>
#include <optional>

// Where a publisher got to, kept in a small file beside the log so that a restart sends the
// minutes the peer has not acknowledged yet. The file is text a person can read:
//
//     station=home
//     acknowledged=2026-12-09 17:20
//
// the station id percent-encoded (ids of letters, digits, "_" and "-" read as they are), the
// minute in local time as the log has it. Lines end at LF (a CR before it is allowed); blank
// lines and keys of no meaning here are passed over.

// Where a publisher got to: the minute the peer last acknowledged, for one station id.
struct PublishMark {
    QString Station;
    double Acknowledged = 0;  // a local DateTime value, the minute's start

    friend bool operator==(const PublishMark&, const PublishMark&) = default;
};

// A mark file is a few short lines: larger ones are refused.
inline constexpr qint64 kMaxPublishMarkBytes = 4096;

// The mark file of a log: "<file>.<publisher>.state" beside a single log file, or
// "<dir>/.<publisher>.state" in a daily folder (hidden, so that a folder of logs holds only
// logs); publisher is a short name such as "mqtt".
QString MarkPathFor(const QString& logFile, const QString& dailyDir, const QString& publisher);

// The mark in the file at path; nothing and no error when there is no file. Returns nothing and
// sets error to a Read error when it cannot be read (NotRegularFile, TooLarge with Limit
// kMaxPublishMarkBytes, System with the system's reason) or does not hold a mark: System, with
// Reason the line that does not read, or the key ("station=", "acknowledged=") that is missing.
std::optional<PublishMark> ReadPublishMark(const QString& path, FileError* error);

// Replaces the file at path with mark, all or nothing and readable by its owner only. The
// minute is kept to the minute: seconds are dropped. Returns false and sets error to a Write
// error when it fails.
bool WritePublishMark(const QString& path, const PublishMark& mark, FileError* error);
