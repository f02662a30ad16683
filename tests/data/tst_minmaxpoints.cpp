#include "DateTime.h"
#include "MinMaxPoints.h"
#include "TestMain.h"

#include <QTest>
#include <algorithm>

class MinMaxPointsTest : public QObject {
    Q_OBJECT

private slots:
    // Thinned to the width, in time order, and never without the day's peak and dip.
    void keepsPeaksAndDips_data() {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("spike");  // the minute of a spike of 500 and, after it, a dip of 0
        QTest::newRow("fewer than the width") << 300 << 400 << 100;
        QTest::newRow("a day in 300 columns") << 1440 << 300 << 700;
        QTest::newRow("spike at the start") << 1440 << 300 << 0;
        QTest::newRow("spike at the end") << 1440 << 99 << 1438;
        QTest::newRow("a month in 2 columns") << 43200 << 2 << 20000;
    }
    void keepsPeaksAndDips() {
        QFETCH(int, minutes);
        QFETCH(int, width);
        QFETCH(int, spike);
        const double from = DateTime::Encode(2026, 12, 1);
        std::vector<LogRecord> log;
        for (int i = 0; i < minutes; ++i) {
            const int cpm = i == spike ? 500 : i == spike + 1 ? 0 : 30 + i % 9;
            log.push_back({from + i / 1440.0, cpm});
        }
        const std::vector<LogRecord> points = MinMaxPoints(log, from, from + minutes / 1440.0, width);
        QVERIFY(points.size() <= std::size_t(std::max(width, minutes <= width ? minutes : 0)));
        if (minutes <= width) {
            QCOMPARE(points.size(), log.size());
        }
        QVERIFY(std::is_sorted(points.begin(), points.end(),
                               [](const LogRecord& a, const LogRecord& b) { return a.Time < b.Time; }));
        const auto at = [&](int cpm) {
            const auto found = std::find_if(points.begin(), points.end(),
                                            [cpm](const LogRecord& r) { return r.Cpm == cpm; });
            return found == points.end() ? -1.0 : found->Time;
        };
        QCOMPARE(at(500), log[std::size_t(spike)].Time);
        QCOMPARE(at(0), log[std::size_t(spike) + 1].Time);
    }
};

SOLAMINE_TEST(MinMaxPointsTest)
#include "tst_minmaxpoints.moc"
