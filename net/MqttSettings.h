#pragma once

#include "FileError.h"

#include <QString>
#include <optional>

// Where and as whom the readings are published.
struct MqttSettings {
    QString Host;
    int Port = 1883;
    bool Tls = false;
    QString User;      // empty: no user name
    QString Password;  // never from the command line or the INI file
    QString CaFile;    // empty: the system's certificate authorities
    QString StationId;
    bool Discovery = true;
    QString DiscoveryPrefix = QStringLiteral("homeassistant");
    bool Alarm = false;       // the station has a dose-rate alarm: its topic and binary sensor
    QString SoftwareVersion;  // empty: this build's version

    friend bool operator==(const MqttSettings&, const MqttSettings&) = default;
};

// The broker of "mqtt://[USER@]HOST[:PORT]" or "mqtts://..." (TLS; default ports 1883 and
// 8883) into settings' Host, Port, Tls and, when given, User. Returns false and sets error for
// any other form, and for a password in the URL, which would show in the process list.
bool ParseBrokerUrl(const QString& url, MqttSettings& settings, QString* error);

// The URL of settings' broker without the user: "mqtts://broker.lan:8884".
QString BrokerUrl(const MqttSettings& settings);

// A station id made of a host name: lowercased and reduced to [a-z0-9_-]; "station" when
// nothing is left.
QString StationIdFrom(const QString& hostName);

// The window's station id on a host: StationIdFrom's with "-desktop", so that the window and a
// station on one machine never share topics.
QString DesktopStationIdFrom(const QString& hostName);

// Whether id may name a station in topics: [a-z0-9_-], 1 to 64 characters.
bool IsValidStationId(const QString& id);

// The first line of the file at path, without its line end. Returns nothing and sets error (when
// given) when it cannot be read, or is refused as a secret others could read (ReadSecretFile).
std::optional<QString> ReadPasswordFile(const QString& path, FileError* error = nullptr);

// Writes password to path with mode 0600 (created so, never readable by others on the way), or
// removes the file when password is empty. Returns false when it cannot.
bool SavePasswordFile(const QString& path, const QString& password);
