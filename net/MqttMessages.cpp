#include "MqttMessages.h"

#include "DateTime.h"
#include "MqttSettings.h"
#include "NumberFormat.h"
#include "SampleDisplay.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

QString Base(const MqttSettings& settings) {
    return QStringLiteral("solamine/") + settings.StationId;
}

QString SoftwareVersion(const MqttSettings& settings) {
    return settings.SoftwareVersion.isEmpty() ? QStringLiteral(SOLAMINE_VERSION)
                                              : settings.SoftwareVersion;
}

QJsonObject Device(const MqttSettings& settings) {
    return {
        {QStringLiteral("identifiers"),
         QJsonArray{QStringLiteral("solamine_") + settings.StationId}},
        {QStringLiteral("name"), QStringLiteral("solamine ") + settings.StationId},
        {QStringLiteral("manufacturer"), QStringLiteral("solamine")},
        {QStringLiteral("model"), QStringLiteral("USB radiation counter")},
        {QStringLiteral("sw_version"), SoftwareVersion(settings)},
    };
}

// What sent the configs. The project names no support page, so there is no support_url.
QJsonObject Origin(const MqttSettings& settings) {
    return {
        {QStringLiteral("name"), QStringLiteral("solamine")},
        {QStringLiteral("sw_version"), SoftwareVersion(settings)},
    };
}

QString ConfigTopic(const MqttSettings& settings, const QString& component, const QString& object) {
    return QStringLiteral("%1/%2/solamine_%3/%4/config")
        .arg(settings.DiscoveryPrefix, component, settings.StationId, object);
}

// The entity's name leaves out the device's: Home Assistant puts them together.
MqttMessage Config(const MqttSettings& settings, const QString& component, const QString& object,
                   QJsonObject config) {
    const QString uniqueId = QStringLiteral("solamine_%1_%2").arg(settings.StationId, object);
    config.insert(QStringLiteral("unique_id"), uniqueId);
    config.insert(QStringLiteral("default_entity_id"), component + u'.' + uniqueId);
    config.insert(QStringLiteral("availability_topic"), AvailabilityTopic(settings));
    config.insert(QStringLiteral("device"), Device(settings));
    config.insert(QStringLiteral("origin"), Origin(settings));
    return {ConfigTopic(settings, component, object),
            QJsonDocument(config).toJson(QJsonDocument::Compact), true};
}

// A sensor of the state's field; without a state for three minutes (the station or its
// counter gone quiet) Home Assistant shows it unavailable. No device_class: Home Assistant has
// none for counts or radiation dose.
QJsonObject Sensor(const MqttSettings& settings, const QString& name, const QString& unit,
                   const QString& stateClass, int precision, const QString& field) {
    return {
        {QStringLiteral("name"), name},
        {QStringLiteral("state_topic"), StateTopic(settings)},
        {QStringLiteral("unit_of_measurement"), unit},
        {QStringLiteral("state_class"), stateClass},
        {QStringLiteral("expire_after"), 180},
        {QStringLiteral("suggested_display_precision"), precision},
        {QStringLiteral("icon"), QStringLiteral("mdi:radioactive")},
        {QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(field)},
    };
}

}  // namespace

QString StateTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/state");
}

QString MinutesTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/minutes");
}

QString AvailabilityTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/availability");
}

QString CounterTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/counter");
}

QString AlarmTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/alarm");
}

QString StatusTopic(const MqttSettings& settings) {
    return settings.DiscoveryPrefix + QStringLiteral("/status");
}

namespace {

// The local offset from UTC in seconds at a local time. Asking the time zone costs more than
// the rest of a minute's JSON, so a run of minutes keeps its last day's in days: a day that
// starts and ends at the same offset has it throughout; on a day of a change, offsets change on
// quarter hours only, and each quarter is asked.
int LocalOffset(const DateTime::Parts& parts, LocalDays* days) {
    const auto ask = [&parts](int hour, int minute) {
        return QDateTime(QDate(parts.date.year, parts.date.month, parts.date.day),
                         QTime(hour, minute))
            .offsetFromUtc();
    };
    const qint64 key = DateTime::DaysFromCivil(parts.date.year, parts.date.month, parts.date.day);
    if (days && key != days->Day) {
        days->Day = key;
        days->First = ask(0, 0);
        days->Last = ask(23, 45);
    }
    return days && days->First == days->Last ? days->First
                                             : ask(parts.time.hour, parts.time.minute / 15 * 15);
}

// Writes value in digits digits at out; returns the end.
char* Digits(char* out, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) {
        out[i] = char('0' + value % 10);
    }
    return out + digits;
}

