#pragma once

#include "FileError.h"
#include "MapRequests.h"

#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

// One map a station uploads to: the service, as whom and where, how often, and where to.
struct MapUpload {
    MapService Service = MapService::Radmon;
    MapLogin Login;
    int EveryMinutes = 1;  // the pace: one reading per this many minutes
    QUrl Url;              // the service's address: DefaultMapUrl unless replaced

    friend bool operator==(const MapUpload&, const MapUpload&) = default;
};

// How long an upload waits: for an answer, and before trying again after a failure (doubling
// from the first to the last pause, which is also the slowest pace after "too soon").
struct MapTiming {
    int RequestTimeoutMs = 30000;
    int FirstRetryMs = 1000;
    int LastRetryMs = 60000;
};

// Every map a station uploads to; none unless the user names one.
struct MapSettings {
    std::vector<MapUpload> Uploads;
    QString CaFile;  // a CA trusted besides the system's; empty: none
};

// Minutes between uploads unless the user sets them: radmon takes every minute, GMC and
// Safecast one reading per five minutes.
int DefaultEveryMinutes(MapService service);
// The longest pace a user may set: a day.
inline constexpr int kMaxEveryMinutes = 24 * 60;

// A fresh upload to service with its default pace and address.
MapUpload DefaultMapUpload(MapService service);

// Whether service keeps readings with their own time, so that those not sent yet can wait and
// go later (radmon, Safecast); GMC takes no time: only the latest reading is worth sending.
bool MapTakesTime(MapService service);

// "ACCOUNT:COUNTER" into login's User and Counter; false unless both are there, without spaces.
bool ParseGmcCounter(const QString& text, MapLogin& login);
// "LAT,LON" in decimal degrees into login's Latitude and Longitude; false unless both read and
// lie within -90..90 and -180..180.
bool ParsePosition(const QString& text, MapLogin& login);

// Whether url may be a service's address: https, or http where plain is allowed (an address the
// user gave for tests or a local relay), with a host.
bool IsUsableMapUrl(const QUrl& url, bool plainAllowed);

// The name of the history a mark file keeps for upload: the radmon user, the Safecast device (or
// position); another name there is another history, which starts afresh.
QString MapHistoryName(const MapUpload& upload);

// A secret (password, key): the first line of file when one is named (refused as
// ReadPasswordFile refuses it: others may read it, it is not there), else environment's value.
// Returns nothing and sets error when the file cannot be used.
std::optional<QString> ReadMapSecret(const QString& file, const QString& environment,
                                     FileError* error);
