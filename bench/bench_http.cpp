// The station's web API over a year of daily files (365 files, 525,600 minutes): the median
// time of a 30-day /api/minutes (43,200 minutes, JSON) and of the same as CSV, asked over
// loopback from the HTTP server on its own thread, and the same replies made without HTTP
// (Answer). Median of 21 runs each.
// Usage: bench_http [FOLDER]   (default a temporary folder)
#include "CsvLog.h"
#include "DateTime.h"
#include "HttpPublisher.h"
#include "MedianTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <cstdio>
#include <random>

namespace {

// Writes the daily files of the 365 days from start, a minute a line.
void WriteYear(const QString& folder, double start) {
    std::mt19937 random(3);
    std::poisson_distribution<int> cpm(35.0);
    for (int day = 0; day < 365; ++day) {
        SampleLog log;
        for (int minute = 0; minute < 1440; ++minute) {
            log.Append({start + day + minute / 1440.0, cpm(random)});
        }
        const DateTime::Date d = DateTime::Decode(start + day).date;
        WriteCsvLog(
            QDir(folder).filePath(QString::asprintf("%04d-%02d-%02d.csv", d.year, d.month, d.day)),
            CsvTextOf(log, {}));
    }
}

// The bytes of the body of one GET, on a connection of its own.
qsizetype Get(quint16 port, const QByteArray& target) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.waitForConnected(5000);
    socket.write("GET " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QByteArray all;
    qint64 length = -1;
    qsizetype head = -1;
    while (socket.waitForReadyRead(10000)) {
        all += socket.readAll();
        if (head < 0 && (head = all.indexOf("\r\n\r\n")) >= 0) {
            const qsizetype at = all.indexOf("Content-Length: ");
            length = all.mid(at + 16, all.indexOf('\r', at) - at - 16).toLongLong();
        }
        if (head >= 0 && all.size() - head - 4 >= length) {
            break;
        }
    }
    return all.size() - head - 4;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const double start = DateTime::Encode(2025, 12, 1);
    QElapsedTimer clock;
    clock.start();
    WriteYear(folder, start);
    std::printf("a year of daily files written in %.1f s\n", double(clock.elapsed()) / 1e3);

    const ApiSource source{{{}, folder}, {}, QStringLiteral("bench"), {}};
    // Thirty days in the middle of the year.
    const QByteArray range = "?from=2026-05-01T00:00&to=2026-05-31T00:00";
    QUrlQuery query(QString::fromLatin1(range.mid(1)));
    qsizetype bytes = 0;
    const double read = MedianMs(21, [&] {
        bytes = Answer(QStringLiteral("/api/minutes"), query, true, {}, source).Body.size();
    });
    std::printf("30 days read and written as JSON without HTTP: median %.1f ms, %lld bytes\n", read,
                static_cast<long long>(bytes));
    const double csv = MedianMs(21, [&] {
        bytes = Answer(QStringLiteral("/api/minutes.csv"), query, true, {}, source).Body.size();
    });
    std::printf("30 days read and written as CSV without HTTP: median %.1f ms, %lld bytes\n", csv,
                static_cast<long long>(bytes));

    HttpPublisher server(source);
    if (const auto reason = server.Listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(*reason));
        return 1;
    }
    for (const QByteArray& path : {QByteArray("/api/minutes"), QByteArray("/api/minutes.csv")}) {
        const double ms = MedianMs(21, [&] { bytes = Get(server.Port(), path + range); });
        std::printf("GET %s (30 days) over loopback: median %.1f ms, %lld bytes\n",
                    path.constData(), ms, static_cast<long long>(bytes));
    }
    server.Stop(1000);
    return 0;
}
