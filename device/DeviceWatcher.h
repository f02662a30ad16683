#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <set>
#include <string>

class DeviceChangeFilter;
class HidBackend;
class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

// Turns device-change notices into calls of onChange(eventCode) on the thread that created the
// watcher, always through its event loop. The notices come from the backend when it raises its
// own (the virtual counter); otherwise from libudev on Linux (hidraw add and remove), from
// WM_DEVICECHANGE on Windows, and from a one-second presence poll elsewhere or when udev cannot
// be used.
class DeviceWatcher : public QObject {
    Q_OBJECT

public:
    enum class Source { Backend, Udev, Kernel, Windows, Poll };

    DeviceWatcher(HidBackend& backend, std::function<void(int eventCode)> onChange,
                  QObject* parent = nullptr);
    ~DeviceWatcher() override;

    // Where the notices come from.
    Source ActiveSource() const { return source_; }

private:
    void Post(int eventCode);
    bool StartUdev();
    void ReceiveUdev();
    void StartWindows();
    void StartPoll();
    void PollTick();

    HidBackend& backend_;
    std::function<void(int)> onChange_;
    Source source_ = Source::Poll;
    QTimer* poll_ = nullptr;
    std::set<std::string> presentPaths_;
    QSocketNotifier* notifier_ = nullptr;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<DeviceChangeFilter> windowsFilter_;
};
