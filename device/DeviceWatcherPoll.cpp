// Device-change notices where the platform offers none that we use: the presence poll.
#include "DeviceWatcher.h"

bool DeviceWatcher::StartPlatform() {
    return false;
}

void DeviceWatcher::StopPlatform() {}

void DeviceWatcher::ReceiveUdev() {}
