#pragma once

#include <arpa/inet.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <vector>

// Debian's mosquitto broker on 127.0.0.1, started by a test with a configuration of its own:
// one plain listener and one TLS listener (a certificate made by openssl for this run), a
// password file made with mosquitto_passwd, anonymous clients refused, sessions kept across a
// restart.

inline int FreeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

inline bool PortAnswers(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

class MqttBroker {
public:
    static constexpr char kUser[] = "station";
    static constexpr char kPassword[] = "s3cret-pass";

    // persistence false: a restart forgets every retained message and session.
    explicit MqttBroker(bool persistence = true)
        : port_(FreeTcpPort()), tlsPort_(FreeTcpPort()), persistence_(persistence) {
        while (tlsPort_ == port_) {
            tlsPort_ = FreeTcpPort();
        }
        ok_ = Run("mosquitto_passwd", {"-b", "-c", Path("passwords"), QString::fromLatin1(kUser),
                                       QString::fromLatin1(kPassword)}) &&
              MakeCertificates() && WriteConfig();
    }
    ~MqttBroker() { Stop(); }

    bool Ok() const { return ok_; }
    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString CaFile() const { return Path("ca.crt"); }
    QString OtherCaFile() const { return Path("other-ca.crt"); }
    qint64 ProcessId() const { return process_.processId(); }

    // Starts the broker and waits until both listeners answer. A port that another process
    // took since it was chosen is chosen afresh at the first start; later starts keep theirs.
    bool Start() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (StartOnce()) {
                started_ = true;
                return true;
            }
            Stop();
            if (started_) {
                return false;
            }
            port_ = FreeTcpPort();
            do {
                tlsPort_ = FreeTcpPort();
            } while (tlsPort_ == port_);
            if (!WriteConfig()) {
                return false;
            }
        }
        return false;
    }
    // Stops it as a service manager would; it saves its sessions.
    void Stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(5000);
        }
    }

private:
    bool StartOnce() {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start("mosquitto", {"-c", Path("mosquitto.conf")});
        if (!process_.waitForStarted(5000)) {
            return false;
        }
        const bool ended = QTest::qWaitFor(
            [this] {
                return process_.state() != QProcess::Running ||
                       (PortAnswers(port_) && PortAnswers(tlsPort_));
            },
            10000);
        return ended && process_.state() == QProcess::Running;
    }

    static bool Run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    bool MakeCertificates() {
        const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        auto selfSigned = [&](const QString& name) {
            return Run("openssl",
                       QStringList{"req", "-x509"} + ec +
                           QStringList{"-keyout", Path(name + ".key"), "-out", Path(name + ".crt"),
                                       "-days", "2", "-subj", "/CN=solamine test " + name});
        };
        QFile extensions(Path("server.ext"));
        return selfSigned("ca") && selfSigned("other-ca") &&
               Run("openssl", QStringList{"req"} + ec +
                                  QStringList{"-keyout", Path("server.key"), "-out",
                                              Path("server.csr"), "-subj", "/CN=localhost"}) &&
               extensions.open(QIODevice::WriteOnly) &&
               extensions.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") > 0 &&
               (extensions.close(), true) &&
               Run("openssl", {"x509", "-req", "-in", Path("server.csr"), "-CA", CaFile(), "-CAkey",
                               Path("ca.key"), "-CAcreateserial", "-out", Path("server.crt"),
                               "-days", "2", "-extfile", Path("server.ext")});
    }

    bool WriteConfig() {
        QFile config(Path("mosquitto.conf"));
        QByteArray text;
        if (::geteuid() == 0) {
            text += "user root\n";  // else it would drop to a user that cannot read this folder
        }
        text += "allow_anonymous false\npassword_file " + Path("passwords").toUtf8() +
                "\npersistence " + (persistence_ ? "true" : "false") + "\npersistence_location " +
                dir_.path().toUtf8() + "/\nlog_dest none\n";
        text += "listener " + QByteArray::number(port_) + " 127.0.0.1\n";
        text += "listener " + QByteArray::number(tlsPort_) + " 127.0.0.1\ncafile " +
                CaFile().toUtf8() + "\ncertfile " + Path("server.crt").toUtf8() + "\nkeyfile " +
                Path("server.key").toUtf8() + "\n";
        return config.open(QIODevice::WriteOnly) && config.write(text) == text.size();
    }

    QTemporaryDir dir_;
    int port_;
    int tlsPort_;
    bool persistence_ = true;
    bool ok_ = false;
    bool started_ = false;
    QProcess process_;
};

struct ReceivedMessage {
    QString Topic;
    QByteArray Payload;
    bool Retained = false;
};

// A subscriber on the same client library, driven by the test's event loop. With a client id
// it keeps its session on the broker (QoS 1), so it also gets what was published while it was
// away; it reconnects by itself.
class MqttSubscriber {
public:
    explicit MqttSubscriber(int port, const QString& topic = QStringLiteral("#"),
                            const QString& clientId = {}) {
        mosquitto_lib_init();
        const QByteArray id = clientId.toUtf8();
        mosq_ =
            mosquitto_new(clientId.isEmpty() ? nullptr : id.constData(), clientId.isEmpty(), this);
        mosquitto_username_pw_set(mosq_, MqttBroker::kUser, MqttBroker::kPassword);
        topic_ = topic.toUtf8();
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            auto* s = static_cast<MqttSubscriber*>(self);
            if (rc == 0) {
                mosquitto_subscribe(m, nullptr, s->topic_.constData(), 1);
            }
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<MqttSubscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(
            mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
                static_cast<MqttSubscriber*>(self)->messages_.push_back(
                    {QString::fromUtf8(m->topic),
                     QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
            });
        mosquitto_connect(mosq_, "127.0.0.1", port, 60);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (mosquitto_loop(mosq_, 0, 50) != MOSQ_ERR_SUCCESS) {
                subscribed_ = false;
                mosquitto_reconnect(mosq_);
            }
        });
        timer_.start(10);
    }
    ~MqttSubscriber() {
        timer_.stop();
        mosquitto_disconnect(mosq_);
        mosquitto_destroy(mosq_);
    }

    bool Subscribed() const { return subscribed_; }
    // Says something on topic, as another client would (QoS 1, not retained).
    void Publish(const QString& topic, const QByteArray& payload) {
        const QByteArray name = topic.toUtf8();
        mosquitto_publish(mosq_, nullptr, name.constData(), int(payload.size()),
                          payload.constData(), 1, false);
    }
    // Leaves cleanly, its acknowledgements sent; a kept session then collects what comes
    // meanwhile. Resume connects again.
    void Pause() {
        timer_.stop();
        mosquitto_disconnect(mosq_);
        const QDeadlineTimer deadline(5000);
        while (mosquitto_want_write(mosq_) && !deadline.hasExpired() &&
               mosquitto_loop_write(mosq_, 1) == MOSQ_ERR_SUCCESS) {
        }
        subscribed_ = false;
    }
    void Resume() {
        mosquitto_reconnect(mosq_);
        timer_.start(10);
    }
    const std::vector<ReceivedMessage>& Messages() const { return messages_; }
    std::vector<ReceivedMessage> On(const QString& topic) const {
        std::vector<ReceivedMessage> found;
        for (const ReceivedMessage& m : messages_) {
            if (m.Topic == topic) {
                found.push_back(m);
            }
        }
        return found;
    }

private:
    mosquitto* mosq_ = nullptr;
    QByteArray topic_;
    QTimer timer_;
    bool subscribed_ = false;
    std::vector<ReceivedMessage> messages_;
};
