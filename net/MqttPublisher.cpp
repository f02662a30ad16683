#include "MqttPublisher.h"

#include "MqttConnectAttempt.h"
#include "MqttMessages.h"

#include <mosquitto.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

namespace {

constexpr int kTickMs = 200;

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString ErrorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    if (rc == MOSQ_ERR_EAI) {
        return QStringLiteral("host name not found");
    }
    return QString::fromUtf8(mosquitto_strerror(rc));
}

int Seconds(int ms) {
    return (ms + 999) / 1000;
}

}  // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, Notes notes, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), notes_(std::move(notes)) {
    InitLibrary();
    tick_ = new QTimer(this);
    tick_->setInterval(kTickMs);
    connect(tick_, &QTimer::timeout, this, &MqttPublisher::Pump);
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, &MqttPublisher::Connect);
    deadline_ = new QTimer(this);
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this,
            [this] { Fail(Failure::Network, DeadlineReason()); });
}

MqttPublisher::~MqttPublisher() {
    CloseSession();
}

void MqttPublisher::Start() {
    probe_ = false;
    retryMs_ = timing_.FirstRetryMs;
    Connect();
}

void MqttPublisher::Probe() {
    probe_ = true;
    Connect();
}

void MqttPublisher::Note(MqttEvent event) {
    if (notes_) {
        event.Host = settings_.Host;
        event.Port = settings_.Port;
        notes_(event);
    }
}

void MqttPublisher::SetState(State state) {
    if (state_ != state) {
        state_ = state;
        emit StateChanged();
    }
}

void MqttPublisher::Connect() {
    CloseSession();
    SetState(State::Connecting);
    if (attempt_ && attempt_->Running()) {
        // One lookup at a time: a resolver that never answers must not pile up threads.
        Fail(Failure::Network, QStringLiteral("previous host name lookup still running"));
        return;
    }
    attempt_.reset();
    // A client id of its own per process: the window and a station on one host must not
    // throw each other off the broker.
    const QByteArray clientId = QStringLiteral("solamine_%1_%2")
                                    .arg(settings_.StationId)
                                    .arg(QCoreApplication::applicationPid())
                                    .toUtf8();
    // No callbacks of ours yet: the handle spends the lookup on another thread (TakeConnection).
    mosq_ = mosquitto_new(clientId.constData(), true, nullptr);
    if (!mosq_) {
        Fail(Failure::Network, QStringLiteral("out of memory"));
        return;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!settings_.User.isEmpty()) {
        const QByteArray user = settings_.User.toUtf8();
        const QByteArray password = settings_.Password.toUtf8();
        mosquitto_username_pw_set(mosq_, user.constData(),
                                  settings_.Password.isEmpty() ? nullptr : password.constData());
    }
    if (!probe_) {
        const QByteArray willTopic = AvailabilityTopic(settings_).toUtf8();
        mosquitto_will_set(mosq_, willTopic.constData(), 7, "offline", 1, true);
    }
    if (settings_.Tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (settings_.CaFile.isEmpty()) {
            rc = mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            rc = mosquitto_tls_set(mosq_, QFile::encodeName(settings_.CaFile).constData(), nullptr,
                                   nullptr, nullptr, nullptr);
        }
        if (rc == MOSQ_ERR_NOT_SUPPORTED) {
            // The Windows build's client library is built without TLS.
            Fail(Failure::Tls, QStringLiteral("this build has no TLS; use mqtt://"));
            return;
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            Fail(Failure::Tls, QStringLiteral("cannot use the CA file %1 (%2)")
                                   .arg(settings_.CaFile, ErrorText(rc)));
            return;
        }
    }
    connackCode_ = -1;
    disconnected_ = false;
    lastError_.clear();
    // The deadline covers the lookup too; the call comes back by TakeConnection.
    attempt_ =
        MqttConnectAttempt::Start(std::exchange(mosq_, nullptr), settings_.Host, settings_.Port,
                                  timing_.KeepAliveSeconds, this, [this] { TakeConnection(); });
    if (!attempt_) {
        Fail(Failure::Network, QStringLiteral("no thread for the host name lookup"));
        return;
    }
    deadline_->start(timing_.ConnectTimeoutMs);
}

