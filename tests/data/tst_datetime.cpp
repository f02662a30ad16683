#include "DateTime.h"
#include "TestMain.h"

#include <QDateTime>
#include <QTest>
#include <cmath>
#include <random>

using DateTime::Date;
using DateTime::TimeOfDay;

class DateTimeTest : public QObject {
    Q_OBJECT

private slots:
    void encode_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<double>("days");
        QTest::newRow("epoch") << 1899 << 12 << 30 << 0.0;
        QTest::newRow("day before") << 1899 << 12 << 29 << -1.0;
        QTest::newRow("1900-01-01") << 1900 << 1 << 1 << 2.0;
        QTest::newRow("1900-03-01, no leap day") << 1900 << 3 << 1 << 61.0;
        QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 36526.0;
        QTest::newRow("2016-03-20") << 2016 << 3 << 20 << 42449.0;
        QTest::newRow("year 1") << 1 << 1 << 1 << -693593.0;
        QTest::newRow("year 9999") << 9999 << 12 << 31 << 2958465.0;
    }
    void encode() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(double, days);
        QCOMPARE(DateTime::Encode(year, month, day), days);
        const DateTime::Parts back = DateTime::Decode(days);
        QCOMPARE(back.date.year, year);
        QCOMPARE(back.date.month, month);
        QCOMPARE(back.date.day, day);
    }

    void timeOfDay() {
        QCOMPARE(DateTime::Encode(2016, 3, 20, 12, 0), 42449.5);
        QCOMPARE(DateTime::Encode(1899, 12, 30, 6, 0), 0.25);
        // Before 1899-12-30 the time of day is an absolute fraction.
        QCOMPARE(DateTime::Encode(1899, 12, 29, 6, 0), -1.25);
        const DateTime::Parts p = DateTime::Decode(-1.25);
        QCOMPARE(p.date.day, 29);
        QCOMPARE(p.time.hour, 6);
    }

    // Every minute of a leap year survives encode, text and parse back unchanged.
    void everyMinuteRoundTrips() {
        for (int dayOfYear = 0; dayOfYear < 366; dayOfYear += 7) {
            const double day = DateTime::Encode(2024, 1, 1) + dayOfYear;
            const Date date = DateTime::Decode(day).date;
            for (int minute = 0; minute < 24 * 60; ++minute) {
                const double t = DateTime::Encode(date, {minute / 60, minute % 60});
                const DateTime::Parts p = DateTime::Decode(t);
                QCOMPARE(p.time.hour * 60 + p.time.minute, minute);
                QCOMPARE(p.time.second, 0);
                QCOMPARE(p.time.millisecond, 0);
                const QString text = DateTime::LogTimeText(t);
                const auto d = DateTime::ParseDate(text.left(8), 2026);
                const auto tod = DateTime::ParseTime(text.mid(10));
                QVERIFY(d && tod);
                QCOMPARE(DateTime::Encode(*d, *tod), t);
            }
        }
    }

    // Values are taken to the nearest millisecond, halves away from zero, as llround does:
    // the time of day and the minute agree with that rounding for any value, including those
    // that land on a half millisecond and those before 1899-12-30.
    void roundsToTheNearestMillisecond() {
        std::mt19937_64 random(3);
        std::uniform_real_distribution<double> anyDay(-700'000, 2'958'466);
        std::uniform_int_distribution<qint64> anyMs(-60'000'000'000'000, 255'000'000'000'000);
        for (int i = 0; i < 200'000; ++i) {
            const double v = i % 2 ? anyDay(random) : (double(anyMs(random)) + 0.5) / 86'400'000;
            const qint64 total = std::llround(v * 86'400'000.0);
            const qint64 ms = std::abs(total % 86'400'000);
            const DateTime::Parts p = DateTime::Decode(v);
            QCOMPARE(p.time.hour * 3'600'000 + p.time.minute * 60'000 + p.time.second * 1'000 +
                         p.time.millisecond,
                     int(ms));
            QCOMPARE(DateTime::MinuteOfHour(v), int(ms / 60'000 % 60));
            QCOMPARE(DateTime::Encode(p.date), double(total / 86'400'000));
        }
    }

    void texts() {
        const double t = DateTime::Encode(2026, 12, 8, 14, 30, 59, 999);
        QCOMPARE(DateTime::MinuteText(t), "26/12/08 14:30");
        QCOMPARE(DateTime::LogTimeText(t), "26/12/08, 14:30");
        QCOMPARE(DateTime::MinuteOfHour(t), 30);
        QCOMPARE(DateTime::LogTimeText(0), "99/12/30, 00:00");
        QCOMPARE(DateTime::MinuteText(DateTime::Encode(2005, 1, 2, 3, 4)), "05/01/02 03:04");
    }

    void truncateToMinute() {
        const double t = DateTime::Encode(2026, 12, 8, 23, 59, 59, 999);
        QCOMPARE(DateTime::TruncateToMinute(t), DateTime::Encode(2026, 12, 8, 23, 59));
        const QDateTime q(QDate(2026, 12, 8), QTime(14, 37, 12, 345));
        QCOMPARE(DateTime::FromQDateTime(q), DateTime::Encode(2026, 12, 8, 14, 37, 12, 345));
    }

    void parseDate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("currentYear");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::newRow("own form") << "16/03/20" << 2026 << true << 2016 << 3 << 20;
        QTest::newRow("four digits") << "2016/03/20" << 2026 << true << 2016 << 3 << 20;
        QTest::newRow("no leading zeros") << "16/3/2" << 2026 << true << 2016 << 3 << 2;
        QTest::newRow("window start 2026") << "76/01/01" << 2026 << true << 1976 << 1 << 1;
        QTest::newRow("window end 2026") << "75/12/31" << 2026 << true << 2075 << 12 << 31;
        QTest::newRow("99 in 2026") << "99/12/30" << 2026 << true << 1999 << 12 << 30;
        QTest::newRow("00 in 2026") << "00/01/01" << 2026 << true << 2000 << 1 << 1;
        QTest::newRow("window start 2000") << "50/06/01" << 2000 << true << 1950 << 6 << 1;
        QTest::newRow("window end 2000") << "49/06/01" << 2000 << true << 2049 << 6 << 1;
        QTest::newRow("one digit year") << "5/06/01" << 2026 << true << 2005 << 6 << 1;
        QTest::newRow("three digit year") << "076/06/01" << 2026 << true << 76 << 6 << 1;
        QTest::newRow("month and day") << "03/20" << 2026 << true << 2026 << 3 << 20;
        QTest::newRow("leap day 2024") << "2024/02/29" << 2026 << true << 2024 << 2 << 29;
        QTest::newRow("leap day 2000") << "2000/02/29" << 2026 << true << 2000 << 2 << 29;
        QTest::newRow("no leap day 2023") << "2023/02/29" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("no leap day 1900") << "1900/02/29" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("month 13") << "16/13/01" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("day 0") << "16/03/00" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("april 31") << "16/04/31" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("year 0") << "0000/01/01" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("year 10000") << "10000/01/01" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("one number") << "16" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("four numbers") << "16/03/20/01" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("trailing text") << "16/03/20x" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("time inside") << "16/03/20 12:00" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("dashes") << "2016-03-20" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("empty part") << "16//20" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("trailing slash") << "16/03/" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("empty") << "" << 2026 << false << 0 << 0 << 0;
        QTest::newRow("sign") << "-16/03/20" << 2026 << false << 0 << 0 << 0;
    }
    void parseDate() {
        QFETCH(QString, text);
        QFETCH(int, currentYear);
        QFETCH(bool, ok);
        const auto date = DateTime::ParseDate(text, currentYear);
        QCOMPARE(date.has_value(), ok);
        if (ok) {
            QFETCH(int, year);
            QFETCH(int, month);
            QFETCH(int, day);
            QCOMPARE(date->year, year);
            QCOMPARE(date->month, month);
            QCOMPARE(date->day, day);
        }
    }

    void parseTime_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("ms");
        QTest::newRow("own form") << "12:30" << true << 45'000'000;
        QTest::newRow("midnight") << "00:00" << true << 0;
        QTest::newRow("last minute") << "23:59" << true << 86'340'000;
        QTest::newRow("hours only") << "7" << true << 25'200'000;
        QTest::newRow("seconds") << "12:30:15" << true << 45'015'000;
        QTest::newRow("milliseconds") << "12:30:15.250" << true << 45'015'250;
        QTest::newRow("hour 24") << "24:00" << false << 0;
        QTest::newRow("minute 60") << "12:60" << false << 0;
        QTest::newRow("second 60") << "12:00:60" << false << 0;
        QTest::newRow("ms 1000") << "12:00:00.1000" << false << 0;
        QTest::newRow("point without seconds") << "12:30.5" << false << 0;
        QTest::newRow("empty minutes") << "12:" << false << 0;
        QTest::newRow("am marker") << "12:30 PM" << false << 0;
        QTest::newRow("letters") << "noon" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("count") << "40" << false << 0;
    }
    void parseTime() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, ms);
        const auto t = DateTime::ParseTime(text);
        QCOMPARE(t.has_value(), ok);
        if (ok) {
            QCOMPARE(t->hour * 3'600'000 + t->minute * 60'000 + t->second * 1'000 + t->millisecond,
                     ms);
        }
    }
};

SOLAMINE_TEST(DateTimeTest)
#include "tst_datetime.moc"
