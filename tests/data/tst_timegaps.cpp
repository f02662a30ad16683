#include "DateTime.h"
#include "SampleLog.h"
#include "TestMain.h"
#include "TimeGaps.h"

#include <QTest>

namespace {

// Minutes after 2026-03-01 10:00, as the log's whole-minute times.
double Minute(int minutes) {
    return DateTime::Encode(2026, 3, 1, 10) + minutes / (24.0 * 60);
}

QString Describe(const std::vector<TimeGaps::Gap>& gaps) {
    QStringList parts;
    for (const TimeGaps::Gap& gap : gaps) {
        parts << QStringLiteral("%1:%2").arg(gap.Before).arg(gap.Minutes);
    }
    return parts.join(' ');
}

}  // namespace

class TimeGapsTest : public QObject {
    Q_OBJECT

private slots:
    // Samples at the given minutes, looked at from first to last: each gap as "before:minutes".
    void finds_data() {
        QTest::addColumn<QList<int>>("minutes");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("gaps");
        QTest::newRow("a minute apart") << QList<int>{0, 1, 2, 3} << 0 << 3 << "";
        QTest::newRow("two minutes apart") << QList<int>{0, 1, 3, 4} << 0 << 3 << "1:2";
        QTest::newRow("44 hours") << QList<int>{0, 44 * 60, 44 * 60 + 1} << 0 << 2 << "0:2640";
        QTest::newRow("after the page's first slot")
            << QList<int>{0, 1, 2, 9, 10, 11, 12} << 2 << 5 << "2:7";
        QTest::newRow("before the page's last slot")
            << QList<int>{0, 1, 2, 3, 9, 10} << 1 << 4 << "3:6";
        QTest::newRow("outside the page") << QList<int>{0, 5, 6, 7, 20} << 1 << 3 << "";
        QTest::newRow("range beyond the log") << QList<int>{0, 5, 6} << -3 << 99 << "0:5";
        QTest::newRow("clock set back") << QList<int>{0, 1, -60, -59, 30} << 0 << 4 << "3:89";
        QTest::newRow("same minute twice") << QList<int>{0, 0, 1} << 0 << 2 << "";
    }
    void finds() {
        QFETCH(QList<int>, minutes);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, gaps);
        std::vector<Sample> samples;
        for (int m : minutes) {
            samples.push_back({Minute(m), 10});
        }
        const std::vector<TimeGaps::Gap> found = TimeGaps::Find(samples, first, last);
        QCOMPARE(Describe(found), gaps);
        for (const TimeGaps::Gap& gap : found) {
            QCOMPARE(gap.From, samples[size_t(gap.Before)].Time);
            QCOMPARE(gap.To, samples[size_t(gap.Before) + 1].Time);
        }
    }

    // Times read from a file carry seconds: a gap is two minutes to the second, not to the
    // minute, and its length counts whole minutes.
    void secondsCount_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("minutes");  // -1: no gap
        QTest::newRow("1:59") << 119 << -1;
        QTest::newRow("2:00") << 120 << 2;
        QTest::newRow("3:59") << 239 << 3;
    }
    void secondsCount() {
        QFETCH(int, seconds);
        QFETCH(int, minutes);
        const double from = DateTime::Encode(2026, 3, 1, 23, 59, 30);
        const std::vector<Sample> samples{{from, 1}, {from + seconds / 86400.0, 1}};
        const std::vector<TimeGaps::Gap> found = TimeGaps::Find(samples, 0, 1);
        QCOMPARE(found.empty() ? -1 : int(found.front().Minutes), minutes);
    }
};

SOLAMINE_TEST(TimeGapsTest)
#include "tst_timegaps.moc"
