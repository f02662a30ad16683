#pragma once

#include "DevicePacket.h"
#include "HidBackend.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class DeviceWatcher;
class HidDevice;
class ReaderThread;

// The session token from a millisecond uptime: its low 32 bits, but 1 instead of 0, because a
// token of 0 would make every measurement report look like an answer.
std::uint32_t SessionTokenFromUptime(std::uint64_t uptimeMs);

// The link to the counter as the main window drives it: the HidDevice, the reader thread, the
// queue of answers and the command exchange. Everything runs on the GUI thread except the
// reader's reads. Nothing here fails loudly: a missing counter, a missing or wrong answer or a
// failed write passes silently, and callers look at Connected().
class DeviceLink : public QObject {
    Q_OBJECT

public:
    // Reads made by the reader thread wait at most this long, so Stop never hangs on a silent
    // counter.
    static constexpr int kReadTimeoutMs = 100;
    // The reader's pause after every read.
    static constexpr int kReaderPauseMs = 50;

    // onMeasurement is called on the GUI thread, inside DispatchReport, for every token-0 packet.
    DeviceLink(std::unique_ptr<HidBackend> backend,
               std::function<void(const DevicePacket&)> onMeasurement, QObject* parent = nullptr);
    // Stops the reader (running its hand-overs meanwhile) and closes the handles; nothing is
    // written to the counter.
    ~DeviceLink() override;

    // Opens the counter unless connected, starts the reader unless it is active (also when the
    // open failed), then reads the counter's settings with command 2 into DeviceCoefficient and
    // DeviceBackground. Waits for the answer while processing events. Returns true when a valid
    // answer was stored.
    bool StartClick();
    // Stops the reader, waiting for its end, then closes the counter. Sends nothing.
    void StopClick();
    // For event codes 7, 0x8000 and 0x8004: runs StopClick when the link is connected and the
    // counter is no longer present, then emits DeviceChanged. Other codes are ignored.
    void WMDeviceChange(int eventCode);
    // While connected: command 1, and after a valid answer command 3 with DeviceCoefficient and
    // DeviceBackground. Waits for the first answer while processing events. Returns true when
    // command 3 was sent.
    bool WriteDeviceSettings();

    // Sorts one transfer: the session token to the answer queue, token 0 to onMeasurement,
    // anything else dropped. Called on the GUI thread by the reader's hand-over.
    void DispatchReport(const DevicePacket& packet);

    // The HidDevice's connected flag.
    bool Connected() const;
    // True while the reader runs and was not asked to stop.
    bool ReaderActive() const;
    std::uint32_t SessionToken() const { return sessionToken_; }
    // Answers queued and not yet taken by a command.
    int QueuedAnswers() const { return int(responseQueue_.size()); }
    // True while a command waits for its answer.
    bool Waiting() const { return waitDepth_ > 0; }
    // True when a matching counter is present (opens nothing).
    bool CounterPresent() const;
    // True while connected and the reader's latest read on the open counter failed: the
    // counter went away without a notice, or came back so fast that the notice found it
    // present although the open handles are dead.
    bool ReadsFailing() const;

    // An answer is awaited at most this long; 0 (the default) waits until an answer comes or
    // the link closes.
    void SetAnswerTimeout(int milliseconds) { answerTimeoutMs_ = milliseconds; }

    // Ends any answer wait at once and every later one too (the application is closing).
    void SetQuitting();

    HidBackend& Backend() { return *backend_; }
    HidDevice& Device() { return *device_; }
    const ReaderThread& Reader() const { return *reader_; }

    // The counter's own settings (0 until the first valid answer to command 2).
    std::uint16_t DeviceCoefficient = 0;
    std::uint16_t DeviceBackground = 0;

signals:
    // The connected flag or the reader's state changed.
    void StateChanged();
    // A device-change notice was handled (after the counter's removal stopped the link).
    void DeviceChanged(int eventCode);
    // The handshake read the counter's own settings into DeviceCoefficient and DeviceBackground.
    void DeviceSettingsRead();

private:
    void ReaderRun(ReaderThread& thread);
    DevicePacket Command(std::uint8_t code) const;
    // Waits until an answer is queued, the link closes or the application quits; then takes the
    // oldest answer and returns it when it carries the token and code.
    std::optional<DevicePacket> AwaitAnswer(std::uint8_t code);

    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<HidDevice> device_;
    std::function<void(const DevicePacket&)> onMeasurement_;
    const std::uint32_t sessionToken_;
    std::deque<DevicePacket> responseQueue_;
    // Written by the reader between hand-overs, read by DispatchReport during one.
    DevicePacket receivedPacket_;
    bool quitting_ = false;
    int waitDepth_ = 0;
    int answerTimeoutMs_ = 0;
    // The read handle whose latest read failed; set by the reader, cleared by a good read and
    // by StopClick once the reader has ended.
    std::atomic<HidHandle> failedRead_{kInvalidHandle};
    std::unique_ptr<ReaderThread> reader_;
    std::unique_ptr<DeviceWatcher> watcher_;
};
