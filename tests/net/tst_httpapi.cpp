#include "DateTime.h"
#include "HttpApi.h"
#include "MetricsText.h"
#include "MqttMessages.h"
#include "TestMain.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>
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
};

SOLAMINE_TEST(HttpApiTest)
#include "tst_httpapi.moc"
