#include "CliRun.h"
#include "DateTime.h"
#include "Log.h"
#include "MetricsText.h"
#include "StationHttp.h"
#include "StationRig.h"
#include "TestMain.h"

#if __has_include(<QAbstractHttpServer>)
#include "HttpService.h"
#endif

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <csignal>
#include <memory>
#include <vector>

namespace {

#if !__has_include(<QAbstractHttpServer>)
// A build without the server skips these tests; its bounds only have to compile.
struct HttpService {
    static constexpr int kRequestMs = 0;
    static constexpr qint64 kMaxRequestBytes = 0;
};
#endif

struct Reply {
    int Status = 0;
    QByteArray Head;
    QByteArray Body;
};

// The reply to one request on socket, read to the end of its body; none after 5 s.
Reply ReadReply(QTcpSocket& socket, bool head) {
    QByteArray all;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        socket.waitForReadyRead(100);
        all += socket.readAll();
        const qsizetype end = all.indexOf("\r\n\r\n");
        if (end < 0) {
            continue;
        }
        Reply reply{all.mid(9, 3).toInt(), all.left(end), all.mid(end + 4)};
        const qsizetype length = reply.Head.toLower().indexOf("content-length: ");
        const qint64 expected =
            head ? 0 : reply.Head.mid(length + 16).split('\r').front().toLongLong();
        if (reply.Body.size() >= expected) {
            return reply;
        }
    }
    return {};
}

// One request on a connection of its own.
Reply Fetch(quint16 port, const QByteArray& method, const QByteArray& target) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000)) {
        return {};
    }
    socket.write(method + ' ' + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    return ReadReply(socket, method == "HEAD");
}

quint16 PortOf(const QString& url) {
    return quint16(url.section(u':', -1).chopped(1).toUInt());
}

// The station rig serving HTTP on a free loopback port.
struct HttpStation : Rig {
    StationHttp http;
    quint16 port = 0;

    explicit HttpStation(bool daily, double start) : Rig(daily) {
        now = start;
        QString error;
        http = StartHttp(
            {}, *logger, now, nullptr, [this](const QString& n) { notes << n; }, &error);
        port = PortOf(http.Url);
    }
    Reply Get(const QByteArray& target) { return Fetch(port, "GET", target); }
};

// The log lines of a folder's daily files, oldest day first.
QList<QByteArray> DailyLines(const QString& dir) {
    QList<QByteArray> lines;
    for (const QString& name : QDir(dir).entryList({"*.csv"}, QDir::Files, QDir::Name)) {
        for (const QByteArray& line : ReadAll(QDir(dir).filePath(name)).split('\n')) {
            if (!line.trimmed().isEmpty()) {
                lines << line.trimmed();
            }
        }
    }
    return lines;
}

// The value of a sample line of the Prometheus text.
double Metric(const QByteArray& text, const QByteArray& name) {
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(name + ' ')) {
            return line.mid(name.size() + 1).toDouble();
        }
    }
    return qQNaN();
}

}  // namespace

class StationHttpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!kHasHttpServer) {
            QSKIP("this build has no HTTP server");
        }
    }

    // The metrics pass Prometheus' own check and say what the file's last line says.
    void metricsFollowTheFile() {
        HttpStation station(false, At(8, 14, 29, 30));
        QVERIFY(station.port != 0);
        station.Minutes(At(8, 14, 29, 30) + kSecond / 2, 13, 37);
        const QList<QByteArray> lines = station.File().trimmed().split('\n');
        QCOMPARE(lines.size(), 12);
        const QList<QByteArray> last = lines.back().trimmed().split(',');
        QCOMPARE(last.size(), 4);
        const Reply reply = station.Get("/metrics");
        QCOMPARE(reply.Status, 200);
        QVERIFY(reply.Head.contains("text/plain; version=0.0.4"));
        QCOMPARE(Metric(reply.Body, "solamine_count_rate_cpm"), last[2].trimmed().toDouble());
        QCOMPARE(Metric(reply.Body, "solamine_dose_rate_sieverts_per_hour"),
                 last[3].trimmed().toDouble() * 1e-6);
        QCOMPARE(Metric(reply.Body, "solamine_minutes_logged_total"), 12.0);
        QCOMPARE(Metric(reply.Body, "solamine_counts_total"), 12.0 * 37);
        // The rig hands reports over without starting the logging.
        QCOMPARE(Metric(reply.Body, "solamine_counter_connected"), 0.0);
        QCOMPARE(Metric(reply.Body, "solamine_last_minute_timestamp_seconds"),
                 double(UnixSeconds(At(8, 14, 41))));
        const QJsonObject now = QJsonDocument::fromJson(station.Get("/api/now").Body).object();
        QCOMPARE(now.value("cpm").toInt(), 37);
        QCOMPARE(now.value("minutes_today").toInt(), 12);
        QCOMPARE(now.value("counter").toString(), QString("stopped"));

        const QString promtool = QStandardPaths::findExecutable("promtool");
        if (promtool.isEmpty()) {
            QSKIP("promtool (Debian package prometheus) is not installed");
        }
        QProcess check;
        check.start(promtool, {"check", "metrics"});
        check.write(reply.Body);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(10000));
        // Exit 3 is lint advice only. The names are the station's published ones: "counter"
        // there is the device, and minutes are what a station counts.
        const QByteArray advice = check.readAllStandardError() + check.readAllStandardOutput();
        QVERIFY2(check.exitCode() == 0 || check.exitCode() == 3, advice.constData());
        for (const QByteArray& line : advice.trimmed().split('\n')) {
            QVERIFY2(line.isEmpty() ||
                         line.startsWith("solamine_counter_connected metric name "
                                         "should not include type 'counter'") ||
                         line.endsWith("use base unit \"seconds\" instead of \"minutes\""),
                     line.constData());
        }
    }

    // Minutes come from the daily files as they hold them, across midnight, as JSON and as
    // the log's own lines.
    void minutesAcrossMidnight_data() {
        QTest::addColumn<bool>("csv");
        QTest::newRow("json") << false;
        QTest::newRow("csv") << true;
    }
    void minutesAcrossMidnight() {
        QFETCH(bool, csv);
        HttpStation station(true, At(8, 23, 49, 30));
        QString error;
        QVERIFY(station.logger->Prepare(&error));
        station.Minutes(At(8, 23, 49, 30) + kSecond / 2, 22, 20);
        const QList<QByteArray> lines = DailyLines(station.options.DailyDir);
        QCOMPARE(lines.size(), 21);
        // [23:55, 00:05): the file's lines 6 to 15.
        const QList<QByteArray> wanted = lines.mid(5, 10);
        QVERIFY(wanted.front().startsWith("26/12/08, 23:55"));
        const QByteArray range = "?from=2026-12-08T23:55&to=2026-12-09T00:05:00";
        const Reply reply = station.Get((csv ? "/api/minutes.csv" : "/api/minutes") + range);
        QCOMPARE(reply.Status, 200);
        if (csv) {
            QCOMPARE(reply.Body, wanted.join("\r\n") + "\r\n");
            return;
        }
        const QJsonArray minutes = QJsonDocument::fromJson(reply.Body).array();
        QCOMPARE(minutes.size(), wanted.size());
        for (int i = 0; i < minutes.size(); ++i) {
            const QJsonObject minute = minutes[i].toObject();
            const QList<QByteArray> fields = wanted[i].split(',');
            QCOMPARE(minute.value("cpm").toInt(), fields[2].trimmed().toInt());
            // A day's file starts its doses afresh: none for its first ten lines.
            QCOMPARE(minute.value("usv_h").isNull(), fields.size() == 3);
            QCOMPARE(minute.value("usv_h").toDouble(), fields.value(3).trimmed().toDouble());
        }
        QCOMPARE(minutes[5].toObject().value("time").toString().left(19),
                 QString("2026-12-09T00:00:00"));
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::newRow("post") << QByteArray("POST") << QByteArray("/api/now") << 405;
        QTest::newRow("delete") << QByteArray("DELETE") << QByteArray("/metrics") << 405;
        QTest::newRow("unknown") << QByteArray("GET") << QByteArray("/api/then") << 404;
        QTest::newRow("no to") << QByteArray("GET") << QByteArray("/api/minutes?from=2026-12-08")
                               << 400;
        QTest::newRow("unreadable")
            << QByteArray("GET") << QByteArray("/api/minutes.csv?from=yesterday&to=2026-12-08")
            << 400;
        QTest::newRow("backwards")
            << QByteArray("GET") << QByteArray("/api/minutes?from=2026-12-08&to=2026-12-08") << 400;
        QTest::newRow("32 days") << QByteArray("GET")
                                 << QByteArray("/api/summary?from=2026-11-01&to=2026-12-03") << 400;
        QTest::newRow("by week") << QByteArray("GET")
                                 << QByteArray("/api/summary?by=week&from=2026-12-01&to=2026-12-02")
                                 << 400;
        QTest::newRow("31 days, offset")
            << QByteArray("GET")
            << QByteArray("/api/summary?by=day&from=2026-11-01T00:00Z&to=2026-12-02T00:00%2B00:00")
            << 200;
        QTest::newRow("head") << QByteArray("HEAD") << QByteArray("/api/now") << 200;
    }
    void refusals() {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        HttpStation station(false, At(8, 14, 30));
        const Reply reply = Fetch(station.port, method, target);
        QCOMPARE(reply.Status, status);
        if (status >= 400) {
            // One line that says why.
            QVERIFY(reply.Body.endsWith('\n'));
            QCOMPARE(reply.Body.count('\n'), 1);
        }
        if (method == "HEAD") {
            QVERIFY(reply.Body.isEmpty());
        }
    }

    // A hundred connections that say nothing hold up neither the minutes nor the stop.
    void idleConnections() {
        HttpStation station(false, At(8, 14, 29, 30));
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 100; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, station.port);
            QVERIFY(idle.back()->waitForConnected(2000));
        }
        QElapsedTimer clock;
        clock.start();
        station.Minutes(At(8, 14, 29, 30) + kSecond / 2, 4, 30);
        QCOMPARE(station.File().count('\n'), 3);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(Metric(station.Get("/metrics").Body, "solamine_minutes_logged_total"), 3.0);
        clock.restart();
        QCOMPARE(station.logger->Session().StopPublishers(1000), 0);
        QVERIFY2(clock.elapsed() < 200, QByteArray::number(clock.elapsed()).constData());
        QVERIFY(idle.front()->waitForDisconnected(1000));
    }

    // A request sent a byte a second is cut off at its time limit, while the minutes are
    // written on time and a client that asks in whole requests keeps its connection past it.
    void slowRequest() {
        HttpStation station(false, At(8, 14, 29, 30));
        QTcpSocket slow;
        QTcpSocket polling;
        for (QTcpSocket* socket : {&slow, &polling}) {
            socket->connectToHost(QHostAddress::LocalHost, station.port);
            QVERIFY(socket->waitForConnected(2000));
        }
        const QByteArray request = "GET /api/now HTTP/1.1\r\nHost: localhost\r\n\r\n";
        const double from = At(8, 14, 29, 30) + kSecond / 2;
        int seconds = 0;
        QElapsedTimer clock;
        clock.start();
        while (slow.state() == QAbstractSocket::ConnectedState &&
               clock.elapsed() < HttpService::kRequestMs + 6000) {
            slow.write(request.mid(seconds % request.size(), 1));
            QElapsedTimer minute;
            minute.start();
            station.Minutes(from + seconds * 60 * kSecond, 1, 30);
            QVERIFY2(minute.elapsed() < 1000, QByteArray::number(minute.elapsed()).constData());
            polling.write(request);
            QCOMPARE(ReadReply(polling, false).Status, 200);
            ++seconds;
            QTest::qWait(int(qMax<qint64>(0, seconds * 1000 - clock.elapsed())));
        }
        QCOMPARE(slow.state(), QAbstractSocket::UnconnectedState);
        // Qt's coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= HttpService::kRequestMs * 9 / 10 &&
                     clock.elapsed() <= HttpService::kRequestMs + 5000,
                 QByteArray::number(clock.elapsed()).constData());
        QCOMPARE(station.File().count('\n'), seconds - 1);
        polling.write(request);
        QCOMPARE(ReadReply(polling, false).Status, 200);
    }

    // A request longer than the bound is cut off as soon as it is, and the server goes on.
    void endlessRequest_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("header") << QByteArray("GET /api/now HTTP/1.1\r\nX-Long: ");
        QTest::newRow("body") << QByteArray(
            "POST /api/now HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100000000\r\n\r\n");
    }
    void endlessRequest() {
        QFETCH(QByteArray, head);
        HttpStation station(false, At(8, 14, 30));
        QTcpSocket endless;
        endless.connectToHost(QHostAddress::LocalHost, station.port);
        QVERIFY(endless.waitForConnected(2000));
        endless.write(head + QByteArray(HttpService::kMaxRequestBytes, 'a'));
        QTRY_COMPARE_WITH_TIMEOUT(endless.state(), QAbstractSocket::UnconnectedState,
                                  HttpService::kRequestMs / 2);
        QCOMPARE(station.Get("/api/now").Status, 200);
    }

    // The program: a port taken is an error at start; SIGTERM ends it at once with a hundred
    // idle connections open.
    void program() {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        const CliRun refused = RunCli({"log", "--simulate", "--http",
                                       QString::number(taken.serverPort()), dir.filePath("a.csv")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("HTTP: cannot listen on 127.0.0.1:"),
                 qPrintable(refused.err));

        QProcess process;
        process.start(QStringLiteral(SOLAMINE_CLI),
                      {"log", "--simulate", "--http", "0", dir.filePath("b.csv")});
        QByteArray err;
        QTRY_VERIFY((err += process.readAllStandardError()).contains("HTTP: listening on"));
        const quint16 port =
            PortOf(QString::fromLatin1(err.mid(err.indexOf("http://")).split('\n').front()));
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 100; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(idle.back()->waitForConnected(2000));
        }
        QTRY_VERIFY((err += process.readAllStandardError()).contains("connected to the counter"));
        QVERIFY(Fetch(port, "GET", "/api/now").Body.contains("\"counter\":\"connected\""));
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(process.processId()), SIGTERM);
        QCOMPARE(FinishCli(process, 5000).exitCode, 0);
        QVERIFY2(clock.elapsed() < 2000, QByteArray::number(clock.elapsed()).constData());
#endif
    }
};

SOLAMINE_TEST(StationHttpTest)
#include "tst_stationhttp.moc"
