// Publishing to a broker: what a minute costs the logger (wall time from Publish to the broker's
// acknowledgement, and this process's CPU time), against Debian's mosquitto started here on
// 127.0.0.1; and the resident memory of a full seven-day queue while no broker answers.
#include "CpuTime.h"
#include "DateTime.h"
#include "FreePort.h"
#include "MqttPublisher.h"
#include "ResidentMemory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

MqttSettings Settings(int port) {
    MqttSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = port;
    settings.StationId = QStringLiteral("bench");
    return settings;
}

LogRecord Minute(int i) {
    return {DateTime::Encode(2026, 12, 1) + i / 1440.0, 30 + i % 20, 0.05 + (i % 7) * 0.001};
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return done();
}

void PublishingCost() {
    QTemporaryDir dir;
    const int port = FreePort();
    QFile config(dir.filePath(QStringLiteral("mosquitto.conf")));
    config.open(QIODevice::WriteOnly);
    config.write("listener " + QByteArray::number(port) + " 127.0.0.1\nallow_anonymous true\n" +
                 (::geteuid() == 0 ? "user root\n" : "") + "log_dest none\n");
    config.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config.fileName()});
    if (!broker.waitForStarted(5000)) {
        std::printf("no mosquitto: publishing cost not measured\n");
        return;
    }
    constexpr int kMinutes = 2000;
    std::vector<double> wallUs;
    std::vector<double> cpuUs;
    for (int run = 0; run < 5; ++run) {
        MqttPublisher publisher(Settings(port), {});
        QDeadlineTimer started(5000);
        do {
            publisher.Start();
            WaitFor([&] { return publisher.CurrentState() != MqttPublisher::State::Connecting; },
                    2000);
        } while (publisher.CurrentState() != MqttPublisher::State::Connected &&
                 !started.hasExpired() && (QThread::msleep(50), true));
        QElapsedTimer timer;
        timer.start();
        const double cpu = CpuSeconds();
        for (int i = 0; i < kMinutes; ++i) {
            publisher.Publish({Minute(i)});
        }
        if (!WaitFor([&] { return publisher.Waiting() == 0; }, 60000)) {
            std::printf("the broker did not take the minutes\n");
            return;
        }
        wallUs.push_back(double(timer.nsecsElapsed()) / 1e3 / kMinutes);
        cpuUs.push_back((CpuSeconds() - cpu) * 1e6 / kMinutes);
        publisher.Stop(1000);
    }
    std::sort(wallUs.begin(), wallUs.end());
    std::sort(cpuUs.begin(), cpuUs.end());
    std::printf(
        "publishing, %d minutes a run, 5 runs: median %.1f µs a minute from Publish to the "
        "broker's acknowledgement (one at a time), %.1f µs of this process's CPU\n",
        kMinutes, wallUs[2], cpuUs[2]);
    broker.terminate();
    broker.waitForFinished(5000);
}

void QueueMemory() {
    const long before = ResidentKiB();
    MqttPublisher publisher(Settings(FreePort()), {});
    MqttPublisher::Timing timing;
    timing.FirstRetryMs = 3600000;
    publisher.SetTiming(timing);
    publisher.Start();  // nothing listens: every minute waits
    const long empty = ResidentKiB();
    for (int i = 0; i < MqttPublisher::kQueueLimit; ++i) {
        publisher.Publish({Minute(i)});
    }
    const long full = ResidentKiB();
    std::printf(
        "seven-day queue (%d minutes waiting): resident %ld KiB in all; the client library "
        "and publisher %ld KiB, the full queue %ld KiB\n",
        publisher.Waiting(), full, empty - before, full - empty);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QueueMemory();
    PublishingCost();
    return 0;
}
