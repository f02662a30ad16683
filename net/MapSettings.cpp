#include "MapSettings.h"

#include "MqttSettings.h"
#include "NumberFormat.h"

#include <QRegularExpression>

int DefaultEveryMinutes(MapService service) {
    return service == MapService::Radmon ? 1 : 5;
}

MapUpload DefaultMapUpload(MapService service) {
    MapUpload upload;
    upload.Service = service;
    upload.EveryMinutes = DefaultEveryMinutes(service);
    upload.Url = DefaultMapUrl(service);
    return upload;
}

bool MapTakesTime(MapService service) {
    return service != MapService::GmcMap;
}

bool ParseGmcCounter(const QString& text, MapLogin& login) {
    static const QRegularExpression form(QStringLiteral("^([^\\s:]+):([^\\s:]+)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    login.User = match.captured(1);
    login.Counter = match.captured(2);
    return true;
}

bool ParsePosition(const QString& text, MapLogin& login) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2) {
        return false;
    }
    const std::optional<double> latitude = NumberFormat::ParseFloat(parts[0].trimmed());
    const std::optional<double> longitude = NumberFormat::ParseFloat(parts[1].trimmed());
    if (!latitude || !longitude || std::abs(*latitude) > 90 || std::abs(*longitude) > 180) {
        return false;
    }
    login.Latitude = *latitude;
    login.Longitude = *longitude;
    return true;
}

bool IsUsableMapUrl(const QUrl& url, bool plainAllowed) {
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == u"https" || (plainAllowed && scheme == u"http"));
}

QString MapHistoryName(const MapUpload& upload) {
    if (upload.Service != MapService::Safecast) {
        return upload.Login.User;
    }
    if (!upload.Login.Device.isEmpty()) {
        return upload.Login.Device;
    }
    return QStringLiteral("%1,%2").arg(upload.Login.Latitude).arg(upload.Login.Longitude);
}

std::optional<QString> ReadMapSecret(const QString& file, const QString& environment,
                                     FileError* error) {
    if (file.isEmpty()) {
        return environment;
    }
    return ReadPasswordFile(file, error);
}
