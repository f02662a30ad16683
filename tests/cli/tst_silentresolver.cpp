#include "CliRun.h"
#include "MapUploader.h"
#include "MqttPublisher.h"
#include "StationRig.h"
#include "TestMain.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

namespace {

// The DNS server that tests/silent-resolver.sh names in the namespace's resolv.conf: it reads
// each query and answers none, until told to say "no such name" to those it kept and to all
// that come after.
class SilentResolver {
public:
    SilentResolver() {
        const QByteArray address = qgetenv("SOLAMINE_SILENT_RESOLVER");
        if (address.isEmpty()) {
            return;
        }
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(53);
        bound_ = ::inet_pton(AF_INET, address.constData(), &where.sin_addr) == 1 &&
                 ::bind(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            Query query{QByteArray(512, '\0'), {}};
            socklen_t length = sizeof query.From;
            const ssize_t size = ::recvfrom(fd_, query.Bytes.data(), query.Bytes.size(), 0,
                                            reinterpret_cast<sockaddr*>(&query.From), &length);
            if (size >= 12) {
                query.Bytes.truncate(size);
                kept_.push_back(query);
                if (answering_) {
                    AnswerKept();
                }
            }
        });
    }
    ~SilentResolver() {
        notifier_.reset();
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool Bound() const { return bound_; }
    int Queries() const { return queries_ + int(kept_.size()); }
    void AnswerNoSuchName() {
        answering_ = true;
        AnswerKept();
    }

private:
    struct Query {
        QByteArray Bytes;
        sockaddr_in From;
    };

    void AnswerKept() {
        for (Query& query : kept_) {
            query.Bytes[2] = char(query.Bytes[2] | 0x80);  // a response
            query.Bytes[3] = char(0x83);                   // NXDOMAIN
            ::sendto(fd_, query.Bytes.constData(), size_t(query.Bytes.size()), 0,
                     reinterpret_cast<sockaddr*>(&query.From), sizeof query.From);
        }
        queries_ += int(kept_.size());
        kept_.clear();
    }

    int fd_ = -1;
    bool bound_ = false;
    bool answering_ = false;
    int queries_ = 0;  // answered
    std::vector<Query> kept_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// A lookup on the loop's thread stalls it for seconds; a sanitizer's own work on a shared
// machine, or an emulator translating code, now and then for about 100 ms.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__) || defined(SOLAMINE_EMULATED)
constexpr qint64 kLongestGapMs = 250;
#else
constexpr qint64 kLongestGapMs = 100;
#endif

struct Ticked {
    qint64 LongestGapMs = 0;
    int Reports = 0;
};

// Twelve minutes of reports handed to rig, one per 20 ms tick, the loop running for durationMs;
// each tick also runs onTick. Says how late a tick came at worst.
Ticked TickMinutes(Rig& rig, qint64 durationMs, const std::function<void()>& onTick = {}) {
    Ticked ticked;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        ticked.LongestGapMs = std::max(ticked.LongestGapMs, now - last);
        last = now;
        if (onTick) {
            onTick();
        }
        if (ticked.Reports <= 12 * 60) {
            rig.Report(At(8, 14, 30, 0) + (ticked.Reports + 0.5) * kSecond,
                       ticked.Reports % 60 ? 0 : 35);
            ++ticked.Reports;
        }
        if (now >= durationMs) {
            loop.quit();
        }
    });
    tick.start(20);
    loop.exec();
    return ticked;
}

int ThreadCount() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:")) {
            return line.mid(8).trimmed().toInt();
        }
    }
    return -1;
}

}  // namespace

