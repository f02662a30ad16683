#include "Main.h"

#include "AlarmCommand.h"
#include "AlarmIndicator.h"
#include "ChartPane.h"
#include "ChartView.h"
#include "Click.h"
#include "DeviceLink.h"
#include "DisplayRules.h"
#include "ErrorBox.h"
#include "ErrorTexts.h"
#include "HelpMenu.h"
#include "IniFile.h"
#include "LiveIngestion.h"
#include "LogView.h"
#include "MainSplitter.h"
#include "MapCommand.h"
#include "MqttCommand.h"
#include "QtFileDialogs.h"
#include "SettingsCommand.h"
#include "Termination.h"
#include "WindowClose.h"
#include "WindowMemory.h"
#include "WindowMessages.h"

#include <qcustomplot.h>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMessageBox>
#include <QSysInfo>
#include <QTimer>

// Qt's headers bring in windows.h on Windows, whose MessageBox macro would rename the member.
#undef MessageBox

namespace {

// At the end the broker gets this long to take "offline" and the minutes still waiting.
constexpr int kPublishersStopMs = 1000;

}  // namespace

TMainForm::TMainForm(MainFormOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
    setWindowTitle(WindowCaption());
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFont tahoma(QStringLiteral("Tahoma"));
        tahoma.setPixelSize(11);
        setFont(tahoma);
    }
    if (!options_.Dialogs) {
        options_.Dialogs = std::make_unique<QtFileDialogs>(this);
    }
    graph_ = LoadGraphSettings(options_.IniPath, options_.IniStartingPath);
    SessionOptions session;
    session.Graph = graph_;
    session.Alarm = LoadAlarmSettings(options_.IniPath, options_.IniStartingPath);
    session.Now = options_.Now;
    session_ = std::make_unique<LoggingSession>(std::move(options_.Backend), std::move(session));
    session_->SetLiveSamples(&liveSamples_);
    connect(session_.get(), &LoggingSession::LiveReport, this, &TMainForm::OnLiveReport);
    connect(session_.get(), &LoggingSession::LinkChanged, this, &TMainForm::UpdateStatus);
    connect(session_.get(), &LoggingSession::MinuteLeftOut, this,
            [this](const Sample& minute, int seconds) { status_->ShowLeftOut(minute, seconds); });

    BuildLayout();
    BuildMenus(menuBar(), [this](const QString& text, const QString& caption) {
        if (options_.MessageBox) {
            options_.MessageBox(text, caption);
        } else {
            QMessageBox::information(this, caption, text);
        }
    });
    BindMenus();
    Timer = new QTimer(this);
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, [this] { RunGuarded([this] { TimerTimer(); }); });
    connect(session_.get(), &LoggingSession::AlarmStepped, alarm_, &AlarmIndicator::MinuteChecked);

    files_ = new WindowFiles(samples_, display_, graph_, *options_.Dialogs, options_.RecoveryFolder,
                             *this, this);
    FileTimer = files_->Timer();
    connect(FileTimer, &QTimer::timeout, this,
            [this] { RunGuarded([this] { FileTimerTimer(); }); });
    files_->SetMinuteRunning([this] { return session_->MinuteRunning(); });
    connect(files_, &WindowFiles::Changed, this, [this](bool logReplaced) {
        // Whole minutes continue the log as it now stands; the running minute goes on in it.
        if (logReplaced) {
            session_->StartRecord(samples_.Samples());
            session_->RejoinRunningMinute();
        }
        pane_->LogReplaced();
        if (mqtt_) {
            mqtt_->FollowLog(files_->Commands().CurrentFile());
        }
        UpdateStatus();
    });
    HideClick();
    NewClick();
    files_->LookForRecoveryFiles();

    settingsDialog_ = new TOKRightDlg(this);
    mqtt_ = new MqttCommand(options_.IniPath, options_.MqttPasswordPath,
                            QSysInfo::machineHostName(), *session_, this);
    alarmCommand_ = new AlarmCommand(*session_, *mqtt_, options_.IniPath,
                                     options_.IniStartingPath, this);
    connect(alarmCommand_, &AlarmCommand::Changed, alarm_, &AlarmIndicator::Refresh);
    connect(mqtt_, &MqttCommand::StatusChanged, this, &TMainForm::UpdateStatus);
    mqtt_->FollowLog(files_->Commands().CurrentFile());
    mqtt_->Load();
    new MapCommand(options_, *session_, *files_, MapSend, this);
    views_ = new ViewCommands(*pane_, display_, samples_, graph_, *options_.Dialogs, this);
    termination_ = new Termination(this);
    connect(termination_, &Termination::Requested, this, [this] { CloseAllWindows(this); });
    RouteWindowMessages(
        this, [this](int code) { Link().WMDeviceChange(code); },
        [this] { termination_->Request(); });
    UpdateStatus();
    new WindowMemory(*this, *files_, *views_, options_);
}

TMainForm::~TMainForm() {
    FormDestroy();
    // The publisher leaves the session before the session goes; the session may still hand
    // over a report while it ends, and the views listen to display_: it goes before them.
    delete mqtt_;
    session_.reset();
    delete Splitter;
    delete views_;
}

