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
#include <cmath>

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

QString IsoTimeText(double time) {
    const DateTime::Parts parts = DateTime::Decode(time);
    const QDateTime local(QDate(parts.date.year, parts.date.month, parts.date.day),
                          QTime(parts.time.hour, parts.time.minute, parts.time.second));
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

void AppendMinuteFields(QByteArray& json, const LogRecord& record) {
    json += "\"time\":\"" + IsoTimeText(record.Time).toLatin1() +
            "\",\"cpm\":" + QByteArray::number(record.Cpm) + ",\"usv_h\":";
    // The dose as the file's column holds it; JSON has no word for infinity, so that is null too.
    if (record.HasDose() && std::isfinite(record.Dose)) {
        char text[NumberFormat::kMaxGeneralChars];
        json.append(text, NumberFormat::WriteGeneral(record.Dose, text) - text);
    } else {
        json += "null";
    }
}

QByteArray MinuteJson(const LogRecord& record, double usvToday) {
    QByteArray json = "{";
    AppendMinuteFields(json, record);
    json += ",\"usv_today\":";
    if (std::isfinite(usvToday)) {
        // Fixed, so a reader sees the same number of decimals every minute; never "-0.000000".
        json += QByteArray::number(usvToday == 0 ? 0.0 : usvToday, 'f', 6);
    } else {
        json += "null";
    }
    return json + '}';
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
