#include "MqttConnectAttempt.h"

#include <mosquitto.h>
#include <QMetaObject>
#include <QObject>
#include <cerrno>
#include <system_error>
#include <thread>

std::shared_ptr<MqttConnectAttempt> MqttConnectAttempt::Start(mosquitto* mosq, const QString& host,
                                                              int port, int keepAliveSeconds,
                                                              QObject* receiver,
                                                              std::function<void()> done) {
    auto attempt = std::make_shared<MqttConnectAttempt>(Private{});
    attempt->receiver_ = receiver;
    attempt->done_ = std::move(done);
    // The record outlives the handle: the thread holds it until the handle is taken or destroyed.
    mosquitto_user_data_set(mosq, attempt.get());
    mosquitto_log_callback_set(mosq, &MqttConnectAttempt::Log);
    try {
        std::thread(&MqttConnectAttempt::Run, attempt, mosq, host.toUtf8(), port, keepAliveSeconds)
            .detach();
    } catch (const std::system_error&) {
        mosquitto_destroy(mosq);
        return nullptr;
    }
    return attempt;
}

void MqttConnectAttempt::Run(std::shared_ptr<MqttConnectAttempt> self, mosquitto* mosq,
                             QByteArray host, int port, int keepAliveSeconds) {
    const int code = mosquitto_connect_async(mosq, host.constData(), port, keepAliveSeconds);
    const int error = errno;
    const std::lock_guard lock(self->mutex_);
    self->running_ = false;
    if (self->abandoned_) {
        mosquitto_destroy(mosq);
        return;
    }
    self->handle_ = mosq;
    self->code_ = code;
    self->errno_ = error;
    // Queued under the lock: an owner abandoning meanwhile waits for this, so its receiver is
    // still there; a receiver destroyed later drops the queued call with it.
    QMetaObject::invokeMethod(self->receiver_, self->done_, Qt::QueuedConnection);
}

void MqttConnectAttempt::Log(mosquitto*, void* self, int level, const char* text) {
    if (level & MOSQ_LOG_ERR) {
        static_cast<MqttConnectAttempt*>(self)->lastError_ = QString::fromUtf8(text);
    }
}

bool MqttConnectAttempt::Running() const {
    const std::lock_guard lock(mutex_);
    return running_;
}

std::optional<MqttConnectAttempt::Outcome> MqttConnectAttempt::Take() {
    const std::lock_guard lock(mutex_);
    if (running_ || abandoned_ || !handle_) {
        return std::nullopt;
    }
    Outcome outcome{handle_, code_, errno_, lastError_};
    handle_ = nullptr;
    mosquitto_log_callback_set(outcome.Handle, nullptr);
    mosquitto_user_data_set(outcome.Handle, nullptr);
    return outcome;
}

void MqttConnectAttempt::Abandon() {
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
    if (handle_) {
        mosquitto_destroy(handle_);
        handle_ = nullptr;
    }
}
