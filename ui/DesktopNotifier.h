#pragma once

#include <QObject>
#include <QString>

class NotificationBus;
class QSystemTrayIcon;

// What the desktop is told: a summary line and a body. A critical notice may stay on screen
// until the user dismisses it.
struct DesktopNotice {
    QString Summary;
    QString Body;
    bool Critical = false;
};

// Delivers notices where the desktop shows them: the system tray's message where a tray exists
// (always on Windows), else the desktop's notification service on the D-Bus session bus, which
// desktops without a tray (stock GNOME) offer. Each notice replaces the one shown before it, so
// an alarm and its end do not pile up.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    // busAddress: the D-Bus bus to use where there is no tray; the session bus when empty.
    explicit DesktopNotifier(const QString& busAddress = {}, QObject* parent = nullptr);

    // Returns false when neither a tray nor a bus was there to take the notice.
    bool Show(const DesktopNotice& notice);

private:
    void ShowInTray(const DesktopNotice& notice);

    QString busAddress_;
    QSystemTrayIcon* tray_ = nullptr;
    NotificationBus* bus_ = nullptr;
};
