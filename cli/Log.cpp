#include "Log.h"

#include "Arguments.h"
#include "CliOutput.h"
#include "DateTime.h"
#include "ErrorText.h"
#include "HidBackend.h"
#include "NumberFormat.h"
#include "StationMqtt.h"
#include "StationPublishing.h"
#include "Termination.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>
#include <QTimer>
#include <csignal>
#include <memory>

using namespace CliText;

namespace {

// SIGTERM must end the process within 2 s; the broker, the maps and the HTTP server share this.
constexpr int kBrokerStopMs = 1000;

}  // namespace

const char kLogUsage[] =
    "usage: solamine-cli log [--simulate] [--coefficient X] [--background N]\n"
    "                        [--alarm USV [--on-alarm PROGRAM]]\n"
    "                        [--mqtt URL [--mqtt-password-file FILE] [--mqtt-ca FILE]\n"
    "                         [--mqtt-id ID] [--mqtt-discovery-prefix P] [--no-discovery]]\n"
    "                        [--radmon USER [--radmon-password-file FILE]]\n"
    "                        [--gmcmap ACCOUNT:COUNTER]\n"
    "                        [--safecast LAT,LON [--safecast-key-file FILE]\n"
    "                         [--safecast-device ID]]\n"
    "                        [--upload-every SERVICE=MINUTES] [--upload-url SERVICE=URL]\n"
    "                        [--upload-ca FILE] [--http [ADDR:]PORT] FILE\n"
    "       solamine-cli log [...] --daily DIR\n"
    "\n"
    "Logs the counter without a window until SIGTERM or SIGINT: every whole minute becomes one\n"
    "line, appended to FILE (or to DIR/YYYY-MM-DD.csv, one file per local day) and echoed on\n"
    "stdout. Only minutes with reports from start to end are written; the minutes it starts and\n"
    "stops in and those around an unplug are noted on stderr (\"partial minute hh:nn (N s) not\n"
    "written\"). The dose column follows the file: the mean of the ten lines before each line,\n"
    "as solamine-cli convert writes it. Waits for a counter and reconnects after an unplug;\n"
    "--simulate uses the built-in virtual counter. With --alarm, a minute whose dose rate\n"
    "reaches USV µSv/h after being below it writes \"ALARM <yy/mm/dd hh:nn> <dose>\" to stderr\n"
    "and runs PROGRAM, if given, with those two as its arguments (not through a shell); the\n"
    "alarm ends after ten minutes below.\n"
    "With --mqtt mqtt://[USER@]HOST[:PORT] (or mqtts://... for TLS, checked against the system's\n"
    "certificate authorities or --mqtt-ca FILE), each logged minute is also published to\n"
    "solamine/ID/minutes, and the newest one, retained, to solamine/ID/state (ID: --mqtt-id,\n"
    "default the host name), with Home Assistant discovery under --mqtt-discovery-prefix\n"
    "(default homeassistant) unless --no-discovery. The password\n"
    "comes from --mqtt-password-file FILE (refused unless only its owner may use it: chmod 600)\n"
    "or the environment variable SOLAMINE_MQTT_PASSWORD (which PROGRAM does not get), never\n"
    "from the command line. Minutes wait while the broker is away, across a restart too: the\n"
    "last minute the broker took is kept in FILE.mqtt.state (DIR/.mqtt.state), and at start the\n"
    "later minutes of the log (up to seven days back) are published first, in order.\n"
    "Nothing is uploaded to a public map unless named: --radmon USER uploads every minute to\n"
    "radmon.org under that user (the password from --radmon-password-file FILE or\n"
    "SOLAMINE_RADMON_PASSWORD); --gmcmap ACCOUNT:COUNTER the latest minute to gmcmap.com with\n"
    "the mean since the previous upload, every 5 minutes; --safecast LAT,LON the mean of every\n"
    "5 minutes to api.safecast.org at that public position (the key from --safecast-key-file\n"
    "FILE or SOLAMINE_SAFECAST_KEY; --safecast-device ID). --upload-every SERVICE=MINUTES sets\n"
    "a pace, --upload-url SERVICE=URL another address (http:// allowed), --upload-ca FILE a CA\n"
    "trusted besides the system's; SERVICE is radmon, gmcmap or safecast, each option may be\n"
    "repeated. Secret files are refused unless only their owner may use them; PROGRAM gets none\n"
    "of the secret variables. Readings radmon and Safecast have not taken wait, across a restart\n"
    "too (FILE.radmon.state, FILE.safecast.state), and go in order with their own time, up to\n"
    "seven days back; a refusal (a wrong password, an unknown counter) stops that map only.\n"
    "With --http [ADDR:]PORT, an HTTP server answers on ADDR (default 127.0.0.1; 0.0.0.0 or\n"
    "[::] for the network): the station's page at /, /api/now, /api/minutes?from=&to= (and\n"
    ".csv), /api/summary?by=&from=&to= (times in ISO 8601, at most 31 days), /api/chart?span=\n"
    "and /metrics for Prometheus, with each map's waiting readings.\n"
    "Exit status: 0 after a signal, 1 the file or folder cannot be used, the HTTP port cannot\n"
    "be bound or --upload-ca holds no certificate, 2 wrong arguments.\n";

