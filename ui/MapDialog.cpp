#include "MapDialog.h"

#include "ErrorTexts.h"
#include "MapUploader.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr MapService kServices[] = {MapService::Radmon, MapService::GmcMap, MapService::Safecast};

QString Degrees(double value) {
    return QString::number(value, 'g', 12);
}

QLineEdit* SecretBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

}  // namespace

MapDialog::MapDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("公開マップ送信"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Pages = new QTabWidget(this);
    const QString enable[] = {tr("完了した分を radmon.org に送信する"),
                              tr("完了した分を GMC マップに送信する"),
                              tr("完了した分を Safecast に送信する")};
    const QString note[] = {tr("測定値はユーザー名とともに公開されます。"),
                            tr("時刻を受け付けないため、最新の値だけを送ります。"),
                            tr("測定値は位置とともに地図上に公開されます。")};
    std::array<QFormLayout*, 3> forms{};
    for (MapService service : kServices) {
        auto* page = new QWidget(Pages);
        Page& boxes = PageOf(service);
        boxes.Enabled = new QCheckBox(enable[size_t(service)], page);
        boxes.Every = new QSpinBox(page);
        boxes.Every->setRange(1, kMaxEveryMinutes);
        boxes.Every->setSuffix(tr(" 分ごと"));
        boxes.TestBtn = new QPushButton(tr("送信テスト"), page);
        boxes.Result = new QLabel(page);
        boxes.Result->setWordWrap(true);
        boxes.Result->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* form = new QFormLayout;
        form->addRow(QString(), boxes.Enabled);
        forms[size_t(service)] = form;
        auto* test = new QHBoxLayout;
        test->addWidget(boxes.TestBtn);
        test->addStretch(1);
        auto* layout = new QVBoxLayout(page);
        layout->addLayout(form);
        layout->addWidget(new QLabel(note[size_t(service)], page));
        layout->addWidget(boxes.Result);
        layout->addStretch(1);
        layout->addLayout(test);
        Pages->addTab(page, MapServiceCaption(service));
        connect(boxes.TestBtn, &QPushButton::clicked, this,
                [this, service] { TestClick(service); });
    }
    QFormLayout* radmon = forms[size_t(MapService::Radmon)];
    RadmonUser = new QLineEdit(this);
    RadmonUser->setMinimumWidth(240);
    RadmonPassword = SecretBox(this);
    radmon->addRow(tr("ユーザー"), RadmonUser);
    radmon->addRow(tr("データ送信用パスワード"), RadmonPassword);
    QFormLayout* gmc = forms[size_t(MapService::GmcMap)];
    GmcAccount = new QLineEdit(this);
    GmcCounter = new QLineEdit(this);
    gmc->addRow(tr("アカウント ID"), GmcAccount);
    gmc->addRow(tr("カウンター ID"), GmcCounter);
    QFormLayout* safecast = forms[size_t(MapService::Safecast)];
    Latitude = new QLineEdit(this);
    Latitude->setPlaceholderText(tr("例: 35.6812 (度、南緯は負)"));
    Longitude = new QLineEdit(this);
    Longitude->setPlaceholderText(tr("例: 139.7671 (度、西経は負)"));
    SafecastKey = SecretBox(this);
    SafecastDevice = new QLineEdit(this);
    SafecastDevice->setPlaceholderText(tr("空欄: 送らない"));
    safecast->addRow(tr("緯度"), Latitude);
    safecast->addRow(tr("経度"), Longitude);
    safecast->addRow(tr("API キー"), SafecastKey);
    safecast->addRow(tr("デバイス ID"), SafecastDevice);
    for (MapService service : kServices) {
        forms[size_t(service)]->addRow(tr("送信間隔"), PageOf(service).Every);
    }

    OKBtn = new QPushButton(tr("確定"), this);
    OKBtn->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &MapDialog::OKBtnClick);
}

