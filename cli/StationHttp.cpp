#include "StationHttp.h"

#include "Arguments.h"
#include "DateTime.h"
#include "ErrorText.h"
#include "MqttPublisher.h"
#include "StationLogger.h"
#include "StationUploads.h"

#ifdef SOLAMINE_HTTP
#include "HttpPublisher.h"

#include <QHostAddress>
#endif

#ifdef SOLAMINE_HTTP
const bool kHasHttpServer = true;
#else
const bool kHasHttpServer = false;
#endif

namespace {

// "[ADDR:]PORT" with an IPv6 address in brackets.
bool ParseListen(const QString& text, HttpListen& listen, QString* error) {
    QString port = text;
    if (text.startsWith(u'[')) {
        const qsizetype end = text.indexOf(QStringLiteral("]:"));
        if (end < 0) {
            *error = QStringLiteral("--http takes [ADDR:]PORT, not \"%1\"").arg(text);
            return false;
        }
        listen.Address = text.mid(1, end - 1);
        port = text.mid(end + 2);
    } else if (const qsizetype colon = text.lastIndexOf(u':'); colon >= 0) {
        listen.Address = text.left(colon);
        port = text.mid(colon + 1);
        if (listen.Address.contains(u':')) {
            *error = QStringLiteral("--http: an IPv6 address goes in brackets: [%1]:%2")
                         .arg(listen.Address, port);
            return false;
        }
    }
    bool number = false;
    const uint value = port.toUInt(&number);
    if (!number || value > 65535) {
        *error = QStringLiteral("--http takes a port of 0 to 65535, not \"%1\"").arg(port);
        return false;
    }
    listen.Port = quint16(value);
    return true;
}

}  // namespace

bool ReadHttpOption(const Arguments& arguments, std::optional<HttpListen>& listen, QString* error) {
    const auto value = arguments.Values.constFind(QStringLiteral("--http"));
    if (value == arguments.Values.cend()) {
        return true;
    }
    if (!kHasHttpServer) {
        *error = QStringLiteral("--http: this build has no HTTP server");
        return false;
    }
    HttpListen parsed;
    if (!ParseListen(*value, parsed, error)) {
        return false;
    }
#ifdef SOLAMINE_HTTP
    if (QHostAddress(parsed.Address).isNull()) {
        *error = QStringLiteral("--http takes an IP address, not \"%1\"").arg(parsed.Address);
        return false;
    }
#endif
    listen = parsed;
    return true;
}

#ifdef SOLAMINE_HTTP

StationHttp StartHttp(const HttpListen& listen, StationLogger& logger, double now,
                      MqttPublisher* mqtt, const std::function<void(const QString&)>& notes,
                      QString* error, const StationUploads* uploads) {
    const StationOptions& options = logger.Options();
    const MinuteSource source{options.File, options.DailyDir};
    // The chart's spans end at the station's clock; the session outlives its publishers.
    const LoggingSession& clock = logger.Session();
    auto server = std::make_unique<HttpPublisher>(ApiSource{
        source, options.Settings, QStringLiteral(SOLAMINE_VERSION), [&clock] { return clock.Now(); }});
    // The day so far, so that a restart does not start the day afresh.
    logger.ReadDaySoFar(now);
    const DoseToday& today = logger.Session().Today();
    server->SetToday(today.Minutes(), today.Value(), logger.LastOfDaySoFar());
    server->SetAlarmOn(options.AlarmUsv > 0);
    HttpPublisher* publisher = server.get();
    if (mqtt) {
        server->SetWaitingCount([mqtt] { return mqtt->Waiting(); });
        QObject::connect(mqtt, &MqttPublisher::MinuteAcknowledged, publisher,
                         &HttpPublisher::Refresh);
        QObject::connect(mqtt, &MqttPublisher::StateChanged, publisher, &HttpPublisher::Refresh);
    }
    if (uploads && uploads->Status) {
        server->SetUploadStatus(uploads->Status);
        uploads->OnChanged(publisher, [publisher] { publisher->Refresh(); });
    }
    LoggingSession& session = logger.Session();
    QObject::connect(&session, &LoggingSession::LinkChanged, publisher, [publisher, &session] {
        publisher->SetNeverFound(session.State() == LinkKeeper::State::NotFound);
    });
    const QHostAddress address(listen.Address);
    if (const std::optional<QString> reason = server->Listen(address, listen.Port)) {
        *error = QStringLiteral("HTTP: cannot listen on %1:%2: %3")
                     .arg(listen.Address)
                     .arg(listen.Port)
                     .arg(*reason);
        return {};
    }
    StationHttp http;
    http.Url =
        QStringLiteral("http://%1:%2/")
            .arg(address.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + listen.Address + u']'
                                                                     : listen.Address)
            .arg(server->Port());
    logger.Session().AddPublisher(server.get());
    http.Server = std::move(server);
    notes(QStringLiteral("HTTP: listening on ") + http.Url);
    return http;
}

#else

StationHttp StartHttp(const HttpListen&, StationLogger&, double, MqttPublisher*,
                      const std::function<void(const QString&)>&, QString* error,
                      const StationUploads*) {
    *error = QStringLiteral("--http: this build has no HTTP server");
    return {};
}

#endif
