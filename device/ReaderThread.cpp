#include "ReaderThread.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pthread.h>
#endif

ReaderThread::ReaderThread(std::function<void(ReaderThread&)> onRun, QObject* parent)
    : QObject(parent), onRun_(std::move(onRun)) {}

ReaderThread::~ReaderThread() {
    TerminateAndWaitFor();
}

bool ReaderThread::Active() const {
    return thread_ != nullptr && !ended_.load() && !terminated_.load();
}

bool ReaderThread::Running() const {
    return thread_ != nullptr && !ended_.load();
}

void ReaderThread::Start() {
    if (Active()) {
        return;
    }
    if (thread_ != nullptr) {
        TerminateAndWaitFor();
        thread_.reset();
    }
    terminated_.store(false);
    ended_.store(false);
    thread_.reset(QThread::create([this] { Body(); }));
    connect(thread_.get(), &QThread::finished, this, &ReaderThread::StateChanged);
    thread_->start();
    ++startCount_;
    emit StateChanged();
}

void ReaderThread::Body() {
#ifdef Q_OS_UNIX
    // The program's end is heard on the main thread; here a signal would only cut a pending
    // read short, which looks like a counter that failed.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
#endif
    try {
        onRun_(*this);
    } catch (...) {
        // An exception ends the worker quietly; Active turns false, so the next Start restarts.
    }
    {
        std::lock_guard lock(mutex_);
        ended_.store(true);
    }
    changed_.notify_all();
}

void ReaderThread::Synchronize(const std::function<void()>& fn) {
    std::unique_lock lock(mutex_);
    pending_ = &fn;
    pendingError_ = nullptr;
    QMetaObject::invokeMethod(
        this, [this] { RunPending(); }, Qt::QueuedConnection);
    changed_.notify_all();
    changed_.wait(lock, [this] { return pending_ == nullptr; });
    if (pendingError_) {
        std::rethrow_exception(std::exchange(pendingError_, nullptr));
    }
}

void ReaderThread::RunPending() {
    const std::function<void()>* fn = nullptr;
    {
        std::lock_guard lock(mutex_);
        // The call may process events itself; it must not be run a second time from there.
        if (pending_ == nullptr || runningPending_) {
            return;
        }
        fn = pending_;
        runningPending_ = true;
    }
    std::exception_ptr error;
    try {
        (*fn)();
    } catch (...) {
        error = std::current_exception();
    }
    {
        std::lock_guard lock(mutex_);
        pending_ = nullptr;
        runningPending_ = false;
        pendingError_ = error;
    }
    changed_.notify_all();
}

void ReaderThread::TerminateAndWaitFor() {
    if (thread_ == nullptr) {
        return;
    }
    if (!terminated_.exchange(true) && !ended_.load()) {
        emit StateChanged();
    }
    // QThread::wait() here would deadlock while the worker sits in Synchronize.
    for (;;) {
        RunPending();
        if (ended_.load()) {
            break;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(5), [this] {
            return ended_.load() || (pending_ != nullptr && !runningPending_);
        });
    }
    // The worker's function has returned; it only has to leave the thread now.
    thread_->wait();
}