// A broker named by a host name that the DNS server never answers: the event loop goes on.
class SilentResolverTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (qEnvironmentVariableIsEmpty("SOLAMINE_SILENT_RESOLVER")) {
            QSKIP("needs the namespace of tests/silent-resolver.sh (CTest: cli_silent_resolver)");
        }
    }

    // Twelve minutes handed over one report per 20 ms tick, while the publisher tries the
    // name again and again: no tick comes late by more than kLongestGapMs, every minute reaches
    // the file, and one lookup thread at most is ever there.
    void minutesGoOnWhileTheLookupHangs() {
        SilentResolver resolver;
        QVERIFY(resolver.Bound());
        Rig rig;
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        MqttSettings settings;
        settings.Host = QStringLiteral("silent.example.test");
        settings.Port = 1883;
        settings.StationId = QStringLiteral("silent");
        MqttPublisher publisher(settings,
                                [&rig](const MqttEvent& event) { rig.notes << event.Reason; });
        MqttPublisher::Timing timing;
        timing.FirstRetryMs = 50;
        timing.LastRetryMs = 400;
        timing.ConnectTimeoutMs = 1000;
        publisher.SetTiming(timing);
        rig.logger->Session().AddPublisher(&publisher);
        const int threads = ThreadCount();
        publisher.Start();

        int mostThreads = threads;
        const Ticked ticked =
            TickMinutes(rig, 15000, [&] { mostThreads = std::max(mostThreads, ThreadCount()); });
        const qint64 longestGapMs = ticked.LongestGapMs;
        const int reports = ticked.Reports;
        qInfo("longest gap between 20 ms ticks: %lld ms; threads %d, at most %d", longestGapMs,
              threads, mostThreads);
        QVERIFY2(longestGapMs < kLongestGapMs, qPrintable(QString::number(longestGapMs)));
        QCOMPARE(reports, 12 * 60 + 1);
        QCOMPARE(rig.lines.size(), 12);
        QCOMPARE(rig.File(), Lines(rig.lines));
        QVERIFY(resolver.Queries() > 0);
        QVERIFY2(rig.notes.contains("host name lookup timed out"), qPrintable(rig.notes.join('|')));
        QVERIFY(rig.notes.contains("previous host name lookup still running"));
        QCOMPARE(mostThreads, threads + 1);
        QCOMPARE(publisher.Waiting(), 12);

        // Answered at last: the stuck lookup ends (its thread destroys its handle), and the
        // next attempt is made and told that the name does not exist.
        resolver.AnswerNoSuchName();
        QTRY_VERIFY(rig.notes.contains("host name not found"));
        QVERIFY(ThreadCount() <= threads + 1);

        QElapsedTimer stop;
        stop.start();
        QCOMPARE(publisher.Stop(1000), 12);
        QVERIFY2(stop.elapsed() < 100, qPrintable(QString::number(stop.elapsed())));
    }

    // A map named by that host name: the lookup and the request run on Qt's side, so the ticks
    // keep their pace, every minute reaches the file, the request's time limit tells the
    // failure once, and the stop does not wait for the resolver.
    void mapUploadWhileTheLookupHangs() {
        SilentResolver resolver;
        QVERIFY(resolver.Bound());
        Rig rig;
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        MapUpload upload = DefaultMapUpload(MapService::Radmon);
        upload.Login.User = QStringLiteral("me");
        upload.Url = QUrl(QStringLiteral("https://silent.example.test/radmon.php"));
        MapUploader uploader(upload, {}, {},
                             [&rig](const MapEvent& event) { rig.notes << event.Answer.Reason; });
        MapTiming timing;
        timing.RequestTimeoutMs = 1000;
        timing.FirstRetryMs = 50;
        timing.LastRetryMs = 400;
        uploader.SetTiming(timing);
        rig.logger->Session().AddPublisher(&uploader);
        const qint64 longestGapMs = TickMinutes(rig, 16000).LongestGapMs;
        qInfo("longest gap between 20 ms ticks: %lld ms", longestGapMs);
        QVERIFY2(longestGapMs < kLongestGapMs, qPrintable(QString::number(longestGapMs)));
        QCOMPARE(rig.lines.size(), 12);
        QCOMPARE(rig.File(), Lines(rig.lines));
        QVERIFY(resolver.Queries() > 0);
        QCOMPARE(rig.notes, QStringList{"no answer within 1 s"});
        QCOMPARE(uploader.Waiting(), 12);
        QElapsedTimer stop;
        stop.start();
        QCOMPARE(uploader.Stop(1000), 12);
        QVERIFY2(stop.elapsed() < 1100, qPrintable(QString::number(stop.elapsed())));
    }

    // The station itself ends within the 2 s it promises after SIGTERM, with its lookup still
    // in the resolver, and says why the broker was not reached.
    void stationEndsOnTerm() {
        SilentResolver resolver;
        QVERIFY(resolver.Bound());
        QTemporaryDir dir;
        QProcess station;
#ifdef __SANITIZE_THREAD__
        // ThreadSanitizer sleeps a second at the exit of its own accord; the 2 s are the
        // program's.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TSAN_OPTIONS", environment.value("TSAN_OPTIONS") +
                                               QStringLiteral(" atexit_sleep_ms=0"));
        station.setProcessEnvironment(environment);
#endif
        station.start(
            QStringLiteral(SOLAMINE_CLI),
            {"log", "--simulate", "--mqtt", "mqtt://silent.example.test", dir.filePath("log.csv")});
        QByteArray errors;
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += station.readAllStandardError()).contains("host name lookup timed out"),
            20000);
        QVERIFY(resolver.Queries() > 0);
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(station.processId()), SIGTERM);
        const CliRun run = FinishCli(station, 10000);
        qInfo("SIGTERM to the end: %lld ms", clock.elapsed());
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(errors.contains("MQTT: cannot reach silent.example.test:1883 (host name lookup "
                                 "timed out)"),
                 errors.constData());
    }
};

SOLAMINE_TEST(SilentResolverTest)
#include "tst_silentresolver.moc"
