#include "MapUploader.h"

#include "DisplayRules.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinutesPerDay = 24 * 60;
constexpr int kFirstSlowMs = 1000;
// The longest a live reading waits behind those from before.
constexpr qint64 kLiveWaitMs = 60000;

qint64 MinuteNumber(double time) {
    return std::llround(time * kMinutesPerDay);
}

double MinuteEnd(double time) {
    return double(MinuteNumber(time) + 1) / kMinutesPerDay;
}

int Seconds(int ms) {
    return (ms + 999) / 1000;
}

}  // namespace

MapUploader::MapUploader(MapUpload upload, QString caFile, GraphSettings graph, Notes notes,
                         QObject* parent)
    : QObject(parent), upload_(std::move(upload)), graph_(graph), notes_(std::move(notes)) {
    upload_.EveryMinutes = std::clamp(upload_.EveryMinutes, 1, kMaxEveryMinutes);
    clock_.start();
    // The TLS backend (a plugin) loads now, at the start, rather than at the first reading, in
    // the middle of the logging.
    QSslSocket::supportsSsl();
    network_ = new QNetworkAccessManager(this);
    connect(network_, &QNetworkAccessManager::finished, this, &MapUploader::Finished);
    if (!caFile.isEmpty()) {
        // The system's CAs and the given one; setting any turns off Qt's loading on demand.
        tls_ = new QSslConfiguration(QSslConfiguration::defaultConfiguration());
        tls_->setCaCertificates(QSslConfiguration::systemCaCertificates() +
                                QSslCertificate::fromPath(caFile));
    }
    pace_ = new QTimer(this);
    pace_->setSingleShot(true);
    connect(pace_, &QTimer::timeout, this, &MapUploader::SendNext);
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    connect(timeout_, &QTimer::timeout, this, [this] {
        if (reply_) {
            timedOut_ = true;
            reply_->abort();
        }
    });
    retryMs_ = timing_.FirstRetryMs;
}

MapUploader::~MapUploader() {
    if (reply_) {
        disconnect(network_, nullptr, this, nullptr);
        reply_->abort();
    }
    delete tls_;
}

bool MapUploader::CanUseCaFile(const QString& path) {
    return !QSslCertificate::fromPath(path).isEmpty();
}

void MapUploader::Publish(const PublishedMinute& minute) {
    Take(minute, true);
}

void MapUploader::Replay(const PublishedMinute& minute) {
    // GMC takes no time: a minute from before is of no use to it.
    if (MapTakesTime(upload_.Service)) {
        Take(minute, false);
    }
}

void MapUploader::Take(const PublishedMinute& minute, bool live) {
    if (stopped_ || refused_) {
        return;
    }
    const LogRecord& record = minute.Record;
    switch (upload_.Service) {
        // A minute's reading is an interval of one.
        case MapService::Radmon:
        case MapService::Safecast: {
            const qint64 number = MinuteNumber(record.Time);
            const qint64 interval = number / upload_.EveryMinutes;
            if (interval_ && *interval_ != interval) {
                CloseInterval(live);  // the last interval lacked its last minutes
            }
            interval_ = interval;
            intervalSum_ += record.Cpm;
            ++intervalMinutes_;
            intervalLast_ = record.Time;
            if ((number + 1) % upload_.EveryMinutes == 0) {
                CloseInterval(live);
            }
            break;
        }
        case MapService::GmcMap:
            TakeGmc(minute);
            break;
    }
    SendNext();
    emit StateChanged();
}

void MapUploader::CloseInterval(bool live) {
    Entry entry;
    entry.Reading.Time = double((*interval_ + 1) * upload_.EveryMinutes) / kMinutesPerDay;
    entry.Reading.Cpm = intervalSum_ / intervalMinutes_;
    entry.Last = intervalLast_;
    entry.Live = live;
    interval_.reset();
    intervalSum_ = 0;
    intervalMinutes_ = 0;
    Queue(entry);
}

void MapUploader::TakeGmc(const PublishedMinute& minute) {
    const LogRecord& record = minute.Record;
    gmcSum_ += record.Cpm;
    gmcNet_ += double(NetCount(record.Cpm, graph_));
    ++gmcMinutes_;
    gmcLatest_ = record;
    if (++gmcSinceRequest_ < upload_.EveryMinutes) {
        return;
    }
    gmcSinceRequest_ = 0;
    // One reading at most, made when it is sent (GmcReading): a retry sends the latest.
    if (queue_.empty()) {
        Entry due;
        due.Live = true;
        queue_.push_back(due);
    }
}

