#pragma once

#include "HidBackend.h"

#include <QString>

// Real HID devices through hidapi. The counter's reports are unnumbered, so Read puts report ID 0
// in front of the 64 data bytes hidapi returns; Write sends the 65 bytes as they are.
class HidapiBackend final : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;

    // Each device's one hardware id is "HID\VID_xxxx&PID_xxxx&REV_xxxx" (hexadecimal, capitals).
    std::vector<HidDeviceInfo> Enumerate() override;
    HidHandle Open(const std::string& path) override;
    int Read(HidHandle handle, std::span<std::uint8_t, 65> buffer, int timeoutMs) override;
    int Write(HidHandle handle, std::span<const std::uint8_t, 65> transfer) override;
    void Close(HidHandle handle) override;
};

// "HID\VID_%04X&PID_%04X&REV_%04X" of the three numbers.
std::string HardwareIdText(unsigned short vendorId, unsigned short productId,
                           unsigned short release);

// The version of the hidapi library the program runs with, as "0.13.1".
QString HidLibraryVersion();
