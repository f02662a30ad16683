#include "StationMqtt.h"

#include "Arguments.h"
#include "ErrorText.h"

bool ReadMqttOptions(const Arguments& arguments, const QString& hostName,
                     const QString& environmentPassword, std::optional<MqttSettings>& settings,
                     QString* error) {
    const auto url = arguments.Values.constFind(QStringLiteral("--mqtt"));
    if (url == arguments.Values.cend()) {
        for (const QString& option : kMqttOptions) {
            if (arguments.Values.contains(option)) {
                *error = QStringLiteral("%1 needs --mqtt").arg(option);
                return false;
            }
        }
        return true;
    }
    MqttSettings mqtt;
    if (!ParseBrokerUrl(*url, mqtt, error)) {
        return false;
    }
    mqtt.StationId = arguments.Values.value(QStringLiteral("--mqtt-id"), StationIdFrom(hostName));
    if (!IsValidStationId(mqtt.StationId)) {
        *error = QStringLiteral("--mqtt-id takes 1 to 64 of a-z, 0-9, _ and -, not \"%1\"")
                     .arg(mqtt.StationId);
        return false;
    }
    mqtt.CaFile = arguments.Values.value(QStringLiteral("--mqtt-ca"));
    if (!mqtt.CaFile.isEmpty() && !mqtt.Tls) {
        *error = QStringLiteral("--mqtt-ca needs a TLS broker: mqtts://");
        return false;
    }
    mqtt.Discovery = !arguments.Flags.contains(kNoDiscovery);
    mqtt.DiscoveryPrefix =
        arguments.Values.value(QStringLiteral("--mqtt-discovery-prefix"), mqtt.DiscoveryPrefix);
    if (mqtt.DiscoveryPrefix.isEmpty() || mqtt.DiscoveryPrefix.contains(u'+') ||
        mqtt.DiscoveryPrefix.contains(u'#')) {
        *error = QStringLiteral("--mqtt-discovery-prefix takes a topic without + or #");
        return false;
    }
    if (const auto file = arguments.Values.constFind(QStringLiteral("--mqtt-password-file"));
        file != arguments.Values.cend()) {
        FileError refused;
        const std::optional<QString> password = ReadPasswordFile(*file, &refused);
        if (!password) {
            *error = CliText::FileErrorText(refused);
            return false;
        }
        mqtt.Password = *password;
    } else {
        mqtt.Password = environmentPassword;
    }
    if (!mqtt.Password.isEmpty() && mqtt.User.isEmpty()) {
        *error = QStringLiteral("a broker password needs a user: mqtt://USER@HOST");
        return false;
    }
    settings = mqtt;
    return true;
}
