#include "StationLogger.h"

#include "DateTime.h"
#include "DeviceLink.h"
#include "DisplayRules.h"
#include "ErrorText.h"
#include "HidBackend.h"
#include "LinkKeeper.h"
#include "LogTail.h"
#include "NumberFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <span>
#include <utility>

StationLogger::StationLogger(std::unique_ptr<HidBackend> backend, StationOptions options, Clock now,
                             Print lines, Print notes, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      now_(std::move(now)),
      lines_(std::move(lines)),
      notes_(std::move(notes)),
      appender_([this](const LogAppender::Event& event) { Note(AppendEventText(event)); }) {
    link_ = std::make_unique<DeviceLink>(std::move(backend),
                                         [this](const DevicePacket& packet) { OnReport(packet); });
    link_->SetAnswerTimeout(kAnswerTimeoutMs);
    keeper_ = std::make_unique<LinkKeeper>(*link_);
    connect(keeper_.get(), &LinkKeeper::StateChanged, this, &StationLogger::OnLinkState);
    alarm_.SetSettings({options_.AlarmUsv, false});
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(1000);
    connect(clockTimer_, &QTimer::timeout, this, &StationLogger::Tick);
}

StationLogger::~StationLogger() {
    keeper_.reset();
    link_.reset();
}

QString StationLogger::PathFor(double time) const {
    if (options_.DailyDir.isEmpty()) {
        return options_.File;
    }
    const DateTime::Date d = DateTime::Decode(time).date;
    return QDir(options_.DailyDir)
        .filePath(QString::asprintf("%04d-%02d-%02d.csv", d.year, d.month, d.day));
}

bool StationLogger::Prepare(QString* error) {
    if (options_.DailyDir.isEmpty()) {
        FileError refused;
        if (!CanAppendTo(options_.File, &refused)) {
            *error = FileErrorText(refused);
            return false;
        }
        return true;
    }
    const QString dir = QDir::toNativeSeparators(options_.DailyDir);
    if (!QDir().mkpath(options_.DailyDir) || !QFileInfo(options_.DailyDir).isDir()) {
        *error = QStringLiteral("cannot create the folder %1").arg(dir);
        return false;
    }
    // Writing a file is the only sure test; the daily files come with their first lines.
    QTemporaryFile probe(QDir(options_.DailyDir).filePath(QStringLiteral(".solamine-XXXXXX")));
    if (!probe.open()) {
        *error = QStringLiteral("cannot write in the folder %1: %2").arg(dir, probe.errorString());
        return false;
    }
    return true;
}

void StationLogger::Start() {
    clockTimer_->start();
    keeper_->Start();
}

void StationLogger::OnReport(const DevicePacket& packet) {
    if (finished_) {
        return;
    }
    const auto payload = std::span<const std::uint8_t, kReportPayloadSize>(packet.Payload);
    Handle(minutes_.Report(ReportCount(payload), now_()));
}

void StationLogger::Tick() {
    Handle(minutes_.Clock(now_()));
    if (appender_.Queued() > 0) {
        appender_.Flush();
    }
}

void StationLogger::Handle(const MinuteEnd& end) {
    if (end.What == MinuteEnd::Kind::Whole) {
        Complete(end.Minute);
    } else if (end.What == MinuteEnd::Kind::Partial) {
        const DateTime::TimeOfDay t = DateTime::Decode(end.Minute.Time).time;
        Note(QString::asprintf("partial minute %02d:%02d (%d s) not written", t.hour, t.minute,
                               end.Seconds));
    }
}

// The one place where a minute becomes a line: what the file gets, stdout, the alarm and the
// publishers all see the same record.
void StationLogger::Complete(const Sample& minute) {
    const QString path = PathFor(minute.Time);
    if (!fileLinesRead_ || path != fileLinesPath_) {
        ReadFileEnd(path);
    }
    const LogRecord record = NextLineRecord(fileLines_, minute, options_.Settings);
    const QString line = LogLine(record);
    appender_.Append(path, line.toLatin1());
    lines_(line);
    CheckAlarm(record);
    emit MinuteLogged(record);
}

void StationLogger::ReadFileEnd(const QString& path) {
    fileLines_ = RecentSamples();
    fileLinesPath_ = path;
    fileLinesRead_ = true;
    FileError error;
    const std::optional<std::vector<Sample>> tail =
        ReadLogTail(path, kDoseWindow, DateTime::Decode(now_()).date.year, &error);
    if (!tail) {
        Note(TailErrorText(error));
        return;
    }
    for (const Sample& sample : *tail) {
        fileLines_.Append(sample);
    }
}

void StationLogger::CheckAlarm(const LogRecord& record) {
    const AlarmStep step = alarm_.MinuteCompleted(record.Time, record.Dose);
    if (step.Released) {
        emit AlarmChanged(false);
    }
    if (!step.Raised) {
        return;
    }
    emit AlarmChanged(true);
    const QString minute = DateTime::MinuteText(record.Time);
    const QString dose = NumberFormat::FormatGeneral(record.Dose);
    notes_(QStringLiteral("ALARM %1 %2").arg(minute, dose));
    // Run as a program with two arguments, never through a shell: the minute's text holds a
    // space, and nothing of it should be read as a command.
    if (!options_.OnAlarm.isEmpty() && !QProcess::startDetached(options_.OnAlarm, {minute, dose})) {
        Note(QStringLiteral("cannot run the alarm program %1").arg(options_.OnAlarm));
    }
}

int StationLogger::Finish() {
    if (finished_) {
        return appender_.Queued();
    }
    clockTimer_->stop();
    // Reports handed over while the reader ends still count; after Stop none can come.
    keeper_->Stop();
    finished_ = true;
    Handle(minutes_.Finish());
    appender_.Flush();
    return appender_.Queued();
}

void StationLogger::OnLinkState() {
    if (keeper_->CurrentState() != LinkKeeper::State::Connected) {
        minutes_.Break();
    }
    switch (keeper_->CurrentState()) {
        case LinkKeeper::State::Connected:
            Note(QStringLiteral("connected to the counter"));
            break;
        case LinkKeeper::State::NotFound:
            Note(QStringLiteral("no counter found; waiting for one"));
            break;
        case LinkKeeper::State::Lost:
            Note(QStringLiteral("counter lost; waiting for it to come back"));
            break;
        case LinkKeeper::State::Idle:
            Note(QStringLiteral("stopped"));
            break;
    }
}

void StationLogger::Note(const QString& text) const {
    const DateTime::Parts p = DateTime::Decode(now_());
    notes_(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d ", p.date.year, p.date.month,
                             p.date.day, p.time.hour, p.time.minute, p.time.second) +
           text);
}
