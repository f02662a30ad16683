#include "HttpApi.h"
#include "MapRequests.h"
#include "MetricsText.h"
#include "TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUrlQuery>

class MapRequestsTest : public QObject {
    Q_OBJECT

private slots:
    // What each service's answer means: taken, slow down, stop, or try again.
    void answers_data() {
        QTest::addColumn<int>("service");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("code");
        const int radmon = int(MapService::Radmon), gmc = int(MapService::GmcMap);
        const int safecast = int(MapService::Safecast);
        const int ok = int(MapOutcome::Accepted), soon = int(MapOutcome::TooSoon);
        const int refused = int(MapOutcome::Refused), failed = int(MapOutcome::Failed);
        const int other = int(MapAnswer::Code::Other);
        QTest::newRow("radmon ok") << radmon << 200 << QByteArray("<br>OK<br>") << ok << other;
        QTest::newRow("radmon login")
            << radmon << 200 << QByteArray("Incorrect login.") << refused << other;
        QTest::newRow("radmon too soon")
            << radmon << 200 << QByteArray("Too soon, wait") << soon << other;
        QTest::newRow("429") << radmon << 429 << QByteArray() << soon << other;
        QTest::newRow("radmon 503") << radmon << 503 << QByteArray("OK") << failed << other;
        QTest::newRow("gmc ok") << gmc << 200 << QByteArray("<!--OK.-->") << ok << other;
        QTest::newRow("gmc account")
            << gmc << 200 << QByteArray("ERR1.") << refused << int(MapAnswer::Code::UnknownAccount);
        QTest::newRow("gmc counter")
            << gmc << 200 << QByteArray("ERR2.") << refused << int(MapAnswer::Code::UnknownCounter);
        QTest::newRow("gmc other") << gmc << 200 << QByteArray("maintenance") << refused << other;
        QTest::newRow("safecast created") << safecast << 201 << QByteArray("{}") << ok << other;
        QTest::newRow("safecast key") << safecast << 401 << QByteArray() << refused << other;
        QTest::newRow("safecast timeout") << safecast << 408 << QByteArray() << failed << other;
        QTest::newRow("safecast 500") << safecast << 500 << QByteArray() << failed << other;
    }
    void answers() {
        QFETCH(int, service);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, outcome);
        QFETCH(int, code);
        const MapAnswer answer = ClassifyMapAnswer(MapService(service), status, body);
        QCOMPARE(int(answer.Outcome), outcome);
        QCOMPARE(int(answer.Why), code);
        QVERIFY(!answer.Reason.isEmpty());
    }

    // Secrets never show in a request worded for a person, however they are encoded.
    void maskedUrls() {
        MapLogin login;
        login.User = QStringLiteral("me");
        login.Secret = QStringLiteral("a&b=c+d");
        for (const MapService service : {MapService::Radmon, MapService::Safecast}) {
            const MapRequest request =
                BuildMapRequest(service, DefaultMapUrl(service), login, MapReading{});
            const QString shown = MaskedUrl(request.Url);
            QVERIFY2(!shown.contains(QStringLiteral("b=c")), qPrintable(shown));
            QVERIFY2(!shown.contains(QStringLiteral("%26b")), qPrintable(shown));
            QVERIFY(shown.contains(QStringLiteral("=***")));
            QVERIFY(shown.startsWith(DefaultMapUrl(service).toString()));
        }
    }

    // Each map's status in the metrics and in /api/now.
    void status() {
        StationSnapshot snapshot;
        snapshot.Uploads = {{QStringLiteral("radmon"), 12, false, 3},
                            {QStringLiteral("gmcmap"), 0, true, 0}};
        const QByteArray metrics = MetricsText(snapshot, QStringLiteral("1"));
        QVERIFY(metrics.contains("\nsolamine_upload_waiting_readings{service=\"radmon\"} 12\n"));
        QVERIFY(metrics.contains("\nsolamine_upload_stopped{service=\"gmcmap\"} 1\n"));
        QVERIFY(metrics.contains("\nsolamine_upload_readings_total{service=\"radmon\"} 3\n"));
        const HttpReply now = Answer(QStringLiteral("/api/now"), {}, true, snapshot, {});
        const QJsonObject uploads =
            QJsonDocument::fromJson(now.Body).object()[QStringLiteral("uploads")].toObject();
        QCOMPARE(uploads.size(), 2);
        QCOMPARE(uploads["radmon"].toObject()["waiting"].toInt(), 12);
        QCOMPARE(uploads["gmcmap"].toObject()["stopped"].toBool(), true);
        QVERIFY(!MetricsText({}, QStringLiteral("1")).contains("solamine_upload"));
    }
};

SOLAMINE_TEST(MapRequestsTest)
#include "tst_maprequests.moc"
