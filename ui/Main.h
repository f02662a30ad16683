#pragma once

#include "DisplayModel.h"
#include "LiveMinutes.h"
#include "LoggingSession.h"
#include "MainFormOptions.h"
#include "MainMenus.h"
#include "SampleLog.h"
#include "StatusLine.h"
#include "ViewCommands.h"
#include "WindowFiles.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class AlarmCommand;
class AlarmIndicator;
class ChartPane;
class ChartView;
class LogView;
class MqttCommand;
class QCPGraph;
class QCustomPlot;
class QSplitter;
class QTimer;
class Termination;
struct MinuteStep;

// The main window: the chart, the log pane and the menus over one logging session, which owns
// the link, the minutes, the alarm and the publishers; the window draws the session's live
// reports and keeps the log in files. Runs start-up and shutdown.
class TMainForm : public QMainWindow, public MainMenus {
    Q_OBJECT

public:
    explicit TMainForm(MainFormOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Components.
    QCustomPlot* Chart = nullptr;
    QCPGraph* SeriesCPM = nullptr;
    QCPGraph* SeriesSV = nullptr;
    LogView* Log = nullptr;
    QSplitter* Splitter = nullptr;
    QTimer* Timer = nullptr;
    QTimer* FileTimer = nullptr;

    // Handlers.
    void NewClick();
    void OpenClick();
    void SaveClick();
    void SaveAsClick();
    void OpenRecoveryClick();
    void SaveImageClick();
    void ExitClick();
    void StartClick();
    void StopClick();
    void RedrawGraph();
    void GoToClick();
    void SummaryClick();
    void SaveSummaryClick();
    void HideClick();
    void ShowClick();
    void SetClick();
    void AlarmClick();
    void MqttClick();
    void LogDblClick();
    void TimerTimer() {}
    void ChartScroll() {}
    void FileTimerTimer();
    void FormDestroy();
    // Opens a log file named on the command line, as Open would; errors go to the error box.
    void OpenFile(const QString& path);

    // State, for the status bar and tests.
    LoggingSession& Session() { return *session_; }
    DeviceLink& Link() { return session_->Link(); }
    const SampleLog& Samples() const { return samples_; }
    const DisplayModel& Display() const { return display_; }
    ChartView& ChartArea() { return *chart_; }
    ::ChartPane& ChartWithOverview() { return *pane_; }
    const GraphSettings& Graph() const { return graph_; }
    const QString& CurrentFile() const { return Files().CurrentFile(); }
    QString StatusText() const { return status_->Text(); }
    QString LeftOutText() const { return status_->LeftOutText(); }
    // The full texts behind the status bar's short notices (the reason an autosave failed).
    QString StatusToolTip() const { return status_->NoticeToolTip(); }
    // The hint behind the connection status when no counter is found.
    QString LinkToolTip() const { return status_->LinkToolTip(); }
    const FileCommands& Files() const { return files_->Commands(); }
    TOKRightDlg& OKRightDlg() { return *settingsDialog_; }
    AlarmIndicator& AlarmState() { return *alarm_; }
    MqttCommand& Mqtt() { return *mqtt_; }
    QString MqttToolTip() const { return status_->MqttToolTip(); }
    // The summaries window; null until first shown.
    SummaryWindow* Summaries() const { return views_->Summaries(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    void BindMenus();
    void OnLiveReport(const MinuteStep& step, std::int32_t count, double now);
    void UpdateStatus();

    MainFormOptions options_;
    SampleLog samples_;
    LogSamples liveSamples_{samples_};
    GraphSettings graph_;
    DisplayModel display_;
    std::unique_ptr<LoggingSession> session_;
    WindowFiles* files_ = nullptr;
    ::ChartPane* pane_ = nullptr;
    ChartView* chart_ = nullptr;
    TOKRightDlg* settingsDialog_ = nullptr;
    Termination* termination_ = nullptr;
    std::unique_ptr<StatusLine> status_;
    AlarmIndicator* alarm_ = nullptr;
    AlarmCommand* alarmCommand_ = nullptr;
    MqttCommand* mqtt_ = nullptr;
    ViewCommands* views_ = nullptr;
    bool destroyed_ = false;
};
