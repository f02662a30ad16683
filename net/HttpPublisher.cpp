#include "HttpPublisher.h"

#include "HttpService.h"

#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <future>

namespace {

constexpr int kStopFloorMs = 100;

}  // namespace

HttpPublisher::HttpPublisher(ApiSource source, QObject* parent) : QObject(parent) {
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("http"));
    service_ = new HttpService(std::move(source));
}

HttpPublisher::~HttpPublisher() {
    Stop(1000);
}

std::optional<QString> HttpPublisher::Listen(const QHostAddress& address, quint16 port) {
    // Set up here and only then handed to the thread, so that nothing waits on the thread and
    // everything before its start is seen there.
    QString reason;
    port_ = service_->Listen(address, port, &reason);
    if (port_ == 0) {
        Stop(1000);
        return reason;
    }
    snapshot_.PublishWaiting = waiting_ ? waiting_() : 0;
    if (uploads_) {
        snapshot_.Uploads = uploads_();
    }
    service_->SetSnapshot(snapshot_);
    service_->moveToThread(thread_);
    // Snapshots are posted once the thread's event loop can be woken: until then a posted call
    // would be ordered by nothing a race detector sees. That takes well under a millisecond.
    std::promise<void> ready;
    const QMetaObject::Connection started = connect(
        thread_, &QThread::started, thread_, [&ready] { ready.set_value(); }, Qt::DirectConnection);
    thread_->start();
    ready.get_future().wait();
    disconnect(started);
    return std::nullopt;
}

void HttpPublisher::SetToday(int minutes, double usvToday, const std::optional<LogRecord>& last) {
    snapshot_.MinutesToday = minutes;
    snapshot_.Last = last;
    snapshot_.UsvToday = usvToday;
    Send();
}

void HttpPublisher::SetNeverFound(bool never) {
    if (never != snapshot_.NeverFound) {
        snapshot_.NeverFound = never;
        Send();
    }
}

void HttpPublisher::SetAlarmOn(bool on) {
    snapshot_.Alarm = on ? std::optional(snapshot_.Alarm.value_or(false)) : std::nullopt;
    Send();
}

void HttpPublisher::SetWaitingCount(std::function<int()> count) {
    waiting_ = std::move(count);
    Send();
}

void HttpPublisher::SetUploadStatus(std::function<std::vector<UploadStatus>()> status) {
    uploads_ = std::move(status);
    Send();
}

void HttpPublisher::Publish(const PublishedMinute& minute) {
    snapshot_.MinutesToday = minute.MinutesToday;
    snapshot_.Last = minute.Record;
    snapshot_.UsvToday = minute.UsvToday;
    snapshot_.CountsTotal += minute.Record.Cpm;
    ++snapshot_.MinutesLogged;
    Send();
}

void HttpPublisher::SetAlarm(bool raised) {
    snapshot_.Alarm = raised;
    Send();
}

void HttpPublisher::SetCounter(CounterState state) {
    snapshot_.Counter = state;
    Send();
}

int HttpPublisher::Stop(int timeoutMs) {
    if (!thread_) {
        return 0;
    }
    if (!thread_->isRunning()) {
        delete service_;
        delete thread_;
        service_ = nullptr;
        thread_ = nullptr;
        return 0;
    }
    // Deleted on its own thread, which then ends: the listening socket and the connections close.
    connect(service_, &QObject::destroyed, thread_, &QThread::quit, Qt::DirectConnection);
    service_->deleteLater();
    service_ = nullptr;
    // An idle server ends in well under a millisecond; the floor lets it end even when the
    // publishers before it took the whole stop.
    if (thread_->wait(QDeadlineTimer(std::max(timeoutMs, kStopFloorMs)))) {
        delete thread_;
    }
    // Otherwise a request still reads its files: the thread is left to the process's end rather
    // than waited for.
    thread_ = nullptr;
    return 0;
}

void HttpPublisher::Send() {
    snapshot_.PublishWaiting = waiting_ ? waiting_() : 0;
    if (uploads_) {
        snapshot_.Uploads = uploads_();
    }
    if (service_ && thread_ && thread_->isRunning()) {
        HttpService::Post(service_, snapshot_);
    }
}
