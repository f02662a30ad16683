#include "PublishBacklog.h"

#include "DateTime.h"
#include "PublishMark.h"
#include "Publisher.h"

#include <QTimer>
#include <cmath>

namespace {

constexpr int kMarkPaceMs = 1000;
// Minute starts read back from text may differ from the ones kept in the last bits.
constexpr double kHalfMinute = 0.5 / (24 * 60);

double Midnight(double time) {
    return DateTime::Encode(DateTime::Decode(time).date);
}

}  // namespace

PublishBacklog::PublishBacklog(ReplayPublisher& publisher, QString stationId, QString name,
                               QObject* parent)
    : QObject(parent),
      publisher_(publisher),
      stationId_(std::move(stationId)),
      name_(std::move(name)) {
    pace_ = new QTimer(this);
    pace_->setSingleShot(true);
    pace_->setInterval(kMarkPaceMs);
    connect(pace_, &QTimer::timeout, this, [this] {
        if (pending_ > 0) {
            Write();
        }
    });
    publisher_.OnAcknowledged(this, [this](double time) { OnAcknowledged(time); });
}

PublishBacklog::~PublishBacklog() {
    Flush();
}

PublishBacklog::Followed PublishBacklog::Follow(const MinuteSource& source,
                                                const GraphSettings& settings, double now) {
    Flush();
    markPath_ = MarkPathFor(source.File, source.DailyDir, name_);
    Followed followed;
    followed.Today = DoseToday(settings);
    FileError error;
    const std::optional<PublishMark> read = ReadPublishMark(markPath_, &error);
    if (!read && !error.Path.isEmpty()) {
        followed.Error = error;
        return followed;
    }
    // A mark of another station id is another history.
    const bool marked = read && read->Station == stationId_;
    const double mark = marked ? read->Acknowledged : 0;
    const double today = Midnight(now);
    // From the mark's day on, so that each minute's dose today is whole; without a mark, only
    // today's minutes, for the dose today.
    const double from = marked ? std::min(Midnight(mark + 2 * kHalfMinute), today) : today;
    const std::optional<std::vector<LogRecord>> minutes = ReadLoggedMinutes(
        source, from, Midnight(now - kMaxDays), settings, DateTime::Decode(now).date.year, &error);
    if (!minutes) {
        followed.Error = error;
        return followed;
    }
    for (const LogRecord& record : *minutes) {
        const double usvToday = followed.Today.Add(record.Time, record.Cpm);
        if (marked && record.Time > mark + kHalfMinute) {
            publisher_.Replay({record, usvToday, followed.Today.Minutes()});
            ++followed.Replayed;
        }
    }
    if (followed.Today.Day() != today) {
        followed.Today = DoseToday(settings);
    }
    return followed;
}

void PublishBacklog::Unfollow() {
    Flush();
    markPath_.clear();
}

void PublishBacklog::Flush() {
    pace_->stop();
    if (pending_ > 0) {
        Write();
    }
}

void PublishBacklog::OnAcknowledged(double time) {
    if (markPath_.isEmpty()) {
        return;
    }
    pending_ = time;
    // Once a minute when live; a long backlog is marked once a second, not once a minute sent.
    if (!pace_->isActive()) {
        Write();
        pace_->start();
    }
}

void PublishBacklog::Write() {
    FileError error;
    const bool written = WritePublishMark(markPath_, {stationId_, pending_}, &error);
    pending_ = 0;
    if (!written && !failed_) {
        emit MarkFailed(error);
    }
    failed_ = !written;
}
