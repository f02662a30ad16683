#include "NotificationBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

// The packaged desktop entry and icon (packaging/solamine.desktop, solamine.svg).
const QString kDesktopEntry = QStringLiteral("solamine");

enum Urgency : uchar { Normal = 1, Critical = 2 };

QDBusConnection Bus(const QString& connection) {
    return connection.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(connection);
}

}  // namespace

NotificationBus::NotificationBus(const QString& address, QObject* parent) : QObject(parent) {
    if (!address.isEmpty()) {
        connection_ = QStringLiteral("solamine-notifications-%1").arg(quintptr(this), 0, 16);
        QDBusConnection::connectToBus(address, connection_);
    }
}

NotificationBus::~NotificationBus() {
    if (!connection_.isEmpty()) {
        QDBusConnection::disconnectFromBus(connection_);
    }
}

bool NotificationBus::Send(const QString& appName, const DesktopNotice& notice) {
    if (!Bus(connection_).isConnected()) {
        return false;
    }
    waiting_.emplace_back(appName, notice);
    SendNext();
    return true;
}

void NotificationBus::SendNext() {
    if (calling_ || waiting_.empty()) {
        return;
    }
    const auto [appName, notice] = std::move(waiting_.front());
    waiting_.pop_front();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The urgency must go as a byte: servers ignore it in any other type.
    const QVariantMap hints{{QStringLiteral("urgency"),
                             QVariant::fromValue(uchar(notice.Critical ? Critical : Normal))},
                            {QStringLiteral("desktop-entry"), kDesktopEntry}};
    call << appName << lastId_ << kDesktopEntry << notice.Summary << notice.Body << QStringList()
         << hints << qint32(-1);  // -1: the server's own time on screen
    auto* watcher = new QDBusPendingCallWatcher(Bus(connection_).asyncCall(call), this);
    calling_ = true;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        // Without an answer the next notice is shown beside the last instead of over it.
        if (!reply.isError()) {
            lastId_ = reply.value();
        }
        w->deleteLater();
        calling_ = false;
        SendNext();
    });
}
