#include "DevicePacket.h"

Transfer EncodeTransfer(const DevicePacket& packet) {
    Transfer t{};
    t[0] = packet.ReportId;
    for (int i = 0; i < 4; ++i) {
        t[size_t(1 + i)] = std::uint8_t(packet.Token >> (8 * i));
    }
    for (int k = 0; k < kPayloadSize; ++k) {
        t[size_t(k + 5)] = packet.Payload[size_t(k)];
    }
    return t;
}

DevicePacket DecodeTransfer(const Transfer& transfer) {
    DevicePacket p;
    p.ReportId = transfer[0];
    p.Token = std::uint32_t(transfer[1]) | std::uint32_t(transfer[2]) << 8 |
              std::uint32_t(transfer[3]) << 16 | std::uint32_t(transfer[4]) << 24;
    for (int k = 0; k < kPayloadSize; ++k) {
        p.Payload[size_t(k)] = transfer[size_t(k + 5)];
    }
    return p;
}
