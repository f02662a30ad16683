#include "Main.h"

#include "AlarmDialog.h"
#include "AlarmIndicator.h"
#include "ChartImage.h"
#include "ChartNavigation.h"
#include "ChartPane.h"
#include "ChartView.h"
#include "Click.h"
#include "DateTime.h"
#include "DeviceLink.h"
#include "DisplayRules.h"
#include "ErrorBox.h"
#include "ErrorTexts.h"
#include "FileCommands.h"
#include "GoToDialog.h"
#include "HelpMenu.h"
#include "HidBackend.h"
#include "IniFile.h"
#include "LinkKeeper.h"
#include "LiveIngestion.h"
#include "LogView.h"
#include "MqttCommand.h"
#include "MqttDialog.h"
#include "QtFileDialogs.h"
#include "RecoveryStore.h"
#include "SettingsCommand.h"
#include "SignalClose.h"
#include "StatusLine.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"
#include "WindowMessages.h"

#include <qcustomplot.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFontDatabase>
#include <QMenuBar>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSplitter>
#include <QStatusBar>
#include <QSysInfo>
#include <QTimer>

#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <span>

// Qt's headers bring in windows.h on Windows, whose MessageBox macro would rename the member.
#undef MessageBox

namespace {

constexpr int kClientWidth = 572;
constexpr int kClientHeight = 377;
constexpr int kLogHeight = 64;
constexpr int kLogMinimumHeight = 20;

// Reading a large log leaves many small freed blocks behind; hand them back to the system so a
// logger that opened a year of data does not keep the reading's peak for days.
void ReleaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

double LocalNow() {
    return DateTime::FromQDateTime(QDateTime::currentDateTime());
}

}  // namespace