void TMainForm::BuildLayout() {
    auto* splitter = new MainSplitter(display_, samples_, this);
    Splitter = splitter;
    pane_ = splitter->Pane();
    chart_ = &pane_->View();
    Chart = chart_->Chart();
    SeriesCPM = chart_->SeriesCPM();
    SeriesSV = chart_->SeriesSV();
    Log = splitter->Log();
    connect(chart_, &ChartView::Scrolled, this, [this] { RunGuarded([this] { ChartScroll(); }); });
    connect(Log, &LogView::DoubleClicked, this, [this] { RunGuarded([this] { LogDblClick(); }); });
    setCentralWidget(Splitter);
    status_ = std::make_unique<StatusLine>(statusBar());
    alarm_ = new AlarmIndicator(status_->AlarmLabel(), session_->Alarm(), this);
}

void TMainForm::BindMenus() {
    const std::pair<QAction*, void (TMainForm::*)()> handlers[] = {
        {New, &TMainForm::NewClick},
        {Open, &TMainForm::OpenClick},
        {Save, &TMainForm::SaveClick},
        {SaveAs, &TMainForm::SaveAsClick},
        {OpenRecovery, &TMainForm::OpenRecoveryClick},
        {SaveImage, &TMainForm::SaveImageClick},
        {SaveSummary, &TMainForm::SaveSummaryClick},
        {Exit, &TMainForm::ExitClick},
        {Start, &TMainForm::StartClick},
        {Stop, &TMainForm::StopClick},
        {RedrawGraphs, &TMainForm::RedrawGraph},
        {GoTo, &TMainForm::GoToClick},
        {ShowSummary, &TMainForm::SummaryClick},
        {Hide, &TMainForm::HideClick},
        {Show, &TMainForm::ShowClick},
        {Set, &TMainForm::SetClick},
        {Alarm, &TMainForm::AlarmClick},
        {MqttSend, &TMainForm::MqttClick},
    };
    for (const auto& [action, handler] : handlers) {
        connect(action, &QAction::triggered, this,
                [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
    }
}

void TMainForm::NewClick() {
    files_->Run([this] { files_->Commands().NewClick(); }, true);
}

void TMainForm::OpenClick() {
    files_->Run([this] { files_->Commands().OpenClick(); }, true);
}

void TMainForm::OpenFile(const QString& path) {
    RunGuarded([&] { files_->OpenAtStart(path); });
    UpdateStatus();
}

void TMainForm::SaveClick() {
    files_->Run([this] { files_->Commands().SaveClick(); }, false);
}

void TMainForm::SaveAsClick() {
    files_->Run([this] { files_->Commands().SaveAsClick(); }, false);
}

void TMainForm::SaveImageClick() {
    views_->SaveImageClick(*Chart);
}

void TMainForm::OpenRecoveryClick() {
    files_->Run([this] { files_->Commands().OpenRecoveryClick(); }, true);
}

void TMainForm::ExitClick() {
    close();
}

void TMainForm::StartClick() {
    session_->Start();
    UpdateStatus();
}

void TMainForm::StopClick() {
    session_->Stop();
    UpdateStatus();
}

void TMainForm::RedrawGraph() {
    RebuildDisplay(samples_, graph_, display_, session_->MinuteRunning());
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
    SetClickOnLink(
        *settingsDialog_, graph_, Link(), [this] { RedrawGraph(); },
        options_.RunSettingsDialog, options_.MessageBox);
    session_->SetGraphSettings(graph_);
    UpdateStatus();
}

void TMainForm::GoToClick() {
    views_->GoToClick(options_.RunGoToDialog);
}

void TMainForm::SummaryClick() {
    views_->SummaryClick();
}

void TMainForm::SaveSummaryClick() {
    views_->SaveSummaryClick();
}

void TMainForm::AlarmClick() {
    alarmCommand_->AlarmClick(options_.RunAlarmDialog);
}

void TMainForm::MqttClick() {
    mqtt_->MqttClick(options_.RunMqttDialog);
}

void TMainForm::FileTimerTimer() {
    files_->AutoSave();
}

void TMainForm::OnLiveReport(const MinuteStep& step, std::int32_t count, double now) {
    DrawLiveStep(step, count, now, display_);
    // Only a finished minute changes what the files hold.
    if (step.Finished()) {
        files_->LiveDataChanged();
        status_->ShowReading(step.Completed.Cpm, step.Completed.Dose);
    }
    pane_->LiveReport(step.DroppedRunning);
    UpdateStatus();
}

void TMainForm::UpdateStatus() {
    if (!session_ || !files_) {
        return;
    }
    StatusState state = files_->Status();
    state.LinkState = LinkStatusOf(*session_);
    state.Samples = samples_.Count();
    state.VirtualCounter = options_.Simulated;
    status_->Show(state);
    if (mqtt_) {
        status_->ShowMqtt(mqtt_->StatusText(), mqtt_->StatusToolTip());
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // No question: samples not saved are lost, as with any close.
    Link().SetQuitting();
    FormDestroy();
    event->accept();
}

void TMainForm::FormDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    FileTimer->stop();
    const bool quiet = termination_ && termination_->WasRequested();
    // The reader is stopped even when the settings cannot be saved: a thread still running at
    // process end would crash the program.
    try {
        SaveGraphSettings(options_.IniPath, graph_, options_.IniStartingPath);
        alarmCommand_->Save();
    } catch (const FileFailure& e) {
        ShowErrorBoxOrPrint(FailureText(e), quiet);
    }
    session_->Close();
    session_->StopPublishers(kPublishersStopMs);
    // The last save: the current file when the log changed, otherwise the recovery file for
    // samples that are in no file.
    try {
        files_->Commands().AutoSave();
    } catch (const FileFailure& e) {
        ShowErrorBoxOrPrint(FailureText(e), quiet);
    }
}
