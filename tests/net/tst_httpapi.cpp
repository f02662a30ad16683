#include "DateTime.h"
#include "HttpApi.h"
#include "MetricsText.h"
#include "MqttMessages.h"
#include "TestMain.h"
#include "WebPage.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>
#include <QUrlQuery>
#include <cstdlib>
#include <ctime>

class HttpApiTest : public QObject {
    Q_OBJECT

private slots:
    // Times of a query: with an offset they are moved to local time, without one they are local.
    void queryTimes_data() {
        const QDateTime utc(QDate(2026, 12, 8), QTime(5, 30), Qt::UTC);
        const double local = DateTime::FromQDateTime(utc.toLocalTime());
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("time");  // 0: refused
        QTest::newRow("utc") << "2026-12-08T05:30:00Z" << local;
        QTest::newRow("offset") << "2026-12-08T14:30+09:00" << local;
        QTest::newRow("offset, + as space") << "2026-12-08T14:30 09:00" << local;
        QTest::newRow("local") << "2026-12-08T14:30" << DateTime::Encode(2026, 12, 8, 14, 30);
        QTest::newRow("date") << "2026-12-08" << DateTime::Encode(2026, 12, 8);
        QTest::newRow("no day") << "2026-02-30T00:00" << 0.0;
        QTest::newRow("words") << "yesterday" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
    }
    void queryTimes() {
        QFETCH(QString, text);
        QFETCH(double, time);
        const std::optional<double> read = ParseQueryTime(text);
        QCOMPARE(read.value_or(0), time);
    }

    // A run of minutes keeps the day's offset from UTC; on the days of a change it is still
    // each minute's own, as the time zone says.
    void offsetsOfARun() {
#ifdef Q_OS_UNIX
        // A zone with changes, whatever the machine's.
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
#endif
        LocalDays days;
        for (const QDate& date : {QDate(2026, 3, 29), QDate(2026, 7, 1), QDate(2026, 10, 25)}) {
            for (int minute = 0; minute < 1440; ++minute) {
                const QTime time(minute / 60, minute % 60);
                const QDateTime local(date, time);
                if (!local.isValid()) {
                    continue;  // the hour that the change to summer time skips
                }
                QByteArray json;
                AppendMinuteFields(json, {DateTime::FromQDateTime(local), 35}, &days);
                const int offset = local.offsetFromUtc();
                const QByteArray expected =
                    QByteArray(offset < 0 ? "-" : "+") +
                    QTime(0, 0).addSecs(std::abs(offset)).toString("hh:mm").toLatin1() + '"';
                QVERIFY2(json.mid(27, 7) == expected, json.constData());
            }
        }
#ifdef Q_OS_UNIX
        if (hadZone) {
            qputenv("TZ", zone);
        } else {
            qunsetenv("TZ");
        }
        tzset();
#endif
    }

    // A value the station does not have leaves out its sample and keeps its HELP and TYPE.
    void metrics_data() {
        QTest::addColumn<bool>("minute");
        QTest::addColumn<QByteArray>("present");
        QTest::addColumn<QByteArray>("absent");
        QTest::newRow("no minute") << false << QByteArray("# TYPE solamine_count_rate_cpm gauge\n")
                                   << QByteArray("\nsolamine_count_rate_cpm ");
        QTest::newRow("minute, no dose") << true << QByteArray("\nsolamine_count_rate_cpm 35\n")
                                         << QByteArray("\nsolamine_dose_rate_sieverts_per_hour ");
        QTest::newRow("build") << false
                               << QByteArray("\nsolamine_build_info{version=\"1.3 \\\"x\\\"\"} 1\n")
                               << QByteArray("\nsolamine_dose_today_sieverts ");
    }
    void metrics() {
        QFETCH(bool, minute);
        QFETCH(QByteArray, present);
        QFETCH(QByteArray, absent);
        StationSnapshot snapshot;
        if (minute) {
            snapshot.Last = LogRecord{DateTime::Encode(2026, 12, 8, 14, 30), 35};
        }
        const QByteArray text = MetricsText(snapshot, QStringLiteral("1.3 \"x\""));
        QVERIFY2(text.contains(present), text.constData());
        QVERIFY2(!text.contains(absent), text.constData());
        QVERIFY(text.endsWith('\n'));
    }

