#include "DevicePacket.h"
#include "HidDevice.h"
#include "HidapiBackend.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QTest>

namespace {

// Devices with chosen hardware ids; remembers every open and close, and can fail one open.
class FakeBackend final : public HidBackend {
public:
    std::vector<HidDeviceInfo> devices;
    int failOpenNumber = 0;  // 1-based number of the Open call that fails; 0: none
    QStringList opened;
    std::vector<HidHandle> closed;

    std::vector<HidDeviceInfo> Enumerate() override { return devices; }
    HidHandle Open(const std::string& path) override {
        opened << QString::fromStdString(path);
        return opened.size() == failOpenNumber ? kInvalidHandle : HidHandle(opened.size());
    }
    int Read(HidHandle, std::span<std::uint8_t, 65>, int) override { return -1; }
    int Write(HidHandle, std::span<const std::uint8_t, 65>) override { return 65; }
    void Close(HidHandle handle) override { closed.push_back(handle); }
};

using IdLists = QList<QStringList>;

}  // namespace

class HidDeviceTest : public QObject {
    Q_OBJECT

private slots:
    void openDevice_data() {
        QTest::addColumn<IdLists>("devices");  // device i has path "p<i>"
        QTest::addColumn<int>("failOpenNumber");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("opened");

        const QString counter = "HID\\VID_04D8&PID_F9F2&REV_0100";
        const QString other = "HID\\VID_046D&PID_C52B&REV_1200";
        const QStringList first{"p0", "p0"};
        QTest::newRow("capitals") << IdLists{{counter}} << 0 << true << first;
        QTest::newRow("lower case") << IdLists{{counter.toLower()}} << 0 << true << first;
        QTest::newRow("inside a longer product code")
            << IdLists{{"USB\\XVID_04D8&PID_F9F20001&MI_00"}} << 0 << true << first;
        QTest::newRow("only in the second id string")
            << IdLists{{other, counter}} << 0 << false << QStringList{};
        QTest::newRow("no hardware id") << IdLists{{}} << 0 << false << QStringList{};
        QTest::newRow("other device first")
            << IdLists{{other}, {counter}} << 0 << true << QStringList{"p1", "p1"};
        QTest::newRow("two counters: first taken")
            << IdLists{{counter}, {counter}} << 0 << true << first;
        QTest::newRow("two counters: first fails, second never tried")
            << IdLists{{counter}, {counter}} << 1 << false << QStringList{"p0"};
        QTest::newRow("write open ok, read open fails")
            << IdLists{{counter}} << 2 << false << first;
    }

    void openDevice() {
        QFETCH(IdLists, devices);
        QFETCH(int, failOpenNumber);
        QFETCH(bool, connected);
        QFETCH(QStringList, opened);

        FakeBackend backend;
        for (int i = 0; i < devices.size(); ++i) {
            HidDeviceInfo info{std::string("p").append(std::to_string(i)), {}};
            for (const QString& id : devices[i]) {
                info.HardwareIds.push_back(id.toStdString());
            }
            backend.devices.push_back(info);
        }
        backend.failOpenNumber = failOpenNumber;
        HidDevice device(backend);

        QCOMPARE(device.IsDevicePresent(DeviceIdPattern), !opened.isEmpty());
        QVERIFY(backend.opened.isEmpty());
        QCOMPARE(device.OpenDevice(DeviceIdPattern), connected);
        QCOMPARE(device.Connected(), connected);
        QCOMPARE(backend.opened, opened);
        QCOMPARE(device.ReadHandle(), connected ? HidHandle(2) : kInvalidHandle);
        // A write channel whose read partner failed is closed at once.
        QCOMPARE(backend.closed,
                 failOpenNumber == 2 ? std::vector<HidHandle>{1} : std::vector<HidHandle>{});

        QVERIFY(device.CloseDevice());
        QVERIFY(!device.Connected());
        QCOMPARE(device.WriteHandle(), kInvalidHandle);
        if (connected) {
            QCOMPARE(backend.closed, (std::vector<HidHandle>{1, 2}));  // write, then read
        }
    }

    // Out through WriteReport, back through ReadReport: every byte kept, token little-endian.
    void roundTripThroughCounter() {
        VirtualCounter counter;
        HidDevice device(counter);
        QVERIFY(device.OpenDevice(DeviceIdPattern));
        DevicePacket sent;
        sent.ReportId = 5;
        sent.Token = 0x80563412;
        for (int k = 0; k < kPayloadSize; ++k) {
            sent.Payload[size_t(k)] = std::uint8_t(k * 37 + 11);
        }
        QCOMPARE(device.WriteReport(sent), 65u);
        const Transfer wire = counter.Written().at(0);
        QCOMPARE(wire[0], 5);
        QCOMPARE((std::array{wire[1], wire[2], wire[3], wire[4]}),
                 (std::array<std::uint8_t, 4>{0x12, 0x34, 0x56, 0x80}));
        QCOMPARE(wire[64], std::uint8_t(59 * 37 + 11));

        counter.Send(sent);
        DevicePacket received;
        bool failed = true;
        QCOMPARE(device.ReadReport(received, 1000, &failed), 65u);
        QVERIFY(!failed);
        QVERIFY(received == sent);
        QCOMPARE(device.ReadReport(received, 10, &failed), 0u);  // time-out, not an error
        QVERIFY(!failed);
    }

    void hidapiWithoutCounter() {
        QCOMPARE(HardwareIdText(0x04D8, 0xF9F2, 0x0100), "HID\\VID_04D8&PID_F9F2&REV_0100");
        HidapiBackend backend;
        HidDevice device(backend);
        for (const HidDeviceInfo& info : backend.Enumerate()) {
            if (QString::fromStdString(info.HardwareIds.front())
                    .contains(DeviceIdPattern, Qt::CaseInsensitive)) {
                QSKIP("a counter is plugged in");
            }
        }
        QVERIFY(!device.IsDevicePresent(DeviceIdPattern));
        QVERIFY(!device.OpenDevice(DeviceIdPattern));
        DevicePacket packet;
        bool failed = false;
        QCOMPARE(device.ReadReport(packet, 10, &failed), 0u);
        QVERIFY(failed);
        QCOMPARE(device.WriteReport(packet), 0u);
        QVERIFY(device.CloseDevice());
    }
};

SOLAMINE_TEST(HidDeviceTest)
#include "tst_hiddevice.moc"
