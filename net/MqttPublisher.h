#pragma once

#include "MqttSettings.h"
#include "Publisher.h"
#include "SampleDisplay.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MqttConnectAttempt;
class QSocketNotifier;
class QTimer;
struct mosquitto;
struct mosquitto_message;

// A change of the connection worth a line of its own: what happened, with which broker, and
// what follows. The window and the station word it each in its own language.
struct MqttEvent {
    enum class Kind {
        Connected,    // the broker took the login
        Lost,         // a connection ended; Reason says why
        Unreachable,  // no connection came about; Reason says why
        Refused,      // the broker refused the login; Reason is its answer
        TlsFailed,    // TLS could not be set up or the broker's certificate failed; Reason says why
        Dropped,      // minutes were waiting up to the limit: the oldest, of DroppedTime, went
    };
    Kind What = Kind::Connected;
    QString Host;
    int Port = 0;
    QString Reason;
    int NextTrySeconds = 0;  // after a failure: the pause before the next attempt
    int Waiting = 0;         // after a failure, and Dropped: the minutes waiting for the broker
    double DroppedTime = 0;  // Dropped: the dropped minute's start (a DateTime value)
};

// Publishes a station's minutes to an MQTT broker, driven by the event loop of the thread that
// owns it: the client library's socket sits in socket notifiers and every call returns at once,
// so a broker that is down, slow or refusing never holds up the caller, nor does a DNS server
// that does not answer (below). Two topics carry the minutes: "state", retained, only ever the
// newest live minute (what a dashboard shows now), and "minutes", every minute in order with its
// own time (what a history keeps). Minutes for "minutes" wait in order in memory while the
// broker is away, up to kQueueLimit (then the oldest go, with a note), and are sent one at a
// time when it is back. A minute leaves the queue once the broker acknowledged it
// (MinuteAcknowledged); a connection lost between the broker taking a minute and its
// acknowledgement sends that minute once more, so a subscriber can see a minute twice in a row,
// never out of order. Home Assistant's discovery configs, the availability, the counter and the
// alarm go out at each connection and again whenever Home Assistant says it came online.
// Reconnects after 1 s, doubling up to 60 s; a refused login or a failed TLS check retries at
// the slow pace.
// The one call that can block, the connect that resolves the broker's host name, runs on a
// short-lived thread (MqttConnectAttempt) within the attempt's time limit. A lookup still stuck
// then is left to end by itself ("host name lookup timed out"), and the next attempt waits until
// it has, so there is at most one such thread; neither Stop nor the destructor waits for it.
class MqttPublisher : public QObject, public ReplayPublisher {
    Q_OBJECT

public:
    using Notes = std::function<void(const MqttEvent& event)>;

    static constexpr int kQueueLimit = 7 * 24 * 60;

    struct Timing {
        int FirstRetryMs = 1000;
        int LastRetryMs = 60000;  // the longest pause, also the pace after a refusal
        int ConnectTimeoutMs = 10000;
        int KeepAliveSeconds = 60;
    };

    enum class State { Stopped, Connecting, Connected, Waiting };
    enum class Failure { None, Network, Refused, Tls };

    // notes hears each change: connected, lost, unreachable, refused, TLS failure, dropped; the
    // same failure again at the slowest pace only once.
    MqttPublisher(MqttSettings settings, Notes notes, QObject* parent = nullptr);
    ~MqttPublisher() override;

    void SetTiming(const Timing& timing) { timing_ = timing; }

