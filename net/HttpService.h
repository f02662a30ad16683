#pragma once

#include "HttpApi.h"
#include "StationSnapshot.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QString>

// The station's HTTP server: Qt's HTTP server answering every request by Answer (HttpApi),
// from the last snapshot it was given. Lives on a thread of its own (HttpPublisher), so the
// file reads of a request never hold up the logging. Connections are bounded: at most
// kMaxConnections at once (more are closed at once), one that sends nothing for kIdleMs is
// closed, and so is one whose request is not answered within kRequestMs of its first byte or
// that sends more than kMaxRequestBytes before its answer.
class HttpService : public QAbstractHttpServer {
    Q_OBJECT

public:
    static constexpr int kMaxConnections = 256;
    static constexpr int kIdleMs = 60'000;
    static constexpr int kRequestMs = 10'000;
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;

    explicit HttpService(ApiSource source, QObject* parent = nullptr);

    // Listens on address and port (0: any free port). Returns the port, or 0 and sets reason.
    quint16 Listen(const QHostAddress& address, quint16 port, QString* reason);
    void SetSnapshot(const StationSnapshot& snapshot) { snapshot_ = snapshot; }
    // Hands a snapshot to the service from another thread: the event carries the copy, and the
    // service's thread takes it and deletes the event, so nothing is shared or freed across.
    static void Post(HttpService* service, const StationSnapshot& snapshot);

protected:
    bool event(QEvent* event) override;
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    ApiSource source_;
    StationSnapshot snapshot_;
};
