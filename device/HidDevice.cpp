#include "HidDevice.h"

#include "DevicePacket.h"

#include <QString>

HidDevice::HidDevice(HidBackend& backend) : backend_(backend) {}

bool MatchesPattern(const HidDeviceInfo& device, const QString& pattern) {
    const QString id =
        device.HardwareIds.empty() ? QString() : QString::fromStdString(device.HardwareIds.front());
    // Case folding that ignores the user's locale: a Turkish "I" must still match "i".
    return id.contains(pattern, Qt::CaseInsensitive);
}

const HidDeviceInfo* HidDevice::FindFirstMatch(const std::vector<HidDeviceInfo>& devices,
                                               const QString& pattern) const {
    for (const HidDeviceInfo& device : devices) {
        if (MatchesPattern(device, pattern)) {
            return &device;
        }
    }
    return nullptr;
}

bool HidDevice::OpenDevice(const QString& pattern) {
    if (connected_) {
        return true;
    }
    writeHandle_ = kInvalidHandle;
    readHandle_.store(kInvalidHandle);
    const std::vector<HidDeviceInfo> devices = backend_.Enumerate();
    const HidDeviceInfo* device = FindFirstMatch(devices, pattern);
    if (device == nullptr) {
        return false;
    }
    writeHandle_ = backend_.Open(device->Path);
    if (writeHandle_ == kInvalidHandle) {
        return false;
    }
    const HidHandle read = backend_.Open(device->Path);
    if (read == kInvalidHandle) {
        backend_.Close(writeHandle_);
        writeHandle_ = kInvalidHandle;
        return false;
    }
    readHandle_.store(read);
    connected_ = true;
    return true;
}

bool HidDevice::IsDevicePresent(const QString& pattern) const {
    return FindFirstMatch(backend_.Enumerate(), pattern) != nullptr;
}

bool HidDevice::CloseDevice() {
    if (connected_) {
        connected_ = false;
        backend_.Close(writeHandle_);
        backend_.Close(readHandle_.load());
    }
    writeHandle_ = kInvalidHandle;
    readHandle_.store(kInvalidHandle);
    return true;
}

std::uint32_t HidDevice::ReadReport(DevicePacket& packet, int timeoutMs, bool* failed) {
    Transfer transfer{};
    const HidHandle handle = readHandle_.load();
    const int n = handle == kInvalidHandle ? -1 : backend_.Read(handle, transfer, timeoutMs);
    if (failed != nullptr) {
        *failed = n < 0;
    }
    if (n <= 0) {
        return 0;
    }
    packet = DecodeTransfer(transfer);
    return std::uint32_t(n);
}

std::uint32_t HidDevice::WriteReport(const DevicePacket& packet) {
    if (writeHandle_ == kInvalidHandle) {
        return 0;
    }
    const int n = backend_.Write(writeHandle_, EncodeTransfer(packet));
    return n < 0 ? 0 : std::uint32_t(n);
}
