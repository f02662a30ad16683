#include "MapWindowSettings.h"

#include "FileError.h"
#include "IniFile.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString mapSection = QStringLiteral("Maps");

QString Prefix(MapService service) {
    switch (service) {
        case MapService::Radmon:
            return QStringLiteral("Radmon");
        case MapService::GmcMap:
            return QStringLiteral("Gmc");
        case MapService::Safecast:
            break;
    }
    return QStringLiteral("Safecast");
}

QString Degrees(double value) {
    return QString::number(value, 'g', 12);
}

// The service's own keys (besides Enabled, Every and URL) with their values in upload.
std::vector<std::pair<QString, QString>> LoginKeys(const MapUpload& upload) {
    const MapLogin& login = upload.Login;
    switch (upload.Service) {
        case MapService::Radmon:
            return {{QStringLiteral("RadmonUser"), login.User}};
        case MapService::GmcMap:
            return {{QStringLiteral("GmcAccount"), login.User},
                    {QStringLiteral("GmcCounter"), login.Counter}};
        case MapService::Safecast:
            break;
    }
    return {{QStringLiteral("SafecastLatitude"), Degrees(login.Latitude)},
            {QStringLiteral("SafecastLongitude"), Degrees(login.Longitude)},
            {QStringLiteral("SafecastDevice"), login.Device}};
}

// Whether the INI's values name a user, a counter or a position, read into login.
bool ReadLogin(const IniFile& ini, MapService service, MapLogin& login) {
    const auto read = [&](const char* key) {
        return ini.ReadString(mapSection, QString::fromLatin1(key)).value_or(QString());
    };
    switch (service) {
        case MapService::Radmon:
            login.User = read("RadmonUser");
            return !login.User.isEmpty();
        case MapService::GmcMap:
            login.User = read("GmcAccount");
            login.Counter = read("GmcCounter");
            return ParseGmcCounter(login.User + u':' + login.Counter, login);
        case MapService::Safecast:
            break;
    }
    login.Device = read("SafecastDevice");
    return ParsePosition(read("SafecastLatitude") + u',' + read("SafecastLongitude"), login);
}

}  // namespace

bool IsCompleteMapUpload(const MapUpload& upload) {
    MapLogin login = upload.Login;
    switch (upload.Service) {
        case MapService::Radmon:
            return !login.User.isEmpty() && !login.Secret.isEmpty();
        case MapService::GmcMap:
            return ParseGmcCounter(login.User + u':' + login.Counter, login);
        case MapService::Safecast:
            break;
    }
    return !login.Secret.isEmpty() &&
           ParsePosition(Degrees(login.Latitude) + u',' + Degrees(login.Longitude), login);
}

QString MapSecretFileName(MapService service) {
    switch (service) {
        case MapService::Radmon:
            return QStringLiteral("radmon-password");
        case MapService::GmcMap:
            break;
        case MapService::Safecast:
            return QStringLiteral("safecast-key");
    }
    return {};
}

MapWindowSettings LoadMapWindowSettings(const QString& iniPath) {
    const IniFile ini(iniPath);
    MapWindowSettings settings;
    for (MapWindowUpload& map : settings.Maps) {
        MapUpload& upload = map.Upload;
        const QString prefix = Prefix(upload.Service);
        const bool usable = ReadLogin(ini, upload.Service, upload.Login);
        map.Enabled =
            usable && ReadFlag(ini, mapSection, prefix + QStringLiteral("Enabled"), false);
        bool number = false;
        const int every = ini.ReadString(mapSection, prefix + QStringLiteral("Every"))
                              .value_or(QString())
                              .toInt(&number);
        if (number) {
            upload.EveryMinutes = std::clamp(every, 1, kMaxEveryMinutes);
        }
        const QUrl url(
            ini.ReadString(mapSection, prefix + QStringLiteral("URL")).value_or(QString()),
            QUrl::StrictMode);
        if (IsUsableMapUrl(url, true)) {
            upload.Url = url;
        }
    }
    settings.CaFile = ini.ReadString(mapSection, QStringLiteral("CA")).value_or(QString());
    return settings;
}

void SaveMapWindowSettings(const QString& iniPath, const MapWindowSettings& settings) {
    IniFile ini(iniPath);
    // Who the user is on the maps and where the station stands are not for others to read.
    ini.KeepToOwner();
    std::vector<std::pair<QString, QString>> keys;
    for (const MapWindowUpload& map : settings.Maps) {
        const MapUpload& upload = map.Upload;
        const QString prefix = Prefix(upload.Service);
        keys.emplace_back(prefix + QStringLiteral("Enabled"),
                          map.Enabled ? QStringLiteral("1") : QStringLiteral("0"));
        keys.emplace_back(prefix + QStringLiteral("Every"), QString::number(upload.EveryMinutes));
        // The public address is not written, so that a later one takes its place.
        keys.emplace_back(
            prefix + QStringLiteral("URL"),
            upload.Url == DefaultMapUrl(upload.Service) ? QString() : upload.Url.toString());
        for (auto& key : LoginKeys(upload)) {
            keys.push_back(std::move(key));
        }
    }
    keys.emplace_back(QStringLiteral("CA"), settings.CaFile);
    for (const auto& [key, value] : keys) {
        if (!ini.WriteString(mapSection, key, value)) {
            throw FileFailure(
                {FileError::Operation::WriteSettings, FileError::Code::System, iniPath, {}, 0});
        }
    }
}
