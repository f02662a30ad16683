#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

struct LogRecord;
struct MqttSettings;

// One message to the broker; every message of ours is QoS 1.
struct MqttMessage {
    QString Topic;
    QByteArray Payload;
    bool Retain = true;
};

// The topics of a station: "solamine/ID/state", ".../availability", ".../alarm".
QString StateTopic(const MqttSettings& settings);
QString AvailabilityTopic(const MqttSettings& settings);
QString AlarmTopic(const MqttSettings& settings);

// A minute as JSON: {"time":"2026-12-08T14:30:00+09:00","cpm":35,"usv_h":0.0553}; the time is
// the minute's start in ISO 8601 with the local offset, the dose the text of the log file's
// fourth column, or null without one.
QByteArray StateJson(const LogRecord& record);
// "2026-12-08T14:30:00+09:00" for a local DateTime value.
QString IsoTimeText(double time);

// The retained discovery configs: a CPM sensor, a dose-rate sensor and, with an alarm, a
// binary sensor, all of one device per station.
std::vector<MqttMessage> DiscoveryMessages(const MqttSettings& settings);
