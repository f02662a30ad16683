#pragma once

#include <QObject>
#include <functional>
#include <set>
#include <string>

class HidBackend;
class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

// Turns device-change notices into calls of onChange(eventCode) on the thread that created the
// watcher, always through its event loop. The notices come from the backend when it raises its
// own (the virtual counter); otherwise from libudev on Linux (hidraw add and remove), and from a
// one-second presence poll elsewhere or when udev cannot be used. On Windows a program with
// windows gets WM_DEVICECHANGE in its main window, which hands it to DeviceLink::WMDeviceChange
// itself (Source::Windows, the watcher stays idle); a console program has no top-level window
// to receive that broadcast and polls.
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
    // The platform's own notices; false when it has none here, and the watcher polls. One file
    // per platform defines these.
    bool StartPlatform();
    void StopPlatform();
    void ReceiveUdev();
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
};
