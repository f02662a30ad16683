#pragma once

#include "DesktopNotifier.h"

#include <QObject>
#include <QString>
#include <deque>
#include <utility>

// The freedesktop notification service (org.freedesktop.Notifications) on a D-Bus bus, where
// the build has Qt D-Bus (NotificationBusDBus); elsewhere nothing is sent (NotificationBusNone).
// Calls never wait for the service: its answers arrive through the event loop.
class NotificationBus : public QObject {
public:
    // address: the bus to connect to; the session bus when empty.
    explicit NotificationBus(const QString& address, QObject* parent = nullptr);
    ~NotificationBus() override;

    // Sends notice from appName, replacing the notification this sent last. Returns false when
    // there is no bus to send to.
    bool Send(const QString& appName, const DesktopNotice& notice);

private:
    void SendNext();

    QString connection_;  // the connection's name; empty for the session bus
    // Notices wait for the service's answer to the one before, whose id they replace.
    std::deque<std::pair<QString, DesktopNotice>> waiting_;
    bool calling_ = false;
    uint lastId_ = 0;
};
