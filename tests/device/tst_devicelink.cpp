#include "DeviceLink.h"
#include "HidBackend.h"
#include "HidDevice.h"
#include "ReaderThread.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

namespace {

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
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    DevicePacket Answer(std::uint8_t code, std::uint16_t coefficient = 0) const {
        DevicePacket p;
        p.Token = link->SessionToken();
        p.Payload[0] = code;
        p.Payload[3] = std::uint8_t(coefficient & 0xFF);
        p.Payload[4] = std::uint8_t(coefficient >> 8);
        return p;
    }

    // The payload of the n-th transfer written to the counter, after checking its frame.
    std::optional<std::array<std::uint8_t, kPayloadSize>> Command(size_t n) const {
        const std::vector<Transfer> written = counter->Written();
        if (n >= written.size()) {
            return std::nullopt;
        }
        const DevicePacket p = DecodeTransfer(written[n]);
        if (p.ReportId != 0 || p.Token != link->SessionToken()) {
            return std::nullopt;
        }
        return p.Payload;
    }
};

std::array<std::uint8_t, kPayloadSize> Payload(std::initializer_list<int> head) {
    std::array<std::uint8_t, kPayloadSize> payload{};
    size_t i = 0;
    for (int b : head) {
        payload[i++] = std::uint8_t(b);
    }
    return payload;
}

// Runs fn once the command in progress has begun to wait for its answer.
void WhileWaiting(DeviceLink& link, std::function<void()> fn) {
    auto* timer = new QTimer(&link);
    QObject::connect(timer, &QTimer::timeout, &link, [&link, timer, fn] {
        if (link.Waiting()) {
            timer->deleteLater();
            timer->stop();
            fn();
        }
    });
    timer->start(5);
}

}  // namespace

class SessionTokenTest : public QObject {
    Q_OBJECT

private slots:
    void fromUptime_data() {
        QTest::addColumn<quint64>("uptime");
        QTest::addColumn<quint32>("token");
        QTest::newRow("zero becomes one") << quint64(0) << 1u;
        QTest::newRow("wrapped to zero becomes one") << (quint64(1) << 32) << 1u;
        QTest::newRow("plain") << quint64(123456) << 123456u;
        QTest::newRow("top of range") << quint64(0xFFFFFFFF) << 0xFFFFFFFFu;
        QTest::newRow("truncated") << quint64(0x100000005) << 5u;
    }

    void fromUptime() {
        QFETCH(quint64, uptime);
        QFETCH(quint32, token);
        QCOMPARE(SessionTokenFromUptime(uptime), token);
    }
};

class DispatchTest : public QObject {
    Q_OBJECT

private slots:
    void byToken_data() {
        QTest::addColumn<int>("tokenKind");  // 0: session token, 1: zero, 2: another token
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("measured");
        QTest::newRow("answer") << 0 << 2 << 1 << 0;
        QTest::newRow("answer with any code") << 0 << 0 << 1 << 0;
        QTest::newRow("measurement") << 1 << 0 << 0 << 1;
        QTest::newRow("measurement carrying a command code") << 1 << 2 << 0 << 1;
        QTest::newRow("foreign token") << 2 << 2 << 0 << 0;
    }

