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

QJsonObject Device(const MqttSettings& settings) {
    return {
        {QStringLiteral("identifiers"),
         QJsonArray{QStringLiteral("solamine_") + settings.StationId}},
        {QStringLiteral("name"), QStringLiteral("solamine ") + settings.StationId},
        {QStringLiteral("model"), QStringLiteral("USB radiation counter")},
        {QStringLiteral("sw_version"), settings.SoftwareVersion.isEmpty()
                                           ? QStringLiteral(SOLAMINE_VERSION)
                                           : settings.SoftwareVersion},
    };
}

MqttMessage Config(const MqttSettings& settings, const QString& component, const QString& object,
                   QJsonObject config) {
    const QString uniqueId = QStringLiteral("solamine_%1_%2").arg(settings.StationId, object);
    config.insert(QStringLiteral("unique_id"), uniqueId);
    config.insert(QStringLiteral("object_id"), uniqueId);
    config.insert(QStringLiteral("availability_topic"), AvailabilityTopic(settings));
    config.insert(QStringLiteral("device"), Device(settings));
    return {QStringLiteral("%1/%2/solamine_%3/%4/config")
                .arg(settings.DiscoveryPrefix, component, settings.StationId, object),
            QJsonDocument(config).toJson(QJsonDocument::Compact), true};
}

QJsonObject Sensor(const MqttSettings& settings, const QString& name, const QString& unit,
                   const QString& field) {
    return {
        {QStringLiteral("name"), name},
        {QStringLiteral("state_topic"), StateTopic(settings)},
        {QStringLiteral("unit_of_measurement"), unit},
        {QStringLiteral("state_class"), QStringLiteral("measurement")},
        {QStringLiteral("icon"), QStringLiteral("mdi:radioactive")},
        {QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(field)},
    };
}

}  // namespace

QString StateTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/state");
}

QString AvailabilityTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/availability");
}

QString AlarmTopic(const MqttSettings& settings) {
    return Base(settings) + QStringLiteral("/alarm");
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

QByteArray StateJson(const LogRecord& record) {
    QByteArray json = "{\"time\":\"" + IsoTimeText(record.Time).toLatin1() +
                      "\",\"cpm\":" + QByteArray::number(record.Cpm) + ",\"usv_h\":";
    // The dose as the file's column holds it; JSON has no word for infinity, so that is null too.
    if (record.HasDose() && std::isfinite(record.Dose)) {
        char text[NumberFormat::kMaxGeneralChars];
        json.append(text, NumberFormat::WriteGeneral(record.Dose, text) - text);
    } else {
        json += "null";
    }
    return json + '}';
}

std::vector<MqttMessage> DiscoveryMessages(const MqttSettings& settings) {
    std::vector<MqttMessage> messages{
        Config(
            settings, QStringLiteral("sensor"), QStringLiteral("cpm"),
            Sensor(settings, QStringLiteral("CPM"), QStringLiteral("CPM"), QStringLiteral("cpm"))),
        Config(settings, QStringLiteral("sensor"), QStringLiteral("dose_rate"),
               Sensor(settings, QStringLiteral("Dose rate"), QStringLiteral("µSv/h"),
                      QStringLiteral("usv_h"))),
    };
    if (settings.Alarm) {
        messages.push_back(Config(settings, QStringLiteral("binary_sensor"),
                                  QStringLiteral("alarm"),
                                  {
                                      {QStringLiteral("name"), QStringLiteral("Dose alarm")},
                                      {QStringLiteral("state_topic"), AlarmTopic(settings)},
                                      {QStringLiteral("device_class"), QStringLiteral("safety")},
                                      {QStringLiteral("payload_on"), QStringLiteral("ON")},
                                      {QStringLiteral("payload_off"), QStringLiteral("OFF")},
                                      {QStringLiteral("icon"), QStringLiteral("mdi:radioactive")},
                                  }));
    }
    return messages;
}
