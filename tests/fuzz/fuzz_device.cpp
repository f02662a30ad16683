// Device transfers: any 65 bytes decode to a DevicePacket that encodes to the same bytes. A stream
// of such reports fed to live ingestion at times the input chooses builds one sample per run of
// reports in the same clock minute, holding their summed counts, and a full rebuild of that log
// draws what ingestion drew: the same CPM points and labels, the same log lines for the completed
// samples, and each completed sample's dose over the same ten samples.
//
// Input: 4 bytes start (seconds after 2000-01-01, little-endian), 2 bytes its milliseconds, 1 byte
// background; then per report 2 bytes clock step (signed seconds) and the 65-byte transfer.
#include "DateTime.h"
#include "DevicePacket.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "FuzzCheck.h"
#include "LiveIngestion.h"
#include "SampleLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::size_t kHeaderSize = 7;
constexpr std::size_t kStepSize = 2 + kTransferSize;

// A local clock reading the way the window takes one: a date and a time to the millisecond.
double ClockAt(std::int64_t msSince2000) {
    const double day = double(DateTime::DaysFromCivil(2000, 1, 1) + msSince2000 / kMsPerDay);
    const std::int64_t ms = msSince2000 % kMsPerDay;
    const DateTime::TimeOfDay time{int(ms / 3'600'000), int(ms / 60'000 % 60), int(ms / 1000 % 60),
                                   int(ms % 1000)};
    return DateTime::Encode(DateTime::Decode(day).date, time);
}

std::uint32_t Little(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) {
        return 0;
    }
    std::int64_t clockMs = std::int64_t(Little(data, 4)) * 1000 + Little(data + 4, 2) % 1000;
    GraphSettings settings;
    settings.GraphBackground = data[6];

    SampleLog log;
    DisplayModel live;
    live.SetLogVisible(true);
    std::vector<Sample> expected;
    for (std::size_t at = kHeaderSize; at + kStepSize <= size; at += kStepSize) {
        clockMs = std::max<std::int64_t>(0, clockMs + std::int16_t(Little(data + at, 2)) * 1000);
        Transfer transfer;
        std::memcpy(transfer.data(), data + at + 2, kTransferSize);
        const DevicePacket packet = DecodeTransfer(transfer);
        FUZZ_CHECK(EncodeTransfer(packet) == transfer);

        const auto& payload = packet.Payload;
        const double now = ClockAt(clockMs);
        HandleCountReport(payload, now, log, settings, live);
        const std::int32_t count = payload[kCountOffset] | payload[kCountOffset + 1] << 8;
        const double minute = DateTime::TruncateToMinute(now);
        if (expected.empty() || expected.back().Time != minute) {
            expected.push_back({minute, count});
        } else {
            expected.back().Cpm += count;
        }
    }
    FUZZ_CHECK(log.Samples() == expected);

    DisplayModel rebuilt;
    rebuilt.SetLogVisible(true);
    RebuildDisplay(log, settings, rebuilt);
    FUZZ_CHECK(rebuilt.CpmCount() == log.Count());
    FUZZ_CHECK(live.CpmValues() == rebuilt.CpmValues());
    FUZZ_CHECK(live.LabelledPoints(0, log.Count()) == rebuilt.LabelledPoints(0, log.Count()));
    for (const int point : rebuilt.LabelledPoints(0, log.Count())) {
        FUZZ_CHECK(live.LabelAt(point) == rebuilt.LabelAt(point));
    }

    // Ingestion completes a sample when the next one starts: all but the last have their line
    // and dose point. It draws a dose from the eleventh sample on, over the ten samples ending at
    // the completed one; the rebuild draws that same dose on the following sample.
    const int completed = std::max(log.Count() - 1, 0);
    FUZZ_CHECK(live.LogCount() == completed && live.DoseCount() == completed);
    for (int k = 0; k < completed; ++k) {
        const LogRecord& line = live.LogRecords()[size_t(k)];
        const LogRecord& rebuiltLine = rebuilt.LogRecords()[size_t(k)];
        FUZZ_CHECK(line.Time == rebuiltLine.Time && line.Cpm == rebuiltLine.Cpm);
        const double dose = live.DoseValues()[size_t(k)];
        if (k < 10) {
            FUZZ_CHECK(std::isnan(dose) && !line.HasDose());
        } else {
            FUZZ_CHECK(dose == rebuilt.DoseValues()[size_t(k + 1)]);
            FUZZ_CHECK(line.Dose == rebuilt.LogRecords()[size_t(k + 1)].Dose);
        }
    }
    return 0;
}
