#include "StationHttp.h"

#include "Arguments.h"
#include "DateTime.h"
#include "ErrorText.h"
#include "LoggedMinutes.h"
#include "MqttPublisher.h"
#include "StationLogger.h"

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
                      QString* error) {
    const StationOptions& options = logger.Options();
    const MinuteSource source{options.File, options.DailyDir};
    auto server = std::make_unique<HttpPublisher>(
        ApiSource{source, options.Settings, QStringLiteral(SOLAMINE_VERSION)});
    // The day so far, so that a restart does not start the day afresh.
    const double midnight = DateTime::Encode(DateTime::Decode(now).date);
    FileError unread;
    if (const std::optional<std::vector<LogRecord>> today =
            ReadLoggedMinutes(source, midnight, midnight, options.Settings,
                              DateTime::Decode(now).date.year, &unread)) {
        DoseToday dose(options.Settings);
        for (const LogRecord& record : *today) {
            dose.Add(record.Time, record.Cpm);
        }
        server->SetToday(midnight, int(today->size()), dose.Value());
        // Without a broker nothing has told the session the day's dose yet.
        if (!today->empty() && logger.Session().Today().Day() != midnight) {
            logger.Session().SetDoseToday(dose);
        }
    } else {
        notes(QStringLiteral("HTTP: the day so far is not known: ") +
              CliText::FileErrorText(unread));
    }
    server->SetAlarmOn(options.AlarmUsv > 0);
    HttpPublisher* publisher = server.get();
    if (mqtt) {
        server->SetWaitingCount([mqtt] { return mqtt->Waiting(); });
        QObject::connect(mqtt, &MqttPublisher::MinuteAcknowledged, publisher,
                         &HttpPublisher::Refresh);
        QObject::connect(mqtt, &MqttPublisher::StateChanged, publisher, &HttpPublisher::Refresh);
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
                      const std::function<void(const QString&)>&, QString* error) {
    *error = QStringLiteral("--http: this build has no HTTP server");
    return {};
}

#endif
