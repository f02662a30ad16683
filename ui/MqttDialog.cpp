#include "MqttDialog.h"

#include "ErrorTexts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr int kTestTimeoutMs = 5000;

}  // namespace

MqttDialog::MqttDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("MQTT 送信"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Enabled = new QCheckBox(tr("完了した分をブローカーに送信する"), this);
    Url = new QLineEdit(this);
    Url->setPlaceholderText(tr("mqtt://broker.lan または mqtts://broker.lan:8883"));
    Url->setMinimumWidth(280);
    StationId = new QLineEdit(this);
    StationId->setToolTip(tr("トピック solamine/ID/… の ID (a-z, 0-9, _, -)"));
    User = new QLineEdit(this);
    PasswordBox = new QLineEdit(this);
    PasswordBox->setEchoMode(QLineEdit::Password);
    CaFile = new QLineEdit(this);
    CaFile->setPlaceholderText(tr("空欄: システムの証明書"));
    Discovery = new QCheckBox(tr("Home Assistant の自動検出"), this);
    TestBtn = new QPushButton(tr("接続テスト"), this);
    Result = new QLabel(this);
    Result->setWordWrap(true);
    Result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    OKBtn = new QPushButton(tr("確定"), this);
    OKBtn->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QString(), Enabled);
    form->addRow(tr("ブローカー URL"), Url);
    form->addRow(tr("局 ID"), StationId);
    form->addRow(tr("ユーザー"), User);
    form->addRow(tr("パスワード"), PasswordBox);
    form->addRow(tr("CA ファイル"), CaFile);
    form->addRow(QString(), Discovery);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(TestBtn);
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Result);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &MqttDialog::OKBtnClick);
    connect(TestBtn, &QPushButton::clicked, this, &MqttDialog::TestClick);
}

void MqttDialog::FormShow() {
    const MqttSettings& broker = Settings.Broker;
    Enabled->setChecked(Settings.Enabled);
    Url->setText(broker.Host.isEmpty() ? QString() : BrokerUrl(broker));
    StationId->setText(broker.StationId);
    User->setText(broker.User);
    PasswordBox->setText(Password);
    CaFile->setText(broker.CaFile);
    Discovery->setChecked(broker.Discovery);
    Result->clear();
}

std::optional<MqttSettings> MqttDialog::ReadBoxes() {
    MqttSettings broker = Settings.Broker;
    broker.User.clear();
    QString error;
    if (!ParseBrokerUrl(Url->text().trimmed(), broker, &error)) {
        Result->setText(
            tr("ブローカー URL は mqtt://ホスト[:ポート] か mqtts://… の形で入力してください。"));
        return std::nullopt;
    }
    if (!IsValidStationId(StationId->text())) {
        Result->setText(tr("局 ID は a-z, 0-9, _, - の 1〜64 文字で入力してください。"));
        return std::nullopt;
    }
    broker.StationId = StationId->text();
    if (!User->text().isEmpty()) {
        broker.User = User->text();
    }
    broker.Password = PasswordBox->text();
    broker.CaFile = CaFile->text().trimmed();
    broker.Discovery = Discovery->isChecked();
    return broker;
}

void MqttDialog::OKBtnClick() {
    std::optional<MqttSettings> broker = ReadBoxes();
    if (!broker) {
        if (Enabled->isChecked()) {
            return;
        }
        // Off: keep what could be read, so the user finds it again.
        broker = Settings.Broker;
        broker->StationId =
            IsValidStationId(StationId->text()) ? StationId->text() : broker->StationId;
        broker->Password = PasswordBox->text();
    }
    Password = broker->Password;
    broker->Password.clear();
    Settings = {Enabled->isChecked(), *broker};
    accept();
}

void MqttDialog::TestClick() {
    const std::optional<MqttSettings> broker = ReadBoxes();
    if (!broker) {
        emit TestFinished(false);
        return;
    }
    delete probe_;
    probe_ = new MqttPublisher(*broker, {}, this);
    MqttPublisher::Timing timing;
    timing.ConnectTimeoutMs = kTestTimeoutMs;
    probe_->SetTiming(timing);
    TestBtn->setEnabled(false);
    Result->setText(tr("接続しています…"));
    connect(probe_, &MqttPublisher::ProbeFinished, this,
            [this, settings = *broker](MqttPublisher::Failure failure, const QString& reason) {
                Result->setText(ProbeText(settings, failure, reason));
                TestBtn->setEnabled(true);
                probe_->deleteLater();
                probe_ = nullptr;
                emit TestFinished(failure == MqttPublisher::Failure::None);
            });
    probe_->Probe();
}

void MqttDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}
