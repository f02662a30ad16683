#pragma once

#include <QByteArray>
#include <QString>
#include <limits>
#include <vector>

struct LogRecord;
struct MqttSettings;

// One message to the broker; every message of ours is QoS 1. Retained or not as Retain says:
// the state, availability, counter, alarm and discovery configs are, the minutes are not.
struct MqttMessage {
    QString Topic;
    QByteArray Payload;
    bool Retain = true;
};

// The topics of a station (net/README.md, "Topics", says what each carries and when):
// "solamine/ID/state" (retained: the newest whole minute), "solamine/ID/minutes" (every whole
// minute, not retained), "solamine/ID/availability" (retained "online"/"offline"),
// "solamine/ID/counter" (retained "ON"/"OFF": the counter connected), "solamine/ID/alarm"
// (retained "ON"/"OFF", with an alarm only).
QString StateTopic(const MqttSettings& settings);
QString MinutesTopic(const MqttSettings& settings);
QString AvailabilityTopic(const MqttSettings& settings);
QString CounterTopic(const MqttSettings& settings);
QString AlarmTopic(const MqttSettings& settings);
// "<DiscoveryPrefix>/status": Home Assistant's birth and last will ("online"/"offline"); on
// "online" the configs and the retained topics are to be published again.
QString StatusTopic(const MqttSettings& settings);

// A whole minute as JSON, the payload of both the state and the minutes topics:
//     {"time":"2026-12-08T14:30:00+09:00","cpm":35,"usv_h":0.0553,"usv_today":0.053562}
// time: the minute's start in ISO 8601 with the local offset; cpm: its counts; usv_h: the text
// of the log file's fourth column (the dose rate over the ten lines before), or null without
// one; usv_today: the dose in uSv since local midnight (DoseToday) with exactly six decimals,
// or null when usvToday is NaN (or infinite, which JSON has no word for).
QByteArray MinuteJson(const LogRecord& record, double usvToday);
// The usv_today value as that JSON has it: six decimals, or null when not finite.
QByteArray UsvTodayText(double usvToday);
// The local day whose offsets from UTC a run of minutes last asked of the time zone.
struct LocalDays {
    qint64 Day = std::numeric_limits<qint64>::min();
    int First = 0;  // at 00:00 and 23:45
    int Last = 0;
};
// The first three fields of that JSON, without braces: "time":"…","cpm":35,"usv_h":0.0553.
// days, when given, keeps the day's offsets from one minute to the next of a run.
void AppendMinuteFields(QByteArray& json, const LogRecord& record, LocalDays* days = nullptr);
// "2026-12-08T14:30:00+09:00" for a local DateTime value.
QString IsoTimeText(double time);

// The retained discovery configs of one device per station ("solamine ID"), at
// "<prefix>/<component>/solamine_ID/<object>/config": the sensors cpm (CPM), dose_rate
// (u"\u03bcSv/h") and dose_today (u"\u03bcSv", total_increasing), the binary sensor counter
// (connectivity, diagnostic) and the binary sensor alarm (safety). The units are written with
// U+03BC GREEK SMALL LETTER MU, the character Home Assistant's own units use, not U+00B5. Each has
// unique_id and default_entity_id
// ("sensor.solamine_ID_cpm"), the availability topic, the device and the origin; the sensors
// expire after 180 s without a state. Without an alarm its config comes with an empty payload,
// which removes an alarm entity left from an earlier run.
std::vector<MqttMessage> DiscoveryMessages(const MqttSettings& settings);
