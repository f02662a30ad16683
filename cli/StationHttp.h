#pragma once

#include "Publisher.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct Arguments;
class MqttPublisher;
class StationLogger;
struct StationUploads;

// Where --http [ADDR:]PORT listens: the loopback address unless an address is given; port 0
// takes any free port.
struct HttpListen {
    QString Address = QStringLiteral("127.0.0.1");
    quint16 Port = 0;
};

// Whether this build has the HTTP server (Qt HTTP Server); the Windows build has none.
extern const bool kHasHttpServer;

// The address and port --http names. Returns true and leaves listen empty without --http;
// returns false and sets error when the value is not valid or this build has no server.
bool ReadHttpOption(const Arguments& arguments, std::optional<HttpListen>& listen, QString* error);

// The station's HTTP server, a publisher of the logger's session, and where it listens.
struct StationHttp {
    std::unique_ptr<Publisher> Server;
    QString Url;  // "http://127.0.0.1:8080/"
};

// Serves logger's log and minutes over HTTP from now on (now: local time as a DateTime value):
// the day so far from the day's minutes in the log, the broker's waiting minutes from mqtt when
// there is one, each map's status from uploads when given. notes hears what is worth a line
// ("HTTP: listening on …"). Returns no server and sets error when it cannot listen.
StationHttp StartHttp(const HttpListen& listen, StationLogger& logger, double now,
                      MqttPublisher* mqtt, const std::function<void(const QString&)>& notes,
                      QString* error, const StationUploads* uploads = nullptr);