TMainForm::TMainForm(MainFormOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
    setWindowTitle(WindowCaption());
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFont tahoma(QStringLiteral("Tahoma"));
        tahoma.setPixelSize(11);
        setFont(tahoma);
    }
    if (!options_.Now) {
        options_.Now = LocalNow;
    }
    if (!options_.Dialogs) {
        options_.Dialogs = std::make_unique<QtFileDialogs>(this);
    }

    BuildLayout();
    BuildMenus();

    Timer = new QTimer(this);
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, [this] { RunGuarded([this] { TimerTimer(); }); });
    FileTimer = new QTimer(this);
    FileTimer->setInterval(60000);
    connect(FileTimer, &QTimer::timeout, this,
            [this] { RunGuarded([this] { FileTimerTimer(); }); });

    // Queue, device and sample log start empty; the link takes the session token.
    link_ = std::make_unique<DeviceLink>(
        std::move(options_.Backend),
        [this](const DevicePacket& packet) { OnMeasurement(packet.Payload.data()); }, this);
    connect(link_.get(), &DeviceLink::StateChanged, this, &TMainForm::UpdateStatus);
    // From Start until Stop the window wants the counter: a replug connects it again.
    keeper_ = std::make_unique<LinkKeeper>(*link_);
    connect(keeper_.get(), &LinkKeeper::StateChanged, this, &TMainForm::UpdateStatus);
    recovery_ = std::make_unique<RecoveryStore>(options_.RecoveryFolder);
    files_ =
        std::make_unique<FileCommands>(samples_, display_, graph_, *options_.Dialogs, *recovery_);

    graph_ = LoadGraphSettings(options_.IniPath, options_.IniStartingPath);
    alarm_->SetSettings(LoadAlarmSettings(options_.IniPath, options_.IniStartingPath));
    HideClick();
    NewClick();

    settingsDialog_ = new TOKRightDlg(this);
    alarmDialog_ = new AlarmDialog(this);
    mqttDialog_ = new MqttDialog(this);
    mqtt_ = new MqttCommand(options_.IniPath, options_.MqttPasswordPath,
                            QSysInfo::machineHostName(), this);
    connect(mqtt_, &MqttCommand::StatusChanged, this, &TMainForm::UpdateStatus);
    mqtt_->Load();
    signalClose_ = new SignalClose(this);
    RouteWindowMessages(
        this, [this](int code) { link_->WMDeviceChange(code); }, [this] { signalClose_->Close(); });
    recoveryFiles_ = recovery_->Summaries(QDate::currentDate().year());
    recoveryAvailable_ = !recoveryFiles_.isEmpty();
    OpenRecovery->setVisible(recoveryAvailable_);
    UpdateStatus();
    // The client area is the chart and log pane; menu and status bar come on top of it, as
    // high as they are once styled and laid out with their texts (the status bar lays itself
    // out only when asked, else it reports a pixel less than it will take).
    ensurePolished();
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(statusBar(), &layoutRequest);
    resize(kClientWidth,
           kClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

TMainForm::~TMainForm() {
    FormDestroy();
    // The link may still hand over a report while it ends, and the views listen to display_:
    // both go before the members they use.
    keeper_.reset();
    link_.reset();
    delete Splitter;
    delete summary_;
}

void TMainForm::BuildLayout() {
    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(3);
    Splitter->setChildrenCollapsible(false);

    pane_ = new ::ChartPane(display_, samples_, Splitter);
    chart_ = &pane_->View();
    Chart = chart_->Chart();
    SeriesCPM = chart_->SeriesCPM();
    SeriesSV = chart_->SeriesSV();
    connect(chart_, &ChartView::Scrolled, this, [this] { RunGuarded([this] { ChartScroll(); }); });

    Log = new LogView(display_, Splitter);
    Log->setMinimumHeight(kLogMinimumHeight);
    connect(Log, &LogView::DoubleClicked, this, [this] { RunGuarded([this] { LogDblClick(); }); });
    connect(Log, &LogView::LineClicked, pane_, &::ChartPane::ShowLogLine);

    Splitter->addWidget(pane_);
    Splitter->addWidget(Log);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    Splitter->setSizes({kClientHeight - kLogHeight - 3, kLogHeight});
    setCentralWidget(Splitter);

    status_ = std::make_unique<StatusLine>(statusBar());
    alarm_ = new AlarmIndicator(status_->AlarmLabel(), this);
}

void TMainForm::Bind(QAction* action, void (TMainForm::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
}

void TMainForm::BuildMenus() {
    QMenuBar* bar = menuBar();

    File = bar->addMenu(QStringLiteral("ファイル(&F)"));
    New = File->addAction(QStringLiteral("新規作成(&N)"));
    Open = File->addAction(QStringLiteral("開く(&O)..."));
    Save = File->addAction(QStringLiteral("上書き保存(&S)"));
    SaveAs = File->addAction(QStringLiteral("名前をつけて保存(&A)..."));
    OpenRecovery = File->addAction(QStringLiteral("復元フォルダを開く(&R)..."));
    SaveImage = File->addAction(QStringLiteral("グラフを画像で保存(&I)..."));
    SaveSummary = File->addAction(QStringLiteral("集計を CSV で保存(&U)..."));
    N2 = File->addSeparator();
    Exit = File->addAction(QStringLiteral("終了(&X)"));

    Logger = bar->addMenu(QStringLiteral("ロガー(&L)"));
    Start = Logger->addAction(QStringLiteral("接続/開始(&B)"));
    Stop = Logger->addAction(QStringLiteral("切断/停止(&S)"));
    N3 = Logger->addSeparator();
    N3->setVisible(false);
    RedrawGraphs = Logger->addAction(QStringLiteral("グラフ再描画(&G)"));

    Setting = bar->addMenu(QStringLiteral("設定(&S)"));
    Hide = Setting->addAction(QStringLiteral("ログを隠す(&H)"));
    Show = Setting->addAction(QStringLiteral("ログを表示(&S)..."));
    N1 = Setting->addSeparator();
    Set = Setting->addAction(QStringLiteral("各種設定(&M)..."));
    Alarm = Setting->addAction(QStringLiteral("警報(&A)..."));
    // Not &M: 各種設定 has it, and a shared key only moves between the two items.
    MqttSend = Setting->addAction(QStringLiteral("MQTT 送信(&T)..."));

    // ファイル, ロガー and 設定 keep their places as the first three menus; added menus follow.
    View = bar->addMenu(QStringLiteral("表示(&V)"));
    GoTo = View->addAction(QStringLiteral("移動(&G)..."));
    GoTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    ShowSummary = View->addAction(QStringLiteral("集計(&S)..."));
    ShowSummary->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

    Help = AddHelpMenu(bar, [this](const QString& text, const QString& caption) {
        if (options_.MessageBox) {
            options_.MessageBox(text, caption);
        } else {
            QMessageBox::information(this, caption, text);
        }
    });

    Bind(New, &TMainForm::NewClick);
    Bind(Open, &TMainForm::OpenClick);
    Bind(Save, &TMainForm::SaveClick);
    Bind(SaveAs, &TMainForm::SaveAsClick);
    Bind(OpenRecovery, &TMainForm::OpenRecoveryClick);
    Bind(SaveImage, &TMainForm::SaveImageClick);
    Bind(Exit, &TMainForm::ExitClick);
    Bind(Start, &TMainForm::StartClick);
    Bind(Stop, &TMainForm::StopClick);
    Bind(RedrawGraphs, &TMainForm::RedrawGraph);
    Bind(GoTo, &TMainForm::GoToClick);
    Bind(ShowSummary, &TMainForm::SummaryClick);
    Bind(SaveSummary, &TMainForm::SaveSummaryClick);
    Bind(Hide, &TMainForm::HideClick);
    Bind(Show, &TMainForm::ShowClick);
    Bind(Set, &TMainForm::SetClick);
    Bind(Alarm, &TMainForm::AlarmClick);
    Bind(MqttSend, &TMainForm::MqttClick);
    setMinimumSize(256, 256);
}

const QString& TMainForm::CurrentFile() const {
    return files_->CurrentFile();
}

void TMainForm::NewClick() {
    RunFileCommand([this] { files_->NewClick(); });
}

void TMainForm::OpenClick() {
    RunFileCommand([this] { files_->OpenClick(); });
    ReleaseFreedMemory();
}

void TMainForm::OpenFile(const QString& path) {
    // Opened at start, not by the user's choice: the start's notice of recovery files stays.
    const bool recoveryAvailable = recoveryAvailable_;
    RunGuarded([&] { RunFileCommand([&] { files_->OpenFile(path); }); });
    recoveryAvailable_ = recoveryAvailable;
    UpdateStatus();
    ReleaseFreedMemory();
}

void TMainForm::SaveClick() {
    RunFileCommand([this] { files_->SaveClick(); });
}

void TMainForm::SaveAsClick() {
    RunFileCommand([this] { files_->SaveAsClick(); });
}

void TMainForm::SaveImageClick() {
    if (const std::optional<QString> path = options_.Dialogs->ChooseImageFile()) {
        SaveChartImage(*Chart, *path);
    }
}

void TMainForm::OpenRecoveryClick() {
    RunFileCommand([this] { files_->OpenRecoveryClick(); });
    ReleaseFreedMemory();
}

void TMainForm::RunFileCommand(const std::function<void()>& command) {
    // Save As keeps the chosen name even when the write then fails, so the timer and status
    // follow the file name whatever happened.
    try {
        command();
    } catch (...) {
        AfterFileCommand();
        throw;
    }
    AfterFileCommand();
}

void TMainForm::AfterFileCommand() {
    autosaveError_.clear();
    keptNotice_ = files_->KeptFile();
    recoveryAvailable_ = false;
    OpenRecovery->setVisible(recovery_->HasFiles());
    pane_->LogReplaced();
    UpdateFileTimer();
    UpdateStatus();
}

void TMainForm::UpdateFileTimer() {
    // The minute's save runs while there is a file to save to or samples that are in none.
    if (CurrentFile().isEmpty() && !files_->Changed()) {
        FileTimer->stop();
    } else if (!FileTimer->isActive()) {
        FileTimer->start();
    }
}

void TMainForm::ExitClick() {
    close();
}

void TMainForm::StartClick() {
    keeper_->Start();
    UpdateStatus();
}

void TMainForm::StopClick() {
    keeper_->Stop();
    UpdateStatus();
}

void TMainForm::RedrawGraph() {
    RebuildDisplay(samples_, graph_, display_);
}

// The splitter hides and shows its bar together with the pane, so the bar always sits between
// chart and pane.
void TMainForm::HideClick() {
    Log->hide();
}

void TMainForm::ShowClick() {
    Log->show();
}

void TMainForm::LogDblClick() {
    Log->SetTag(Log->Tag() ^ 1);
}

void TMainForm::SetClick() {
    SetClickHooks hooks;
    hooks.RunDialog = [this] {
        // A reconnect while the dialog is open reads the counter afresh: the dialog shows it.
        const QMetaObject::Connection reads =
            connect(link_.get(), &DeviceLink::DeviceSettingsRead, settingsDialog_, [this] {
                settingsDialog_->CounterValuesRead(link_->DeviceCoefficient,
                                                   link_->DeviceBackground);
            });
        const auto disconnectReads = qScopeGuard([reads] { disconnect(reads); });
        if (options_.RunSettingsDialog) {
            return options_.RunSettingsDialog(*settingsDialog_);
        }
        return settingsDialog_->exec() == QDialog::Accepted;
    };
    hooks.RebuildDisplay = [this] { RebuildDisplay(samples_, graph_, display_); };
    hooks.Connected = [this] { return link_->Connected(); };
    hooks.WriteDeviceSettings = [this](std::uint16_t, std::uint16_t) {
        link_->WriteDeviceSettings();
        UpdateStatus();
    };
    hooks.MessageBox = options_.MessageBox;
    ::SetClick(*settingsDialog_, graph_, link_->DeviceCoefficient, link_->DeviceBackground, hooks);
}

void TMainForm::GoToClick() {
    GoToDialog dialog([this](const QString& text) { return pane_->FindTime(text); }, this);
    const bool accepted = options_.RunGoToDialog ? options_.RunGoToDialog(dialog)
                                                 : dialog.exec() == QDialog::Accepted;
    if (accepted) {
        pane_->ShowPageFrom(dialog.Found);
    }
}

void TMainForm::SummaryClick() {
    if (!summary_) {
        summary_ = new SummaryWindow(display_, samples_, graph_, this);
        connect(summary_, &SummaryWindow::PeriodChosen, this, [this](double start) {
            pane_->ShowPageFrom(ChartNavigation::FirstSampleAtOrAfter(samples_, start));
        });
    }
    summary_->show();
    summary_->raise();
    summary_->activateWindow();
}

void TMainForm::SaveSummaryClick() {
    SaveSummaryCsv(samples_, graph_, summary_ ? summary_->Model().Period() : SummaryPeriod::Day,
                   *options_.Dialogs);
}

void TMainForm::AlarmClick() {
    alarmDialog_->Settings = alarm_->Settings();
    const bool accepted = options_.RunAlarmDialog ? options_.RunAlarmDialog(*alarmDialog_)
                                                  : alarmDialog_->exec() == QDialog::Accepted;
    if (accepted && alarmDialog_->Settings != alarm_->Settings()) {
        alarm_->SetSettings(alarmDialog_->Settings);
        alarmChanged_ = true;
    }
}

void TMainForm::MqttClick() {
    mqtt_->MqttClick(*mqttDialog_, options_.RunMqttDialog);
}

void TMainForm::FileTimerTimer() {
    // A failing autosave must not raise a modal box every minute: the status bar says it.
    try {
        files_->AutoSave();
        autosaveError_.clear();
    } catch (const FileFailure& e) {
        autosaveError_ = FailureText(e);
    }
    OpenRecovery->setVisible(recovery_->HasFiles());
    pane_->LogReplaced();
    UpdateFileTimer();
    UpdateStatus();
}

void TMainForm::OnMeasurement(const std::uint8_t* payload) {
    const MinuteStep step = HandleCountReport(std::span<const std::uint8_t, 60>(payload, 60),
                                              options_.Now(), samples_, graph_, display_);
    files_->MarkChanged();
    pane_->LiveReport();
    if (step.What == MinuteStep::Kind::NextMinute) {
        status_->ShowReading(step.Completed.Cpm, step.Completed.Dose);
        alarm_->MinuteCompleted(step.Completed.Time, step.Completed.Dose);
        mqtt_->MinuteCompleted(step.Completed);
    }
    UpdateFileTimer();
    UpdateStatus();
}

QString TMainForm::StatusText() const {
    return status_->Text();
}

QString TMainForm::StatusToolTip() const {
    return status_->NoticeToolTip();
}

QString TMainForm::LinkToolTip() const {
    return status_->LinkToolTip();
}

QString TMainForm::MqttToolTip() const {
    return status_->MqttToolTip();
}

void TMainForm::UpdateStatus() {
    if (!link_ || !files_) {
        return;
    }
    StatusState state;
    if (link_->Connected()) {
        state.LinkState = StatusState::Link::Connected;
    } else if (keeper_ && keeper_->CurrentState() == LinkKeeper::State::Lost) {
        state.LinkState = StatusState::Link::Waiting;
    } else if (link_->ReaderActive()) {
        state.LinkState = StatusState::Link::NotFound;
    }
    state.Samples = samples_.Count();
    state.File = CurrentFile();
    state.AutosaveError = autosaveError_;
    if (files_->AutoSaveBlocked()) {
        state.UnreadableLines = files_->UnreadableLines();
        state.FirstUnreadableLine = files_->FirstUnreadableLine();
        state.FirstForeignLine = files_->FirstForeignLine();
    }
    state.KeptFile = keptNotice_;
    state.CopyOf = files_->CopyOf();
    state.DiscardedRecovery = files_->DiscardedRecovery();
    state.RecoveryAvailable = recoveryAvailable_;
    state.RecoveryFiles = recoveryFiles_;
    state.VirtualCounter = options_.Simulated;
    status_->Show(state);
    if (mqtt_) {
        status_->ShowMqtt(mqtt_->StatusText(), mqtt_->StatusToolTip());
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // No question: samples not saved are lost, as with any close.
    link_->SetQuitting();
    FormDestroy();
    event->accept();
}

void TMainForm::FormDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    FileTimer->stop();
    const bool quiet = signalClose_ && signalClose_->Signalled();
    auto report = [quiet](const QString& text) {
        if (quiet) {
            std::fprintf(stderr, "solamine: %s\n", qPrintable(text));
        } else {
            ShowErrorBox(text);
        }
    };
    // The reader is stopped even when the settings cannot be saved: a thread still running at
    // process end would crash the program.
    try {
        SaveGraphSettings(options_.IniPath, graph_, options_.IniStartingPath);
        if (alarmChanged_) {
            SaveAlarmSettings(options_.IniPath, alarm_->Settings(), options_.IniStartingPath);
        }
    } catch (const FileFailure& e) {
        report(FailureText(e));
    }
    keeper_->Release();
    link_->SetQuitting();
    if (link_->ReaderActive()) {
        link_->StopClick();
    }
    // The broker hears "offline"; one that does not answer holds the close up for 1 s at most.
    mqtt_->Stop(1000);
    // The last save: the current file when the log changed, otherwise the recovery file for
    // samples that are in no file.
    try {
        files_->AutoSave();
    } catch (const FileFailure& e) {
        report(FailureText(e));
    }
}