    // Connects, and keeps connecting until Stop.
    void Start();
    // Connects once, without a will and without publishing anything, and says how it went by
    // ProbeFinished: a connection test.
    void Probe();
    // A live whole minute: "state" gets it at once (and again at every connection, until a
    // newer one comes), "minutes" once every minute queued before it was taken.
    void Publish(const PublishedMinute& minute) override;
    // A minute logged earlier that the broker has not acknowledged (a backlog read back from the
    // log): "minutes" only, before any live minute given later.
    void Replay(const PublishedMinute& minute) override;
    QMetaObject::Connection OnAcknowledged(QObject* context,
                                           std::function<void(double)> acknowledged) override {
        return connect(this, &MqttPublisher::MinuteAcknowledged, context, std::move(acknowledged));
    }
    // The alarm's state, published now and again at every connection.
    void SetAlarm(bool raised) override;
    // "online" while logging, "offline" once stopped; the counter topic follows the counter.
    void SetCounter(CounterState state) override;
    // Whether the station has an alarm: with one, its topic and its binary sensor's discovery
    // config are published, from now on; without, that config is cleared.
    void SetAlarmTopic(bool on);
    // Says "offline" when connected and waits up to timeoutMs for the broker to take it and
    // the minutes still waiting, then disconnects. Returns the minutes that were left, which
    // are dropped.
    int Stop(int timeoutMs) override;

    State CurrentState() const { return state_; }
    // Minutes not yet acknowledged by the broker.
    int Waiting() const { return int(queue_.size()); }
    // Why the last connection failed or ended; empty while none has.
    const QString& Reason() const { return reason_; }
    Failure LastFailure() const { return failure_; }
    // Minutes the broker acknowledged since Start.
    qint64 Published() const { return published_; }
    const MqttSettings& Settings() const { return settings_; }

signals:
    void StateChanged();
    // The broker acknowledged the minute of this time on "minutes"; the minutes before it were.
    void MinuteAcknowledged(double time);
    // Probe's outcome: Failure::None when the broker took the login; the reason otherwise.
    void ProbeFinished(MqttPublisher::Failure failure, const QString& reason);

private:
    void Connect();
    void TakeConnection();
    QString DeadlineReason() const;
    void Pump();
    void AfterConnect(int code);
    void SendNext();
    void Announce();
    void AfterLoop();
    int Send(const QString& topic, const QByteArray& payload, bool retain = true);
    void Fail(Failure kind, const QString& reason);
    void CloseSession();
    void SetState(State state);
    void Note(MqttEvent event);

    static void OnConnect(mosquitto*, void* self, int code);
    static void OnDisconnect(mosquitto*, void* self, int code);
    static void OnPublish(mosquitto*, void* self, int mid);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void OnLog(mosquitto*, void* self, int level, const char* text);

    MqttSettings settings_;
    Notes notes_;
    Timing timing_;
    State state_ = State::Stopped;
    std::deque<PublishedMinute> queue_;
    std::optional<PublishedMinute> newest_;  // the last live minute, what "state" shows
    CounterState counter_ = CounterState::Stopped;
    mosquitto* mosq_ = nullptr;
    // The lookup on its own thread, until its handle is taken; after it was abandoned, until
    // the next attempt finds that thread gone.
    std::shared_ptr<MqttConnectAttempt> attempt_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer* tick_ = nullptr;      // keep-alive and what the notifiers cannot see
    QTimer* retry_ = nullptr;     // the next connection attempt
    QTimer* deadline_ = nullptr;  // the connection attempt's time limit
    int retryMs_ = 0;
    int inFlightMid_ = -1;  // the message id of the queue's head, once sent
    int offlineMid_ = -1;
    bool offlineAcked_ = false;
    bool alarm_ = false;
    bool probe_ = false;
    // What the library reported inside its calls, handled once they returned.
    int connackCode_ = -1;
    bool disconnected_ = false;
    bool announce_ = false;             // Home Assistant came online
    std::vector<double> acknowledged_;  // minutes the broker acknowledged, told after the loop
    QString lastError_;                 // the library's last error log line (TLS reasons)
    QString reason_;
    Failure failure_ = Failure::None;
    // The last note's failure, so that the same one at the slowest pace is not repeated.
    MqttEvent::Kind lastKind_ = MqttEvent::Kind::Connected;
    QString lastReason_;
    qint64 published_ = 0;
};
