#pragma once

#include "FileError.h"
#include "LogAppender.h"

#include <QString>

struct MapEvent;
struct MqttEvent;

// The command line's words, in English, for what the lower folders report. Every file error and
// every note of the appender and the publisher that solamine-cli prints is worded here. In a
// namespace of their own: the window words the same values in its own texts, under the same
// names, and a program may link both.
namespace CliText {

// Why: "not a regular file", "larger than 912 MiB", "more than 16777216 lines", "not enough
// memory", ..., or the system's text.
QString ReasonText(const FileError& error);
// "cannot read FILE: REASON", "cannot write FILE: REASON", "cannot append to FILE: REASON".
QString FileErrorText(const FileError& error);
// Each error of the failure, one a line.
QString FailureText(const FileFailure& failure);
// "FILE: N unreadable line(s), the first is line M".
QString UnreadableLinesText(const QString& path, int lines, int firstLine);
// "FILE: line N would read back as another time: ..." with the years two digits hold around
// currentYear.
QString NotReadBackText(const QString& path, int line, int currentYear);
// Why the end of a file appended to could not be read: its doses start afresh.
QString TailErrorText(const FileError& error);
// "cannot append to FILE: REASON; N line(s) kept in memory, trying again", "appending works
// again; N kept line(s) written".
QString AppendEventText(const LogAppender::Event& event);
// "MQTT: connected to HOST:PORT", "MQTT: lost HOST:PORT (REASON); next try in N s; M minute(s)
// waiting", ...
QString MqttEventText(const MqttEvent& event);
// A map upload's event as a line: "radmon: ...", secrets masked in the request shown.
QString MapEventText(const MapEvent& event);

}  // namespace CliText
