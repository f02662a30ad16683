#pragma once

#include "MapEvent.h"
#include "MapSettings.h"
#include "Publisher.h"
#include "SampleDisplay.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QSslConfiguration;
class QTimer;

// Uploads a station's minutes to one public map, driven by the event loop of the thread that
// owns it: requests go through Qt's network access (host names looked up and answers awaited
// asynchronously, TLS checked against the system's CAs and the one given), so a map that is
// down, slow or unknown to the DNS never holds up the caller.
//
// What a reading is and when it goes depends on the service:
// - radmon: every minute is a reading, stamped with the minute's end (with EveryMinutes above
//   1, the mean of each interval as Safecast's). Readings go in order, each once the last was
//   answered, so the ones waiting (an outage, the log's backlog) go as fast as the service takes
//   them; "too soon" doubles the pause between them, up to a minute. The live reading waits
//   behind them only while that keeps it within a minute of its arrival: then it goes first,
//   and the backlog goes on after it.
// - Safecast: one reading per EveryMinutes, aligned to the clock: the mean of the interval's
//   minutes, stamped with the interval's end; waiting ones go as radmon's.
// - GMC: it takes no time, so only the latest goes, every EveryMinutes, with the mean since the
//   previous upload and its dose rate; nothing waits for it.
// A reading the service took is acknowledged (MinuteAcknowledged with its last minute) once
// every reading before it was taken too, so that a mark of it never skips one. A failure worth
// retrying (no connection, no answer within the time limit, a server error) tries the same
// reading again after 1 s, doubling up to a minute; a refusal that will not change (a wrong
// password or key, an unknown account or counter) stops this service until the next start.
// What a test of an upload sends: the reading of the latest whole minute, stamped with its end,
// or without one a sample of kSampleCpm for the last minute before now (local DateTime values).
inline constexpr int kSampleCpm = 20;
MapReading MapTestReading(const std::optional<LogRecord>& latest, double now,
                          const GraphSettings& graph);

class MapUploader : public QObject, public ReplayPublisher {
    Q_OBJECT

public:
    using Notes = std::function<void(const MapEvent& event)>;

    // A week of minutes.
    static constexpr int kQueueLimit = 7 * 24 * 60;

    // caFile: a CA certificate file (PEM) trusted besides the system's; empty: none.
    MapUploader(MapUpload upload, QString caFile, GraphSettings graph, Notes notes,
                QObject* parent = nullptr);
    ~MapUploader() override;

    void SetTiming(const MapTiming& timing) {
        timing_ = timing;
        retryMs_ = timing.FirstRetryMs;
    }
    // Whether the CA file can be used: it holds at least one certificate.
    static bool CanUseCaFile(const QString& path);

    void Publish(const PublishedMinute& minute) override;
    void Replay(const PublishedMinute& minute) override;
    void SetAlarm(bool) override {}
    void SetCounter(CounterState) override {}
    // Gives a request on its way up to timeoutMs to be answered, then drops it and the readings
    // still waiting (they stay in the log, whence the next start sends them). Returns how many.
    int Stop(int timeoutMs) override;
    // Sends reading once, at once, and says what the service answered (ProbeFinished), on a
    // fresh uploader given no minutes: a test of the address and the login, which are not
    // stopped by a refusal nor retried. It ends the uploader.
    void Probe(const MapReading& reading);
    QMetaObject::Connection OnAcknowledged(QObject* context,
                                           std::function<void(double)> acknowledged) override {
        return connect(this, &MapUploader::MinuteAcknowledged, context, std::move(acknowledged));
    }

    MapService Service() const { return upload_.Service; }
    // Readings waiting to be sent.
    int Waiting() const { return int(queue_.size()); }
    // Stopped by a refusal.
    bool Refused() const { return refused_; }
    // Readings the service took since the start.
    qint64 Sent() const { return sent_; }
    // The pause between waiting readings, grown by "too soon" answers.
    int GapMs() const { return gapMs_; }

signals:
    void StateChanged();
    // The service took the reading of this minute and every one before it.
    void MinuteAcknowledged(double time);
    // Probe's answer.
    void ProbeFinished(const MapAnswer& answer);

private:
    struct Entry {
        MapReading Reading;
        double Last = 0;  // the reading's last minute (its start), what acknowledging it marks
        bool Live = false;
        bool Taken = false;
        qint64 QueuedMs = 0;  // when it was queued, on clock_
        // GMC: what the reading's mean covers.
        double SumCpm = 0;
        double SumNet = 0;
        int Minutes = 0;
    };

    void Take(const PublishedMinute& minute, bool live);
    void TakeGmc(const PublishedMinute& minute);
    void GmcReading(Entry& entry) const;
    void CloseInterval(bool live);
    void Queue(Entry entry);
    void SendNext();
    void Finished(QNetworkReply* reply);
    void Answered(const MapAnswer& answer);
    void Retry(int pauseMs, const MapAnswer& answer, MapEvent::Kind kind);
    void Acknowledge();
    void Note(MapEvent event);
    QString Scrubbed(QString text) const;

    MapUpload upload_;
    GraphSettings graph_;
    Notes notes_;
    MapTiming timing_;
    QNetworkAccessManager* network_ = nullptr;
    QElapsedTimer clock_;
    QTimer* pace_ = nullptr;     // the pause before the next request
    QTimer* timeout_ = nullptr;  // the request's time limit
    QNetworkReply* reply_ = nullptr;
    std::deque<Entry> queue_;
    Entry* inFlight_ = nullptr;         // an element of queue_ (a deque keeps it in place)
    QString inFlightUrl_;               // masked
    QSslConfiguration* tls_ = nullptr;  // with the extra CA; null: Qt's default
    // radmon, Safecast: the interval being filled.
    std::optional<qint64> interval_;  // its number: minutes since the epoch / EveryMinutes
    double intervalSum_ = 0;
    int intervalMinutes_ = 0;
    double intervalLast_ = 0;
    // GMC: the minutes since the reading last taken, the latest, and those since the last
    // reading was due.
    LogRecord gmcLatest_;
    double gmcSum_ = 0;
    double gmcNet_ = 0;
    int gmcMinutes_ = 0;
    int gmcSinceRequest_ = 0;
    int retryMs_ = 0;
    int gapMs_ = 0;
    bool failing_ = false;
    bool slowNoted_ = false;
    bool timedOut_ = false;
    QString lastReason_;
    bool refused_ = false;
    bool stopped_ = false;
    bool probing_ = false;
    bool droppedNoted_ = false;
    qint64 sent_ = 0;
};
