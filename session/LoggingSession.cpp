#include "LoggingSession.h"

#include "DateTime.h"
#include "DeviceLink.h"
#include "HidBackend.h"
#include "LogTail.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <span>

LoggingSession::LoggingSession(std::unique_ptr<HidBackend> backend, SessionOptions options,
                               QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    if (!options_.Now) {
        options_.Now = [] { return DateTime::FromQDateTime(QDateTime::currentDateTime()); };
    }
    alarm_.SetSettings(options_.Alarm);
    today_.SetSettings(options_.Graph);
    link_ = std::make_unique<DeviceLink>(std::move(backend),
                                         [this](const DevicePacket& packet) { OnReport(packet); });
    link_->SetAnswerTimeout(options_.AnswerTimeoutMs);
    connect(link_.get(), &DeviceLink::StateChanged, this, &LoggingSession::LinkChanged);
    keeper_ = std::make_unique<LinkKeeper>(*link_);
    connect(keeper_.get(), &LinkKeeper::StateChanged, this, &LoggingSession::OnKeeperState);
    clock_ = new QTimer(this);
    clock_->setInterval(kClockMs);
    connect(clock_, &QTimer::timeout, this, &LoggingSession::Tick);
}

LoggingSession::~LoggingSession() {
    // The link may hand over a report while it ends; whoever listens may be half gone.
    blockSignals(true);
    closed_ = true;
    keeper_.reset();
    link_.reset();
}

void LoggingSession::Start() {
    if (closed_) {
        return;
    }
    logging_ = true;
    clock_->start();
    keeper_->Start();
    TellCounter();
}

void LoggingSession::Stop() {
    clock_->stop();
    keeper_->Stop();
    logging_ = false;
    const MinuteEnd end = minutes_.Finish();
    LiveEnd(end, true);
    Handle(end);
    TellCounter();
}

void LoggingSession::Close() {
    link_->SetQuitting();
    Stop();
    closed_ = true;
}

int LoggingSession::StopPublishers(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    int left = 0;
    for (Publisher* publisher : publishers_) {
        left += publisher->Stop(int(std::max<qint64>(deadline.remainingTime(), 0)));
    }
    return left;
}

void LoggingSession::Tick() {
    const MinuteEnd end = minutes_.Clock(options_.Now());
    LiveEnd(end, false);
    Handle(end);
}

void LoggingSession::LiveEnd(const MinuteEnd& end, bool loggingEnded) {
    if (!live_) {
        return;
    }
    const MinuteStep step = running_.End(*live_, options_.Graph, end, loggingEnded);
    if (step.DroppedRunning || step.What != MinuteStep::Kind::None) {
        emit LiveReport(step, 0, options_.Now());
    }
}

void LoggingSession::RejoinRunningMinute() {
    if (!live_) {
        return;
    }
    const MinuteStep step = running_.Rejoin(*live_);
    if (step.What != MinuteStep::Kind::None) {
        emit LiveReport(step, running_.Minute().Cpm, running_.Minute().Time);
    }
}

void LoggingSession::SetGraphSettings(const GraphSettings& settings) {
    options_.Graph = settings;
    today_.SetSettings(settings);
}

void LoggingSession::SetAlarmSettings(const AlarmSettings& settings) {
    const bool wasRaised = alarm_.Raised();
    alarm_.SetSettings(settings);
    if (wasRaised) {
        for (Publisher* publisher : publishers_) {
            publisher->SetAlarm(false);
        }
    }
}

void LoggingSession::StartRecord(const std::vector<Sample>& lastLines) {
    record_ = RecentSamples();
    for (const Sample& line :
         std::span(lastLines).last(std::min<size_t>(lastLines.size(), kDoseWindow))) {
        record_.Append(line);
    }
    recordName_.clear();
    recordKnown_ = true;
}

void LoggingSession::SetRecords(MinuteRecords records) {
    records_ = std::move(records);
    recordKnown_ = false;
}

void LoggingSession::AddPublisher(Publisher* publisher) {
    if (std::find(publishers_.begin(), publishers_.end(), publisher) == publishers_.end()) {
        publishers_.push_back(publisher);
        publisher->SetCounter(Counter());
    }
}

CounterState LoggingSession::Counter() const {
    if (!logging_) {
        return CounterState::Stopped;
    }
    return keeper_->CurrentState() == LinkKeeper::State::Connected ? CounterState::Connected
                                                                   : CounterState::Waiting;
}

void LoggingSession::TellCounter() {
    const CounterState state = Counter();
    if (state == told_) {
        return;
    }
    told_ = state;
    for (Publisher* publisher : publishers_) {
        publisher->SetCounter(state);
    }
}

void LoggingSession::RemovePublisher(Publisher* publisher) {
    publishers_.erase(std::remove(publishers_.begin(), publishers_.end(), publisher),
                      publishers_.end());
}

void LoggingSession::OnReport(const DevicePacket& packet) {
    if (closed_) {
        return;
    }
    const std::int32_t count =
        ReportCount(std::span<const std::uint8_t, kReportPayloadSize>(packet.Payload));
    const double now = options_.Now();
    const MinuteEnd end = minutes_.Report(count, now);
    if (live_) {
        // The rule's word on the minute that ended comes first, so a partial one is never
        // drawn as finished.
        const MinuteStep step = running_.Report(*live_, count, now, options_.Graph, end);
        emit LiveReport(step, count, now);
    }
    Handle(end);
}

void LoggingSession::OnKeeperState() {
    // Reports after a break do not cover the time since the last one.
    if (keeper_->CurrentState() != LinkKeeper::State::Connected) {
        minutes_.Break();
    }
    TellCounter();
    emit LinkChanged();
}

void LoggingSession::Handle(const MinuteEnd& end) {
    if (end.What == MinuteEnd::Kind::Whole) {
        Record(end.Minute);
    } else if (end.What == MinuteEnd::Kind::Partial) {
        emit MinuteLeftOut(end.Minute, end.Seconds);
    }
}

// The one place where a minute becomes a line: the file, the alarm and the publishers all see
// the same record, the file first.
void LoggingSession::Record(const Sample& minute) {
    const QString name = records_.RecordFor ? records_.RecordFor(minute.Time) : QString();
    if (!recordKnown_ || name != recordName_ || (records_.Replaced && records_.Replaced(name))) {
        StartRecord(records_.LastLines ? records_.LastLines(name) : std::vector<Sample>());
        recordName_ = name;
    }
    const LogRecord record = NextLineRecord(record_, minute, options_.Graph);
    emit MinuteLogged(record);
    if (alarm_.Settings().On()) {
        const AlarmStep step = alarm_.MinuteCompleted(record.Time, record.Dose);
        if (step.Raised || step.Released) {
            for (Publisher* publisher : publishers_) {
                publisher->SetAlarm(step.Raised);
            }
        }
        emit AlarmStepped(step, record);
    }
    const double usvToday = today_.Add(record.Time, record.Cpm);
    const PublishedMinute published{record, usvToday, today_.Minutes()};
    for (Publisher* publisher : publishers_) {
        publisher->Publish(published);
    }
}
