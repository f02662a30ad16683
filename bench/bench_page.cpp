// The station serving its web page to one browser: `solamine-cli log --simulate --http`
// started as a child, over a new log and over a log that already holds 30 days (43,200
// minutes). What the child costs, all its threads (from /proc/PID/task/*/schedstat), and its
// resident memory (VmRSS, VmHWM): a minute with nobody asking; a browser's minute in real time
// (the page once, /api/now every 15 s); then, back to back, page loads, a new minute's chart
// and days, and /api/now (median CPU and time of each), and the memory before serving and
// after them. A page load is `/`, the style sheets and scripts it names under assets/, a
// 24-hour chart 1200 pixels wide and 30 days' daily summary, on one keep-alive connection; a
// path the build does not serve is reported with its status, not failed.
// Usage: bench_page [LOADS] [SECONDS]   (default 30 page loads, a 60 s minute)
#include "CsvLog.h"
#include "DateTime.h"
#include "MedianTime.h"
#include "SampleDisplay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// Nanoseconds the threads of process pid have run on a CPU so far.
qint64 CpuNs(qint64 pid) {
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (file.open(QIODevice::ReadOnly)) {
            total += file.readAll().split(' ').front().toLongLong();
        }
    }
    return total;
}

// The resident memory of process pid, now and at its peak, in KiB (-1: unknown).
struct Memory {
    long Rss = -1;
    long Hwm = -1;
};

Memory MemoryOf(qint64 pid) {
    Memory memory;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return memory;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2) {
            continue;
        }
        if (fields[0] == "VmRSS:") {
            memory.Rss = fields[1].toLong();
        } else if (fields[0] == "VmHWM:") {
            memory.Hwm = fields[1].toLong();
        }
    }
    return memory;
}

struct Response {
    int Status = 0;  // 0: no answer
    QByteArray Body;
};

// One browser's connection: its requests one after another, opened again when the station
// closed it.
class Browser {
public:
    explicit Browser(quint16 port) : port_(port) {}

    Response Get(const QByteArray& target) {
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            socket_.abort();
            socket_.connectToHost(QHostAddress::LocalHost, port_);
            if (!socket_.waitForConnected(5000)) {
                return {};
            }
        }
        socket_.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray all;
        while (socket_.waitForReadyRead(10000)) {
            all += socket_.readAll();
            const qsizetype end = all.indexOf("\r\n\r\n");
            if (end < 0) {
                continue;
            }
            const QByteArray head = all.left(end).toLower();
            const qsizetype at = head.indexOf("content-length:");
            const qint64 length =
                at < 0 ? 0 : head.mid(at + 15).split('\r').front().trimmed().toLongLong();
            if (all.size() - end - 4 >= length) {
                return {all.mid(9, 3).toInt(), all.mid(end + 4, length)};
            }
        }
        return {};
    }

private:
    quint16 port_;
    QTcpSocket socket_;
};

struct Fetched {
    QByteArray Target;
    int Status = 0;
    qsizetype Bytes = 0;
};

// The paths of the files the page's text has a browser load with it: its style sheets and
// scripts, not the files it only links to.
QList<QByteArray> AssetsOf(const QByteArray& page) {
    QList<QByteArray> assets;
    static const QRegularExpression named(
        QStringLiteral("<(?:link|script)\\b[^>]*\\b(?:href|src)=\"/?(assets/[^\"?#]+)\""));
    auto matches = named.globalMatch(QString::fromUtf8(page));
    while (matches.hasNext()) {
        const QByteArray path = '/' + matches.next().captured(1).toUtf8();
        if (!assets.contains(path)) {
            assets << path;
        }
    }
    return assets;
}

// What a browser asks for when it opens the page (whole), or when the page takes a new minute:
// the chart and the last 30 days.
std::vector<Fetched> LoadPage(Browser& browser, bool whole = true) {
    std::vector<Fetched> fetched;
    QList<QByteArray> targets;
    if (whole) {
        const Response page = browser.Get("/");
        fetched.push_back({"/", page.Status, page.Body.size()});
        targets = AssetsOf(page.Body);
    }
    const QDate today = QDate::currentDate();
    targets << "/api/chart?span=24h&width=1200"
            << "/api/summary?by=day&from=" + today.addDays(-29).toString(Qt::ISODate).toLatin1() +
                   "&to=" + today.addDays(1).toString(Qt::ISODate).toLatin1();
    for (const QByteArray& target : targets) {
        const Response answer = browser.Get(target);
        fetched.push_back({target, answer.Status, answer.Body.size()});
    }
    return fetched;
}

