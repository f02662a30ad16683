#include "StationLogger.h"

#include "DateTime.h"
#include "DeviceLink.h"
#include "DisplayRules.h"
#include "ErrorText.h"
#include "FileState.h"
#include "HidBackend.h"
#include "LogTail.h"
#include "LoggedMinutes.h"
#include "NumberFormat.h"
#include "StationMqtt.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryFile>
#include <QTimer>
#include <utility>

using namespace CliText;

StationLogger::StationLogger(std::unique_ptr<HidBackend> backend, StationOptions options, Clock now,
                             Print lines, Print notes, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      now_(std::move(now)),
      lines_(std::move(lines)),
      notes_(std::move(notes)),
      appender_([this](const LogAppender::Event& event) { Note(AppendEventText(event)); }) {
    SessionOptions session;
    session.Graph = options_.Settings;
    session.Alarm = {options_.AlarmUsv, false};
    session.Now = now_;
    session.AnswerTimeoutMs = kAnswerTimeoutMs;
    session_ = std::make_unique<LoggingSession>(std::move(backend), std::move(session));
    session_->SetRecords({[this](double time) { return PathFor(time); },
                          [this](const QString& path) { return ReadFileEnd(path); },
                          [this](const QString& path) { return Replaced(path); }});
    connect(session_.get(), &LoggingSession::MinuteLogged, this, &StationLogger::Append);
    connect(session_.get(), &LoggingSession::MinuteLeftOut, this,
            [this](const Sample& minute, int seconds) {
                const DateTime::TimeOfDay t = DateTime::Decode(minute.Time).time;
                Note(QString::asprintf("partial minute %02d:%02d (%d s) not written", t.hour,
                                       t.minute, seconds));
            });
    connect(session_.get(), &LoggingSession::LinkChanged, this, &StationLogger::OnLinkState);
    connect(session_.get(), &LoggingSession::AlarmStepped, this, &StationLogger::OnAlarm);
    retry_ = new QTimer(this);
    retry_->setInterval(LoggingSession::kClockMs);
    connect(retry_, &QTimer::timeout, this, &StationLogger::Flush);
}

StationLogger::~StationLogger() {
    session_.reset();
}

DeviceLink& StationLogger::Link() {
    return session_->Link();
}

LinkKeeper& StationLogger::Keeper() {
    return session_->Keeper();
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

void StationLogger::ReadDaySoFar(double now) {
    if (std::exchange(daySoFarRead_, true)) {
        return;
    }
    const double midnight = DateTime::Encode(DateTime::Decode(now).date);
    FileError error;
    const std::optional<std::vector<LogRecord>> minutes =
        ReadLoggedMinutes({options_.File, options_.DailyDir}, midnight, midnight, options_.Settings,
                          DateTime::Decode(now).date.year, &error);
    if (!minutes) {
        Note(QStringLiteral("the day so far is not known: ") + FileErrorText(error));
        return;
    }
    DoseToday today(options_.Settings);
    for (const LogRecord& record : *minutes) {
        today.Add(record.Time, record.Cpm);
    }
    session_->SetDoseToday(today);
    if (!minutes->empty()) {
        lastOfDay_ = minutes->back();
    }
}

void StationLogger::Start() {
    retry_->start();
    session_->Start();
}

void StationLogger::Tick() {
    session_->Tick();
    Flush();
}

void StationLogger::Flush() {
    if (appender_.Queued() > 0 && appender_.Flush()) {
        seen_ = appender_.LastLine();
    }
}

// The file first: the session tells the alarm and the publishers once this has returned.
void StationLogger::Append(const LogRecord& record) {
    const QString line = LogLine(record);
    if (appender_.Append(PathFor(record.Time), line.toLatin1())) {
        seen_ = appender_.LastLine();
    }
    lines_(line);
    emit MinuteLogged(record);
}

std::vector<Sample> StationLogger::ReadFileEnd(const QString& path) {
    FileError error;
    const std::optional<LogFileEnd> end =
        ReadLogTail(path, kDoseWindow, DateTime::Decode(now_()).date.year, &error);
    // A file that cannot be read is not read again, and noted again, at every minute while
    // it stays so.
    seen_ = {path, end ? end->Seen : StateAt(path)};
    if (!end) {
        Note(TailErrorText(error));
        return {};
    }
    return end->Lines;
}

// Lines still waiting go into the file before the next one, so the record they continue stays
// while they wait, whatever becomes of the file meanwhile.
bool StationLogger::Replaced(const QString& path) const {
    return appender_.Queued() == 0 && !(seen_.Path == path && StateAt(path) == seen_.After);
}

void StationLogger::OnAlarm(const AlarmStep& step, const LogRecord& record) {
    if (!step.Raised) {
        return;
    }
    const QString minute = DateTime::MinuteText(record.Time);
    const QString dose = NumberFormat::FormatGeneral(record.Dose);
    notes_(QStringLiteral("ALARM %1 %2").arg(minute, dose));
    // Run as a program with two arguments, never through a shell: the minute's text holds a
    // space, and nothing of it should be read as a command.
    if (options_.OnAlarm.isEmpty()) {
        return;
    }
    QProcess program;
    program.setProgram(options_.OnAlarm);
    program.setArguments({minute, dose});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& secret : kSecretVariables) {
        environment.remove(secret);
    }
    program.setProcessEnvironment(environment);
    if (!program.startDetached()) {
        Note(QStringLiteral("cannot run the alarm program %1").arg(options_.OnAlarm));
    }
}

int StationLogger::Finish() {
    if (finished_) {
        return appender_.Queued();
    }
    retry_->stop();
    // Reports handed over while the reader ends still count; after Close none are taken.
    session_->Close();
    finished_ = true;
    appender_.Flush();
    return appender_.Queued();
}

void StationLogger::OnLinkState() {
    const LinkKeeper::State state = session_->State();
    if (state == linkState_) {
        return;
    }
    linkState_ = state;
    switch (state) {
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
