#include "ReaderThread.h"
#include "TestMain.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QThread>
#include <atomic>
#include <stdexcept>
#include <thread>

class ReaderThreadTest : public QObject {
    Q_OBJECT

private slots:
    void handOversRunOnGuiThreadOneAtATime() {
        std::atomic<int> handedOver{0};
        std::atomic<bool> fault{false};
        std::atomic<bool> inCall{false};
        ReaderThread reader([&](ReaderThread& t) {
            while (!t.Terminated()) {
                t.Synchronize([&] {
                    fault = fault || QThread::currentThread() != qApp->thread();
                    inCall = true;
                    ++handedOver;
                });
                // Synchronize returns only after the GUI thread has run the call.
                fault = fault || !inCall.exchange(false);
            }
        });
        QVERIFY(reader.Stopped());
        reader.Start();
        reader.Start();  // already active: no second worker
        QVERIFY(reader.Active());
        QTRY_VERIFY(handedOver >= 5);
        reader.TerminateAndWaitFor();
        QVERIFY(reader.Stopped());
        QVERIFY(!reader.Running());
        QVERIFY(!fault);
        reader.Start();  // the ended worker is discarded
        QVERIFY(reader.Active());
        QCOMPARE(reader.StartCount(), 2);
    }

    // The GUI thread must run the pending hand-over while it waits, or neither side moves.
    void terminateWhileWorkerSitsInSynchronize() {
        std::atomic<bool> entered{false};
        std::atomic<bool> ran{false};
        ReaderThread reader([&](ReaderThread& t) {
            while (!t.Terminated()) {
                entered = true;
                t.Synchronize([&] { ran = true; });
            }
        });
        reader.Start();
        // Spin without processing events, so the hand-over is still pending below.
        const QDeadlineTimer deadline(5000);
        while (!entered && !deadline.hasExpired()) {
            std::this_thread::yield();
        }
        QVERIFY(entered);
        reader.TerminateAndWaitFor();
        QVERIFY(ran);
        QVERIFY(!reader.Running());
    }

    void exceptionInHandOverEndsWorker() {
        std::atomic<int> runs{0};
        ReaderThread reader([&](ReaderThread& t) {
            ++runs;
            while (!t.Terminated()) {
                t.Synchronize([] { throw std::runtime_error("dispatch failed"); });
            }
        });
        reader.Start();
        QTRY_VERIFY(!reader.Running());
        QVERIFY(!reader.Active());
        reader.Start();
        QTRY_COMPARE(runs.load(), 2);
    }
};

SOLAMINE_TEST(ReaderThreadTest)
#include "tst_readerthread.moc"
