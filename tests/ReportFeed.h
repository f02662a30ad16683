#pragma once

#include "DeviceLink.h"

#include <cstdint>

// Measurement reports handed to a link as its reader hands them over, each at a time the test
// sets, so that minutes can be driven faster than the clock.

inline constexpr double kSecond = 1 / 86'400.0;

// One report of count at time at; now is the clock the link's user reads.
inline void HandReport(DeviceLink& link, double& now, double at, std::uint16_t count) {
    now = at;
    DevicePacket packet;
    packet.Payload[6] = std::uint8_t(count);
    packet.Payload[7] = std::uint8_t(count >> 8);
    link.DispatchReport(packet);
}

// A report every second from `from` on, over the given minutes: the first of each minute with
// cpm, the rest 0, so that every minute counts cpm.
inline void HandMinutes(DeviceLink& link, double& now, double from, int minutes,
                        std::uint16_t cpm) {
    for (int i = 0; i < minutes * 60; ++i) {
        HandReport(link, now, from + i * kSecond, i % 60 == 0 ? cpm : 0);
    }
}
