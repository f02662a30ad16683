#include "MqttWindowSettings.h"

#include "FileError.h"
#include "IniFile.h"

#include <utility>

namespace {

const QString mqttSection = QStringLiteral("MQTT");

}  // namespace

MqttWindowSettings LoadMqttSettings(const QString& iniPath, const QString& hostName) {
    const IniFile ini(iniPath);
    MqttWindowSettings settings;
    MqttSettings& broker = settings.Broker;
    broker.User = ini.ReadString(mqttSection, QStringLiteral("User")).value_or(QString());
    QString error;
    const QString url = ini.ReadString(mqttSection, QStringLiteral("URL")).value_or(QString());
    const bool usable = !url.isEmpty() && ParseBrokerUrl(url, broker, &error);
    settings.Enabled = usable && ReadFlag(ini, mqttSection, QStringLiteral("Enabled"), false);
    broker.StationId = ini.ReadString(mqttSection, QStringLiteral("Id")).value_or(QString());
    if (!IsValidStationId(broker.StationId)) {
        broker.StationId = DesktopStationIdFrom(hostName);
    }
    broker.CaFile = ini.ReadString(mqttSection, QStringLiteral("CA")).value_or(QString());
    broker.Discovery = ReadFlag(ini, mqttSection, QStringLiteral("Discovery"), true);
    return settings;
}

void SaveMqttSettings(const QString& iniPath, const MqttWindowSettings& settings) {
    IniFile ini(iniPath);
    // The broker, its user and the station are not for other users of the machine to read.
    ini.KeepToOwner();
    const MqttSettings& broker = settings.Broker;
    const std::pair<QString, QString> keys[] = {
        {QStringLiteral("Enabled"), settings.Enabled ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("URL"), broker.Host.isEmpty() ? QString() : BrokerUrl(broker)},
        {QStringLiteral("Id"), broker.StationId},
        {QStringLiteral("User"), broker.User},
        {QStringLiteral("CA"), broker.CaFile},
        {QStringLiteral("Discovery"), broker.Discovery ? QStringLiteral("1") : QStringLiteral("0")},
    };
    for (const auto& [key, value] : keys) {
        if (!ini.WriteString(mqttSection, key, value)) {
            throw FileFailure(
                {FileError::Operation::WriteSettings, FileError::Code::System, iniPath, {}, 0});
        }
    }
}
