// Device-change notices on Windows. WM_DEVICECHANGE is broadcast to every top-level window; the
// main window hands it to DeviceLink::WMDeviceChange, as its message map does. A console program
// has no top-level window to receive it, so it polls.
#include "DeviceWatcher.h"

#include <QCoreApplication>

bool DeviceWatcher::StartPlatform() {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !app->inherits("QGuiApplication")) {
        return false;
    }
    source_ = Source::Windows;
    return true;
}

void DeviceWatcher::StopPlatform() {}

void DeviceWatcher::ReceiveUdev() {}
