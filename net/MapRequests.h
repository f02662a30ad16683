#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// The public radiation maps a station can upload to, the request each takes for a reading and
// what its answers mean. Nothing here touches the network: the uploader sends what this builds
// and hands the answer back to be sorted.

enum class MapService { Radmon, GmcMap, Safecast };

// "radmon", "gmcmap", "safecast": the service's name in options, mark files and metrics.
QString MapServiceName(MapService service);
// The service of a name MapServiceName gives; false when name is none of them.
bool ParseMapServiceName(const QString& name, MapService* service);
// The public address requests go to when no other is given.
QUrl DefaultMapUrl(MapService service);

// One reading as a service takes it. Time is a local DateTime value (sent in UTC); radmon takes
// the minute's count, GMC the latest minute's count with the mean since the previous upload and
// its dose rate, Safecast the mean over its interval stamped with the interval's end.
struct MapReading {
    double Time = 0;
    double Cpm = 0;      // the minute's count, or the mean over an interval
    double MeanCpm = 0;  // GMC: the mean since the previous upload
    double Usv = 0;      // GMC: the dose rate in uSv/h
};

// What is asked of a service: the user or account, and where the station stands.
struct MapLogin {
    QString User;     // radmon user; GMC account id
    QString Secret;   // radmon password; Safecast API key; never shown
    QString Counter;  // GMC counter id
    double Latitude = 0;
    double Longitude = 0;
    QString Device;  // Safecast device id; empty: none sent

    friend bool operator==(const MapLogin&, const MapLogin&) = default;
};

struct MapRequest {
    QByteArray Method;  // "GET" or "POST"
    QUrl Url;
    QByteArray Body;  // POST only: JSON
};

// The request that uploads reading to service at base (its address, query items replaced).
MapRequest BuildMapRequest(MapService service, const QUrl& base, const MapLogin& login,
                           const MapReading& reading);

// A request's URL as it may be shown: every secret query value replaced by "***".
QString MaskedUrl(const QUrl& url);

// What an answer means for the reading and for the service.
enum class MapOutcome {
    Accepted,  // the service took it
    TooSoon,   // the service wants fewer requests: the same reading later, more slowly
    Refused,   // a refusal that trying again will not change: the service stops
    Failed,    // worth trying again: a server error, no answer, no connection
};

struct MapAnswer {
    // What GMC's codes say, so that they can be worded; Other: Reason holds the words.
    enum class Code { Other, UnknownAccount, UnknownCounter };
    MapOutcome Outcome = MapOutcome::Accepted;
    Code Why = Code::Other;
    int Status = 0;  // the HTTP status; 0 when no answer came
    QString Reason;  // the service's own words (their first line), or the network's reason
};

// The meaning of an HTTP answer of status with body from service.
MapAnswer ClassifyMapAnswer(MapService service, int status, const QByteArray& body);
