// Device-change notices on Linux: libudev's monitor of hidraw nodes, read by the event loop.
#include "DeviceWatcher.h"

#include "HidBackend.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <cstring>

#include <libudev.h>

bool DeviceWatcher::StartPlatform() {
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    // Without a udev daemon the "udev" source stays silent; the kernel's still speaks.
    const bool daemon = QFileInfo::exists(QStringLiteral("/run/udev/control"));
    monitor_ = udev_monitor_new_from_netlink(udev_, daemon ? "udev" : "kernel");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0 || udev_monitor_get_fd(monitor_) < 0) {
        StopPlatform();
        return false;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReceiveUdev(); });
    source_ = daemon ? Source::Udev : Source::Kernel;
    return true;
}

void DeviceWatcher::StopPlatform() {
    delete notifier_;
    notifier_ = nullptr;
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
        udev_ = nullptr;
    }
}

void DeviceWatcher::ReceiveUdev() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) {
        return;
    }
    const char* action = udev_device_get_action(device);
    int code = kDevNodesChanged;
    if (action != nullptr && std::strcmp(action, "add") == 0) {
        code = kDeviceArrival;
    } else if (action != nullptr && std::strcmp(action, "remove") == 0) {
        code = kDeviceRemoveComplete;
    }
    udev_device_unref(device);
    Post(code);
}