// Writes a log of the given minutes, a minute a line, up to the minute before now.
void WriteLog(const QString& path, int minutes) {
    const QDateTime now = QDateTime::currentDateTime();
    const double last = DateTime::Encode(now.date().year(), now.date().month(), now.date().day(),
                                         now.time().hour(), now.time().minute()) -
                        1 / 1440.0;
    std::mt19937 random(5);
    std::poisson_distribution<int> cpm(35.0);
    SampleLog log;
    for (int minute = minutes - 1; minute >= 0; --minute) {
        log.Append({last - minute / 1440.0, cpm(random)});
    }
    WriteCsvLog(path, CsvTextOf(log, {}));
}

// Waits up to 20 s for the child's standard error to hold text; returns all it said.
QByteArray AwaitSaid(QProcess& station, QByteArray& said, const QByteArray& text) {
    for (int i = 0; i < 200 && !said.contains(text); ++i) {
        station.waitForReadyRead(100);
        said += station.readAllStandardError();
    }
    return said;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void PrintMemory(const char* when, const Memory& memory) {
    std::printf("  resident memory %s: VmRSS %ld KiB, VmHWM %ld KiB\n", when, memory.Rss,
                memory.Hwm);
}

bool Bench(const QString& file, int loads, int seconds) {
    QProcess station;
    station.start(QStringLiteral(SOLAMINE_CLI),
                  {"log", "--simulate", "--http", "127.0.0.1:0", file});
    QByteArray said;
    AwaitSaid(station, said, "connected to the counter");
    AwaitSaid(station, said, "HTTP: listening on");
    const qsizetype at = said.indexOf("http://");
    const quint16 port =
        quint16(said.mid(at).split('\n').front().split(':').back().split('/').front().toUInt());
    if (at < 0 || port == 0) {
        std::fprintf(stderr, "the station did not start:\n%s\n", said.constData());
        return false;
    }
    const qint64 pid = station.processId();
    QThread::msleep(2000);
    PrintMemory("before serving", MemoryOf(pid));

    qint64 cpu = CpuNs(pid);
    QThread::msleep(seconds * 1000UL);
    std::printf("  nobody asking: %.1f ms CPU a minute\n",
                double(CpuNs(pid) - cpu) / 1e6 * 60 / seconds);

    Browser browser(port);
    cpu = CpuNs(pid);
    for (int second = 0; second < seconds; second += 15) {
        if (second == 0) {
            for (const Fetched& fetched : LoadPage(browser)) {
                std::printf("  GET %s: %d, %lld bytes\n", fetched.Target.constData(),
                            fetched.Status, qlonglong(fetched.Bytes));
            }
        }
        if (browser.Get("/api/now").Status != 200) {
            std::printf("  /api/now not answered\n");
        }
        QThread::msleep(1000UL * std::min(15, seconds - second));
    }
    std::printf("  a browser's minute (the page once, /api/now every 15 s): %.1f ms CPU\n",
                double(CpuNs(pid) - cpu) / 1e6 * 60 / seconds);

    std::vector<double> pageCpu;
    std::vector<double> nowCpu;
    const double pageMs = MedianMs(loads, [&] {
        const qint64 before = CpuNs(pid);
        LoadPage(browser);
        pageCpu.push_back(double(CpuNs(pid) - before) / 1e6);
    });
    const double nowMs = MedianMs(loads, [&] {
        const qint64 before = CpuNs(pid);
        browser.Get("/api/now");
        nowCpu.push_back(double(CpuNs(pid) - before) / 1e6);
    });
    std::printf("  a page load: median %.2f ms CPU, %.2f ms (%d loads)\n", Median(pageCpu), pageMs,
                loads);
    std::vector<double> refreshCpu;
    const double refreshMs = MedianMs(loads, [&] {
        const qint64 before = CpuNs(pid);
        LoadPage(browser, false);
        refreshCpu.push_back(double(CpuNs(pid) - before) / 1e6);
    });
    std::printf("  a new minute's chart and days: median %.2f ms CPU, %.2f ms\n",
                Median(refreshCpu), refreshMs);
    std::printf("  /api/now: median %.3f ms CPU, %.3f ms\n", Median(nowCpu), nowMs);
    PrintMemory(
        qPrintable(QStringLiteral("after %1 page loads, %2 refreshes").arg(loads + 1).arg(loads)),
        MemoryOf(pid));

    station.terminate();
    station.waitForFinished(5000);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int loads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int seconds = argc > 2 ? std::max(15, std::atoi(argv[2])) : 60;
    QTemporaryDir folder;
    std::printf("a new log:\n");
    if (!Bench(folder.filePath(QStringLiteral("new.csv")), loads, seconds)) {
        return 1;
    }
    const QString month = folder.filePath(QStringLiteral("month.csv"));
    WriteLog(month, 30 * 1440);
    std::printf("a log of 30 days (43,200 minutes, %lld bytes):\n",
                qlonglong(QFileInfo(month).size()));
    return Bench(month, loads, seconds) ? 0 : 1;
}
