#include "DeviceLink.h"
#include "LinkKeeper.h"
#include "ReaderThread.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

// A keeper over a link to a scripted virtual counter; records the counts that reach the link.
struct Rig {
    VirtualCounter* counter = nullptr;
    std::vector<int> counts;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<LinkKeeper> keeper;

    Rig() {
        auto backend = std::make_unique<VirtualCounter>();
        counter = backend.get();
        link = std::make_unique<DeviceLink>(
            std::move(backend), [this](const DevicePacket& p) { counts.push_back(p.Payload[6]); });
        keeper = std::make_unique<LinkKeeper>(*link);
    }

    // How often the handshake (command 2) was sent.
    int Handshakes() const {
        int n = 0;
        for (const Transfer& t : counter->Written()) {
            n += t[5] == 2;
        }
        return n;
    }
};

}  // namespace

class LinkKeeperTest : public QObject {
    Q_OBJECT

private slots:
    void replugsKeepLogging_data() {
        QTest::addColumn<bool>("quick");
        QTest::newRow("unplugged, then plugged in again") << false;
        // Both notices find the counter present, so only the failing reads tell.
        QTest::newRow("back before the notices are handled") << true;
    }

    // Three replugs while logging: each time the handshake runs again and reports arrive.
    void replugsKeepLogging() {
        QFETCH(bool, quick);
        Rig rig;
        QSignalSpy states(rig.keeper.get(), &LinkKeeper::StateChanged);
        rig.keeper->Start();
        QCOMPARE(rig.keeper->CurrentState(), LinkKeeper::State::Connected);
        for (int round = 1; round <= 3; ++round) {
            rig.counter->Unplug();
            if (!quick) {
                QTRY_COMPARE(rig.keeper->CurrentState(), LinkKeeper::State::Lost);
                QVERIFY(!rig.link->ReaderActive());
            }
            rig.counter->Replug();
            QTRY_COMPARE(rig.Handshakes(), round + 1);
            QTRY_COMPARE(rig.keeper->CurrentState(), LinkKeeper::State::Connected);
            rig.counter->SendCount(std::uint16_t(round));
            QTRY_COMPARE(rig.counts.size(), size_t(round));
            QCOMPARE(rig.counts.back(), round);
        }
        QCOMPARE(rig.link->QueuedAnswers(), 0);
        QCOMPARE(rig.counter->OpenHandles(), 2);  // the dead handles were closed
        QCOMPARE(rig.counter->ClosedWhileReading(), 0);
        QCOMPARE(states.size(), 7);  // Connected, then Lost and Connected three times
    }

    void startWithoutCounterThenPlugIn() {
        Rig rig;
        rig.counter->Unplug();
        rig.keeper->Start();
        QCOMPARE(rig.keeper->CurrentState(), LinkKeeper::State::NotFound);
        QVERIFY(rig.link->ReaderActive());
        rig.counter->Replug();
        QTRY_COMPARE(rig.keeper->CurrentState(), LinkKeeper::State::Connected);
        QCOMPARE(rig.Handshakes(), 1);
        QCOMPARE(rig.link->Reader().StartCount(), 1);  // the running reader took the new handle
        rig.counter->SendCount(9);
        QTRY_COMPARE(rig.counts.size(), size_t(1));
    }

    void stopEndsTheWish_data() {
        QTest::addColumn<bool>("everConnected");
        QTest::newRow("stop while waiting to reconnect") << true;
        QTest::newRow("stop while no counter was found") << false;
    }

    void stopEndsTheWish() {
        QFETCH(bool, everConnected);
        Rig rig;
        if (!everConnected) {
            rig.counter->Unplug();
        }
        rig.keeper->Start();
        if (everConnected) {
            rig.counter->Unplug();
            QTRY_COMPARE(rig.keeper->CurrentState(), LinkKeeper::State::Lost);
        }
        rig.keeper->Stop();
        QCOMPARE(rig.keeper->CurrentState(), LinkKeeper::State::Idle);
        QSignalSpy notices(rig.link.get(), &DeviceLink::DeviceChanged);
        rig.counter->Replug();
        QVERIFY(notices.wait());
        rig.keeper->Check();
        QVERIFY(!rig.link->Connected());
        QVERIFY(!rig.link->ReaderActive());
        QCOMPARE(rig.Handshakes(), everConnected ? 1 : 0);
    }
};

SOLAMINE_TEST(LinkKeeperTest)
#include "tst_linkkeeper.moc"
