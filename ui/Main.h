#pragma once

#include "DisplayModel.h"
#include "FileCommands.h"
#include "HidBackend.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class AlarmDialog;
class GoToDialog;
class AlarmIndicator;
class ChartPane;
class ChartView;
class DeviceLink;
class FileCommands;
class LinkKeeper;
class LogView;
class MqttCommand;
class MqttDialog;
class QAction;
class QCPGraph;
class QCustomPlot;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class RecoveryStore;
class SignalClose;
class StatusLine;
class SummaryWindow;
class TOKRightDlg;

// What the main window needs from outside; tests choose each part.
struct MainFormOptions {
    std::unique_ptr<HidBackend> Backend;                  // hidapi or the virtual counter
    QString IniPath;                                      // where the graph settings live
    std::function<double()> Now;                          // local time as a DateTime value
    std::unique_ptr<FileDialogs> Dialogs;                 // null: the real file dialogs
    std::function<bool(TOKRightDlg&)> RunSettingsDialog;  // null: modal exec
    std::function<void(const QString&, const QString&)> MessageBox;  // null: the real box
    QString RecoveryFolder;  // empty: "recovery" in the per-user data folder
    std::function<bool(AlarmDialog&)> RunAlarmDialog;  // null: modal exec
    std::function<bool(GoToDialog&)> RunGoToDialog;    // null: modal exec
    // The settings to start from while IniPath does not exist; empty: none.
    QString IniStartingPath;
    bool Simulated = false;  // Backend is the virtual counter of --simulate: the status bar says so
    std::function<bool(MqttDialog&)> RunMqttDialog;    // null: modal exec
    QString MqttPasswordPath;  // empty: "mqtt-password" in the per-user configuration folder
};

// The main window: owns all program state, carries the menus, runs start-up and shutdown.
class TMainForm : public QMainWindow {
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
    QMenu* File = nullptr;
    QAction* New = nullptr;
    QAction* Open = nullptr;
    QAction* Save = nullptr;
    QAction* SaveAs = nullptr;
    QAction* OpenRecovery = nullptr;  // shown while the recovery folder holds files
    QAction* SaveImage = nullptr;
    QAction* SaveSummary = nullptr;
    QAction* N2 = nullptr;
    QAction* Exit = nullptr;
    QMenu* Logger = nullptr;
    QAction* Start = nullptr;
    QAction* Stop = nullptr;
    QAction* N3 = nullptr;
    QAction* RedrawGraphs = nullptr;
    QMenu* View = nullptr;
    QAction* GoTo = nullptr;
    QAction* ShowSummary = nullptr;
    QMenu* Setting = nullptr;
    QAction* Hide = nullptr;
    QAction* Show = nullptr;
    QAction* N1 = nullptr;
    QAction* Set = nullptr;
    QAction* Alarm = nullptr;
    QAction* MqttSend = nullptr;
    QMenu* Help = nullptr;
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
    DeviceLink& Link() { return *link_; }
    const SampleLog& Samples() const { return samples_; }
    const DisplayModel& Display() const { return display_; }
    ChartView& ChartArea() { return *chart_; }
    ::ChartPane& ChartWithOverview() { return *pane_; }
    const GraphSettings& Graph() const { return graph_; }
    const QString& CurrentFile() const;
    QString StatusText() const;
    // The full texts behind the status bar's short notices (the reason an autosave failed).
    QString StatusToolTip() const;
    // The hint behind the connection status when no counter is found.
    QString LinkToolTip() const;
    const FileCommands& Files() const { return *files_; }
    TOKRightDlg& OKRightDlg() { return *settingsDialog_; }
    AlarmIndicator& AlarmState() { return *alarm_; }
    MqttCommand& Mqtt() { return *mqtt_; }
    QString MqttToolTip() const;
    // The summaries window; null until first shown.
    SummaryWindow* Summaries() const { return summary_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildLayout();
    void Bind(QAction* action, void (TMainForm::*handler)());
    void OnMeasurement(const std::uint8_t* payload);
    void RunFileCommand(const std::function<void()>& command);
    void AfterFileCommand();
    void UpdateStatus();
    void UpdateFileTimer();

    MainFormOptions options_;
    SampleLog samples_;
    GraphSettings graph_;
    DisplayModel display_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<RecoveryStore> recovery_;
    std::unique_ptr<LinkKeeper> keeper_;
    std::unique_ptr<FileCommands> files_;
    ::ChartPane* pane_ = nullptr;
    ChartView* chart_ = nullptr;
    TOKRightDlg* settingsDialog_ = nullptr;
    SignalClose* signalClose_ = nullptr;
    std::unique_ptr<StatusLine> status_;
    AlarmIndicator* alarm_ = nullptr;
    AlarmDialog* alarmDialog_ = nullptr;
    MqttCommand* mqtt_ = nullptr;
    MqttDialog* mqttDialog_ = nullptr;
    SummaryWindow* summary_ = nullptr;
    bool alarmChanged_ = false;  // the alarm dialog changed the settings: saved at the end
    QString autosaveError_;
    QString keptNotice_;              // where New or Open put samples that were in no file
    bool recoveryAvailable_ = false;  // the recovery folder held files at start
    QStringList recoveryFiles_;       // and these, one line each
    bool destroyed_ = false;
};