// Writes "2026-12-08T14:30:00+09:00" at out, which has room for kIsoChars; returns the end.
// By hand: a month of minutes as JSON writes 43,200 of them.
constexpr int kIsoChars = 25;
char* WriteIsoTime(double time, char* out, LocalDays* days = nullptr) {
    const DateTime::Parts parts = DateTime::Decode(time);
    const int offset = LocalOffset(parts, days);
    const int minutes = std::abs(offset) / 60;
    out = Digits(out, parts.date.year, 4);
    *out++ = '-';
    out = Digits(out, parts.date.month, 2);
    *out++ = '-';
    out = Digits(out, parts.date.day, 2);
    *out++ = 'T';
    out = Digits(out, parts.time.hour, 2);
    *out++ = ':';
    out = Digits(out, parts.time.minute, 2);
    *out++ = ':';
    out = Digits(out, parts.time.second, 2);
    *out++ = offset < 0 ? '-' : '+';
    out = Digits(out, minutes / 60, 2);
    *out++ = ':';
    return Digits(out, minutes % 60, 2);
}

}  // namespace

QString IsoTimeText(double time) {
    char text[kIsoChars];
    return QString::fromLatin1(text, WriteIsoTime(time, text) - text);
}

void AppendMinuteFields(QByteArray& json, const LogRecord& record, LocalDays* days) {
    // Built on the stack and appended once: a month of minutes is 43,200 of these.
    constexpr std::string_view kTime = "\"time\":\"",
                               kCpm = "\",\"cpm\":", kDose = ",\"usv_h\":", kNull = "null";
    char text[kTime.size() + kIsoChars + kCpm.size() + 11 + kDose.size() +
              NumberFormat::kMaxGeneralChars];
    char* out = std::copy(kTime.begin(), kTime.end(), text);
    out = WriteIsoTime(record.Time, out, days);
    out = std::copy(kCpm.begin(), kCpm.end(), out);
    out = std::to_chars(out, out + 11, record.Cpm).ptr;
    out = std::copy(kDose.begin(), kDose.end(), out);
    // The dose as the file's column holds it; JSON has no word for infinity, so that is null too.
    out = record.HasDose() && std::isfinite(record.Dose)
              ? NumberFormat::WriteGeneral(record.Dose, out)
              : std::copy(kNull.begin(), kNull.end(), out);
    json.append(text, out - text);
}

QByteArray MinuteJson(const LogRecord& record, double usvToday) {
    QByteArray json = "{";
    AppendMinuteFields(json, record);
    return json + ",\"usv_today\":" + UsvTodayText(usvToday) + '}';
}

QByteArray UsvTodayText(double usvToday) {
    // Fixed, so a reader sees the same number of decimals every minute; never "-0.000000".
    return std::isfinite(usvToday) ? QByteArray::number(usvToday == 0 ? 0.0 : usvToday, 'f', 6)
                                   : QByteArray("null");
}

std::vector<MqttMessage> DiscoveryMessages(const MqttSettings& settings) {
    const QString sensor = QStringLiteral("sensor");
    const QString binarySensor = QStringLiteral("binary_sensor");
    const QString measurement = QStringLiteral("measurement");
    // GREEK SMALL LETTER MU, the character of Home Assistant's own units (not U+00B5).
    const QString mu = QString::fromUtf16(u"\u03bc");
    std::vector<MqttMessage> messages{
        Config(settings, sensor, QStringLiteral("cpm"),
               Sensor(settings, QStringLiteral("CPM"), QStringLiteral("CPM"), measurement, 0,
                      QStringLiteral("cpm"))),
        Config(settings, sensor, QStringLiteral("dose_rate"),
               Sensor(settings, QStringLiteral("Dose rate"), mu + QStringLiteral("Sv/h"),
                      measurement, 3, QStringLiteral("usv_h"))),
        Config(settings, sensor, QStringLiteral("dose_today"),
               Sensor(settings, QStringLiteral("Dose today"), mu + QStringLiteral("Sv"),
                      QStringLiteral("total_increasing"), 3, QStringLiteral("usv_today"))),
        Config(settings, binarySensor, QStringLiteral("counter"),
               {
                   {QStringLiteral("name"), QStringLiteral("Counter connected")},
                   {QStringLiteral("state_topic"), CounterTopic(settings)},
                   {QStringLiteral("device_class"), QStringLiteral("connectivity")},
                   {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
                   {QStringLiteral("payload_on"), QStringLiteral("ON")},
                   {QStringLiteral("payload_off"), QStringLiteral("OFF")},
               }),
    };
    if (settings.Alarm) {
        messages.push_back(Config(settings, binarySensor, QStringLiteral("alarm"),
                                  {
                                      {QStringLiteral("name"), QStringLiteral("Dose alarm")},
                                      {QStringLiteral("state_topic"), AlarmTopic(settings)},
                                      {QStringLiteral("device_class"), QStringLiteral("safety")},
                                      {QStringLiteral("payload_on"), QStringLiteral("ON")},
                                      {QStringLiteral("payload_off"), QStringLiteral("OFF")},
                                      {QStringLiteral("icon"), QStringLiteral("mdi:radioactive")},
                                  }));
    } else {
        // An empty retained config removes the entity and the broker's copy of its config.
        messages.push_back(
            {ConfigTopic(settings, binarySensor, QStringLiteral("alarm")), {}, true});
    }
    return messages;
}
