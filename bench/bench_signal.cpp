// How soon SIGTERM ends the built programs, which promise to end within 2 s: the window idle and
// with the start-up error box open, the station logging the virtual counter, and the station
// publishing to a broker that stopped answering (mosquitto started here on 127.0.0.1, then
// stopped with SIGSTOP). Times run from the signal to the process's end; prints the median and
// the worst of each. bench_signal [RUNS] (default 10).
#include "FreePort.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <vector>

#include <unistd.h>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return done();
}

// True when the process sleeps in an event loop's poll with its SIGTERM handler in place.
bool IdleWithSignalHandler(qint64 pid) {
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QFile wchan(proc + QStringLiteral("wchan"));
    if (!wchan.open(QIODevice::ReadOnly) || !wchan.readAll().contains("poll")) {
        return false;
    }
    QFile status(proc + QStringLiteral("status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ull << (SIGTERM - 1));
        }
    }
    return false;
}

struct Hooks {
    std::function<void()> beforeSignal;  // after the program got ready
    std::function<void()> afterRun;      // after its end
};

// Starts a program per run, waits until ready says it is, sends SIGTERM and times its end.
void Measure(const char* what, int runs, const std::function<bool(QProcess&)>& start,
             const std::function<bool(QProcess&)>& ready, const Hooks& hooks = {}) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        const bool started = start(process) && process.waitForStarted(10000) &&
                             WaitFor([&] { return ready(process); }, 30000);
        if (started && hooks.beforeSignal) {
            hooks.beforeSignal();
        }
        QElapsedTimer clock;
        clock.start();
        if (started) {
            ::kill(pid_t(process.processId()), SIGTERM);
        }
        const bool ended = started && process.waitForFinished(30000);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!ended) {
            process.kill();
            process.waitForFinished();
        }
        if (hooks.afterRun) {
            hooks.afterRun();
        }
        if (!ended) {
            std::printf("%s: %s; not measured\n", what,
                        started ? "still running 30 s after SIGTERM" : "did not get ready");
            return;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s, %d runs: median %.0f ms, worst %.0f ms\n", what, runs, ms[ms.size() / 2],
                ms.back());
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("DISPLAY"))) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    const QString log = dir.filePath(QStringLiteral("station.csv"));

    auto window = [&](const QStringList& arguments) {
        return [&environment, arguments](QProcess& process) {
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral(SOLAMINE_APP), arguments);
            return true;
        };
    };
    auto idle = [](QProcess& process) { return IdleWithSignalHandler(process.processId()); };
    Measure("window, idle", runs, window({}), idle);
    Measure("window, start-up error box open", runs,
            window({dir.filePath(QStringLiteral("missing.csv"))}), idle);

    // The station is ready once it took a report from the counter (and, with a broker, once
    // the broker took it in).
    QProcessEnvironment stationEnvironment = environment;
    stationEnvironment.insert(QStringLiteral("QT_LOGGING_RULES"),
                              QStringLiteral("solamine.device.debug=true"));
    stationEnvironment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    auto station = [&](const QStringList& options) {
        return [&stationEnvironment, &log, options](QProcess& process) {
            process.setProcessEnvironment(stationEnvironment);
            process.start(QStringLiteral(SOLAMINE_CLI),
                          QStringList{QStringLiteral("log"), QStringLiteral("--simulate")} +
                              options + QStringList{log});
            return true;
        };
    };
    // What the station said on stderr so far holds each of needed; a new run starts afresh.
    auto told = [](const QByteArrayList& needed) {
        return [needed, err = QByteArray(), pid = qint64(0)](QProcess& process) mutable {
            if (process.processId() != pid) {
                pid = process.processId();
                err.clear();
            }
            err += process.readAllStandardError();
            return std::all_of(needed.begin(), needed.end(),
                               [&](const QByteArray& n) { return err.contains(n); });
        };
    };
    Measure("station, logging", runs, station({}), told({"measurement report taken"}));

    // A broker a run: a stopped broker keeps what was sent to it.
    const int port = FreePort();
    QFile config(dir.filePath(QStringLiteral("mosquitto.conf")));
    config.open(QIODevice::WriteOnly);
    config.write("listener " + QByteArray::number(port) + " 127.0.0.1\nallow_anonymous true\n" +
                 (::geteuid() == 0 ? "user root\n" : "") + "log_dest none\n");
    config.close();
    QProcess broker;
    const auto toBroker =
        station({QStringLiteral("--mqtt"), QStringLiteral("mqtt://127.0.0.1:%1").arg(port)});
    Measure(
        "station, publishing to a broker that stopped answering", runs,
        [&](QProcess& process) {
            broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config.fileName()});
            if (!broker.waitForStarted(5000)) {
                std::printf("no mosquitto\n");
                return false;
            }
            return toBroker(process);
        },
        told({"measurement report taken", "MQTT: connected to"}),
        {[&] { ::kill(pid_t(broker.processId()), SIGSTOP); },
         [&] {
             ::kill(pid_t(broker.processId()), SIGCONT);
             broker.terminate();
             broker.waitForFinished(5000);
         }});
    return 0;
}