    void byToken() {
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

    void measurementsFlowFromCounter() {
        Rig rig;
        rig.link->StartClick();
        QVERIFY(rig.link->Connected());
        rig.counter->SendCount(12);
        rig.counter->SendCount(65535);
        QTRY_COMPARE(rig.measurements.size(), size_t(2));
        QCOMPARE(rig.measurements[0].Payload[6], 12);
        QCOMPARE(rig.measurements[1].Payload[6], 255);
        QCOMPARE(rig.measurements[1].Payload[7], 255);
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    void simulatedCounterRunsFreely() {
        std::vector<DevicePacket> measurements;
        DeviceLink link(MakeSimulatedBackend(),
                        [&](const DevicePacket& p) { measurements.push_back(p); });
        link.StartClick();
        QVERIFY(link.Connected());
        QCOMPARE(link.DeviceCoefficient, 158);
        QTRY_VERIFY_WITH_TIMEOUT(measurements.size() >= 2, 5000);
        QCOMPARE(measurements[0].Token, 0u);
    }
};

class HandshakeTest : public QObject {
    Q_OBJECT

private slots:
    void startReadsSettings_data() {
        QTest::addColumn<int>("coefficient");
        QTest::addColumn<int>("background");
        QTest::newRow("defaults") << 158 << 0;
        QTest::newRow("all bits set reads unsigned") << 65535 << 65535;
        QTest::newRow("low byte first") << 258 << 513;
    }

    void startReadsSettings() {
        QFETCH(int, coefficient);
        QFETCH(int, background);
        Rig rig;
        rig.counter->SetSettings(std::uint16_t(coefficient), std::uint16_t(background));
        rig.link->StartClick();
        QVERIFY(rig.link->Connected());
        QVERIFY(rig.link->ReaderActive());
        QCOMPARE(int(rig.link->DeviceCoefficient), coefficient);
        QCOMPARE(int(rig.link->DeviceBackground), background);
        QCOMPARE(rig.Command(0), Payload({2, 0, 7}));
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    void writeSettingsAfterValidAnswer() {
        Rig rig;
        rig.link->StartClick();
        rig.link->DeviceCoefficient = 258;
        rig.link->DeviceBackground = 0xFFFF;
        rig.link->WriteDeviceSettings();
        QCOMPARE(rig.Command(1), Payload({1}));
        QCOMPARE(rig.Command(2), Payload({3, 2, 4, 2, 1, 255, 255}));
        QCOMPARE(rig.counter->Coefficient(), 258);
        QCOMPARE(rig.counter->Background(), 0xFFFF);
    }

    void writeSettingsWhileNotConnected() {
        Rig rig;
        rig.link->WriteDeviceSettings();
        QVERIFY(rig.counter->Written().empty());
    }

    void wrongCodeDropped_data() {
        QTest::addColumn<bool>("writing");  // false: command 2 of Start, true: command 1
        QTest::newRow("start") << false;
        QTest::newRow("write settings") << true;
    }

    void wrongCodeDropped() {
        QFETCH(bool, writing);
        Rig rig;
        if (writing) {
            rig.link->StartClick();
        }
        rig.counter->SetAnswerCode(9);
        rig.counter->SetSettings(400, 4);
        if (writing) {
            rig.link->WriteDeviceSettings();
            QCOMPARE(rig.counter->Written().size(), size_t(2));  // command 3 not sent
            QCOMPARE(rig.counter->Coefficient(), 400);
        } else {
            rig.link->StartClick();
            QCOMPARE(rig.link->DeviceCoefficient, 0);
            QCOMPARE(rig.link->DeviceBackground, 0);
        }
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    // A stray answer (here to the never-awaited command 3) is taken by the next command's wait;
    // that command ends without effect and its own answer is left for the one after.
    void strayAnswerTakenByNextCommand() {
        Rig rig;
        rig.link->StartClick();
        QCOMPARE(rig.link->DeviceCoefficient, 158);
        rig.counter->Send(rig.Answer(3));
        QTRY_COMPARE(rig.link->QueuedAnswers(), 1);

        rig.counter->SetSettings(300, 0);
        rig.link->StartClick();
        QCOMPARE(rig.link->DeviceCoefficient, 158);
        QTRY_COMPARE(rig.link->QueuedAnswers(), 1);  // the answer to command 2

        rig.link->WriteDeviceSettings();  // takes the old command-2 answer: no command 3
        QCOMPARE(rig.counter->Written().size(), size_t(3));
        QTRY_COMPARE(rig.link->QueuedAnswers(), 1);  // the answer to command 1
    }

    void answersTakenOldestFirst() {
        Rig rig;
        rig.link->DispatchReport(rig.Answer(2, 111));
        rig.link->DispatchReport(rig.Answer(2, 222));
        rig.link->StartClick();
        QCOMPARE(rig.link->DeviceCoefficient, 111);
        QTRY_COMPARE(rig.link->QueuedAnswers(), 2);
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
        QCOMPARE(link.DeviceCoefficient, 0);
        QCOMPARE(rig.counter->ClosedWhileReading(), 0);
        if (how == "quit") {
            link.WriteDeviceSettings();  // ends at once, no answer arrives
            QCOMPARE(rig.counter->Written().size(), size_t(2));
        }
    }
};

class LinkStateTest : public QObject {
    Q_OBJECT

private slots:
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
        QCOMPARE(rig.link->DeviceCoefficient, 158);
        QTRY_COMPARE(rig.measurements.size(), size_t(1));
        QCOMPARE(rig.link->QueuedAnswers(), 0);
    }

    void secondStartRereadsSettings() {
        Rig rig;
        rig.link->StartClick();
        rig.counter->SetSettings(300, 4);
        rig.link->StartClick();
        QCOMPARE(rig.link->DeviceCoefficient, 300);
        QCOMPARE(rig.link->DeviceBackground, 4);
        QCOMPARE(rig.link->Reader().StartCount(), 1);
        QCOMPARE(rig.Command(1), Payload({2, 0, 7}));
    }

    void startAfterStopStartsFreshReader() {
        Rig rig;
        QSignalSpy changes(rig.link.get(), &DeviceLink::StateChanged);
        rig.link->StartClick();
        rig.link->StopClick();
        QVERIFY(!rig.link->Connected());
        QVERIFY(!rig.link->ReaderActive());
        QCOMPARE(rig.counter->OpenHandles(), 0);
        rig.link->StartClick();
        QVERIFY(rig.link->Connected());
        QCOMPARE(rig.link->Reader().StartCount(), 2);
        QVERIFY(changes.count() >= 4);
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

    // The notice handler is called directly, before the counter's own queued notice arrives.
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

    void unplugNoticeStopsLink() {
        Rig rig;
        rig.link->StartClick();
        rig.counter->Unplug();
        QTRY_VERIFY(!rig.link->Connected());
        QVERIFY(!rig.link->ReaderActive());
        rig.counter->Replug();  // an arrival never opens the link by itself
        QCoreApplication::processEvents();
        QVERIFY(!rig.link->Connected());
    }

    void stopWithSilentCounterIsQuick() {
        Rig rig;
        rig.link->StartClick();
        QVERIFY(rig.link->Connected());
        QTRY_VERIFY(rig.counter->ReadWaiting());
        QElapsedTimer timer;
        timer.start();
        rig.link->StopClick();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(rig.counter->ClosedWhileReading(), 0);
    }

    // A removal notice handled while Stop waits for the reader runs a second Stop inside the
    // first; the read handle must still be closed only after the reader has ended.
    void noticeDuringStop() {
        Rig rig;
        for (int round = 0; round < 3; ++round) {
            rig.counter->Replug();
            rig.link->StartClick();
            QVERIFY(rig.link->Connected());
            QTRY_VERIFY(rig.counter->ReadWaiting());
            rig.counter->Unplug(false);
            rig.link->StopClick();
            QVERIFY(!rig.link->Connected());
        }
        QCOMPARE(rig.counter->ClosedWhileReading(), 0);
    }

    void stopWhileReportsArrive() {
        Rig rig;
        rig.link->StartClick();
        for (int i = 0; i < 50; ++i) {
            rig.counter->SendCount(std::uint16_t(i));
        }
        QTRY_VERIFY(!rig.measurements.empty());
        rig.link->StopClick();
        QVERIFY(!rig.link->Connected());
        QCOMPARE(rig.counter->ClosedWhileReading(), 0);
    }
};

SOLAMINE_TEST(SessionTokenTest)
SOLAMINE_TEST(DispatchTest)
SOLAMINE_TEST(HandshakeTest)
SOLAMINE_TEST(LinkStateTest)
#include "tst_devicelink.moc"
