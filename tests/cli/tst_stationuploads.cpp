#include "CliRun.h"
#include "HttpPublisher.h"
#include "Log.h"
#include "MapServer.h"
#include "MapUploader.h"
#include "PublishMark.h"
#include "SecretVariables.h"
#include "StationHttp.h"
#include "StationRig.h"
#include "StationUploads.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>
#include <csignal>

namespace {

constexpr double kMinute = 60 * kSecond;
// A secret with what a query must encode.
const QString kSecret = QStringLiteral("p&ss+w#rd %");

MapUpload UploadTo(MapService service, const MapServer& server) {
    MapUpload upload = DefaultMapUpload(service);
    upload.Login.User = QStringLiteral("me");
    upload.Login.Secret = kSecret;
    upload.Login.Counter = QStringLiteral("456");
    upload.Login.Latitude = 35.6812;
    upload.Login.Longitude = 139.7671;
    upload.Login.Device = QStringLiteral("42");
    if (service == MapService::GmcMap) {
        upload.Login.User = QStringLiteral("123");
        upload.Login.Secret.clear();
    }
    upload.Url = QUrl(server.Url(DefaultMapUrl(service).path()));
    return upload;
}

QString Utc(double local) {
    return DateTime::ToQDateTime(local).toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The station rig, uploading to one map as the station does, with short waits.
struct Station : Rig {
    MapSettings settings;
    StationUploads uploads;

    Station(const MapUpload& upload, const MapServer& server) {
        settings.Uploads = {upload};
        settings.CaFile = server.CaFile();
        Upload();
    }
    void Upload() {
        MapTiming timing;
        timing.RequestTimeoutMs = 500;
        timing.FirstRetryMs = 100;
        timing.LastRetryMs = 400;
        QString error;
        uploads = StartUploads(
            settings, *logger, now, [this](const QString& line) { notes << line; }, &error, timing);
        QVERIFY2(!uploads.Uploaders.empty(), qPrintable(error));
    }
    // The program killed and started again.
    void Kill() {
        Restart();
        uploads = {};
        Upload();
    }
    MapUploader& Uploader() { return static_cast<MapUploader&>(*uploads.Uploaders.front()); }
    // Whole minutes of cpms from first on; lead: the half minute before first, as at a start.
    void Feed(double first, const QList<int>& cpms, bool lead = true) {
        if (lead) {
            Minutes(first - 30 * kSecond + kSecond / 2, 1, 0);
        }
        for (int k = 0; k < cpms.size(); ++k) {
            Minutes(first + k * kMinute + 30 * kSecond + kSecond / 2, 1, std::uint16_t(cpms[k]));
        }
    }
    int Lines() const { return int(File().count('\n')); }
    // The maps' lines, without the logger's.
    QStringList MapNotes() const {
        return notes.filter(QRegularExpression(QStringLiteral("^(radmon|gmcmap|safecast): ")));
    }
};

}  // namespace

class StationUploadsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(server_.Ok()); }
    void init() {
        server_.SetAnswer({});
        if (!server_.isListening()) {
            QVERIFY(server_.Up());  // a test that failed while it was down
        }
        requestsBefore_ = int(server_.Requests().size());
    }

    // Each service gets its documented request: method, path, every item in its format, the
    // time in UTC, the JSON body; the secret encoded so that the service reads it back whole.
    void requests_data() {
        QTest::addColumn<int>("service");
        QTest::newRow("radmon") << int(MapService::Radmon);
        QTest::newRow("gmcmap") << int(MapService::GmcMap);
        QTest::newRow("safecast") << int(MapService::Safecast);
    }
    void requests() {
        QFETCH(int, service);
        const MapService map = MapService(service);
        Station station(UploadTo(map, server_), server_);
        station.Feed(At(8, 14, 30), {30, 32, 34, 36, 38});
        const int expected = map == MapService::Radmon ? 5 : 1;
        QTRY_COMPARE(int(server_.Requests().size()) - requestsBefore_, expected);
        const MapServer::Request& first = server_.Requests()[requestsBefore_];
        const MapServer::Request& last = server_.Requests().back();
        switch (map) {
            case MapService::Radmon:
                QCOMPARE(first.Method, QByteArray("GET"));
                QCOMPARE(first.Url.path(), QString("/radmon.php"));
                QCOMPARE(first.Query().queryItems().size(), 6);
                QCOMPARE(first.Item("function"), QString("submit"));
                QCOMPARE(first.Item("user"), QString("me"));
                QCOMPARE(first.Item("password"), kSecret);
                QCOMPARE(first.Item("value"), QString("30"));
                QCOMPARE(first.Item("unit"), QString("CPM"));
                // Stamped with the minute's end, in UTC, the space as %20.
                QCOMPARE(first.Item("datetime"), Utc(At(8, 14, 31)));
                QVERIFY(first.Url.query(QUrl::FullyEncoded).contains("%20"));
                QCOMPARE(last.Item("value"), QString("38"));
                QCOMPARE(last.Item("datetime"), Utc(At(8, 14, 35)));
                break;
            case MapService::GmcMap:
                QCOMPARE(first.Method, QByteArray("GET"));
                QCOMPARE(first.Url.path(), QString("/log2.asp"));
                QCOMPARE(first.Query().queryItems().size(), 5);
                QCOMPARE(first.Item("AID"), QString("123"));
                QCOMPARE(first.Item("GID"), QString("456"));
                QCOMPARE(first.Item("CPM"), QString("38"));
                QCOMPARE(first.Item("ACPM"), QString("34.00"));
                QCOMPARE(first.Item("uSV"), QString("0.0537"));  // 0.00158 x 34
                break;
            case MapService::Safecast: {
                QCOMPARE(first.Method, QByteArray("POST"));
                QCOMPARE(first.Url.path(), QString("/measurements.json"));
                QCOMPARE(first.Query().queryItems().size(), 1);
                QCOMPARE(first.Item("api_key"), kSecret);
                const QJsonObject body = QJsonDocument::fromJson(first.Body).object();
                QCOMPARE(body.size(), 6);
                QCOMPARE(body["latitude"].toDouble(), 35.6812);
                QCOMPARE(body["longitude"].toDouble(), 139.7671);
                QCOMPARE(body["value"].toDouble(), 34.0);  // the mean of 14:30 to 14:34
                QCOMPARE(body["unit"].toString(), QString("cpm"));
                QCOMPARE(body["device_id"].toInt(), 42);
                QCOMPARE(body["captured_at"].toString(),
                         Utc(At(8, 14, 35)).replace(' ', 'T') + 'Z');
                break;
            }
        }
        QTRY_COMPARE(station.Uploader().Waiting(), 0);
        QVERIFY2(station.MapNotes().isEmpty(), qPrintable(station.notes.join('\n')));
    }

    // The map is away for three minutes: radmon and Safecast get every waiting reading in order
    // with its own time once it is back; GMC only the latest, with the mean since the last one
    // it took. The failure is told once, and so is the recovery.
    void outage_data() { requests_data(); }
    void outage() {
        QFETCH(int, service);
        const MapService map = MapService(service);
        MapUpload upload = UploadTo(map, server_);
        upload.EveryMinutes = 1;
        Station station(upload, server_);
        station.Feed(At(8, 14, 30), {10});
        QTRY_COMPARE(station.Uploader().Sent(), 1);
        server_.Down();
        station.Feed(At(8, 14, 31), {20, 30, 40}, false);
        QTRY_VERIFY(!station.notes.filter("cannot upload").isEmpty());
        QTest::qWait(1000);  // several tries
        QCOMPARE(station.notes.filter("cannot upload").size(), 1);
        QVERIFY(server_.Up());
        QTRY_VERIFY(!station.notes.filter("uploading again").isEmpty());
        QTRY_COMPARE(station.Uploader().Waiting(), 0);
        QStringList got;
        for (qsizetype i = requestsBefore_; i < server_.Requests().size(); ++i) {
            const MapServer::Request& r = server_.Requests()[i];
            if (map == MapService::Radmon) {
                got << r.Item("value") + '@' + r.Item("datetime").mid(11, 5);
            } else if (map == MapService::Safecast) {
                const QJsonObject body = QJsonDocument::fromJson(r.Body).object();
                got << QString::number(body["value"].toDouble()) + '@' +
                           body["captured_at"].toString().mid(11, 5);
            } else {
                got << r.Item("CPM") + '/' + r.Item("ACPM");
            }
        }
        const QString end1 = Utc(At(8, 14, 31)).mid(11, 5), end2 = Utc(At(8, 14, 32)).mid(11, 5);
        const QString end3 = Utc(At(8, 14, 33)).mid(11, 5), end4 = Utc(At(8, 14, 34)).mid(11, 5);
        if (map == MapService::GmcMap) {
            QCOMPARE(got.front(), QString("10/10.00"));
            QCOMPARE(got.back(), QString("40/30.00"));
        } else {
            got.removeDuplicates();  // a reading sent while the server went down may come again
            QCOMPARE(got, QStringList({"10@" + end1, "20@" + end2, "30@" + end3, "40@" + end4}));
        }
        QCOMPARE(station.notes.filter("uploading again").size(), 1);
        QCOMPARE(station.Lines(), 4);
    }

    // Killed while readings wait: the next start sends them from the log, in order, before the
    // live ones; the mark keeps the last one taken.
    void restartSendsTheWaiting() {
        Station station(UploadTo(MapService::Radmon, server_), server_);
        station.Feed(At(8, 14, 30), {10});
        QTRY_COMPARE(station.Uploader().Sent(), 1);
        server_.Down();
        station.Feed(At(8, 14, 31), {20, 30}, false);
        QTRY_VERIFY(!station.notes.filter("cannot upload").isEmpty());
        station.Kill();
        QVERIFY(!station.notes.filter("radmon: 2 minute(s) logged before the start").isEmpty());
        QVERIFY(server_.Up());
        station.Feed(At(8, 14, 34), {50});
        QTRY_COMPARE(station.Uploader().Sent(), 3);
        QStringList values;
        for (qsizetype i = requestsBefore_; i < server_.Requests().size(); ++i) {
            values << server_.Requests()[i].Item("value");
        }
        values.removeDuplicates();
        QCOMPARE(values, QStringList({"10", "20", "30", "50"}));
        const QString markFile = MarkPathFor(station.options.File, {}, QStringLiteral("radmon"));
        FileError error;
        QTRY_COMPARE(ReadPublishMark(markFile, &error).value_or(PublishMark{}),
                     PublishMark({"me", At(8, 14, 34)}));
    }

    // A refusal retrying will not change stops the map with one line; a failure worth retrying
    // is told once and tried again; the file holds every minute whatever the map does, and the
    // line shows no secret.
    void refusals_data() {
        QTest::addColumn<int>("service");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("stops");
        const int radmon = int(MapService::Radmon), gmc = int(MapService::GmcMap);
        QTest::newRow("wrong password")
            << radmon << 200 << QByteArray("Incorrect login.") << false << ""
            << "radmon: refused (HTTP 200: \"Incorrect login.\") at https://127.0.0.1:" << true;
        QTest::newRow("unknown account") << gmc << 200 << QByteArray("ERR1.") << false << ""
                                         << "gmcmap: refused (unknown account)" << true;
        QTest::newRow("unknown counter") << gmc << 200 << QByteArray("ERR2.") << false << ""
                                         << "gmcmap: refused (unknown counter)" << true;
        QTest::newRow("server error") << radmon << 500 << QByteArray("oops") << false << ""
                                      << "radmon: cannot upload (HTTP 500: \"oops\")" << false;
        QTest::newRow("no answer") << radmon << 200 << QByteArray() << true << ""
                                   << "radmon: cannot upload (no answer within 1 s)" << false;
        QTest::newRow("no such host")
            << radmon << 200 << QByteArray() << false << "no-such-map.invalid"
            << "radmon: cannot upload (" << false;
        QTest::newRow("too soon") << radmon << 200 << QByteArray("Too soon") << false << ""
                                  << "radmon: the service asks for fewer requests" << false;
    }
    void refusals() {
        QFETCH(int, service);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, silent);
        QFETCH(QString, host);
        QFETCH(QString, note);
        QFETCH(bool, stops);
        server_.SetAnswer([=](const MapServer::Request&) {
            return MapServer::Reply{status, body, silent};
        });
        MapUpload upload = UploadTo(MapService(service), server_);
        upload.EveryMinutes = 1;
        if (!host.isEmpty()) {
            upload.Url.setHost(host);
        }
        Station station(upload, server_);
        // The web API and the metrics show where the map stands.
        QString error;
        const StationHttp http = StartHttp(
            {}, *station.logger, station.now, nullptr, [](const QString&) {}, &error,
            &station.uploads);
        QVERIFY2(http.Server, qPrintable(error));
        const auto& snapshot = static_cast<const HttpPublisher&>(*http.Server).Snapshot();
        station.Feed(At(8, 14, 30), {10, 20, 30});
        QTRY_VERIFY_WITH_TIMEOUT(!station.notes.filter(note).isEmpty(), 10000);
        QCOMPARE(snapshot.Uploads.size(), size_t(1));
        QCOMPARE(snapshot.Uploads[0].Service, MapServiceName(MapService(service)));
        QCOMPARE(snapshot.Uploads[0].Stopped, stops);
        QTest::qWait(1200);
        station.Feed(At(8, 14, 33), {40}, false);
        const QStringList notes = station.MapNotes();
        QCOMPARE(notes.size(), 1);
        QVERIFY2(notes.front().startsWith(note), qPrintable(notes.front()));
        QVERIFY(!notes.front().contains(kSecret));
        QVERIFY(!notes.front().contains(QUrl::toPercentEncoding(kSecret)));
        QCOMPARE(station.Uploader().Refused(), stops);
        QCOMPARE(snapshot.Uploads[0].Waiting, station.Uploader().Waiting());
        if (stops) {
            QCOMPARE(int(server_.Requests().size()) - requestsBefore_, 1);
            QCOMPARE(station.Uploader().Waiting(), 0);
        }
        QCOMPARE(station.Lines(), 4);
        QElapsedTimer stop;
        stop.start();
        station.logger->Session().StopPublishers(1000);
        QVERIFY(stop.elapsed() < 1500);
    }

    // SIGTERM ends a station whose map never answers within 2 s, with 0; the secret is in no
    // argument list and no output, and the readings it could not send wait in the mark's log.
    void termWithSilentMap() {
        server_.SetAnswer([](const MapServer::Request&) {
            return MapServer::Reply{200, {}, true};
        });
        QTemporaryDir dir;
        const QString log = dir.filePath("log.csv");
        // Minutes of today after the mark: the station sends them at its start.
        const QDateTime now = QDateTime::currentDateTime();
        QByteArray lines;
        for (int k = 5; k >= 1; --k) {
            lines +=
                LogLine({DateTime::FromQDateTime(now.addSecs(-60 * k)), 20}).toLatin1() + "\r\n";
        }
        QVERIFY(WriteFile(log, lines));
        FileError error;
        QVERIFY(WritePublishMark(MarkPathFor(log, {}, "radmon"),
                                 {"me", DateTime::FromQDateTime(now.addSecs(-60 * 6))}, &error));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kRadmonPasswordVariable, kSecret);
        process.setProcessEnvironment(environment);
        process.start(
            QStringLiteral(SOLAMINE_CLI),
            {"log", "--simulate", "--radmon", "me", "--upload-url",
             "radmon=" + server_.Url("/radmon.php"), "--upload-ca", server_.CaFile(), log});
        QTRY_VERIFY_WITH_TIMEOUT(int(server_.Requests().size()) > requestsBefore_, 10000);
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(process.processId()));
        QVERIFY(commandLine.open(QIODevice::ReadOnly));
        QVERIFY(!commandLine.readAll().contains(kSecret.toUtf8()));
        QElapsedTimer elapsed;
        elapsed.start();
        process.terminate();
        const CliRun run = FinishCli(process, 10000);
        QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));
        QVERIFY2(run.exitCode == 0,
                 qPrintable(QString::fromLocal8Bit(process.readAllStandardError()) + run.err));
        QVERIFY(!run.out.contains(kSecret.toUtf8()));
        QVERIFY(!run.err.contains(kSecret));
        QVERIFY(!run.err.contains(QString::fromLatin1(QUrl::toPercentEncoding(kSecret))));
        QVERIFY2(run.err.contains("were not published"), qPrintable(run.err));
    }

    // Options: what each map needs, its secret from a file only its owner may read or the
    // environment, paces and addresses for named maps only.
    void options_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << QStringList{"f.csv"} << "";
        QTest::newRow("all") << QStringList{"--radmon",       "me",
                                            "--gmcmap",       "1:2",
                                            "--safecast",     "35.6,139.7",
                                            "--upload-every", "gmcmap=10",
                                            "--upload-every", "safecast=15",
                                            "f.csv"}
                             << "";
        QTest::newRow("radmon without password")
            << QStringList{"--radmon", "me", "f.csv"} << "--radmon: the password: ";
        QTest::newRow("password file open to others")
            << QStringList{"--radmon", "me", "--radmon-password-file", "OPEN", "f.csv"}
            << "--radmon: the password: ";
        QTest::newRow("device without safecast")
            << QStringList{"--safecast-device", "4", "f.csv"} << "--safecast-device needs --radmon";
        QTest::newRow("gmc form") << QStringList{"--gmcmap", "12", "f.csv"}
                                  << "--gmcmap takes ACCOUNT:COUNTER";
        QTest::newRow("position") << QStringList{"--safecast", "95,10", "f.csv"}
                                  << "--safecast takes LAT,LON";
        QTest::newRow("pace of another")
            << QStringList{"--gmcmap", "1:2", "--upload-every", "radmon=2", "f.csv"}
            << "--upload-every radmon=2: --radmon is not given";
        QTest::newRow("pace") << QStringList{"--gmcmap", "1:2", "--upload-every", "gmcmap=0",
                                             "f.csv"}
                              << "--upload-every takes 1 to 1440 minutes";
        QTest::newRow("address") << QStringList{"--gmcmap", "1:2", "--upload-url", "gmcmap=ftp://x",
                                                "f.csv"}
                                 << "--upload-url takes https:// or http://";
    }
    void options() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString open = dir.filePath("open");
        QVERIFY(WriteFile(open, "secret\n"));
        QFile::setPermissions(open, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        arguments.replaceInStrings("OPEN", open);
        QString message;
        const bool secrets = !arguments.contains("--radmon-password-file") &&
                             !error.startsWith("--radmon: the password");
        const auto command =
            ParseLogArguments(arguments, &message, "host", {}, {secrets ? "pw" : "", "key"});
        QCOMPARE(message.left(error.size()), error);
        QCOMPARE(bool(command), error.isEmpty());
        if (command && arguments.size() > 1) {
            QCOMPARE(command->Maps.Uploads.size(), size_t(3));
            QCOMPARE(command->Maps.Uploads[0].EveryMinutes, 1);
            QCOMPARE(command->Maps.Uploads[1].EveryMinutes, 10);
            QCOMPARE(command->Maps.Uploads[2].EveryMinutes, 15);
            QCOMPARE(command->Maps.Uploads[2].Login.Secret, QString("key"));
        }
    }

private:
    MapServer server_;
    int requestsBefore_ = 0;
};

SOLAMINE_TEST(StationUploadsTest)
#include "tst_stationuploads.moc"
