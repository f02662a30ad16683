#include "MapRequests.h"

#include "DateTime.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

namespace {

constexpr qsizetype kReasonChars = 200;

// The query items whose values are secrets.
const QStringList kSecretItems{QStringLiteral("password"), QStringLiteral("api_key")};

QDateTime Utc(double time) {
    return DateTime::ToQDateTime(time).toUTC();
}

QString Fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

// Every value percent-encoded but for ":" (a time's), so that a "+", "&" or "#" in a password
// reaches the service as itself.
QUrl WithQuery(const QUrl& base, const QList<std::pair<QString, QString>>& items) {
    QByteArray query;
    for (const auto& [key, value] : items) {
        query += (query.isEmpty() ? "" : "&") + key.toLatin1() + '=' +
                 QUrl::toPercentEncoding(value, ":");
    }
    QUrl url = base;
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

QString FirstLine(const QByteArray& body) {
    QString text = QString::fromUtf8(body).trimmed();
    text = text.section(u'\n', 0, 0).trimmed();
    return text.left(kReasonChars);
}

}  // namespace

QString MapServiceName(MapService service) {
    switch (service) {
        case MapService::Radmon:
            return QStringLiteral("radmon");
        case MapService::GmcMap:
            return QStringLiteral("gmcmap");
        case MapService::Safecast:
            break;
    }
    return QStringLiteral("safecast");
}

bool ParseMapServiceName(const QString& name, MapService* service) {
    for (const MapService candidate :
         {MapService::Radmon, MapService::GmcMap, MapService::Safecast}) {
        if (name == MapServiceName(candidate)) {
            *service = candidate;
            return true;
        }
    }
    return false;
}

QUrl DefaultMapUrl(MapService service) {
    switch (service) {
        case MapService::Radmon:
            return QUrl(QStringLiteral("https://radmon.org/radmon.php"));
        case MapService::GmcMap:
            return QUrl(QStringLiteral("https://www.gmcmap.com/log2.asp"));
        case MapService::Safecast:
            break;
    }
    return QUrl(QStringLiteral("https://api.safecast.org/measurements.json"));
}

MapRequest BuildMapRequest(MapService service, const QUrl& base, const MapLogin& login,
                           const MapReading& reading) {
    MapRequest request;
    request.Method = "GET";
    switch (service) {
        case MapService::Radmon:
            request.Url = WithQuery(
                base, {{QStringLiteral("function"), QStringLiteral("submit")},
                       {QStringLiteral("user"), login.User},
                       {QStringLiteral("password"), login.Secret},
                       {QStringLiteral("value"), QString::number(std::lround(reading.Cpm))},
                       {QStringLiteral("unit"), QStringLiteral("CPM")},
                       {QStringLiteral("datetime"),
                        Utc(reading.Time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}});
            break;
        case MapService::GmcMap:
            request.Url =
                WithQuery(base, {{QStringLiteral("AID"), login.User},
                                 {QStringLiteral("GID"), login.Counter},
                                 {QStringLiteral("CPM"), QString::number(std::lround(reading.Cpm))},
                                 {QStringLiteral("ACPM"), Fixed(reading.MeanCpm, 2)},
                                 {QStringLiteral("uSV"), Fixed(reading.Usv, 4)}});
            break;
        case MapService::Safecast: {
            request.Method = "POST";
            request.Url = WithQuery(base, {{QStringLiteral("api_key"), login.Secret}});
            QJsonObject body{
                {QStringLiteral("latitude"), login.Latitude},
                {QStringLiteral("longitude"), login.Longitude},
                {QStringLiteral("value"), std::round(reading.Cpm * 100) / 100},
                {QStringLiteral("unit"), QStringLiteral("cpm")},
                {QStringLiteral("captured_at"),
                 Utc(reading.Time).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"))},
            };
            if (!login.Device.isEmpty()) {
                bool number = false;
                const qlonglong id = login.Device.toLongLong(&number);
                body.insert(QStringLiteral("device_id"),
                            number ? QJsonValue(id) : QJsonValue(login.Device));
            }
            request.Body = QJsonDocument(body).toJson(QJsonDocument::Compact);
            break;
        }
    }
    return request;
}

QString MaskedUrl(const QUrl& url) {
    static const QRegularExpression secret(
        QStringLiteral("([?&](?:%1)=)[^&#]*").arg(kSecretItems.join(u'|')));
    QUrl shown = url;
    shown.setPassword({});
    return shown.toString(QUrl::FullyEncoded).replace(secret, QStringLiteral("\\1***"));
}

MapAnswer ClassifyMapAnswer(MapService service, int status, const QByteArray& body) {
    MapAnswer answer;
    answer.Status = status;
    answer.Reason = FirstLine(body);
    if (answer.Reason.isEmpty()) {
        answer.Reason = QStringLiteral("HTTP %1").arg(status);
    }
    if (status == 429) {
        answer.Outcome = MapOutcome::TooSoon;
        return answer;
    }
    if (status == 0 || status == 408 || status >= 500) {
        answer.Outcome = MapOutcome::Failed;
        return answer;
    }
    if (status < 200 || status >= 300) {
        // Another 4xx (a wrong key, a request the service does not know) or a redirect left
        // unfollowed: the same request would get the same answer.
        answer.Outcome = MapOutcome::Refused;
        return answer;
    }
    switch (service) {
        case MapService::Radmon: {
            const QString lower = answer.Reason.toLower();
            if (body.contains("OK")) {
                answer.Outcome = MapOutcome::Accepted;
            } else if (lower.contains(QStringLiteral("too soon")) ||
                       lower.contains(QStringLiteral("too often")) ||
                       lower.contains(QStringLiteral("too frequent")) ||
                       lower.contains(QStringLiteral("too many"))) {
                answer.Outcome = MapOutcome::TooSoon;
            } else {
                answer.Outcome = MapOutcome::Refused;
            }
            break;
        }
        case MapService::GmcMap:
            if (body.contains("ERR1")) {
                answer.Outcome = MapOutcome::Refused;
                answer.Why = MapAnswer::Code::UnknownAccount;
            } else if (body.contains("ERR2")) {
                answer.Outcome = MapOutcome::Refused;
                answer.Why = MapAnswer::Code::UnknownCounter;
            } else {
                answer.Outcome = body.contains("OK") ? MapOutcome::Accepted : MapOutcome::Refused;
            }
            break;
        case MapService::Safecast:
            answer.Outcome = MapOutcome::Accepted;
            break;
    }
    return answer;
}
