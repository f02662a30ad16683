#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// An open channel to one HID device; kInvalidHandle when nothing is open.
using HidHandle = std::intptr_t;
constexpr HidHandle kInvalidHandle = 0;

// One present HID device interface: its path and its hardware-id strings, most specific first.
struct HidDeviceInfo {
    std::string Path;
    std::vector<std::string> HardwareIds;
};

// Device-change event codes, the same values on every platform.
constexpr int kDevNodesChanged = 0x0007;
constexpr int kDeviceArrival = 0x8000;
constexpr int kDeviceRemoveComplete = 0x8004;

// The small interface between HidDevice and a HID library (or the virtual counter). Read runs on
// the reader thread while the other calls run on the GUI thread, so implementations must allow
// one Read concurrently with the rest.
class HidBackend {
public:
    using ChangeHandler = std::function<void(int eventCode)>;

    virtual ~HidBackend() = default;

    // The present HID devices in the library's own order, each path once.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // Opens one channel to path; returns kInvalidHandle when the open fails.
    virtual HidHandle Open(const std::string& path) = 0;
    // Reads one transfer into buffer, waiting at most timeoutMs. Returns the bytes read (65 for a
    // whole transfer, byte 0 the report ID), 0 on time-out, -1 on error (bad handle, unplugged).
    virtual int Read(HidHandle handle, std::span<std::uint8_t, 65> buffer, int timeoutMs) = 0;
    // Writes one 65-byte transfer; returns the bytes written, or -1 on error.
    virtual int Write(HidHandle handle, std::span<const std::uint8_t, 65> transfer) = 0;
    // Closes a handle from Open; kInvalidHandle is ignored.
    virtual void Close(HidHandle handle) = 0;

    // True when this backend raises device-change notices itself, so no system source is needed.
    virtual bool RaisesOwnNotices() const { return false; }

    // The handler receives every notice the backend raises, on the raising thread.
    void SetChangeHandler(ChangeHandler handler);

protected:
    void RaiseDeviceChange(int eventCode);

private:
    std::mutex handlerMutex_;
    ChangeHandler handler_;
};

// Real counters through hidapi.
std::unique_ptr<HidBackend> MakeHidapiBackend();
// A virtual counter that sends a measurement report every second and answers commands.
std::unique_ptr<HidBackend> MakeSimulatedBackend();
