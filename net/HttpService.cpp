#include "HttpService.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// The time and bytes a connection has taken over the request it is sending.
struct RequestClock : QTimer {
    using QTimer::QTimer;
    qint64 Sent = 0;
};

// A listening socket that keeps the number of connections and their idle time bounded, so that
// clients that open connections and say nothing cannot use up the process's files.
class BoundedTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor) || open_ >= HttpService::kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        ++open_;
        // An answer leaves in pieces of the socket's buffer; without this, each piece after the
        // first waits for the client's delayed acknowledgement, 40 ms on Linux.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QObject::destroyed, this, [this] { --open_; });
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->start(HttpService::kIdleMs);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::readyRead, idle, qOverload<>(&QTimer::start));
        connect(socket, &QTcpSocket::bytesWritten, idle, qOverload<>(&QTimer::start));
        BoundRequests(socket);
        addPendingConnection(socket);
    }

    // Every byte resets the idle timer, and Qt's server keeps a request's bytes until it is
    // whole, so a request that never ends, slowly or at once, is cut off here: from its first
    // byte it has kRequestMs and kMaxRequestBytes until its answer is written.
    static void BoundRequests(QTcpSocket* socket) {
        auto* request = new RequestClock(socket);
        request->setSingleShot(true);
        request->setInterval(HttpService::kRequestMs);
        connect(request, &QTimer::timeout, socket, &QTcpSocket::abort);
        // Connected before the server's own handler, so what is available is what just came.
        connect(socket, &QTcpSocket::readyRead, request, [socket, request] {
            if (!request->isActive()) {
                request->start();
            }
            request->Sent += socket->bytesAvailable();
            if (request->Sent > HttpService::kMaxRequestBytes) {
                // The server's handler is not to read a socket closed under it.
                disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
                socket->abort();
            }
        });
        // The answer begun is the request done; what a slow reader takes after is the idle
        // timer's. The count starts again once the answer is all out, so that reading an
        // answer a little at a time cannot keep a request going without bound.
        connect(socket, &QTcpSocket::bytesWritten, request, [socket, request] {
            request->stop();
            if (socket->bytesToWrite() == 0) {
                request->Sent = 0;
            }
        });
    }

private:
    int open_ = 0;
};

// A snapshot on its way to the service's thread.
class SnapshotEvent : public QEvent {
public:
    static inline const QEvent::Type kType = QEvent::Type(QEvent::registerEventType());

    explicit SnapshotEvent(const StationSnapshot& snapshot) : QEvent(kType), Snapshot(snapshot) {}

    const StationSnapshot Snapshot;
};

}  // namespace

void HttpService::Post(HttpService* service, const StationSnapshot& snapshot) {
    QCoreApplication::postEvent(service, new SnapshotEvent(snapshot));
}

bool HttpService::event(QEvent* event) {
    if (event->type() == SnapshotEvent::kType) {
        snapshot_ = static_cast<const SnapshotEvent*>(event)->Snapshot;
        return true;
    }
    return QAbstractHttpServer::event(event);
}

HttpService::HttpService(ApiSource source, QObject* parent)
    : QAbstractHttpServer(parent), source_(std::move(source)) {}

quint16 HttpService::Listen(const QHostAddress& address, quint16 port, QString* reason) {
    auto* server = new BoundedTcpServer(this);
    if (!server->listen(address, port)) {
        *reason = server->errorString();
        delete server;
        return 0;
    }
    bind(server);
    return server->serverPort();
}

bool HttpService::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QHttpServerRequest::Method method = request.method();
    const bool head = method == QHttpServerRequest::Method::Head;
    const HttpReply reply =
        Answer(request.url().path(), request.query(),
               head || method == QHttpServerRequest::Method::Get, snapshot_, source_,
               request.value("Accept-Language"));
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.Status));
    responder.writeHeader("Content-Type", reply.ContentType);
    responder.writeHeader("Content-Length", QByteArray::number(reply.Body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    // The page's language follows the browser's.
    responder.writeHeader("Vary", "Accept-Language");
    if (reply.Status == 405) {
        responder.writeHeader("Allow", "GET, HEAD");
    }
    responder.writeBody(head ? QByteArray() : reply.Body);
    return true;
}

void HttpService::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    // handleRequest answers everything; this is the library's fallback all the same.
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}
