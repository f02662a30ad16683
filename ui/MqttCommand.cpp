#include "MqttCommand.h"

#include "ErrorTexts.h"
#include "LoggingSession.h"
#include "MqttPublisher.h"
#include "MqttWindowSettings.h"
#include "PublishBacklog.h"

#include <QStandardPaths>
#include <QStringList>
#include <cstdio>

MqttCommand::MqttCommand(QString iniPath, QString passwordPath, QString hostName,
                         LoggingSession& session, QWidget* window)
    : QObject(window),
      iniPath_(std::move(iniPath)),
      passwordPath_(std::move(passwordPath)),
      hostName_(std::move(hostName)),
      session_(session),
      dialog_(new MqttDialog(window)) {
    if (passwordPath_.isEmpty()) {
        passwordPath_ = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                        QStringLiteral("/mqtt-password");
    }
}

MqttCommand::~MqttCommand() {
    if (publisher_) {
        session_.RemovePublisher(publisher_.get());
    }
}

void MqttCommand::Load() {
    settings_ = LoadMqttSettings(iniPath_, hostName_);
    FileError refused;
    const std::optional<QString> password = ReadPasswordFile(passwordPath_, &refused);
    password_ = password.value_or(QString());
    passwordRefusal_.clear();
    // No file is no password; one that cannot be used is said on stderr and in the tooltip.
    if (!password && refused.Why != FileError::Code::NotFound) {
        passwordRefusal_ = FileErrorText(refused);
        std::fprintf(stderr, "solamine: %s\n", qPrintable(passwordRefusal_));
    }
    Restart();
}

void MqttCommand::Restart() {
    if (publisher_) {
        session_.RemovePublisher(publisher_.get());
        publisher_->Stop(1000);
        backlog_.reset();
        publisher_.reset();
    }
    if (settings_.Enabled) {
        MqttSettings broker = settings_.Broker;
        broker.Password = password_;
        broker.Alarm = alarmTopic_;
        publisher_ = std::make_unique<MqttPublisher>(broker, [](const MqttEvent& event) {
            std::fprintf(stderr, "solamine: %s\n", qPrintable(MqttEventText(event)));
        });
        connect(publisher_.get(), &MqttPublisher::StateChanged, this, &MqttCommand::StatusChanged);
        publisher_->SetAlarm(session_.Alarm().Raised());
        backlog_ = std::make_unique<PublishBacklog>(*publisher_, broker.StationId);
        connect(backlog_.get(), &PublishBacklog::MarkFailed, this, [](const FileError& error) {
            std::fprintf(stderr, "solamine: %s\n", qPrintable(FileErrorText(error)));
        });
        Follow();
        session_.AddPublisher(publisher_.get());
        publisher_->Start();
    }
    emit StatusChanged();
}

void MqttCommand::FollowLog(const QString& path) {
    if (path == logPath_) {
        return;
    }
    logPath_ = path;
    Follow();
}

void MqttCommand::Follow() {
    if (!backlog_) {
        return;
    }
    if (logPath_.isEmpty()) {
        backlog_->Unfollow();
        return;
    }
    const PublishBacklog::Followed followed =
        backlog_->Follow({logPath_, {}}, session_.Graph(), session_.Now());
    if (followed.Error) {
        std::fprintf(stderr, "solamine: %s\n", qPrintable(FileErrorText(*followed.Error)));
    }
    // A day's minutes logged live so far are the dose today; an idle window takes the file's.
    if (!session_.Logging()) {
        session_.SetDoseToday(followed.Today);
    }
}

void MqttCommand::MqttClick(const RunDialog& run) {
    MqttDialog& dialog = *dialog_;
    dialog.Settings = settings_;
    dialog.Password = password_;
    if (!(run ? run(dialog) : dialog.exec() == QDialog::Accepted)) {
        return;
    }
    // Unchanged settings keep the connection and the minutes waiting for it. New ones apply
    // for this run even when they cannot be kept in the files.
    const bool changed = !(dialog.Settings == settings_ && dialog.Password == password_);
    settings_ = dialog.Settings;
    password_ = dialog.Password;
    if (changed) {
        Restart();
    }
    SaveMqttSettings(iniPath_, settings_);
    if (!SavePasswordFile(passwordPath_, password_)) {
        throw FileFailure(
            {FileError::Operation::WriteSettings, FileError::Code::System, passwordPath_, {}, 0});
    }
    passwordRefusal_.clear();
}

void MqttCommand::SetAlarmTopic(bool on) {
    alarmTopic_ = on;
    if (publisher_) {
        publisher_->SetAlarmTopic(on);
    }
}

QString MqttCommand::StatusText() const {
    if (!publisher_) {
        return {};
    }
    switch (publisher_->CurrentState()) {
        case MqttPublisher::State::Connected:
            return tr("MQTT: 接続中");
        case MqttPublisher::State::Connecting:
            if (publisher_->Reason().isEmpty()) {
                return tr("MQTT: 接続しています");
            }
            break;
        case MqttPublisher::State::Waiting:
        case MqttPublisher::State::Stopped:
            break;
    }
    return tr("MQTT: 再接続待ち (%1 分待機)").arg(publisher_->Waiting());
}

QString MqttCommand::StatusToolTip() const {
    if (!publisher_) {
        return {};
    }
    QStringList texts;
    if (!passwordRefusal_.isEmpty()) {
        texts << passwordRefusal_;
    }
    if (!publisher_->Reason().isEmpty()) {
        texts << ProbeText(publisher_->Settings(), publisher_->LastFailure(), publisher_->Reason());
    }
    return texts.join(u'\n');
}
