#include "DeviceLink.h"
#include "HidBackend.h"
#include "ReaderThread.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

using Bytes = std::vector<int>;

// A link to a scripted virtual counter that records the measurement reports it delivers.
struct Rig {
    VirtualCounter* counter = nullptr;
    std::vector<DevicePacket> measurements;
    std::unique_ptr<DeviceLink> link;

    Rig() {
        auto backend = std::make_unique<VirtualCounter>();
        counter = backend.get();
        link = std::make_unique<DeviceLink>(
            std::move(backend), [this](const DevicePacket& p) { measurements.push_back(p); });
    }

    DevicePacket Answer(std::uint8_t code, std::uint16_t coefficient = 0) const {
        DevicePacket p;
        p.Token = link->SessionToken();
        p.Payload = {code, 0, 0, std::uint8_t(coefficient), std::uint8_t(coefficient >> 8)};
        return p;
    }

    // The payload of the n-th transfer written to the counter up to its last non-zero byte;
    // empty when that transfer does not carry report ID 0 and the session token.
    Bytes Command(size_t n) const {
        const DevicePacket p = DecodeTransfer(counter->Written().at(n));
        if (p.ReportId != 0 || p.Token != link->SessionToken()) {
            return {};
        }
        Bytes bytes(p.Payload.begin(), p.Payload.end());
        while (!bytes.empty() && bytes.back() == 0) {
            bytes.pop_back();
        }
        return bytes;
    }
};

// Runs fn once the command in progress waits for its answer.
void WhileWaiting(DeviceLink& link, std::function<void()> fn) {
    auto* timer = new QTimer(&link);
    QObject::connect(timer, &QTimer::timeout, &link, [&link, timer, fn] {
        if (link.Waiting()) {
            timer->stop();
            timer->deleteLater();
            fn();
        }
    });
    timer->start(5);
}

}  // namespace

class DeviceLinkTest : public QObject {
    Q_OBJECT

private slots:
    void sessionToken_data() {
        QTest::addColumn<quint64>("uptime");
        QTest::addColumn<quint32>("token");
        QTest::newRow("zero becomes one") << quint64(0) << 1u;
        QTest::newRow("wrapped to zero becomes one") << (quint64(1) << 32) << 1u;
        QTest::newRow("truncated") << quint64(0x1FFFFFFFF) << 0xFFFFFFFFu;
    }

    void sessionToken() {
        QFETCH(quint64, uptime);
        QFETCH(quint32, token);
        QCOMPARE(SessionTokenFromUptime(uptime), token);
    }

    void dispatchByToken_data() {
        QTest::addColumn<int>("tokenKind");  // 0: session token, 1: zero, 2: another token
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("measured");
        QTest::newRow("answer with any code") << 0 << 0 << 1 << 0;
        QTest::newRow("measurement carrying a command code") << 1 << 2 << 0 << 1;
        QTest::newRow("foreign token") << 2 << 2 << 0 << 0;
    }

    void dispatchByToken() {
        QFETCH(int, tokenKind);
        QFETCH(int, code);
        QFETCH(int, queued);
        QFETCH(int, measured);
        Rig rig;
        DevicePacket p;
        p.Payload[0] = std::uint8_t(code);
        const std::uint32_t token = rig.link->SessionToken();
        p.Token = tokenKind == 0 ? token : tokenKind == 1 ? 0 : token + 1;
        rig.link->DispatchReport(p);
        QCOMPARE(rig.link->QueuedAnswers(), queued);
        QCOMPARE(int(rig.measurements.size()), measured);
    }

    void handshake_data() {
        QTest::addColumn<int>("coefficient");
        QTest::addColumn<int>("background");
        QTest::addColumn<Bytes>("command3");
        QTest::newRow("defaults") << 158 << 0 << Bytes{3, 2, 4, 158};
        QTest::newRow("all bits set reads unsigned")
            << 65535 << 65535 << Bytes{3, 2, 4, 255, 255, 255, 255};
        QTest::newRow("low byte first") << 258 << 513 << Bytes{3, 2, 4, 2, 1, 1, 2};
    }

