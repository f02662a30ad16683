#pragma once

#include "DevicePacket.h"
#include "HidBackend.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <set>

// An in-process counter behind the HidBackend interface: one device with hardware id
// "HID\VID_04D8&PID_F9F2&REV_0100". It answers command 2 with its coefficient and background,
// command 1 with code 1, and stores the settings of command 3. Scripted, it sends reports only
// when told; free-running, it also sends a measurement report every second (Poisson counts,
// mean near 35 per minute). Unplug and Replug raise the device-change notices a real counter
// would. All members may be called from any thread.
class VirtualCounter final : public HidBackend {
public:
    enum class Mode { Scripted, FreeRunning };

    static constexpr const char* kPath = "virtual:counter";
    static constexpr const char* kHardwareId = "HID\\VID_04D8&PID_F9F2&REV_0100";

    explicit VirtualCounter(Mode mode = Mode::Scripted);

    std::vector<HidDeviceInfo> Enumerate() override;
    HidHandle Open(const std::string& path) override;
    int Read(HidHandle handle, std::span<std::uint8_t, 65> buffer, int timeoutMs) override;
    int Write(HidHandle handle, std::span<const std::uint8_t, 65> transfer) override;
    void Close(HidHandle handle) override;
    bool RaisesOwnNotices() const override { return true; }

    // Whether commands 1 and 2 are answered (true at start); a silent counter only listens.
    void SetAnswering(bool answering);
    // Answers carry this command code instead of the command's own; nothing restores it.
    void SetAnswerCode(std::optional<std::uint8_t> code);
    // Sends any transfer, e.g. a stray answer or a packet with a foreign token.
    void Send(const DevicePacket& packet);
    // Sends a measurement report: token 0, count in payload bytes 6-7.
    void SendCount(std::uint16_t count);
    // Unplugged: gone from Enumerate, open handles fail, unread transfers are lost. With
    // handlesFail false the handles keep working for now, as when the removal is announced
    // before the device node goes.
    void Unplug(bool handlesFail = true);
    // Present again; handles opened before the unplug stay dead.
    void Replug();
    // Present but every Open fails, as for a device node this user may not open.
    void SetOpenFails(bool fails);

    // The counter's own settings (158 and 0 at start).
    void SetSettings(std::uint16_t coefficient, std::uint16_t background);
    std::uint16_t Coefficient() const;
    std::uint16_t Background() const;
    // Every transfer written to the counter, oldest first.
    std::vector<Transfer> Written() const;
    // Transfers sent but not yet read.
    int Pending() const;
    // Handles open now.
    int OpenHandles() const;
    // True while a Read is waiting for a transfer.
    bool ReadWaiting() const;
    // How often a handle was closed while a Read on it was still waiting (a host fault).
    int ClosedWhileReading() const;

private:
    void Answer(const DevicePacket& command);  // mutex held
    void PushLocked(const DevicePacket& packet);

    const Mode mode_;
    mutable std::mutex mutex_;
    std::condition_variable readable_;
    bool present_ = true;
    bool openFails_ = false;
    bool answering_ = true;
    std::optional<std::uint8_t> answerCode_;
    std::uint16_t coefficient_ = 158;
    std::uint16_t background_ = 0;
    std::deque<Transfer> input_;
    std::vector<Transfer> written_;
    std::set<HidHandle> open_;
    HidHandle nextHandle_ = 1;
    HidHandle reading_ = kInvalidHandle;
    int closedWhileReading_ = 0;
    std::chrono::steady_clock::time_point nextReport_;
    std::mt19937 random_;
    std::poisson_distribution<int> counts_;
};
