#include "NotificationBus.h"

// This build has no D-Bus: the tray is the only place for notices.
NotificationBus::NotificationBus(const QString&, QObject* parent) : QObject(parent) {}

NotificationBus::~NotificationBus() = default;

bool NotificationBus::Send(const QString&, const DesktopNotice&) {
    return false;
}