void MapDialog::FormShow() {
    for (MapService service : kServices) {
        const MapWindowUpload& map = Settings.Of(service);
        PageOf(service).Enabled->setChecked(map.Enabled);
        PageOf(service).Every->setValue(map.Upload.EveryMinutes);
        PageOf(service).Result->clear();
    }
    const MapLogin& radmon = Settings.Of(MapService::Radmon).Upload.Login;
    RadmonUser->setText(radmon.User);
    RadmonPassword->setText(radmon.Secret);
    const MapLogin& gmc = Settings.Of(MapService::GmcMap).Upload.Login;
    GmcAccount->setText(gmc.User);
    GmcCounter->setText(gmc.Counter);
    const MapLogin& safecast = Settings.Of(MapService::Safecast).Upload.Login;
    // A position never set is no position, not the ocean at 0, 0.
    const bool placed = safecast.Latitude != 0 || safecast.Longitude != 0;
    Latitude->setText(placed ? Degrees(safecast.Latitude) : QString());
    Longitude->setText(placed ? Degrees(safecast.Longitude) : QString());
    SafecastKey->setText(safecast.Secret);
    SafecastDevice->setText(safecast.Device);
}

bool MapDialog::ReadPage(MapService service, MapUpload& upload) {
    MapLogin& login = upload.Login;
    upload.EveryMinutes = PageOf(service).Every->value();
    QString refusal;
    switch (service) {
        case MapService::Radmon:
            login.User = RadmonUser->text().trimmed();
            login.Secret = RadmonPassword->text();
            if (!IsCompleteMapUpload(upload)) {
                refusal = tr("ユーザーとデータ送信用パスワードを入力してください。");
            }
            break;
        case MapService::GmcMap:
            login.User = GmcAccount->text().trimmed();
            login.Counter = GmcCounter->text().trimmed();
            if (!IsCompleteMapUpload(upload)) {
                refusal =
                    tr("アカウント ID とカウンター ID を空白や「:」を含めずに入力してください。");
            }
            break;
        case MapService::Safecast:
            login.Secret = SafecastKey->text().trimmed();
            login.Device = SafecastDevice->text().trimmed();
            if (!ParsePosition(Latitude->text().trimmed() + u',' + Longitude->text().trimmed(),
                               login) ||
                !IsCompleteMapUpload(upload)) {
                refusal =
                    tr("緯度 (-90〜90)・経度 (-180〜180) を度で、API キーを入力してください。");
            }
            break;
    }
    PageOf(service).Result->setText(refusal);
    return refusal.isEmpty();
}

void MapDialog::OKBtnClick() {
    MapWindowSettings chosen = Settings;
    for (MapService service : kServices) {
        MapWindowUpload& map = chosen.Of(service);
        map.Enabled = PageOf(service).Enabled->isChecked();
        // A map that is off keeps what was typed, usable or not, so the user finds it again.
        if (!ReadPage(service, map.Upload) && map.Enabled) {
            Pages->setCurrentIndex(int(service));
            return;
        }
    }
    Settings = chosen;
    accept();
}

void MapDialog::TestClick(MapService service) {
    Page& page = PageOf(service);
    MapUpload upload = Settings.Of(service).Upload;
    if (!ReadPage(service, upload)) {
        emit TestFinished(service, false);
        return;
    }
    MapUploader*& probe = probes_[size_t(service)];
    delete probe;
    probe = new MapUploader(upload, Settings.CaFile, {}, {}, this);
    MapTiming timing;
    timing.RequestTimeoutMs = TestTimeoutMs;
    probe->SetTiming(timing);
    page.TestBtn->setEnabled(false);
    page.Result->setText(tr("送信しています…"));
    const QString sent = SampleReading
                             ? tr("測定値がないため試験値 %1 CPM を送りました。").arg(Reading.Cpm)
                             : tr("最新の分 (%1 CPM) を送りました。").arg(Reading.Cpm);
    connect(probe, &MapUploader::ProbeFinished, this,
            [this, service, sent](const MapAnswer& answer) {
                Page& page = PageOf(service);
                page.Result->setText(tr("%1\n%2。").arg(sent, MapAnswerText(service, answer)));
                page.TestBtn->setEnabled(true);
                MapUploader*& probe = probes_[size_t(service)];
                probe->deleteLater();
                probe = nullptr;
                emit TestFinished(service, answer.Outcome == MapOutcome::Accepted);
            });
    probe->Probe(Reading);
}

void MapDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}