    // The page and its files are served by name only; the chart's parameters are checked.
    void pageFiles_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("page") << "/" << 200 << QByteArray("text/html");
        QTest::newRow("script") << "/assets/page.js" << 200 << QByteArray("text/javascript");
        QTest::newRow("library") << "/assets/uPlot.iife.min.js" << 200
                                 << QByteArray("text/javascript");
        QTest::newRow("licence") << "/assets/uPlot-LICENSE.txt" << 200 << QByteArray("text/plain");
        QTest::newRow("up and out") << "/assets/../CMakeLists.txt" << 404 << QByteArray();
        QTest::newRow("the page as asset") << "/assets/index.html" << 404 << QByteArray();
        QTest::newRow("folder") << "/assets/" << 404 << QByteArray();
        QTest::newRow("no span") << "/api/chart" << 400 << QByteArray();
        QTest::newRow("a year") << "/api/chart?span=1y" << 400 << QByteArray();
        QTest::newRow("no width") << "/api/chart?span=24h&width=0" << 400 << QByteArray();
        QTest::newRow("too wide") << "/api/chart?span=24h&width=9999" << 400 << QByteArray();
        QTest::newRow("chart") << "/api/chart?span=7d&width=800" << 200
                               << QByteArray("application/json");
    }
    void pageFiles() {
        QFETCH(QString, target);
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        const QUrl url("http://station" + target);
        const HttpReply reply = Answer(url.path(), QUrlQuery(url), true, {}, {});
        QCOMPARE(reply.Status, status);
        QVERIFY(reply.ContentType.startsWith(type));
        QVERIFY(status != 200 || reply.Body.size() > 50);
    }

    // Japanese when the browser ranks it above English, English otherwise.
    void language_data() {
        QTest::addColumn<QByteArray>("accept");
        QTest::addColumn<bool>("japanese");
        QTest::newRow("ja") << QByteArray("ja") << true;
        QTest::newRow("ja-JP first") << QByteArray("ja-JP,ja;q=0.9,en-US;q=0.8") << true;
        QTest::newRow("en first") << QByteArray("en-US,en;q=0.9,ja;q=0.8") << false;
        QTest::newRow("by quality") << QByteArray("en;q=0.5, ja;q=0.7") << true;
        QTest::newRow("tie: order") << QByteArray("en;q=0.5,ja;q=0.5") << false;
        QTest::newRow("other first") << QByteArray("fr, ja;q=0.5") << true;
        QTest::newRow("other only") << QByteArray("fr-FR") << false;
        QTest::newRow("refused") << QByteArray("ja;q=0") << false;
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("jam is not ja") << QByteArray("jam") << false;
    }
    void language() {
        QFETCH(QByteArray, accept);
        QFETCH(bool, japanese);
        QCOMPARE(LanguageFor(accept) == PageLanguage::Japanese, japanese);
        const QByteArray page = Answer("/", {}, true, {}, {}, accept).Body;
        QVERIFY(page.contains(japanese ? "<html lang=\"ja\">" : "<html lang=\"en\">"));
    }

    // A missing minute breaks the chart's line, where nothing was thinned and where it was.
    void chartGaps_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("points");
        QTest::newRow("as logged") << 1000 << 5;
        QTest::newRow("thinned") << 40 << 40;
    }
    void chartGaps() {
        QFETCH(int, width);
        QFETCH(int, points);
        const double from = DateTime::Encode(2026, 12, 8);
        std::vector<LogRecord> minutes;
        // Before and after a gap of three hours: as many minutes as the row's points.
        for (int i = 0; i < points; ++i) {
            minutes.push_back({from + (i + (i < points / 2 ? 0 : 180)) / 1440.0, 30 + i % 7});
        }
        const QJsonObject json = QJsonDocument::fromJson(ChartJson(minutes, from, from + 1, width)).object();
        const QJsonArray cpm = json.value("cpm").toArray();
        QCOMPARE(std::count(cpm.begin(), cpm.end(), QJsonValue()), 1);
        QCOMPARE(json.value("time").toArray().size(), cpm.size());
        QCOMPARE(json.value("minutes").toInt(), points);
    }
};

SOLAMINE_TEST(HttpApiTest)
#include "tst_httpapi.moc"
