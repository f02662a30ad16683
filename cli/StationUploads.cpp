#include "StationUploads.h"

#include "Arguments.h"
#include "ErrorText.h"
#include "PublishBacklog.h"
#include "SecretVariables.h"
#include "StationLogger.h"

#ifdef SOLAMINE_MAPS
#include "MapUploader.h"
const bool kHasMapUploads = true;
#else
const bool kHasMapUploads = false;
#endif

using namespace CliText;

namespace {

// "SERVICE=VALUE" of option into service and value.
bool ServiceValue(const QString& option, const QString& text, MapService* service, QString* value,
                  QString* error) {
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0 || !ParseMapServiceName(text.left(equals), service)) {
        *error =
            QStringLiteral("%1 takes radmon=, gmcmap= or safecast=, not \"%2\"").arg(option, text);
        return false;
    }
    *value = text.mid(equals + 1);
    return true;
}

MapUpload* Find(MapSettings& settings, MapService service) {
    for (MapUpload& upload : settings.Uploads) {
        if (upload.Service == service) {
            return &upload;
        }
    }
    return nullptr;
}

// The secret of a service from its file option or else the environment; false when neither.
bool ReadSecret(const Arguments& arguments, const QString& fileOption, const char* variable,
                const QString& environment, QString& secret, QString* error) {
    FileError refused;
    const std::optional<QString> read =
        ReadMapSecret(arguments.Values.value(fileOption), environment, &refused);
    if (!read) {
        *error = FileErrorText(refused);
        return false;
    }
    if (read->isEmpty()) {
        *error = QStringLiteral("%1 FILE or the environment variable %2 must hold it")
                     .arg(fileOption, QString::fromLatin1(variable));
        return false;
    }
    secret = *read;
    return true;
}

