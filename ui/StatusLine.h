#pragma once

#include <QString>
#include <QStringList>

class LoggingSession;
struct Sample;
class QLabel;
class QStatusBar;

// What the status bar says, in short texts that fit the default window width; the full story
// is in the tooltips.
struct StatusState {
    enum class Link { NotConnected, NotFound, Connected, Waiting };
    Link LinkState = Link::NotConnected;
    int Samples = 0;
    QString File;              // empty: no current file
    QString Folder;            // the folder of daily logs the record was read from, or empty
    int FolderFiles = 0;       // and how many of its files
    int DuplicateMinutes = 0;  // minutes of the folder's files left out as duplicates
    QString AutosaveError;     // empty: the last automatic save went well
    int UnreadableLines = 0;   // of the current file, while the automatic save leaves it alone
    int FirstUnreadableLine = 0;
    int FirstForeignLine = 0;  // of the current file, whose samples our writer would change
    QString KeptFile;          // where New or Open put samples that were in no file
    QString MissingFile;       // a recent log that was no longer there, taken off the list
    QString CopyOf;  // the recovery file another window writes, of which the log is a copy
    QString DiscardedRecovery;  // the opened recovery file that Save As made unneeded
    bool RecoveryAvailable = false;
    QStringList RecoveryFiles;    // what the recovery folder offers, one line each
    bool VirtualCounter = false;  // the link runs on the built-in virtual counter
};

// How the status bar names the state of the session's link.
StatusState::Link LinkStatusOf(const LoggingSession& session);

// The status bar's labels: connection, sample count, file, notices, the latest completed minute
// and a place for the alarm.
class StatusLine {
public:
    explicit StatusLine(QStatusBar* bar);

    void Show(const StatusState& state);
    // The latest completed minute: its counts and, from the eleventh minute on, its dose rate;
    // the tooltip says why the first ten minutes have none.
    void ShowReading(int cpm, double doseUsv);
    void ClearReading();
    // Says for a while that a minute the counter did not cover whole is not kept.
    void ShowLeftOut(const Sample& minute, int seconds);
    // What ShowLeftOut still shows; empty once it is gone.
    QString LeftOutText() const;

    // Publishing to a broker: its state, and the reason of the last failure as the tooltip;
    // an empty text hides it.
    void ShowMqtt(const QString& text, const QString& toolTip);
    QString MqttToolTip() const;

    // A label for the alarm, to the left of the notices.
    QLabel* AlarmLabel() const { return alarm_; }

    QString Text() const;
    QString NoticeToolTip() const;
    QString LinkToolTip() const;

private:
    QStatusBar* bar_;
    QLabel* link_;
    QLabel* count_;
    QLabel* file_;
    QLabel* reading_;
    QLabel* alarm_;
    QLabel* notice_;
    QLabel* mqtt_;
};