void MapUploader::GmcReading(Entry& entry) const {
    entry.Reading.Time = MinuteEnd(gmcLatest_.Time);
    entry.Reading.Cpm = gmcLatest_.Cpm;
    entry.Reading.MeanCpm = gmcSum_ / gmcMinutes_;
    entry.Reading.Usv = MeanDoseRate(gmcNet_, gmcMinutes_, graph_);
    entry.Last = gmcLatest_.Time;
    entry.SumCpm = gmcSum_;
    entry.SumNet = gmcNet_;
    entry.Minutes = gmcMinutes_;
}

void MapUploader::Queue(Entry entry) {
    if (int(queue_.size()) >= kQueueLimit) {
        if (!droppedNoted_) {
            MapEvent dropped;
            dropped.What = MapEvent::Kind::Dropped;
            dropped.DroppedTime = queue_.front().Last;
            dropped.Waiting = int(queue_.size());
            Note(dropped);
            droppedNoted_ = true;
        }
        if (inFlight_ == &queue_.front()) {
            inFlight_ = nullptr;  // its answer no longer counts
        }
        queue_.pop_front();
    }
    entry.QueuedMs = clock_.elapsed();
    queue_.push_back(entry);
}

void MapUploader::SendNext() {
    if (stopped_ || refused_ || reply_ || pace_->isActive() || queue_.empty()) {
        return;
    }
    // In order, unless the live reading would wait longer than a minute: the next decision comes
    // after the pause between requests at the earliest.
    Entry* next = nullptr;
    Entry& newest = queue_.back();
    if (newest.Live && !newest.Taken &&
        clock_.elapsed() - newest.QueuedMs + gapMs_ >= kLiveWaitMs) {
        next = &newest;
    }
    for (auto it = queue_.begin(); it != queue_.end() && !next; ++it) {
        if (!it->Taken) {
            next = &*it;
        }
    }
    if (!next) {
        return;
    }
    if (upload_.Service == MapService::GmcMap && !probing_) {
        GmcReading(*next);
    }
    const MapRequest request =
        BuildMapRequest(upload_.Service, upload_.Url, upload_.Login, next->Reading);
    QNetworkRequest http(request.Url);
    http.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("solamine/" SOLAMINE_VERSION));
    // HTTP/1.1 only: a request a minute gains nothing from HTTP/2.
    http.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (tls_) {
        http.setSslConfiguration(*tls_);
    }
    inFlight_ = next;
    inFlightUrl_ = MaskedUrl(request.Url);
    timedOut_ = false;
    if (request.Method == "POST") {
        http.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        reply_ = network_->post(http, request.Body);
    } else {
        reply_ = network_->get(http);
    }
    timeout_->start(timing_.RequestTimeoutMs);
}

QString MapUploader::Scrubbed(QString text) const {
    const QString& secret = upload_.Login.Secret;
    if (!secret.isEmpty()) {
        text.replace(QString::fromLatin1(QUrl::toPercentEncoding(secret, ":")),
                     QStringLiteral("***"));
        text.replace(secret, QStringLiteral("***"));
    }
    return text;
}

void MapUploader::Finished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply != reply_) {
        return;
    }
    reply_ = nullptr;
    timeout_->stop();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    MapAnswer answer;
    if (status == 0) {
        answer.Outcome = MapOutcome::Failed;
        answer.Reason =
            timedOut_
                ? QStringLiteral("no answer within %1 s").arg(Seconds(timing_.RequestTimeoutMs))
                : Scrubbed(reply->errorString());
    } else {
        answer = ClassifyMapAnswer(upload_.Service, status, reply->readAll());
        answer.Reason = Scrubbed(answer.Reason);
    }
    Answered(answer);
}

