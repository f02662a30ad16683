#include "DevicePacket.h"
#include "HidDevice.h"
#include "HidapiBackend.h"
#include "TestMain.h"

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

class HidDeviceMatchTest : public QObject {
    Q_OBJECT

private slots:
    void openDevice_data() {
        QTest::addColumn<IdLists>("devices");  // device i has path "p<i>"
        QTest::addColumn<int>("failOpenNumber");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("opened");

        const QString counter = "HID\\VID_04D8&PID_F9F2&REV_0100";
        const QString other = "HID\\VID_046D&PID_C52B&REV_1200";
        QTest::newRow("capitals") << IdLists{{counter}} << 0 << true << QStringList{"p0", "p0"};
        QTest::newRow("lower case")
            << IdLists{{counter.toLower()}} << 0 << true << QStringList{"p0", "p0"};
        QTest::newRow("inside a longer product code")
            << IdLists{{"USB\\XVID_04D8&PID_F9F20001&MI_00"}} << 0 << true
            << QStringList{"p0", "p0"};
        QTest::newRow("only in the second id string")
            << IdLists{{other, counter}} << 0 << false << QStringList{};
        QTest::newRow("no hardware id") << IdLists{{}} << 0 << false << QStringList{};
        QTest::newRow("nothing present") << IdLists{} << 0 << false << QStringList{};
        QTest::newRow("other device first")
            << IdLists{{other}, {counter}} << 0 << true << QStringList{"p1", "p1"};
        QTest::newRow("two counters: first taken")
            << IdLists{{counter}, {counter}} << 0 << true << QStringList{"p0", "p0"};
        QTest::newRow("two counters: first fails, second never tried")
            << IdLists{{counter}, {counter}} << 1 << false << QStringList{"p0"};
        QTest::newRow("write open ok, read open fails")
            << IdLists{{counter}} << 2 << false << QStringList{"p0", "p0"};
    }

    void openDevice() {
        QFETCH(IdLists, devices);
        QFETCH(int, failOpenNumber);
        QFETCH(bool, connected);
        QFETCH(QStringList, opened);

        FakeBackend backend;
        for (int i = 0; i < devices.size(); ++i) {
            HidDeviceInfo info{"p" + std::to_string(i), {}};
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
        if (connected) {
            QCOMPARE(device.WriteHandle(), HidHandle(1));
            QCOMPARE(device.ReadHandle(), HidHandle(2));
        } else {
            QCOMPARE(device.WriteHandle(), kInvalidHandle);
            QCOMPARE(device.ReadHandle(), kInvalidHandle);
        }
        // A write channel whose read partner failed is not left open.
        if (failOpenNumber == 2) {
            QCOMPARE(backend.closed, std::vector<HidHandle>{1});
        } else {
            QVERIFY(backend.closed.empty());
        }
    }

    void closeDevice() {
        FakeBackend backend;
        backend.devices.push_back({"p0", {"HID\\VID_04D8&PID_F9F2"}});
        HidDevice device(backend);

        QVERIFY(device.CloseDevice());
        QVERIFY(backend.closed.empty());

        QVERIFY(device.OpenDevice(DeviceIdPattern));
        // Connected: a second open changes nothing.
        QVERIFY(device.OpenDevice(DeviceIdPattern));
        QCOMPARE(backend.opened.size(), 2);

        QVERIFY(device.CloseDevice());
        QVERIFY(!device.Connected());
        QCOMPARE(backend.closed, (std::vector<HidHandle>{1, 2}));  // write, then read
        QCOMPARE(device.ReadHandle(), kInvalidHandle);
        QVERIFY(device.CloseDevice());
        QCOMPARE(backend.closed.size(), size_t(2));
        QCOMPARE(device.WriteReport(DevicePacket{}), 0u);
    }
};

class HidapiBackendTest : public QObject {
    Q_OBJECT

private slots:
    void hardwareIdText_data() {
        QTest::addColumn<int>("vendor");
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("release");
        QTest::addColumn<QString>("text");
        QTest::newRow("counter") << 0x04D8 << 0xF9F2 << 0x0100 << "HID\\VID_04D8&PID_F9F2&REV_0100";
        QTest::newRow("zeros") << 0 << 0 << 0 << "HID\\VID_0000&PID_0000&REV_0000";
        QTest::newRow("all ones") << 0xFFFF << 0xFFFF << 0xFFFF
                                  << "HID\\VID_FFFF&PID_FFFF&REV_FFFF";
    }

    void hardwareIdText() {
        QFETCH(int, vendor);
        QFETCH(int, product);
        QFETCH(int, release);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(HardwareIdText(
                     std::uint16_t(vendor), std::uint16_t(product), std::uint16_t(release))),
                 text);
    }

    void noCounterPresent() {
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
        QVERIFY(!device.Connected());
        DevicePacket packet;
        bool failed = false;
        QCOMPARE(device.ReadReport(packet, 10, &failed), 0u);
        QVERIFY(failed);
        QCOMPARE(device.WriteReport(packet), 0u);
        QVERIFY(device.CloseDevice());
    }
};

SOLAMINE_TEST(HidDeviceMatchTest)
SOLAMINE_TEST(HidapiBackendTest)
#include "tst_hiddevice.moc"
