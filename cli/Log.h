#pragma once

#include "MqttSettings.h"
#include "StationHttp.h"
#include "StationLogger.h"
#include "StationUploads.h"

#include <QStringList>
#include <optional>

// "log [--simulate] [--coefficient X] [--background N] [--alarm USV [--on-alarm PROGRAM]]
// [--mqtt URL ...] [--radmon USER ...] [--gmcmap ACCOUNT:COUNTER] [--safecast LAT,LON ...]
// [--http [ADDR:]PORT] FILE" or "... --daily DIR".
extern const char kLogUsage[];

struct LogCommand {
    StationOptions Options;
    bool Simulate = false;
    std::optional<MqttSettings> Mqtt;  // publish to this broker too
    std::optional<HttpListen> Http;    // serve the web API and metrics here
    MapSettings Maps;                  // upload to these maps
};

// The options after the word "log"; hostName names the station by default, and
// environmentPassword is the broker password when no file gives one, uploadSecrets the maps'.
// Returns nothing and sets error when they are not valid.
std::optional<LogCommand> ParseLogArguments(const QStringList& arguments, QString* error,
                                            const QString& hostName = {},
                                            const QString& environmentPassword = {},
                                            const UploadSecrets& uploadSecrets = {});

// Logs until SIGTERM or SIGINT. Exit status: 0 after a signal, 1 when the file or folder cannot
// be used at start (or the HTTP port, or the upload CA), 2 wrong arguments.
int RunLog(const QStringList& arguments);
