#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

// A worker thread that runs one function per Start and hands calls to the GUI thread. The GUI
// thread runs handed-over calls wherever it processes events, and also while it waits in
// TerminateAndWaitFor, so waiting for the worker never deadlocks on a pending hand-over.
// Create and drive it on the GUI thread; Terminated and Synchronize are for the worker.
class ReaderThread : public QObject {
    Q_OBJECT

public:
    // onRun runs on the worker after each Start; it should return once Terminated() is true.
    explicit ReaderThread(std::function<void(ReaderThread&)> onRun, QObject* parent = nullptr);
    // Ends the worker as TerminateAndWaitFor does.
    ~ReaderThread() override;

    // Starts a worker unless one is Active; a worker that has ended, or is ending, is waited for
    // and discarded first.
    void Start();
    // True while a worker exists, has not ended and was not asked to terminate.
    bool Active() const;
    // The opposite of Active: no worker, or it has ended or was asked to terminate.
    bool Stopped() const { return !Active(); }
    // True while a worker exists whose function has not returned yet.
    bool Running() const;
    // Asks the worker to terminate and returns once it has ended, running its hand-overs and
    // other events (user input excluded) meanwhile. Returns at once when no worker runs.
    void TerminateAndWaitFor();
    // How many workers Start has created so far.
    int StartCount() const { return startCount_; }

    // Worker side: true once termination was requested.
    bool Terminated() const { return terminated_.load(); }
    // Worker side: runs fn on the GUI thread and returns when it has returned. An exception
    // from fn is thrown again here, which ends the worker.
    void Synchronize(const std::function<void()>& fn);

signals:
    // Emitted on the GUI thread when the worker starts, is asked to terminate or ends.
    void StateChanged();

private:
    void Body();
    void RunPending();

    std::function<void(ReaderThread&)> onRun_;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> ended_{true};
    int startCount_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* pending_ = nullptr;
    bool runningPending_ = false;
    std::exception_ptr pendingError_;
};
