#pragma once

#include "MqttSettings.h"
#include "SecretVariables.h"

#include <QStringList>
#include <optional>

struct Arguments;

// The options of "log" that publish to a broker; --no-discovery is a flag, these take a value.
inline const QStringList kMqttOptions{
    QStringLiteral("--mqtt"), QStringLiteral("--mqtt-password-file"), QStringLiteral("--mqtt-ca"),
    QStringLiteral("--mqtt-id"), QStringLiteral("--mqtt-discovery-prefix")};
inline const QString kNoDiscovery = QStringLiteral("--no-discovery");

// The broker settings that --mqtt and its companions name, with the password from
// --mqtt-password-file or else environmentPassword. Returns true and leaves settings empty
// without --mqtt; returns false and sets error when an option is not valid or the password
// file cannot be read.
bool ReadMqttOptions(const Arguments& arguments, const QString& hostName,
                     const QString& environmentPassword, std::optional<MqttSettings>& settings,
                     QString* error);
