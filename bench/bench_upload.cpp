// Uploading to a public map (radmon's request form) against a map of the bench's own on
// 127.0.0.1 over HTTPS (tests/MapServer.h: a certificate openssl makes for the run): a reading's
// cost from Publish to the map's acknowledgement, in wall time and in this process's CPU (the
// map's own share included: it runs in the same thread); the resident memory of a week of
// waiting readings (10,080) while the map is down; and that week sent once the map is back: the
// time and the number of requests.
#include "CpuTime.h"
#include "DateTime.h"
#include "MapServer.h"
#include "MapUploader.h"
#include "ResidentMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kWeek = 7 * 24 * 60;

PublishedMinute Minute(int i) {
    return {{DateTime::Encode(2026, 12, 1) + i / 1440.0, 30 + i % 20, 0.05}, 0.1, i % 1440};
}

// Runs the event loop until done holds after a change of uploader's, or ms passed.
bool WaitFor(MapUploader& uploader, const std::function<bool()>& done, int ms) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QObject::connect(&uploader, &MapUploader::StateChanged, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

MapUpload Radmon(const MapServer& server) {
    MapUpload upload = DefaultMapUpload(MapService::Radmon);
    upload.Login.User = QStringLiteral("bench");
    upload.Login.Secret = QStringLiteral("secret");
    upload.Url = QUrl(server.Url(QStringLiteral("/radmon.php")));
    return upload;
}

void PerUpload(MapServer& server) {
    std::vector<double> wall, cpu;
    constexpr int kReadings = 1000;
    for (int run = 0; run < 5; ++run) {
        MapUploader uploader(Radmon(server), server.CaFile(), {}, {});
        uploader.Publish(Minute(0));  // the connection and its TLS handshake
        WaitFor(
            uploader, [&] { return uploader.Sent() == 1; }, 10000);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuSeconds();
        for (int i = 1; i <= kReadings; ++i) {
            uploader.Publish(Minute(i));
            WaitFor(
                uploader, [&] { return uploader.Sent() == i + 1; }, 10000);
        }
        wall.push_back(double(timer.nsecsElapsed()) / 1e3 / kReadings);
        cpu.push_back((CpuSeconds() - cpuStart) * 1e6 / kReadings);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "per upload (HTTPS, connection kept): median %.0f us wall, %.0f us CPU "
        "(map included; %d readings, 5 runs)\n",
        wall[2], cpu[2], kReadings);
}

void Week(MapServer& server) {
    const long before = ResidentKiB();
    MapTiming timing;
    timing.LastRetryMs = 1000;  // while the map is down, a try a second
    MapUploader uploader(Radmon(server), server.CaFile(), {}, {});
    uploader.SetTiming(timing);
    server.Down();
    for (int i = 0; i < kWeek; ++i) {
        uploader.Replay(Minute(i));
    }
    WaitFor(
        uploader, [] { return false; }, 1500);
    const long queued = ResidentKiB();
    std::printf("a week waiting (%d readings): %ld KiB resident more (%ld KiB in all)\n",
                uploader.Waiting(), queued - before, queued);
    server.Up();
    const qsizetype requestsBefore = server.Requests().size();
    WaitFor(
        uploader, [&] { return uploader.Sent() > 0; }, 5000);
    // From the first reading the map took.
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = CpuSeconds();
    WaitFor(
        uploader, [&] { return uploader.Waiting() == 0; }, 3600000);
    std::printf(
        "the week sent after the outage: %.2f s, %lld requests, %.2f s CPU (map "
        "included)\n",
        double(timer.elapsed()) / 1000, qlonglong(server.Requests().size() - requestsBefore),
        CpuSeconds() - cpuStart);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    MapServer server;
    if (!server.Ok()) {
        std::fprintf(stderr, "cannot start the map (openssl?)\n");
        return 1;
    }
    PerUpload(server);
    Week(server);
    return 0;
}
