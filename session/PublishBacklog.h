#pragma once

#include "DoseToday.h"
#include "FileError.h"
#include "LoggedMinutes.h"
#include "SampleDisplay.h"

#include <QObject>
#include <QString>
#include <optional>

class ReplayPublisher;
class QTimer;

// Keeps a publisher's place in a log across restarts. The minute the peer (a broker, a map)
// last acknowledged goes into a mark file beside the log (at once, at most once a second while a
// backlog streams, and at the end), and when the log is followed the minutes it holds after that
// mark, up to seven days back, go to the publisher again in order, each with its own time, before
// any live one. A minute acknowledged while the mark was not yet written (a crash) comes once more.
class PublishBacklog : public QObject {
    Q_OBJECT

public:
    // How far back a backlog goes.
    static constexpr double kMaxDays = 7;

    struct Followed {
        int Replayed = 0;                // minutes given to the publisher again
        DoseToday Today;                 // the dose since midnight of the day's minutes in the log
        std::optional<FileError> Error;  // the mark or the log could not be read: nothing replayed
    };

    // name: the publisher's short name in the mark file's name ("mqtt": FILE.mqtt.state);
    // stationId: whose history the mark keeps (another one in the file starts afresh).
    PublishBacklog(ReplayPublisher& publisher, QString stationId,
                   QString name = QStringLiteral("mqtt"), QObject* parent = nullptr);
    ~PublishBacklog() override;

    // From now on the mark belongs to the log at source: the minutes after its mark go to the
    // publisher. now is local time as a DateTime value.
    Followed Follow(const MinuteSource& source, const GraphSettings& settings, double now);
    // No log: acknowledgements are no longer marked anywhere.
    void Unfollow();
    // Writes a mark that waits; at the end.
    void Flush();
    const QString& MarkPath() const { return markPath_; }

signals:
    // The mark file could not be written; told once until a write succeeds again.
    void MarkFailed(const FileError& error);

private:
    void OnAcknowledged(double time);
    void Write();

    ReplayPublisher& publisher_;
    QString stationId_;
    QString name_;
    QString markPath_;
    double pending_ = 0;  // the newest acknowledged minute not yet in the file; 0: none
    bool failed_ = false;
    QTimer* pace_ = nullptr;
};
