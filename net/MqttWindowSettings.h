#pragma once

#include "MqttSettings.h"

#include <QString>

// Whether the window publishes, and to which broker.
struct MqttWindowSettings {
    bool Enabled = false;
    MqttSettings Broker;

    friend bool operator==(const MqttWindowSettings&, const MqttWindowSettings&) = default;
};

// The window's publishing from section "MQTT" of its INI file: "Enabled", "URL"
// (mqtt://HOST[:PORT] or mqtts://...), "Id" (default: from the host name), "User", "CA",
// "Discovery" (default on). An unusable URL reads as not enabled. The password is never in this
// file. Never writes.
MqttWindowSettings LoadMqttSettings(const QString& iniPath, const QString& hostName);

// Writes the keys of section "MQTT", keeping every other line, and leaves the file readable by
// its owner only; throws a FileFailure with a WriteSettings error at the first key that cannot
// be written.
void SaveMqttSettings(const QString& iniPath, const MqttWindowSettings& settings);
