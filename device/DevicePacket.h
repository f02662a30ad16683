#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// One 65-byte HID transfer: byte 0 the report ID, bytes 1-4 the token little-endian, bytes
// 5-64 the payload. Payload byte k of the packet is transfer byte k + 5.
constexpr int kTransferSize = 65;
constexpr int kPayloadSize = 60;

using Transfer = std::array<std::uint8_t, kTransferSize>;

struct DevicePacket {
    std::uint8_t ReportId = 0;
    std::array<std::uint8_t, kPayloadSize> Payload{};
    std::uint32_t Token = 0;

    friend bool operator==(const DevicePacket&, const DevicePacket&) = default;
};

// The wire form of a packet.
Transfer EncodeTransfer(const DevicePacket& packet);
// The packet of a transfer; all 65 bytes are read.
DevicePacket DecodeTransfer(const Transfer& transfer);