void MapUploader::Answered(const MapAnswer& answer) {
    Entry* entry = std::exchange(inFlight_, nullptr);
    if (std::exchange(probing_, false)) {
        stopped_ = true;
        queue_.clear();
        emit ProbeFinished(answer);
        return;
    }
    if (stopped_) {
        if (entry && answer.Outcome == MapOutcome::Accepted) {
            entry->Taken = true;
            ++sent_;
            Acknowledge();
        }
        return;
    }
    switch (answer.Outcome) {
        case MapOutcome::Accepted:
            ++sent_;
            retryMs_ = timing_.FirstRetryMs;
            if (entry) {
                entry->Taken = true;
                if (upload_.Service == MapService::GmcMap) {
                    gmcSum_ -= entry->SumCpm;
                    gmcNet_ -= entry->SumNet;
                    gmcMinutes_ -= entry->Minutes;
                }
            }
            Acknowledge();
            if (std::exchange(failing_, false)) {
                MapEvent resumed;
                resumed.What = MapEvent::Kind::Resumed;
                resumed.Waiting = Waiting();
                Note(resumed);
                lastReason_.clear();
                droppedNoted_ = false;
            }
            if (queue_.empty()) {
                gapMs_ = 0;  // a new backlog starts at full speed again
                slowNoted_ = false;
            } else {
                // From the event loop even without a pause: a request made inside the last one's
                // end would not find its connection free and open another (a TLS handshake each).
                pace_->start(gapMs_);
            }
            break;
        case MapOutcome::TooSoon:
            gapMs_ = std::min(std::max(kFirstSlowMs, gapMs_ * 2), timing_.LastRetryMs);
            Retry(gapMs_, answer, MapEvent::Kind::SlowedDown);
            break;
        case MapOutcome::Failed:
            Retry(retryMs_, answer, MapEvent::Kind::Failing);
            retryMs_ = std::min(retryMs_ * 2, timing_.LastRetryMs);
            break;
        case MapOutcome::Refused: {
            refused_ = true;
            pace_->stop();
            queue_.clear();
            MapEvent refused;
            refused.What = MapEvent::Kind::Refused;
            refused.Answer = answer;
            Note(refused);
            break;
        }
    }
    emit StateChanged();
}

void MapUploader::Retry(int pauseMs, const MapAnswer& answer, MapEvent::Kind kind) {
    MapEvent event;
    event.What = kind;
    event.Answer = answer;
    event.Waiting = Waiting();
    event.NextTrySeconds = Seconds(pauseMs);
    // A line when it starts and when the reason changes, not one a minute.
    if (kind == MapEvent::Kind::Failing && (!failing_ || answer.Reason != lastReason_)) {
        Note(event);
    } else if (kind == MapEvent::Kind::SlowedDown && !std::exchange(slowNoted_, true)) {
        Note(event);
    }
    if (kind == MapEvent::Kind::Failing) {
        failing_ = true;
        lastReason_ = answer.Reason;
    }
    pace_->start(pauseMs);
}

void MapUploader::Acknowledge() {
    std::optional<double> last;
    while (!queue_.empty() && queue_.front().Taken) {
        last = queue_.front().Last;
        queue_.pop_front();
    }
    if (last) {
        emit MinuteAcknowledged(*last);
    }
}

void MapUploader::Note(MapEvent event) {
    if (notes_) {
        event.Service = upload_.Service;
        if (event.Url.isEmpty()) {
            event.Url = inFlightUrl_;
        }
        notes_(event);
    }
}

void MapUploader::Probe(const MapReading& reading) {
    probing_ = true;
    Entry entry;
    entry.Reading = reading;
    Queue(entry);
    SendNext();
}

MapReading MapTestReading(const std::optional<LogRecord>& latest, double now,
                          const GraphSettings& graph) {
    LogRecord record;
    if (latest) {
        record = *latest;
    } else {
        record.Time = (std::floor(now * kMinutesPerDay) - 1) / kMinutesPerDay;
        record.Cpm = kSampleCpm;
    }
    MapReading reading;
    reading.Time = MinuteEnd(record.Time);
    reading.Cpm = record.Cpm;
    reading.MeanCpm = record.Cpm;
    reading.Usv = MeanDoseRate(double(NetCount(record.Cpm, graph)), 1, graph);
    return reading;
}

int MapUploader::Stop(int timeoutMs) {
    stopped_ = true;
    pace_->stop();
    if (reply_ && timeoutMs > 0) {
        QEventLoop wait;
        connect(reply_, &QNetworkReply::finished, &wait, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (reply_) {
        QNetworkReply* reply = std::exchange(reply_, nullptr);
        timeout_->stop();
        reply->abort();
    }
    inFlight_ = nullptr;
    const int left = Waiting();
    queue_.clear();
    emit StateChanged();
    return left;
}
