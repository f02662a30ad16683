#include "DeviceLink.h"

#include "DeviceWatcher.h"
#include "HidBackend.h"
#include "HidDevice.h"
#include "ReaderThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QString>
#include <chrono>
#include <thread>
#include <utility>

namespace {

// Each transfer the reader hands over, for looking into a counter's traffic; off unless asked
// for with QT_LOGGING_RULES="solamine.device.debug=true".
Q_LOGGING_CATEGORY(TransferLog, "solamine.device", QtInfoMsg)

QString Pattern() {
    return QString::fromLatin1(DeviceIdPattern);
}

std::uint64_t UptimeMs() {
    // The steady clock counts from system start on the platforms we build for.
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::uint16_t PayloadU16(const DevicePacket& packet, int at) {
    return std::uint16_t(packet.Payload[size_t(at)] | packet.Payload[size_t(at + 1)] << 8);
}

void PutPayloadU16(DevicePacket& packet, int at, std::uint16_t value) {
    packet.Payload[size_t(at)] = std::uint8_t(value & 0xFF);
    packet.Payload[size_t(at + 1)] = std::uint8_t(value >> 8);
}

}  // namespace

std::uint32_t SessionTokenFromUptime(std::uint64_t uptimeMs) {
    const auto token = std::uint32_t(uptimeMs);
    return token == 0 ? 1 : token;
}

DeviceLink::DeviceLink(std::unique_ptr<HidBackend> backend,
                       std::function<void(const DevicePacket&)> onMeasurement, QObject* parent)
    : QObject(parent),
      backend_(std::move(backend)),
      device_(std::make_unique<HidDevice>(*backend_)),
      onMeasurement_(std::move(onMeasurement)),
      sessionToken_(SessionTokenFromUptime(UptimeMs())),
      reader_(std::make_unique<ReaderThread>([this](ReaderThread& t) { ReaderRun(t); })),
      watcher_(
          std::make_unique<DeviceWatcher>(*backend_, [this](int code) { WMDeviceChange(code); })) {
    connect(reader_.get(), &ReaderThread::StateChanged, this, &DeviceLink::StateChanged);
}

DeviceLink::~DeviceLink() {
    // Whoever listens may be half destroyed by now.
    blockSignals(true);
    watcher_.reset();
    reader_->TerminateAndWaitFor();
    // The backend goes with the link, so its handles are released here; nothing is sent.
    device_->CloseDevice();
}

bool DeviceLink::Connected() const {
    return device_->Connected();
}

bool DeviceLink::ReaderActive() const {
    return reader_->Active();
}

void DeviceLink::SetQuitting() {
    quitting_ = true;
}

bool DeviceLink::CounterPresent() const {
    return device_->IsDevicePresent(Pattern());
}

bool DeviceLink::ReadsFailing() const {
    const HidHandle failed = failedRead_.load();
    return device_->Connected() && failed != kInvalidHandle && failed == device_->ReadHandle();
}

void DeviceLink::ReaderRun(ReaderThread& thread) {
    while (!thread.Terminated()) {
        const HidHandle handle = device_->ReadHandle();
        bool failed = false;
        // A failed read holds no report, so only transfers actually read are handed over.
        if (device_->ReadReport(receivedPacket_, kReadTimeoutMs, &failed) != 0) {
            failedRead_.store(kInvalidHandle);
            thread.Synchronize([this] { DispatchReport(receivedPacket_); });
        } else if (failed && handle != kInvalidHandle) {
            failedRead_.store(handle);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kReaderPauseMs));
    }
}

void DeviceLink::DispatchReport(const DevicePacket& packet) {
    if (packet.Token == sessionToken_) {
        qCDebug(TransferLog, "answer with code %d", packet.Payload[0]);
        responseQueue_.push_back(packet);
        return;
    }
    if (packet.Token != 0) {
        qCDebug(TransferLog, "transfer with token %u dropped", packet.Token);
        return;
    }
    if (onMeasurement_) {
        onMeasurement_(packet);
    }
    qCDebug(TransferLog, "measurement report taken");
}

DevicePacket DeviceLink::Command(std::uint8_t code) const {
    DevicePacket command;
    command.Token = sessionToken_;
    command.Payload[0] = code;
    return command;
}

std::optional<DevicePacket> DeviceLink::AwaitAnswer(std::uint8_t code) {
    ++waitDepth_;
    QElapsedTimer waited;
    waited.start();
    while (responseQueue_.empty() && device_->Connected() && !quitting_ &&
           !QCoreApplication::closingDown() &&
           (answerTimeoutMs_ == 0 || waited.elapsed() < answerTimeoutMs_)) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    --waitDepth_;
    if (responseQueue_.empty()) {
        return std::nullopt;
    }
    const DevicePacket answer = responseQueue_.front();
    responseQueue_.pop_front();
    if (answer.Token != sessionToken_ || answer.Payload[0] != code) {
        return std::nullopt;
    }
    return answer;
}

bool DeviceLink::StartClick() {
    if (!device_->Connected() && device_->OpenDevice(Pattern())) {
        emit StateChanged();
    }
    if (!reader_->Active()) {
        reader_->Start();
    }
    if (!device_->Connected()) {
        return false;
    }
    DevicePacket command = Command(2);
    command.Payload[1] = 0;
    command.Payload[2] = 7;
    device_->WriteReport(command);
    const auto answer = AwaitAnswer(2);
    if (!answer) {
        return false;
    }
    DeviceCoefficient = PayloadU16(*answer, 3);
    DeviceBackground = PayloadU16(*answer, 5);
    emit DeviceSettingsRead();
    return true;
}

void DeviceLink::StopClick() {
    // Running rather than Stopped: a Stop nested inside another Stop's wait (a device-change
    // notice) must also wait for the reader's end before the read handle is closed.
    if (reader_->Running()) {
        reader_->TerminateAndWaitFor();
    }
    failedRead_.store(kInvalidHandle);
    const bool wasConnected = device_->Connected();
    device_->CloseDevice();
    if (wasConnected) {
        emit StateChanged();
    }
}

void DeviceLink::WMDeviceChange(int eventCode) {
    if (eventCode != kDevNodesChanged && eventCode != kDeviceArrival &&
        eventCode != kDeviceRemoveComplete) {
        return;
    }
    // The flag first: it is free, the presence test enumerates every HID device.
    if (device_->Connected() && !device_->IsDevicePresent(Pattern())) {
        StopClick();
    }
    emit DeviceChanged(eventCode);
}

bool DeviceLink::WriteDeviceSettings() {
    if (!device_->Connected()) {
        return false;
    }
    device_->WriteReport(Command(1));
    if (!AwaitAnswer(1)) {
        return false;
    }
    DevicePacket command = Command(3);
    command.Payload[1] = 2;
    command.Payload[2] = 4;
    PutPayloadU16(command, 3, DeviceCoefficient);
    PutPayloadU16(command, 5, DeviceBackground);
    device_->WriteReport(command);
    return true;
}
