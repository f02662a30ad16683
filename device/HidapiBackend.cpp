#include "HidapiBackend.h"

#include <hidapi.h>
#ifdef __APPLE__
#include <hidapi_darwin.h>
#endif

#include <cstdio>
#include <set>

namespace {

// hid_init and hid_exit are process-wide; the last backend to go releases the library.
std::mutex libraryMutex;
int libraryUsers = 0;

hid_device* Device(HidHandle handle) {
    return reinterpret_cast<hid_device*>(handle);
}

}  // namespace

std::string HardwareIdText(unsigned short vendorId, unsigned short productId,
                           unsigned short release) {
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, "HID\\VID_%04X&PID_%04X&REV_%04X", vendorId,
                                productId, release);
    return std::string(buf, size_t(n));
}

HidapiBackend::HidapiBackend() {
    std::lock_guard lock(libraryMutex);
    if (libraryUsers++ == 0) {
        hid_init();
#ifdef __APPLE__
        // Without this the second open of the same device (the read channel) fails.
        hid_darwin_set_open_exclusive(0);
#endif
    }
}

HidapiBackend::~HidapiBackend() {
    std::lock_guard lock(libraryMutex);
    if (--libraryUsers == 0) {
        hid_exit();
    }
}

std::vector<HidDeviceInfo> HidapiBackend::Enumerate() {
    std::vector<HidDeviceInfo> devices;
    hid_device_info* list = hid_enumerate(0, 0);
    // Linux lists a device once per usage; the first entry of a path stands for it.
    std::set<std::string> seen;
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->path == nullptr || !seen.insert(d->path).second) {
            continue;
        }
        devices.push_back(
            {d->path, {HardwareIdText(d->vendor_id, d->product_id, d->release_number)}});
    }
    hid_free_enumeration(list);
    return devices;
}

HidHandle HidapiBackend::Open(const std::string& path) {
    return reinterpret_cast<HidHandle>(hid_open_path(path.c_str()));
}

int HidapiBackend::Read(HidHandle handle, std::span<std::uint8_t, 65> buffer, int timeoutMs) {
    if (handle == kInvalidHandle) {
        return -1;
    }
    buffer[0] = 0;
    const int n = hid_read_timeout(Device(handle), buffer.data() + 1, buffer.size() - 1, timeoutMs);
    return n <= 0 ? n : n + 1;
}

int HidapiBackend::Write(HidHandle handle, std::span<const std::uint8_t, 65> transfer) {
    if (handle == kInvalidHandle) {
        return -1;
    }
    return hid_write(Device(handle), transfer.data(), transfer.size());
}

void HidapiBackend::Close(HidHandle handle) {
    if (handle != kInvalidHandle) {
        hid_close(Device(handle));
    }
}

std::unique_ptr<HidBackend> MakeHidapiBackend() {
    return std::make_unique<HidapiBackend>();
}

QString HidLibraryVersion() {
    return QString::fromLatin1(hid_version_str());
}
