#pragma once

#include "HidBackend.h"

#include <atomic>
#include <cstdint>

class QString;
struct DevicePacket;

// The fragment of the counter's hardware id that every caller passes as the pattern.
inline constexpr char DeviceIdPattern[] = "Vid_04D8&Pid_F9F2";

// True when pattern occurs, in any letter case, in the first of the device's hardware ids.
bool MatchesPattern(const HidDeviceInfo& device, const QString& pattern);

// The connection to the counter: a connected flag and two handles, one for writing (GUI thread)
// and one for reading (reader thread). A device matches when the pattern occurs, in any letter
// case, in the first of its hardware-id strings; the first match in enumeration order is the
// only one tried.
class HidDevice {
public:
    explicit HidDevice(HidBackend& backend);

    // Opens the first matching device for writing, then for reading. Returns true and sets the
    // connected flag when both opens succeed; false when nothing matches or an open fails (a
    // write channel already open is closed again). While connected it returns true at once.
    bool OpenDevice(const QString& pattern);
    // True when a matching device is present; opens nothing, changes nothing.
    bool IsDevicePresent(const QString& pattern) const;
    // Clears the flag and closes both handles if connected; always resets the handles. Returns
    // true.
    bool CloseDevice();
    // Reader thread only. Reads one transfer into packet, waiting at most timeoutMs. Returns the
    // bytes read (65 for a whole transfer), or 0 when nothing was read: *failed is then true for
    // an error (no device open, unplugged) and false for a time-out. packet is left alone when
    // nothing was read.
    std::uint32_t ReadReport(DevicePacket& packet, int timeoutMs, bool* failed = nullptr);
    // Writes the packet as one 65-byte transfer. Returns the bytes written, 0 when it failed.
    std::uint32_t WriteReport(const DevicePacket& packet);

    bool Connected() const { return connected_; }
    HidHandle WriteHandle() const { return writeHandle_; }
    HidHandle ReadHandle() const { return readHandle_.load(); }

private:
    const HidDeviceInfo* FindFirstMatch(const std::vector<HidDeviceInfo>& devices,
                                        const QString& pattern) const;

    HidBackend& backend_;
    bool connected_ = false;
    HidHandle writeHandle_ = kInvalidHandle;
    // Replaced by the GUI thread in OpenDevice while the reader may be reading it.
    std::atomic<HidHandle> readHandle_{kInvalidHandle};
};
