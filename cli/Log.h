#pragma once

#include "StationLogger.h"

#include <QStringList>
#include <optional>

// "log [--simulate] [--coefficient X] [--background N] [--alarm USV [--on-alarm PROGRAM]] FILE"
// or "... --daily DIR".
extern const char kLogUsage[];

struct LogCommand {
    StationOptions Options;
    bool Simulate = false;
};

// The options after the word "log". Returns nothing and sets error when they are not valid.
std::optional<LogCommand> ParseLogArguments(const QStringList& arguments, QString* error);

// Logs until SIGTERM or SIGINT. Exit status: 0 after a signal, 1 when the file or folder cannot
// be used at start, 2 wrong arguments.
int RunLog(const QStringList& arguments);