std::optional<LogCommand> ParseLogArguments(const QStringList& arguments, QString* error,
                                            const QString& hostName,
                                            const QString& environmentPassword,
                                            const UploadSecrets& uploadSecrets) {
    const std::optional<Arguments> parsed =
        ParseArguments(arguments, {QStringLiteral("--simulate"), kNoDiscovery},
                       kGraphOptions + kMqttOptions + kUploadOptions +
                           QStringList{QStringLiteral("--daily"), QStringLiteral("--alarm"),
                                       QStringLiteral("--on-alarm"), QStringLiteral("--http")},
                       error);
    LogCommand command;
    if (!parsed || !ReadGraphOptions(*parsed, command.Options.Settings, error)) {
        return std::nullopt;
    }
    command.Simulate = parsed->Flags.contains(QStringLiteral("--simulate"));
    command.Options.DailyDir = parsed->Values.value(QStringLiteral("--daily"));
    const bool daily = parsed->Values.contains(QStringLiteral("--daily"));
    if (daily && command.Options.DailyDir.isEmpty()) {
        *error = QStringLiteral("--daily needs a folder");
        return std::nullopt;
    }
    if (parsed->Words.size() != (daily ? 0 : 1)) {
        *error = daily ? QStringLiteral("log takes no file with --daily")
                       : QStringLiteral("log takes one file, or --daily and a folder");
        return std::nullopt;
    }
    if (!daily) {
        command.Options.File = parsed->Words.front();
    }
    if (const auto alarm = parsed->Values.constFind(QStringLiteral("--alarm"));
        alarm != parsed->Values.cend()) {
        const std::optional<double> threshold = NumberFormat::ParseFloat(*alarm);
        if (!threshold || *threshold < 0) {
            *error =
                QStringLiteral("--alarm takes a dose rate of 0 or more, not \"%1\"").arg(*alarm);
            return std::nullopt;
        }
        command.Options.AlarmUsv = *threshold;
    }
    command.Options.OnAlarm = parsed->Values.value(QStringLiteral("--on-alarm"));
    if (!command.Options.OnAlarm.isEmpty() && command.Options.AlarmUsv <= 0) {
        *error = QStringLiteral("--on-alarm needs --alarm");
        return std::nullopt;
    }
    if (!ReadMqttOptions(*parsed, hostName, environmentPassword, command.Mqtt, error)) {
        return std::nullopt;
    }
    if (!ReadUploadOptions(*parsed, uploadSecrets, command.Maps, error)) {
        return std::nullopt;
    }
    if (!ReadHttpOption(*parsed, command.Http, error)) {
        return std::nullopt;
    }
    if (command.Mqtt) {
        command.Mqtt->Alarm = command.Options.AlarmUsv > 0;
    }
    return command;
}

int RunLog(const QStringList& arguments) {
    // Kept until the end: on Windows the system waits for it before it ends the process.
    Termination termination;
#ifdef Q_OS_UNIX
    // A reader of stdout that went away (a closed pipe) must not end the logging.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QString error;
    const std::optional<LogCommand> command = ParseLogArguments(
        arguments, &error, QSysInfo::machineHostName(), qEnvironmentVariable(kPasswordVariable),
        {qEnvironmentVariable(kRadmonPasswordVariable),
         qEnvironmentVariable(kSafecastKeyVariable)});
    if (!command) {
        return WrongArguments(error, kLogUsage);
    }
    StationLogger logger(
        command->Simulate ? MakeSimulatedBackend() : MakeHidapiBackend(), command->Options,
        [] { return DateTime::FromQDateTime(QDateTime::currentDateTime()); }, StdoutPrinter(),
        StderrPrinter());
    if (!logger.Prepare(&error)) {
        PrintError(error);
        return 1;
    }
    StationPublishing publishing;
    if (command->Mqtt) {
        const Printer errors = StderrPrinter();
        publishing = StartPublishing(
            *command->Mqtt, logger, DateTime::FromQDateTime(QDateTime::currentDateTime()),
            [errors](const QString& line) {
                errors(
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
                    line);
            });
    }
    StationUploads uploads;
    if (!command->Maps.Uploads.empty()) {
        const Printer errors = StderrPrinter();
        uploads = StartUploads(
            command->Maps, logger, DateTime::FromQDateTime(QDateTime::currentDateTime()),
            [errors](const QString& line) {
                errors(
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
                    line);
            },
            &error);
        if (uploads.Uploaders.empty()) {
            PrintError(error);
            return 1;
        }
    }
    StationHttp http;
    if (command->Http) {
        http =
            StartHttp(*command->Http, logger, DateTime::FromQDateTime(QDateTime::currentDateTime()),
                      publishing.Publisher.get(), StderrPrinter(), &error, &uploads);
        if (!http.Server) {
            PrintError(error);
            return 1;
        }
    }
    QObject::connect(&termination, &Termination::Requested, &logger, [&] {
        if (const int lost = logger.Finish(); lost > 0) {
            PrintError(QStringLiteral("%1 line(s) could not be appended; they are on stdout above")
                           .arg(lost));
        }
        // The broker, the maps and the HTTP server share this second.
        if (const int left = logger.Session().StopPublishers(kBrokerStopMs); left > 0) {
            PrintError(QStringLiteral("%1 minute(s) or reading(s) were not published; they go "
                                      "out from the log at the next start")
                           .arg(left));
        }
        if (publishing.Backlog) {
            publishing.Backlog->Flush();
        }
        uploads.Flush();
        QCoreApplication::quit();
    });
    // Started from the event loop, so that a signal during the first handshake ends the loop.
    QTimer::singleShot(0, &logger, [&logger] { logger.Start(); });
    QCoreApplication::exec();
    return 0;
}
