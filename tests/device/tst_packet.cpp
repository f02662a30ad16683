#include "DevicePacket.h"
#include "HidDevice.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QTest>

namespace {

DevicePacket Patterned(std::uint32_t token) {
    DevicePacket packet;
    packet.Token = token;
    for (int k = 0; k < kPayloadSize; ++k) {
        packet.Payload[size_t(k)] = std::uint8_t(k * 37 + 11);
    }
    return packet;
}

}  // namespace

class DevicePacketTest : public QObject {
    Q_OBJECT

private slots:
    void wireLayout() {
        const Transfer t = EncodeTransfer(Patterned(0x12345678));
        QCOMPARE(t[0], 0);
        QCOMPARE(t[1], 0x78);
        QCOMPARE(t[2], 0x56);
        QCOMPARE(t[3], 0x34);
        QCOMPARE(t[4], 0x12);
        for (int k = 0; k < kPayloadSize; ++k) {
            QCOMPARE(t[size_t(k + 5)], std::uint8_t(k * 37 + 11));
        }
    }

    void roundTripThroughCounter_data() {
        QTest::addColumn<quint32>("token");
        QTest::addColumn<int>("reportId");
        QTest::newRow("measurement token") << 0u << 0;
        QTest::newRow("high bit set") << 0x80000001u << 0;
        QTest::newRow("all ones, report id 5") << 0xFFFFFFFFu << 5;
    }

    // The packet leaves through WriteReport and comes back through ReadReport unchanged.
    void roundTripThroughCounter() {
        QFETCH(quint32, token);
        QFETCH(int, reportId);
        VirtualCounter counter;
        HidDevice device(counter);
        QVERIFY(device.OpenDevice(DeviceIdPattern));
        DevicePacket sent = Patterned(token);
        sent.ReportId = std::uint8_t(reportId);
        QCOMPARE(device.WriteReport(sent), 65u);

        const std::vector<Transfer> written = counter.Written();
        QCOMPARE(written.size(), size_t(1));
        QCOMPARE(written[0], EncodeTransfer(sent));

        counter.Send(sent);
        DevicePacket received;
        bool failed = true;
        QCOMPARE(device.ReadReport(received, 1000, &failed), 65u);
        QVERIFY(!failed);
        QVERIFY(received == sent);
    }

    void readTimesOutWithoutError() {
        VirtualCounter counter;
        HidDevice device(counter);
        QVERIFY(device.OpenDevice(DeviceIdPattern));
        DevicePacket untouched = Patterned(7);
        DevicePacket packet = untouched;
        bool failed = true;
        QCOMPARE(device.ReadReport(packet, 10, &failed), 0u);
        QVERIFY(!failed);
        QVERIFY(packet == untouched);
    }

    void readFailsWhenClosedOrUnplugged() {
        VirtualCounter counter;
        HidDevice device(counter);
        DevicePacket packet;
        bool failed = false;
        QCOMPARE(device.ReadReport(packet, 10, &failed), 0u);
        QVERIFY(failed);

        QVERIFY(device.OpenDevice(DeviceIdPattern));
        counter.SendCount(3);
        counter.Unplug();
        failed = false;
        QCOMPARE(device.ReadReport(packet, 10, &failed), 0u);
        QVERIFY(failed);
        QCOMPARE(device.WriteReport(packet), 0u);
    }
};

SOLAMINE_TEST(DevicePacketTest)
#include "tst_packet.moc"
