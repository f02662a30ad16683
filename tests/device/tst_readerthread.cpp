#include "ReaderThread.h"
#include "TestMain.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

// Waits for flag without processing events, so no hand-over runs meanwhile.
bool SpinUntil(const std::atomic<bool>& flag) {
    QDeadlineTimer deadline(5000);
    while (!flag.load() && !deadline.hasExpired()) {
        std::this_thread::yield();
    }
    return flag.load();
}

}  // namespace

class ReaderThreadTest : public QObject {
    Q_OBJECT

private slots:
    void statesAcrossStartAndStop() {
        ReaderThread reader([](ReaderThread& t) {
            while (!t.Terminated()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        QVERIFY(reader.Stopped());
        QVERIFY(!reader.Running());
        reader.TerminateAndWaitFor();  // nothing to wait for

        QSignalSpy changes(&reader, &ReaderThread::StateChanged);
        reader.Start();
        QVERIFY(reader.Active());
        reader.Start();  // already active: no second worker
        QCOMPARE(reader.StartCount(), 1);

        reader.TerminateAndWaitFor();
        QVERIFY(reader.Stopped());
        QVERIFY(!reader.Running());
        QVERIFY(changes.count() >= 2);

        reader.Start();  // the ended worker is discarded, a fresh one runs
        QVERIFY(reader.Active());
        QCOMPARE(reader.StartCount(), 2);
    }

    void synchronizeRunsOnGuiThreadAndBlocksWorker() {
        std::atomic<int> handedOver{0};
        std::atomic<bool> wrongThread{false};
        std::atomic<bool> overlapped{false};
        std::atomic<bool> inCall{false};
        ReaderThread reader([&](ReaderThread& t) {
            while (!t.Terminated()) {
                t.Synchronize([&] {
                    wrongThread = wrongThread || QThread::currentThread() != qApp->thread();
                    inCall = true;
                    ++handedOver;
                });
                // The worker runs on only after the GUI thread has finished the call.
                overlapped = overlapped || !inCall.exchange(false);
            }
        });
        reader.Start();
        QTRY_VERIFY(handedOver >= 5);
        reader.TerminateAndWaitFor();
        QVERIFY(!wrongThread);
        QVERIFY(!overlapped);
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
        QVERIFY(SpinUntil(entered));
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
        QTRY_VERIFY(!reader.Running());
    }

    void destructorEndsWorker() {
        std::atomic<bool> entered{false};
        {
            ReaderThread reader([&](ReaderThread& t) {
                while (!t.Terminated()) {
                    entered = true;
                    t.Synchronize([] {});
                }
            });
            reader.Start();
            QVERIFY(SpinUntil(entered));
        }
        QVERIFY(entered);
    }
};

SOLAMINE_TEST(ReaderThreadTest)
#include "tst_readerthread.moc"
