#include "MqttSettings.h"

#include "PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

bool ParseBrokerUrl(const QString& url, MqttSettings& settings, QString* error) {
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || parsed.host().isEmpty() ||
        !(parsed.path().isEmpty() || parsed.path() == u"/") || parsed.hasQuery() ||
        parsed.hasFragment()) {
        *error =
            QStringLiteral("the broker is mqtt://[USER@]HOST[:PORT] or mqtts://..., not \"%1\"")
                .arg(url);
        return false;
    }
    const qsizetype at = url.lastIndexOf(u'@');
    if (!parsed.password().isEmpty() || (at >= 0 && url.left(at).count(u':') > 1)) {
        *error = QStringLiteral(
            "no password in the broker URL: it would show in the process list; use "
            "--mqtt-password-file or SOLAMINE_MQTT_PASSWORD");
        return false;
    }
    settings.Tls = scheme == u"mqtts";
    settings.Host = parsed.host();
    settings.Port = parsed.port(settings.Tls ? 8883 : 1883);
    if (!parsed.userName().isEmpty()) {
        settings.User = parsed.userName();
    }
    return true;
}

QString BrokerUrl(const MqttSettings& settings) {
    const int defaultPort = settings.Tls ? 8883 : 1883;
    QString url = (settings.Tls ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://")) +
                  (settings.Host.contains(u':') ? u'[' + settings.Host + u']' : settings.Host);
    if (settings.Port != defaultPort) {
        url += u':' + QString::number(settings.Port);
    }
    return url;
}

QString StationIdFrom(const QString& hostName) {
    QString id;
    for (const QChar c : hostName.toLower()) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-') {
            id += c;
        }
    }
    return id.isEmpty() ? QStringLiteral("station") : id.left(64);
}

QString DesktopStationIdFrom(const QString& hostName) {
    static const QString suffix = QStringLiteral("-desktop");
    return StationIdFrom(hostName).left(64 - suffix.size()) + suffix;
}

bool IsValidStationId(const QString& id) {
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9_-]{1,64}$"));
    return pattern.match(id).hasMatch();
}

std::optional<QString> ReadPasswordFile(const QString& path, FileError* error) {
    const std::optional<QByteArray> bytes = ReadSecretFile(path, error);
    if (!bytes) {
        return std::nullopt;
    }
    const qsizetype end = bytes->indexOf('\n');
    QByteArray line = end < 0 ? *bytes : bytes->left(end);
    while (line.endsWith('\r')) {
        line.chop(1);
    }
    return QString::fromUtf8(line);
}

bool SavePasswordFile(const QString& path, const QString& password) {
    if (password.isEmpty()) {
        return !QFileInfo::exists(path) || QFile::remove(path);
    }
    MakePrivateFolder(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = password.toUtf8() + '\n';
    // The temporary file is made owner-only before the password goes in.
    return file.open(QIODevice::WriteOnly) &&
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
           file.write(bytes) == bytes.size() && file.flush() && file.commit();
}
