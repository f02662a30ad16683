#include "DesktopNotifier.h"

#include "NotificationBus.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QSystemTrayIcon>

DesktopNotifier::DesktopNotifier(const QString& busAddress, QObject* parent)
    : QObject(parent), busAddress_(busAddress) {}

bool DesktopNotifier::Show(const DesktopNotice& notice) {
    // Asked each time: a tray may come or go while the program runs.
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        ShowInTray(notice);
        return true;
    }
    if (!bus_) {
        bus_ = new NotificationBus(busAddress_, this);
    }
    return bus_->Send(tr("ソラミネ"), notice);
}

void DesktopNotifier::ShowInTray(const DesktopNotice& notice) {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(this);
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull()) {
            icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        }
        tray_->setIcon(icon);
        tray_->setToolTip(tr("ソラミネ"));
        tray_->show();
    }
    // The tray shows one message at a time: a new one takes the place of the last.
    tray_->showMessage(notice.Summary, notice.Body,
                       notice.Critical ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}
