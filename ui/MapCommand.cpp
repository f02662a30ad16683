#include "MapCommand.h"

#include "ErrorBox.h"
#include "ErrorTexts.h"
#include "LoggingSession.h"
#include "MainFormOptions.h"
#include "MapDialog.h"
#include "MapUploader.h"
#include "MqttSettings.h"
#include "PublishBacklog.h"
#include "WindowFiles.h"

#include <QAction>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

namespace {

// A map that starts again gets this long to answer the request on its way.
constexpr int kStopMs = 1000;

constexpr MapService kServices[] = {MapService::Radmon, MapService::GmcMap, MapService::Safecast};

void Print(const QString& text) {
    std::fprintf(stderr, "solamine: %s\n", qPrintable(text));
}

}  // namespace

struct MapCommand::Running {
    MapService Service;
    std::unique_ptr<MapUploader> Uploader;
    std::unique_ptr<PublishBacklog> Backlog;  // goes before the uploader it listens to
};

MapCommand::MapCommand(const MainFormOptions& options, LoggingSession& session, WindowFiles& files,
                       QAction* action, QWidget* window)
    : QObject(window),
      run_(options.RunMapDialog),
      iniPath_(options.IniPath),
      secretFolder_(options.MapSecretFolder),
      session_(&session),
      dialog_(new MapDialog(window)) {
    if (secretFolder_.isEmpty()) {
        secretFolder_ = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    }
    connect(&session, &LoggingSession::MinuteLogged, this,
            [this](const LogRecord& record) { latest_ = record; });
    connect(&files, &WindowFiles::Changed, this,
            [this, &files] { FollowLog(files.Commands().CurrentFile()); });
    connect(action, &QAction::triggered, this, [this] { RunGuarded([this] { MapClick(); }); });
    logPath_ = files.Commands().CurrentFile();
    Load();
}

MapCommand::~MapCommand() {
    for (const std::unique_ptr<Running>& map : running_) {
        if (session_) {
            session_->RemovePublisher(map->Uploader.get());
        }
    }
}

QString MapCommand::SecretPath(MapService service) const {
    const QString name = MapSecretFileName(service);
    return name.isEmpty() ? QString() : secretFolder_ + u'/' + name;
}

MapUploader* MapCommand::Uploader(MapService service) const {
    for (const std::unique_ptr<Running>& map : running_) {
        if (map->Service == service) {
            return map->Uploader.get();
        }
    }
    return nullptr;
}

void MapCommand::Load() {
    settings_ = LoadMapWindowSettings(iniPath_);
    for (MapService service : kServices) {
        const QString path = SecretPath(service);
        if (path.isEmpty()) {
            continue;
        }
        FileError refused;
        const std::optional<QString> secret = ReadPasswordFile(path, &refused);
        settings_.Of(service).Upload.Login.Secret = secret.value_or(QString());
        // No file is no secret; one that cannot be used is said.
        if (!secret && refused.Why != FileError::Code::NotFound) {
            Print(FileErrorText(refused));
        }
    }
    for (MapService service : kServices) {
        Restart(service);
    }
}

void MapCommand::Restart(MapService service) {
    const auto was = std::find_if(running_.begin(), running_.end(),
                                  [service](const auto& map) { return map->Service == service; });
    if (was != running_.end()) {
        if (session_) {
            session_->RemovePublisher((*was)->Uploader.get());
        }
        (*was)->Uploader->Stop(kStopMs);
        running_.erase(was);
    }
    const MapWindowUpload& map = settings_.Of(service);
    if (!map.Enabled || !session_) {
        return;
    }
    if (!IsCompleteMapUpload(map.Upload)) {
        Print(tr("%1: パスワードまたはキーが %2 にないため送信しません")
                  .arg(MapServiceCaption(service), SecretPath(service)));
        return;
    }
    auto running = std::make_unique<Running>();
    running->Service = service;
    running->Uploader =
        std::make_unique<MapUploader>(map.Upload, settings_.CaFile, session_->Graph(),
                                      [](const MapEvent& event) { Print(MapEventText(event)); });
    if (MapTakesTime(service)) {
        running->Backlog = std::make_unique<PublishBacklog>(
            *running->Uploader, MapHistoryName(map.Upload), MapServiceName(service));
        connect(running->Backlog.get(), &PublishBacklog::MarkFailed, this,
                [](const FileError& error) { Print(FileErrorText(error)); });
        Follow(*running);
    }
    session_->AddPublisher(running->Uploader.get());
    running_.push_back(std::move(running));
}

void MapCommand::FollowLog(const QString& path) {
    if (path == logPath_) {
        return;
    }
    logPath_ = path;
    for (const std::unique_ptr<Running>& map : running_) {
        Follow(*map);
    }
}

void MapCommand::Follow(Running& map) {
    if (!map.Backlog || !session_) {
        return;
    }
    if (logPath_.isEmpty()) {
        map.Backlog->Unfollow();
        return;
    }
    const PublishBacklog::Followed followed =
        map.Backlog->Follow({logPath_, {}}, session_->Graph(), session_->Now());
    if (followed.Error) {
        Print(FileErrorText(*followed.Error));
    }
}

void MapCommand::MapClick() {
    if (!session_) {
        return;
    }
    MapDialog& dialog = *dialog_;
    dialog.Settings = settings_;
    dialog.Reading = MapTestReading(latest_, session_->Now(), session_->Graph());
    dialog.SampleReading = !latest_;
    if (!(run_ ? run_(dialog) : dialog.exec() == QDialog::Accepted)) {
        return;
    }
    // A map whose settings stay keeps its uploader and the readings waiting for it. New ones
    // apply for this run even when they cannot be kept in the files.
    const MapWindowSettings before = std::exchange(settings_, dialog.Settings);
    for (MapService service : kServices) {
        if (!(before.Of(service) == settings_.Of(service)) || before.CaFile != settings_.CaFile) {
            Restart(service);
        }
    }
    SaveMapWindowSettings(iniPath_, settings_);
    for (MapService service : kServices) {
        const QString path = SecretPath(service);
        if (!path.isEmpty() && !SavePasswordFile(path, settings_.Of(service).Upload.Login.Secret)) {
            throw FileFailure(
                {FileError::Operation::WriteSettings, FileError::Code::System, path, {}, 0});
        }
    }
}
