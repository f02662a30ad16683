#include "HidBackend.h"

#include <utility>

void HidBackend::SetChangeHandler(ChangeHandler handler) {
    std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
}

void HidBackend::RaiseDeviceChange(int eventCode) {
    ChangeHandler handler;
    {
        std::lock_guard lock(handlerMutex_);
        handler = handler_;
    }
    if (handler) {
        handler(eventCode);
    }
}
