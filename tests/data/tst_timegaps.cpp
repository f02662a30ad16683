#include "DateTime.h"
#include "SampleLog.h"
#include "TestMain.h"
#include "TimeGaps.h"

#include <QTest>

class TimeGapsTest : public QObject {
    Q_OBJECT

private slots:
    // Samples at the given minutes (fractions are seconds, as files may hold) looked at from
    // first to last: each gap as "before:minutes".
    void finds_data() {
        QTest::addColumn<QList<double>>("minutes");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("gaps");
        QTest::newRow("a minute apart") << QList<double>{0, 1, 2, 3} << 0 << 3 << "";
        QTest::newRow("two minutes apart") << QList<double>{0, 1, 3, 4} << 0 << 3 << "1:2";
        QTest::newRow("44 hours") << QList<double>{0, 44 * 60, 44 * 60 + 1} << 0 << 2 << "0:2640";
        QTest::newRow("after the page's first slot")
            << QList<double>{0, 1, 2, 9, 10, 11} << 2 << 5 << "2:7";
        QTest::newRow("before the page's last slot")
            << QList<double>{0, 1, 2, 3, 9, 10} << 1 << 4 << "3:6";
        QTest::newRow("outside the page") << QList<double>{0, 5, 6, 7, 20} << 1 << 3 << "";
        QTest::newRow("range beyond the log") << QList<double>{0, 5, 6} << -3 << 99 << "0:5";
        QTest::newRow("clock set back") << QList<double>{0, 1, -60, -59, 30} << 0 << 4 << "3:89";
        QTest::newRow("a second short") << QList<double>{0, 119 / 60.0} << 0 << 1 << "";
        QTest::newRow("lengths in whole minutes")
            << QList<double>{0, 239 / 60.0} << 0 << 1 << "0:3";
    }
    void finds() {
        QFETCH(QList<double>, minutes);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, gaps);
        const double start = DateTime::Encode(2026, 3, 1, 23, 59, 30);
        std::vector<Sample> samples;
        for (double m : minutes) {
            samples.push_back({start + m / (24 * 60), 10});
        }
        QStringList found;
        for (const TimeGaps::Gap& gap : TimeGaps::Find(samples, first, last)) {
            QCOMPARE(gap.To, samples[size_t(gap.Before) + 1].Time);
            found << QStringLiteral("%1:%2").arg(gap.Before).arg(gap.Minutes);
        }
        QCOMPARE(found.join(' '), gaps);
    }
};

SOLAMINE_TEST(TimeGapsTest)
#include "tst_timegaps.moc"
