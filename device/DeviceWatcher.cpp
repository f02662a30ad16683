#include "DeviceWatcher.h"

#include "HidBackend.h"

#include <QTimer>
#include <utility>

DeviceWatcher::DeviceWatcher(HidBackend& backend, std::function<void(int)> onChange,
                             QObject* parent)
    : QObject(parent), backend_(backend), onChange_(std::move(onChange)) {
    if (backend_.RaisesOwnNotices()) {
        source_ = Source::Backend;
        backend_.SetChangeHandler([this](int code) { Post(code); });
        return;
    }
    if (!StartPlatform()) {
        StartPoll();
    }
}

DeviceWatcher::~DeviceWatcher() {
    if (source_ == Source::Backend) {
        backend_.SetChangeHandler(nullptr);
    }
    StopPlatform();
}

void DeviceWatcher::Post(int eventCode) {
    // Like a window message: handled when the GUI thread next processes events, never inside
    // the code that raised it.
    QMetaObject::invokeMethod(
        this, [this, eventCode] { onChange_(eventCode); }, Qt::QueuedConnection);
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