bool ReadPaces(const Arguments& arguments, MapSettings& settings, QString* error) {
    for (const QString& option :
         {QStringLiteral("--upload-every"), QStringLiteral("--upload-url")}) {
        for (const QString& text : arguments.AllValues.value(option)) {
            MapService service{};
            QString value;
            if (!ServiceValue(option, text, &service, &value, error)) {
                return false;
            }
            MapUpload* upload = Find(settings, service);
            if (!upload) {
                *error = QStringLiteral("%1 %2: --%3 is not given")
                             .arg(option, text, MapServiceName(service));
                return false;
            }
            if (option == u"--upload-url") {
                upload->Url = QUrl(value, QUrl::StrictMode);
                if (!IsUsableMapUrl(upload->Url, true)) {
                    *error = QStringLiteral(
                                 "--upload-url takes https:// or http:// and a host, "
                                 "not \"%1\"")
                                 .arg(value);
                    return false;
                }
                continue;
            }
            bool number = false;
            upload->EveryMinutes = value.toInt(&number);
            if (!number || upload->EveryMinutes < 1 || upload->EveryMinutes > kMaxEveryMinutes) {
                *error = QStringLiteral("--upload-every takes 1 to %1 minutes, not \"%2\"")
                             .arg(kMaxEveryMinutes)
                             .arg(value);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool ReadUploadOptions(const Arguments& arguments, const UploadSecrets& environment,
                       MapSettings& settings, QString* error) {
    settings.Uploads.clear();
    const auto given = [&](const char* option) {
        return arguments.Values.contains(QString::fromLatin1(option));
    };
    if (!given("--radmon") && !given("--gmcmap") && !given("--safecast")) {
        for (const QString& option : kUploadOptions) {
            if (arguments.Values.contains(option)) {
                *error = QStringLiteral("%1 needs --radmon, --gmcmap or --safecast").arg(option);
                return false;
            }
        }
        return true;
    }
    if (!kHasMapUploads) {
        *error = QStringLiteral("this build has no uploads to maps");
        return false;
    }
    for (const auto& [option, service] : {std::pair{"--radmon-password-file", "--radmon"},
                                          {"--safecast-key-file", "--safecast"},
                                          {"--safecast-device", "--safecast"}}) {
        if (given(option) && !given(service)) {
            *error = QStringLiteral("%1 needs %2")
                         .arg(QString::fromLatin1(option), QString::fromLatin1(service));
            return false;
        }
    }
    if (given("--radmon")) {
        MapUpload radmon = DefaultMapUpload(MapService::Radmon);
        radmon.Login.User = arguments.Values.value(QStringLiteral("--radmon"));
        if (radmon.Login.User.isEmpty() ||
            !ReadSecret(arguments, QStringLiteral("--radmon-password-file"),
                        kRadmonPasswordVariable, environment.RadmonPassword, radmon.Login.Secret,
                        error)) {
            if (radmon.Login.User.isEmpty()) {
                *error = QStringLiteral("--radmon takes the user name");
            } else {
                error->prepend(QStringLiteral("--radmon: the password: "));
            }
            return false;
        }
        settings.Uploads.push_back(radmon);
    }
    if (given("--gmcmap")) {
        MapUpload gmc = DefaultMapUpload(MapService::GmcMap);
        const QString value = arguments.Values.value(QStringLiteral("--gmcmap"));
        if (!ParseGmcCounter(value, gmc.Login)) {
            *error = QStringLiteral("--gmcmap takes ACCOUNT:COUNTER, not \"%1\"").arg(value);
            return false;
        }
        settings.Uploads.push_back(gmc);
    }
    if (given("--safecast")) {
        MapUpload safecast = DefaultMapUpload(MapService::Safecast);
        const QString value = arguments.Values.value(QStringLiteral("--safecast"));
        if (!ParsePosition(value, safecast.Login)) {
            *error = QStringLiteral("--safecast takes LAT,LON in degrees, not \"%1\"").arg(value);
            return false;
        }
        safecast.Login.Device = arguments.Values.value(QStringLiteral("--safecast-device"));
        if (!ReadSecret(arguments, QStringLiteral("--safecast-key-file"), kSafecastKeyVariable,
                        environment.SafecastKey, safecast.Login.Secret, error)) {
            error->prepend(QStringLiteral("--safecast: the API key: "));
            return false;
        }
        settings.Uploads.push_back(safecast);
    }
    settings.CaFile = arguments.Values.value(QStringLiteral("--upload-ca"));
    return ReadPaces(arguments, settings, error);
}

StationUploads::StationUploads() = default;
StationUploads::StationUploads(StationUploads&&) noexcept = default;
StationUploads& StationUploads::operator=(StationUploads&&) noexcept = default;
StationUploads::~StationUploads() = default;

void StationUploads::Flush() {
    for (const std::unique_ptr<PublishBacklog>& backlog : Backlogs) {
        backlog->Flush();
    }
}

#ifdef SOLAMINE_MAPS

StationUploads StartUploads(const MapSettings& settings, StationLogger& logger, double now,
                            const std::function<void(const QString& line)>& notes, QString* error,
                            const MapTiming& timing) {
    StationUploads uploads;
    if (!settings.CaFile.isEmpty() && !MapUploader::CanUseCaFile(settings.CaFile)) {
        *error = QStringLiteral("--upload-ca: no certificate in %1").arg(settings.CaFile);
        return uploads;
    }
    const StationOptions& options = logger.Options();
    std::vector<MapUploader*> uploaders;
    for (const MapUpload& upload : settings.Uploads) {
        auto uploader = std::make_unique<MapUploader>(
            upload, settings.CaFile, options.Settings,
            [notes](const MapEvent& event) { notes(MapEventText(event)); });
        uploader->SetTiming(timing);
        const QString name = MapServiceName(upload.Service);
        if (MapTakesTime(upload.Service)) {
            auto backlog =
                std::make_unique<PublishBacklog>(*uploader, MapHistoryName(upload), name);
            QObject::connect(backlog.get(), &PublishBacklog::MarkFailed,
                             [notes, name](const FileError& failure) {
                                 notes(name +
                                       QStringLiteral(": cannot keep the place in the log: ") +
                                       FileErrorText(failure));
                             });
            const PublishBacklog::Followed followed =
                backlog->Follow({options.File, options.DailyDir}, options.Settings, now);
            if (followed.Error) {
                notes(name + QStringLiteral(": no minutes from before the start are uploaded: ") +
                      FileErrorText(*followed.Error));
            } else if (followed.Replayed > 0) {
                notes(name + QStringLiteral(": %1 minute(s) logged before the start wait to be "
                                            "uploaded")
                                 .arg(followed.Replayed));
            }
            uploads.Backlogs.push_back(std::move(backlog));
        }
        logger.Session().AddPublisher(uploader.get());
        uploaders.push_back(uploader.get());
        uploads.Uploaders.push_back(std::move(uploader));
    }
    uploads.Status = [uploaders] {
        std::vector<UploadStatus> status;
        for (const MapUploader* uploader : uploaders) {
            status.push_back({MapServiceName(uploader->Service()), uploader->Waiting(),
                              uploader->Refused(), uploader->Sent()});
        }
        return status;
    };
    uploads.OnChanged = [uploaders](QObject* context, std::function<void()> changed) {
        for (MapUploader* uploader : uploaders) {
            QObject::connect(uploader, &MapUploader::StateChanged, context, changed);
        }
    };
    return uploads;
}

#else

StationUploads StartUploads(const MapSettings&, StationLogger&, double,
                            const std::function<void(const QString&)>&, QString* error,
                            const MapTiming&) {
    *error = QStringLiteral("this build has no uploads to maps");
    return {};
}

#endif
