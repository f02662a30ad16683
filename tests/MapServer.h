#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <memory>

// A map service of the test's own on 127.0.0.1: HTTPS with a certificate openssl makes for the
// run (its file is what an uploader is told to trust), requests read by hand and answered as
// the test says. It can go down (the port refuses connections) and come back on the same port.
class MapServer : public QTcpServer {
public:
    struct Request {
        QByteArray Method;
        QUrl Url;  // path and query as sent
        QByteArray Body;
        QUrlQuery Query() const { return QUrlQuery(Url); }
        // A query item as the service decodes it: "%2B" is "+", a "+" a space.
        QString Item(const QString& key) const {
            QByteArray value;
            for (const QByteArray& pair : Url.query(QUrl::FullyEncoded).toLatin1().split('&')) {
                if (pair.startsWith(key.toLatin1() + '=')) {
                    value = pair.mid(key.size() + 1);
                }
            }
            return QUrl::fromPercentEncoding(value.replace('+', ' '));
        }
    };
    struct Reply {
        int Status = 200;
        QByteArray Body = "OK";
        bool Silent = false;  // read the request and never answer
    };
    using Answer = std::function<Reply(const Request&)>;

    MapServer() {
        ok_ = dir_.isValid() && MakeCertificate() && listen(QHostAddress::LocalHost);
        port_ = serverPort();
    }
    bool Ok() const { return ok_; }
    quint16 Port() const { return port_; }
    QString CaFile() const { return dir_.filePath("server.crt"); }
    QString Url(const QString& path) const {
        return QStringLiteral("https://127.0.0.1:%1%2").arg(port_).arg(path);
    }
    void SetAnswer(Answer answer) { answer_ = std::move(answer); }
    const QList<Request>& Requests() const { return requests_; }

    // Down: new connections are refused, those open are closed.
    void Down() {
        close();
        for (QSslSocket* socket : findChildren<QSslSocket*>()) {
            socket->abort();
        }
    }
    bool Up() { return listen(QHostAddress::LocalHost, port_); }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificate(certificate_);
        socket->setPrivateKey(key_);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            Serve(socket, *buffer);
        });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        socket->startServerEncryption();
    }

private:
    // Answers each whole request in buffer, keeping what follows.
    void Serve(QSslSocket* socket, QByteArray& buffer) {
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0) {
                return;
            }
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            const QList<QByteArray> first = lines.front().trimmed().split(' ');
            qsizetype length = 0;
            for (const QByteArray& line : lines) {
                if (line.toLower().startsWith("content-length:")) {
                    length = line.mid(15).trimmed().toLongLong();
                }
            }
            if (first.size() < 2 || buffer.size() < end + 4 + length) {
                return;
            }
            Request request{first[0], QUrl::fromEncoded(first[1]), buffer.mid(end + 4, length)};
            buffer.remove(0, end + 4 + length);
            requests_ << request;
            const Reply reply = answer_ ? answer_(request) : Reply{};
            if (reply.Silent) {
                continue;
            }
            socket->write("HTTP/1.1 " + QByteArray::number(reply.Status) +
                          " X\r\nContent-Type: text/plain\r\nContent-Length: " +
                          QByteArray::number(reply.Body.size()) + "\r\n\r\n" + reply.Body);
        }
    }

    bool MakeCertificate() {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(
            "openssl",
            {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
             "-keyout", dir_.filePath("server.key"), "-out", CaFile(), "-days", "2", "-subj",
             "/CN=solamine test map", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"});
        if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0) {
            return false;
        }
        QFile key(dir_.filePath("server.key"));
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(CaFile());
        if (certificates.isEmpty() || !key.open(QIODevice::ReadOnly)) {
            return false;
        }
        certificate_ = certificates.front();
        key_ = QSslKey(&key, QSsl::Ec);
        return !key_.isNull();
    }

    QTemporaryDir dir_;
    QSslCertificate certificate_;
    QSslKey key_;
    bool ok_ = false;
    quint16 port_ = 0;
    Answer answer_;
    QList<Request> requests_;
};