void MqttPublisher::TakeConnection() {
    std::optional<MqttConnectAttempt::Outcome> outcome;
    if (attempt_) {
        outcome = attempt_->Take();
    }
    if (!outcome) {
        return;  // queued by an attempt given up since, or already taken
    }
    attempt_.reset();
    mosq_ = outcome->Handle;
    lastError_ = outcome->LastError;
    mosquitto_user_data_set(mosq_, this);
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttPublisher::OnPublish);
    mosquitto_log_callback_set(mosq_, &MqttPublisher::OnLog);
    const int rc = outcome->Code;
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_CONN_PENDING) {
        errno = outcome->Errno;
        // A handshake can fail at once on a near broker; the library logged why.
        const bool tls = rc == MOSQ_ERR_TLS;
        Fail(tls ? Failure::Tls : Failure::Network,
             tls && !lastError_.isEmpty() ? lastError_ : ErrorText(rc));
        return;
    }
    const int fd = mosquitto_socket(mosq_);
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &MqttPublisher::Pump);
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &MqttPublisher::Pump);
    tick_->start();
}

QString MqttPublisher::DeadlineReason() const {
    return attempt_ ? QStringLiteral("host name lookup timed out") : QStringLiteral("no answer");
}

void MqttPublisher::Pump() {
    if (!mosq_) {
        return;
    }
    const int rc = mosquitto_loop(mosq_, 0, 1);
    const int savedErrno = errno;
    if (connackCode_ >= 0) {
        const int code = connackCode_;
        connackCode_ = -1;
        AfterConnect(code);
        if (!mosq_) {
            return;
        }
    }
    AfterLoop();
    if (rc != MOSQ_ERR_SUCCESS || disconnected_) {
        errno = savedErrno;
        const bool tls = rc == MOSQ_ERR_TLS || (rc == MOSQ_ERR_ERRNO && errno == EPROTO) ||
                         (lastError_.contains(QStringLiteral("SSL")) && state_ != State::Connected);
        QString reason = tls && !lastError_.isEmpty() ? lastError_
                         : rc != MOSQ_ERR_SUCCESS     ? ErrorText(rc)
                                                      : QStringLiteral("the broker closed it");
        Fail(tls ? Failure::Tls : Failure::Network, reason);
        return;
    }
    writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttPublisher::AfterConnect(int code) {
    if (code != 0) {
        Fail(Failure::Refused, QString::fromUtf8(mosquitto_connack_string(code)));
        return;
    }
    deadline_->stop();
    retryMs_ = timing_.FirstRetryMs;
    reason_.clear();
    failure_ = Failure::None;
    lastKind_ = MqttEvent::Kind::Connected;
    Note({});
    if (probe_) {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_write(mosq_, 1);
        Stop(0);
        emit ProbeFinished(Failure::None, {});
        return;
    }
    if (settings_.Discovery) {
        // A broker restarted without persistence has forgotten the retained configs; Home
        // Assistant says "online" here when it starts, and then gets them again.
        mosquitto_message_callback_set(mosq_, &MqttPublisher::OnMessage);
        const QByteArray status = StatusTopic(settings_).toUtf8();
        mosquitto_subscribe(mosq_, nullptr, status.constData(), 1);
    }
    Announce();
    SetState(State::Connected);
    SendNext();
}

// Everything retained that a subscriber arriving now should find.
void MqttPublisher::Announce() {
    Send(AvailabilityTopic(settings_), counter_ == CounterState::Stopped ? "offline" : "online");
    if (settings_.Discovery) {
        for (const MqttMessage& message : DiscoveryMessages(settings_)) {
            Send(message.Topic, message.Payload, message.Retain);
        }
    }
    Send(CounterTopic(settings_), counter_ == CounterState::Connected ? "ON" : "OFF");
    if (settings_.Alarm) {
        Send(AlarmTopic(settings_), alarm_ ? "ON" : "OFF");
    }
    if (newest_) {
        Send(StateTopic(settings_), MinuteJson(newest_->Record, newest_->UsvToday));
    }
}

int MqttPublisher::Send(const QString& topic, const QByteArray& payload, bool retain) {
    int mid = -1;
    const QByteArray name = topic.toUtf8();
    if (mosquitto_publish(mosq_, &mid, name.constData(), int(payload.size()), payload.constData(),
                          1, retain) != MOSQ_ERR_SUCCESS) {
        return -1;
    }
    return mid;
}

void MqttPublisher::SendNext() {
    if (state_ != State::Connected || inFlightMid_ >= 0 || queue_.empty()) {
        return;
    }
    const PublishedMinute& head = queue_.front();
    inFlightMid_ = Send(MinutesTopic(settings_), MinuteJson(head.Record, head.UsvToday), false);
    if (mosq_ && writeNotifier_) {
        writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
    }
}

// What the library's callbacks noted, acted on once its loop has returned: publishing from
// inside a callback takes the library's locks in the other order than its loop does.
void MqttPublisher::AfterLoop() {
    const std::vector<double> acknowledged = std::exchange(acknowledged_, {});
    for (const double time : acknowledged) {
        emit MinuteAcknowledged(time);
    }
    if (state_ != State::Connected || !mosq_) {
        return;
    }
    if (std::exchange(announce_, false)) {
        Announce();
    }
    SendNext();
}

void MqttPublisher::Publish(const PublishedMinute& minute) {
    newest_ = minute;
    if (state_ == State::Connected) {
        Send(StateTopic(settings_), MinuteJson(minute.Record, minute.UsvToday));
    }
    Replay(minute);
}

void MqttPublisher::Replay(const PublishedMinute& minute) {
    if (int(queue_.size()) >= kQueueLimit) {
        MqttEvent dropped;
        dropped.What = MqttEvent::Kind::Dropped;
        dropped.Waiting = int(queue_.size());
        dropped.DroppedTime = queue_.front().Record.Time;
        Note(dropped);
        queue_.pop_front();
        if (state_ == State::Connected && inFlightMid_ >= 0) {
            // The dropped head was on its way; its acknowledgement must not pop its successor.
            inFlightMid_ = -1;
        }
    }
    queue_.push_back(minute);
    SendNext();
    if (state_ != State::Connected) {
        emit StateChanged();
    }
}

void MqttPublisher::SetAlarm(bool raised) {
    alarm_ = raised;
    if (state_ == State::Connected) {
        Send(AlarmTopic(settings_), raised ? "ON" : "OFF");
    }
}

void MqttPublisher::SetCounter(CounterState state) {
    if (counter_ == state) {
        return;
    }
    const bool wasStopped = counter_ == CounterState::Stopped;
    counter_ = state;
    if (state_ != State::Connected) {
        return;
    }
    if (wasStopped != (state == CounterState::Stopped)) {
        Send(AvailabilityTopic(settings_), state == CounterState::Stopped ? "offline" : "online");
    }
    Send(CounterTopic(settings_), state == CounterState::Connected ? "ON" : "OFF");
}

void MqttPublisher::SetAlarmTopic(bool on) {
    if (settings_.Alarm == on) {
        return;
    }
    settings_.Alarm = on;
    if (state_ != State::Connected) {
        return;
    }
    // Without an alarm, its config goes out empty, which takes the entity away.
    if (settings_.Discovery) {
        for (const MqttMessage& message : DiscoveryMessages(settings_)) {
            Send(message.Topic, message.Payload, message.Retain);
        }
    }
    if (on) {
        Send(AlarmTopic(settings_), alarm_ ? "ON" : "OFF");
    }
}

void MqttPublisher::Fail(Failure kind, const QString& reason) {
    const bool wasConnected = state_ == State::Connected;
    CloseSession();
    reason_ = reason;
    failure_ = kind;
    if (probe_) {
        SetState(State::Stopped);
        emit ProbeFinished(kind, reason);
        return;
    }
    const int pause = kind == Failure::Network ? retryMs_ : timing_.LastRetryMs;
    MqttEvent failed;
    switch (kind) {
        case Failure::Network:
            failed.What = wasConnected ? MqttEvent::Kind::Lost : MqttEvent::Kind::Unreachable;
            break;
        case Failure::Refused:
            failed.What = MqttEvent::Kind::Refused;
            break;
        case Failure::Tls:
            failed.What = MqttEvent::Kind::TlsFailed;
            break;
        case Failure::None:
            break;
    }
    failed.Reason = reason;
    failed.NextTrySeconds = Seconds(pause);
    failed.Waiting = int(queue_.size());
    // At the slowest pace, the same failure again is not worth a line a minute.
    if (failed.What != lastKind_ || reason != lastReason_ || pause < timing_.LastRetryMs) {
        Note(failed);
    }
    lastKind_ = failed.What;
    lastReason_ = reason;
    retryMs_ = std::min(retryMs_ * 2, timing_.LastRetryMs);
    retry_->start(pause);
    SetState(State::Waiting);
}

void MqttPublisher::CloseSession() {
    tick_->stop();
    deadline_->stop();
    // Later: this may run inside a notifier's own signal.
    for (QSocketNotifier** notifier : {&readNotifier_, &writeNotifier_}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    if (mosq_) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
    // Never waited for: a lookup still inside the resolver destroys its handle when it returns.
    // The record stays, so that the next attempt knows whether that thread is still there.
    if (attempt_) {
        attempt_->Abandon();
    }
    // A fresh session sends the head of the queue again.
    inFlightMid_ = -1;
    offlineMid_ = -1;
}

int MqttPublisher::Stop(int timeoutMs) {
    retry_->stop();
    const QDeadlineTimer deadline(timeoutMs);
    if (mosq_ && state_ == State::Connected) {
        tick_->stop();
        offlineAcked_ = false;
        offlineMid_ = Send(AvailabilityTopic(settings_), "offline");
        // The minutes still waiting go out too while the time allows; each acknowledgement
        // sends the next.
        while (offlineMid_ >= 0 && !(offlineAcked_ && inFlightMid_ < 0) && !disconnected_ &&
               !deadline.hasExpired()) {
            if (mosquitto_loop(mosq_, int(std::min<qint64>(50, deadline.remainingTime())), 1) !=
                MOSQ_ERR_SUCCESS) {
                break;
            }
            AfterLoop();
        }
        if (!disconnected_) {
            mosquitto_disconnect(mosq_);
            while (mosquitto_want_write(mosq_) && !deadline.hasExpired() &&
                   mosquitto_loop_write(mosq_, 1) == MOSQ_ERR_SUCCESS) {
            }
        }
    }
    CloseSession();
    SetState(State::Stopped);
    const int dropped = int(queue_.size());
    queue_.clear();
    return dropped;
}

void MqttPublisher::OnConnect(mosquitto*, void* self, int code) {
    static_cast<MqttPublisher*>(self)->connackCode_ = code;
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int) {
    static_cast<MqttPublisher*>(self)->disconnected_ = true;
}

void MqttPublisher::OnPublish(mosquitto*, void* selfPointer, int mid) {
    auto* self = static_cast<MqttPublisher*>(selfPointer);
    if (mid == self->offlineMid_) {
        self->offlineAcked_ = true;
    } else if (mid == self->inFlightMid_) {
        self->inFlightMid_ = -1;
        self->acknowledged_.push_back(self->queue_.front().Record.Time);
        self->queue_.pop_front();
        ++self->published_;
    }
}

void MqttPublisher::OnMessage(mosquitto*, void* selfPointer, const mosquitto_message* message) {
    auto* self = static_cast<MqttPublisher*>(selfPointer);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    if (QString::fromUtf8(message->topic) == StatusTopic(self->settings_) && payload == "online") {
        self->announce_ = true;
    }
}

void MqttPublisher::OnLog(mosquitto*, void* self, int level, const char* text) {
    if (level & MOSQ_LOG_ERR) {
        static_cast<MqttPublisher*>(self)->lastError_ = QString::fromUtf8(text);
    }
}