    // Start reads the counter's settings; writing them back sends commands 1 and 3.
    void handshake() {
        QFETCH(int, coefficient);
        QFETCH(int, background);
        QFETCH(Bytes, command3);
        Rig rig;
        rig.link->WriteDeviceSettings();  // not connected: nothing is sent
        rig.counter->SetSettings(std::uint16_t(coefficient), std::uint16_t(background));
        rig.link->StartClick();
        QVERIFY(rig.link->Connected());
        QVERIFY(rig.link->ReaderActive());
        QCOMPARE(int(rig.link->DeviceCoefficient), coefficient);
        QCOMPARE(int(rig.link->DeviceBackground), background);
        QCOMPARE(rig.Command(0), (Bytes{2, 0, 7}));

        rig.counter->SetSettings(0, 0);
        rig.link->WriteDeviceSettings();
        QCOMPARE(rig.Command(1), Bytes{1});
        QCOMPARE(rig.Command(2), command3);
        QCOMPARE(int(rig.counter->Coefficient()), coefficient);
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    void wrongCodeDropped() {
        Rig rig;
        rig.counter->SetAnswerCode(9);
        rig.link->StartClick();
        QCOMPARE(rig.link->DeviceCoefficient, 0);
        rig.link->WriteDeviceSettings();
        QCOMPARE(rig.counter->Written().size(), size_t(2));  // command 3 not sent
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    // A stray answer (here to the never-awaited command 3) is taken by the next command's
    // wait; that command ends without effect and its own answer is left for the one after.
    void strayAnswerTakenByNextCommand() {
        Rig rig;
        rig.link->StartClick();
        rig.counter->Send(rig.Answer(3));
        QTRY_COMPARE(rig.link->QueuedAnswers(), 1);

        rig.counter->SetSettings(300, 0);
        rig.link->StartClick();  // a second Start while linked re-reads the settings...
        QCOMPARE(rig.link->DeviceCoefficient, 158);  // ...but takes the stray answer
        QCOMPARE(rig.link->Reader().StartCount(), 1);
        QTRY_COMPARE(rig.link->QueuedAnswers(), 1);

        rig.link->WriteDeviceSettings();  // takes that answer to command 2: no command 3
        QCOMPARE(rig.counter->Written().size(), size_t(3));
        QTRY_COMPARE(rig.link->QueuedAnswers(), 1);

        rig.link->DispatchReport(rig.Answer(2, 111));  // taken oldest first, after code 1
        rig.link->StartClick();
        rig.link->StartClick();
        QCOMPARE(rig.link->DeviceCoefficient, 111);
    }

    void waitEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("connectedAfter");
        QTest::newRow("stop") << "stop" << false;
        QTest::newRow("unplug notice") << "unplug" << false;
        QTest::newRow("application quitting") << "quit" << true;
    }

    // A silent counter keeps the command waiting until one of these ends the wait.
    void waitEnds() {
        QFETCH(QString, how);
        QFETCH(bool, connectedAfter);
        Rig rig;
        rig.counter->SetAnswering(false);
        DeviceLink& link = *rig.link;
        WhileWaiting(link, [&] {
            if (how == "stop") {
                link.StopClick();
            } else if (how == "unplug") {
                rig.counter->Unplug();
            } else {
                link.SetQuitting();
            }
        });
        link.StartClick();
        QVERIFY(!link.Waiting());
        QCOMPARE(link.Connected(), connectedAfter);
        QCOMPARE(link.ReaderActive(), connectedAfter);
        if (how == "quit") {
            link.WriteDeviceSettings();  // ends at once
            QCOMPARE(rig.counter->Written().size(), size_t(2));
        }
    }

    void startWithoutCounterThenPlugIn() {
        Rig rig;
        rig.counter->Unplug();
        rig.link->StartClick();
        QVERIFY(!rig.link->Connected());
        QVERIFY(rig.link->ReaderActive());
        QVERIFY(rig.counter->Written().empty());

        rig.counter->Replug();
        rig.counter->SendCount(7);
        rig.link->StartClick();
        QVERIFY(rig.link->Connected());
        QCOMPARE(rig.link->Reader().StartCount(), 1);
        QTRY_COMPARE(rig.measurements.size(), size_t(1));  // the reader took the new handle
        QCOMPARE(rig.measurements[0].Payload[6], 7);
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    void deviceChangeNotice_data() {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("unplugged");
        QTest::addColumn<int>("eventCode");
        QTest::addColumn<bool>("stops");
        QTest::newRow("gone: nodes changed") << true << true << 0x0007 << true;
        QTest::newRow("gone: arrival") << true << true << 0x8000 << true;
        QTest::newRow("gone: removal") << true << true << 0x8004 << true;
        QTest::newRow("gone: other code") << true << true << 0x0018 << false;
        QTest::newRow("still present") << true << false << 0x8004 << false;
        QTest::newRow("not connected") << false << true << 0x8004 << false;
    }

    // Called directly, before the counter's own queued notice arrives.
    void deviceChangeNotice() {
        QFETCH(bool, linked);
        QFETCH(bool, unplugged);
        QFETCH(int, eventCode);
        QFETCH(bool, stops);
        Rig rig;
        if (linked) {
            rig.link->StartClick();
        }
        if (unplugged) {
            rig.counter->Unplug();
        }
        rig.link->WMDeviceChange(eventCode);
        QCOMPARE(rig.link->Connected(), linked && !stops);
        QCOMPARE(rig.link->ReaderActive(), linked && !stops);
    }

    void stopWithSilentCounter_data() {
        QTest::addColumn<bool>("removalNotice");
        QTest::newRow("plain") << false;
        QTest::newRow("removal notice while stopping") << true;
    }

    // Stop returns quickly although no transfer ends the pending read. A removal notice handled
    // during the wait runs a second Stop inside the first; either way the read handle is closed
    // only after the reader has ended.
    void stopWithSilentCounter() {
        QFETCH(bool, removalNotice);
        Rig rig;
        for (int round = 0; round < 3; ++round) {
            rig.counter->Replug();
            rig.link->StartClick();
            QTRY_VERIFY(rig.counter->ReadWaiting());
            if (removalNotice) {
                rig.counter->Unplug(false);
            }
            // A generous bound, far above a read's time-out: bench_stop measures how soon.
            const QDeadlineTimer deadline(10'000);
            rig.link->StopClick();
            QVERIFY(!deadline.hasExpired());
            QVERIFY(!rig.link->Connected());
        }
        QCOMPARE(rig.counter->OpenHandles(), 0);
        QCOMPARE(rig.counter->ClosedWhileReading(), 0);
    }

    void simulatedCounterRunsFreely() {
        std::vector<DevicePacket> measurements;
        DeviceLink link(MakeSimulatedBackend(),
                        [&](const DevicePacket& p) { measurements.push_back(p); });
        link.StartClick();
        QCOMPARE(link.DeviceCoefficient, 158);
        QTRY_VERIFY_WITH_TIMEOUT(measurements.size() >= 2, 5000);
    }
};

SOLAMINE_TEST(DeviceLinkTest)
#include "tst_devicelink.moc"
