#include "AlarmCommand.h"

#include "AlarmDialog.h"
#include "IniFile.h"
#include "LoggingSession.h"
#include "MqttCommand.h"

AlarmCommand::AlarmCommand(LoggingSession& session, MqttCommand& mqtt, QString iniPath,
                           QString startingPath, QWidget* window)
    : QObject(window),
      session_(session),
      mqtt_(mqtt),
      iniPath_(std::move(iniPath)),
      startingPath_(std::move(startingPath)),
      dialog_(new AlarmDialog(window)) {
    mqtt_.SetAlarmTopic(session_.Alarm().Settings().On());
}

void AlarmCommand::AlarmClick(const std::function<bool(AlarmDialog&)>& runDialog) {
    dialog_->Settings = session_.Alarm().Settings();
    const bool accepted =
        runDialog ? runDialog(*dialog_) : dialog_->exec() == QDialog::Accepted;
    if (accepted && dialog_->Settings != session_.Alarm().Settings()) {
        session_.SetAlarmSettings(dialog_->Settings);
        mqtt_.SetAlarmTopic(dialog_->Settings.On());
        changed_ = true;
        emit Changed();
    }
}

void AlarmCommand::Save() const {
    if (changed_) {
        SaveAlarmSettings(iniPath_, session_.Alarm().Settings(), startingPath_);
    }
}
