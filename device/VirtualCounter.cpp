#include "VirtualCounter.h"

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReportInterval = std::chrono::seconds(1);

void PutU16(DevicePacket& packet, int at, std::uint16_t value) {
    packet.Payload[size_t(at)] = std::uint8_t(value & 0xFF);
    packet.Payload[size_t(at + 1)] = std::uint8_t(value >> 8);
}

std::uint16_t GetU16(const DevicePacket& packet, int at) {
    return std::uint16_t(packet.Payload[size_t(at)] | packet.Payload[size_t(at + 1)] << 8);
}

DevicePacket CountReport(std::uint16_t count) {
    DevicePacket report;
    PutU16(report, 6, count);
    return report;
}

}  // namespace

VirtualCounter::VirtualCounter(Mode mode)
    : mode_(mode),
      nextReport_(Clock::now() + kReportInterval),
      random_(std::random_device{}()),
      counts_(35.0 / 60.0) {}

std::vector<HidDeviceInfo> VirtualCounter::Enumerate() {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return {};
    }
    return {{kPath, {kHardwareId}}};
}

HidHandle VirtualCounter::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (!present_ || openFails_ || path != kPath) {
        return kInvalidHandle;
    }
    const HidHandle handle = nextHandle_++;
    open_.insert(handle);
    return handle;
}

int VirtualCounter::Read(HidHandle handle, std::span<std::uint8_t, 65> buffer, int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!open_.contains(handle)) {
            return -1;
        }
        if (!input_.empty()) {
            std::copy(input_.front().begin(), input_.front().end(), buffer.begin());
            input_.pop_front();
            return kTransferSize;
        }
        const auto now = Clock::now();
        if (mode_ == Mode::FreeRunning && now >= nextReport_) {
            PushLocked(CountReport(std::uint16_t(counts_(random_))));
            // A counter nobody reads does not pile up a backlog of reports.
            nextReport_ = std::max(nextReport_ + kReportInterval, now);
            continue;
        }
        if (now >= deadline) {
            return 0;
        }
        auto wakeAt = deadline;
        if (mode_ == Mode::FreeRunning) {
            wakeAt = std::min(wakeAt, nextReport_);
        }
        reading_ = handle;
        readable_.wait_until(lock, wakeAt);
        reading_ = kInvalidHandle;
    }
}

int VirtualCounter::Write(HidHandle handle, std::span<const std::uint8_t, 65> transfer) {
    std::lock_guard lock(mutex_);
    if (!open_.contains(handle)) {
        return -1;
    }
    Transfer copy;
    std::copy(transfer.begin(), transfer.end(), copy.begin());
    written_.push_back(copy);
    Answer(DecodeTransfer(copy));
    return kTransferSize;
}

void VirtualCounter::Answer(const DevicePacket& command) {
    const std::uint8_t code = command.Payload[0];
    if (code == 3) {
        coefficient_ = GetU16(command, 3);
        background_ = GetU16(command, 5);
        return;
    }
    if (!answering_ || (code != 1 && code != 2)) {
        return;
    }
    DevicePacket answer;
    answer.Token = command.Token;
    answer.Payload[0] = answerCode_.value_or(code);
    if (code == 2) {
        PutU16(answer, 3, coefficient_);
        PutU16(answer, 5, background_);
    }
    PushLocked(answer);
}

void VirtualCounter::Close(HidHandle handle) {
    std::lock_guard lock(mutex_);
    if (handle != kInvalidHandle && handle == reading_) {
        ++closedWhileReading_;
    }
    open_.erase(handle);
    readable_.notify_all();
}

void VirtualCounter::SetAnswering(bool answering) {
    std::lock_guard lock(mutex_);
    answering_ = answering;
}

void VirtualCounter::SetAnswerCode(std::optional<std::uint8_t> code) {
    std::lock_guard lock(mutex_);
    answerCode_ = code;
}

void VirtualCounter::PushLocked(const DevicePacket& packet) {
    input_.push_back(EncodeTransfer(packet));
    readable_.notify_all();
}

void VirtualCounter::Send(const DevicePacket& packet) {
    std::lock_guard lock(mutex_);
    if (present_) {
        PushLocked(packet);
    }
}

void VirtualCounter::SendCount(std::uint16_t count) {
    Send(CountReport(count));
}

void VirtualCounter::Unplug(bool handlesFail) {
    {
        std::lock_guard lock(mutex_);
        present_ = false;
        if (handlesFail) {
            open_.clear();
            input_.clear();
            readable_.notify_all();
        }
    }
    RaiseDeviceChange(kDeviceRemoveComplete);
}

void VirtualCounter::Replug() {
    {
        std::lock_guard lock(mutex_);
        present_ = true;
    }
    RaiseDeviceChange(kDeviceArrival);
}

void VirtualCounter::SetOpenFails(bool fails) {
    std::lock_guard lock(mutex_);
    openFails_ = fails;
}

void VirtualCounter::SetSettings(std::uint16_t coefficient, std::uint16_t background) {
    std::lock_guard lock(mutex_);
    coefficient_ = coefficient;
    background_ = background;
}

std::uint16_t VirtualCounter::Coefficient() const {
    std::lock_guard lock(mutex_);
    return coefficient_;
}

std::uint16_t VirtualCounter::Background() const {
    std::lock_guard lock(mutex_);
    return background_;
}

std::vector<Transfer> VirtualCounter::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

int VirtualCounter::Pending() const {
    std::lock_guard lock(mutex_);
    return int(input_.size());
}

int VirtualCounter::OpenHandles() const {
    std::lock_guard lock(mutex_);
    return int(open_.size());
}

bool VirtualCounter::ReadWaiting() const {
    std::lock_guard lock(mutex_);
    return reading_ != kInvalidHandle;
}

int VirtualCounter::ClosedWhileReading() const {
    std::lock_guard lock(mutex_);
    return closedWhileReading_;
}

std::unique_ptr<HidBackend> MakeSimulatedBackend() {
    return std::make_unique<VirtualCounter>(VirtualCounter::Mode::FreeRunning);
}
