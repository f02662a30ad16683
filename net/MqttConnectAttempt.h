#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;
struct mosquitto;

// One call of mosquitto_connect_async on a short-lived thread of its own. The call resolves the
// broker's host name through the system's resolver, which waits as long as a DNS server takes
// not to answer; everything after it (the socket, the handshake) never blocks. The host goes in
// as the name, so a TLS broker is still checked against that name.
// The thread touches only the handle it was given and this record. When the call returns, the
// owner takes the handle back on its own thread (a queued call on its receiver); an owner that
// gives up first abandons the attempt, and the thread then destroys the handle itself and
// touches nothing of the owner's. Nothing ever waits for the thread: it is detached, so a
// process may end while it is still in the resolver.
class MqttConnectAttempt {
    struct Private {};

public:
    struct Outcome {
        mosquitto* Handle = nullptr;  // the owner's from now on
        int Code = 0;                 // mosquitto_connect_async's result
        int Errno = 0;                // errno after it, which is the thread's own
        QString LastError;            // the library's last error log line during the call
    };

    // Starts the thread on mosq, a handle with none of the owner's callbacks set (its user data
    // and log callback become the attempt's until Take). Once the call returned, and unless the
    // attempt was abandoned by then, done is queued to receiver's thread. Returns nothing, and
    // destroys mosq, when no thread can be started.
    static std::shared_ptr<MqttConnectAttempt> Start(mosquitto* mosq, const QString& host, int port,
                                                     int keepAliveSeconds, QObject* receiver,
                                                     std::function<void()> done);

    // For Start alone: the tag is private.
    explicit MqttConnectAttempt(Private) {}

    // Whether the thread is still inside the call.
    bool Running() const;
    // The outcome, once the call returned, for the first caller; nothing while it runs or after
    // Abandon.
    std::optional<Outcome> Take();
    // The owner gives up: a handle not yet taken is destroyed, now or when the call returns,
    // and done is not queued from now on. Returns at once.
    void Abandon();

private:
    static void Run(std::shared_ptr<MqttConnectAttempt> self, mosquitto* mosq, QByteArray host,
                    int port, int keepAliveSeconds);
    static void Log(mosquitto*, void* self, int level, const char* text);

    mutable std::mutex mutex_;
    mosquitto* handle_ = nullptr;  // the handle once the call returned, until taken
    int code_ = 0;
    int errno_ = 0;
    QString lastError_;  // written by the thread inside the call only
    bool running_ = true;
    bool abandoned_ = false;
    QObject* receiver_ = nullptr;
    std::function<void()> done_;
};
