#include "DeviceWatcher.h"

#include "HidBackend.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cstring>
#include <utility>

#ifdef Q_OS_LINUX
#include <libudev.h>
#endif

#ifdef Q_OS_WIN
#include <windows.h>

#include <QAbstractNativeEventFilter>

// WM_DEVICECHANGE reaches every top-level window; the application-wide filter sees it for all.
class DeviceChangeFilter : public QAbstractNativeEventFilter {
public:
    explicit DeviceChangeFilter(std::function<void(int)> onChange)
        : onChange_(std::move(onChange)) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType == "windows_generic_MSG") {
            const MSG* msg = static_cast<const MSG*>(message);
            if (msg->message == WM_DEVICECHANGE) {
                onChange_(int(msg->wParam));
            }
        }
        return false;
    }

private:
    std::function<void(int)> onChange_;
};
#else
class DeviceChangeFilter {};
#endif

DeviceWatcher::DeviceWatcher(HidBackend& backend, std::function<void(int)> onChange,
                             QObject* parent)
    : QObject(parent), backend_(backend), onChange_(std::move(onChange)) {
    if (backend_.RaisesOwnNotices()) {
        source_ = Source::Backend;
        backend_.SetChangeHandler([this](int code) { Post(code); });
        return;
    }
#if defined(Q_OS_WIN)
    StartWindows();
#else
    if (!StartUdev()) {
        StartPoll();
    }
#endif
}

DeviceWatcher::~DeviceWatcher() {
    if (source_ == Source::Backend) {
        backend_.SetChangeHandler(nullptr);
    }
#ifdef Q_OS_WIN
    if (windowsFilter_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(windowsFilter_.get());
    }
#endif
#ifdef Q_OS_LINUX
    delete notifier_;
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
#endif
}

void DeviceWatcher::Post(int eventCode) {
    // Like a window message: handled when the GUI thread next processes events, never inside
    // the code that raised it.
    QMetaObject::invokeMethod(
        this, [this, eventCode] { onChange_(eventCode); }, Qt::QueuedConnection);
}

bool DeviceWatcher::StartUdev() {
#ifdef Q_OS_LINUX
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
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
        udev_unref(udev_);
        udev_ = nullptr;
        return false;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReceiveUdev(); });
    source_ = daemon ? Source::Udev : Source::Kernel;
    return true;
#else
    return false;
#endif
}

void DeviceWatcher::ReceiveUdev() {
#ifdef Q_OS_LINUX
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
#endif
}

void DeviceWatcher::StartWindows() {
#ifdef Q_OS_WIN
    windowsFilter_ = std::make_unique<DeviceChangeFilter>([this](int code) { Post(code); });
    QCoreApplication::instance()->installNativeEventFilter(windowsFilter_.get());
    source_ = Source::Windows;
#endif
}

void DeviceWatcher::StartPoll() {
    source_ = Source::Poll;
    for (const HidDeviceInfo& device : backend_.Enumerate()) {
        presentPaths_.insert(device.Path);
    }
    poll_ = new QTimer(this);
    poll_->setInterval(1000);
    connect(poll_, &QTimer::timeout, this, [this] { PollTick(); });
    poll_->start();
}

void DeviceWatcher::PollTick() {
    std::set<std::string> now;
    for (const HidDeviceInfo& device : backend_.Enumerate()) {
        now.insert(device.Path);
    }
    bool removed = false;
    bool added = false;
    for (const std::string& path : presentPaths_) {
        removed = removed || !now.contains(path);
    }
    for (const std::string& path : now) {
        added = added || !presentPaths_.contains(path);
    }
    presentPaths_ = std::move(now);
    if (removed) {
        Post(kDeviceRemoveComplete);
    }
    if (added) {
        Post(kDeviceArrival);
    }
}
