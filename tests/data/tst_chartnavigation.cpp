#include "ChartNavigation.h"
#include "DateTime.h"
#include "OverviewBands.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QTest>
#include <cmath>

using namespace ChartNavigation;

Q_DECLARE_METATYPE(ChartNavigation::Key)

namespace {

constexpr double kMinute = 1.0 / (24 * 60);

double At(int day, int hour, int minute) {
    return DateTime::Encode(2026, 12, day, hour, minute);
}

}  // namespace

class ChartNavigationTest : public QObject {
    Q_OBJECT

private slots:
    void keys_data() {
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("after");
        QTest::newRow("page up") << Key::PageUp << 1000 << 2000 << 640;
        QTest::newRow("page up stops at the first page") << Key::PageUp << 100 << 2000 << 0;
        QTest::newRow("page down") << Key::PageDown << 100 << 2000 << 460;
        QTest::newRow("page down stops at the newest page")
            << Key::PageDown << 1500 << 2000 << 1640;
        QTest::newRow("left ten") << Key::Left << 100 << 2000 << 90;
        QTest::newRow("left at the start") << Key::Left << 5 << 2000 << 0;
        QTest::newRow("right ten") << Key::Right << 100 << 2000 << 110;
        QTest::newRow("right at the end") << Key::Right << 1635 << 2000 << 1640;
        QTest::newRow("home") << Key::Home << 1640 << 2000 << 0;
        QTest::newRow("end") << Key::End << 3 << 2000 << 1640;
        QTest::newRow("shorter than a page: one page") << Key::PageDown << 0 << 200 << 0;
        QTest::newRow("empty log") << Key::End << 0 << 0 << 0;
    }
    void keys() {
        QFETCH(Key, key);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(int, after);
        QCOMPARE(PageStartAfterKey(key, start, count), after);
    }

    void showing_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("after");
        QTest::newRow("already shown: stays") << 500 << 400 << 400;
        QTest::newRow("last point of the page: stays") << 759 << 400 << 400;
        QTest::newRow("elsewhere: in the middle") << 5000 << 400 << 4820;
        QTest::newRow("near the start") << 20 << 3000 << 0;
        QTest::newRow("near the end") << 9990 << 0 << 9640;
    }
    void showing() {
        QFETCH(int, index);
        QFETCH(int, start);
        QFETCH(int, after);
        QCOMPARE(PageStartShowing(index, start, 10000), after);
    }

    void goToText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("time");  // NaN: refused
        const double refused = std::nan("");
        QTest::newRow("log form") << "26/12/08, 14:30" << At(8, 14, 30);
        QTest::newRow("space instead of comma") << " 26/12/08 14:30 " << At(8, 14, 30);
        QTest::newRow("date alone") << "26/12/08" << At(8, 0, 0);
        QTest::newRow("four-digit year") << "2026/12/08, 14:30" << At(8, 14, 30);
        QTest::newRow("no time after the comma") << "26/12/08," << refused;
        QTest::newRow("not a date") << "26/13/08, 14:30" << refused;
        QTest::newRow("not a time") << "26/12/08, 24:30" << refused;
        QTest::newRow("words") << "yesterday" << refused;
        QTest::newRow("empty") << "" << refused;
    }
    void goToText() {
        QFETCH(QString, text);
        QFETCH(double, time);
        const std::optional<double> parsed = ParseGoToTime(text, 2026);
        QCOMPARE(parsed.has_value(), !std::isnan(time));
        if (parsed) {
            QCOMPARE(*parsed, time);
        }
    }

    void firstSampleAtOrAfter() {
        SampleLog log;
        for (int m : {10, 11, 12, 30, 31, 5}) {  // a gap, then a clock set back
            log.Append({At(8, 14, m), 1});
        }
        QCOMPARE(FirstSampleAtOrAfter(log, At(8, 14, 11)), 1);
        QCOMPARE(FirstSampleAtOrAfter(log, At(8, 14, 13)), 3);   // into the gap: the next one
        QCOMPARE(FirstSampleAtOrAfter(log, At(8, 14, 0)), 5);    // the earliest, wherever it is
        QCOMPARE(FirstSampleAtOrAfter(log, At(8, 14, 32)), -1);  // after the end
        // A log in time order gives the same by bisection.
        SampleLog ordered;
        for (int m : {10, 11, 12, 30, 31}) {
            ordered.Append({At(8, 14, m), 1});
        }
        for (int m : {0, 11, 13, 31, 32}) {
            QCOMPARE(FirstSampleAtOrAfter(ordered, At(8, 14, m), true),
                     FirstSampleAtOrAfter(ordered, At(8, 14, m)));
        }
    }

    void logLineToSample() {
        SampleLog log;
        for (int m = 0; m < 5; ++m) {
            log.Append({At(8, 14, m), 1});
        }
        QCOMPARE(SampleOfLogLine(log, 2, At(8, 14, 2)), 2);
        // A redraw while logging gave 14:03 a second line: later lines sit one further on.
        QCOMPARE(SampleOfLogLine(log, 4, At(8, 14, 3)), 3);
        QCOMPARE(SampleOfLogLine(log, 5, At(8, 14, 4)), 4);
        QCOMPARE(SampleOfLogLine(log, 1, At(9, 14, 0)), -1);
    }

    void pageSummary() {
        const double none = std::nan("");
        const std::vector<double> cpm{30, 40, 20, 50};
        const std::vector<double> dose{none, 0.05, 0.07, none};
        const PageSummary page = SummarizePage(cpm, dose);
        QCOMPARE(page.Count, 4);
        QCOMPARE(page.MeanCpm, 35.0);
        QCOMPARE(page.MinCpm, 20.0);
        QCOMPARE(page.MaxCpm, 50.0);
        QCOMPARE(page.MeanDose, 0.06);
        QVERIFY(std::isnan(SummarizePage(cpm, std::vector<double>{none}).MeanDose));
        QCOMPARE(SummarizePage({}, {}).Count, 0);
    }
};

class OverviewBandsTest : public QObject {
    Q_OBJECT

private slots:
    // Samples as "minute:cpm" from 14:00; bands as "min-max" per column, "." for empty.
    void bands_data() {
        QTest::addColumn<QString>("samples");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("bands");
        // The span plus ten minutes of room: 10 + 10 minutes over 3 columns, 6.7 a column.
        QTest::newRow("lowest and highest") << "0:1 1:7 2:3 8:9 9:2" << 3 << "1-7 2-9 .";
        // 69 + 10 minutes over 8 columns: 9.9 minutes a column.
        QTest::newRow("a gap stays empty") << "0:5 15:9 68:2" << 8 << "5-5 9-9 . . . . 2-2 .";
        QTest::newRow("out of time order") << "45:9 0:5" << 3 << "5-5 . 9-9";
        QTest::newRow("empty log") << "" << 2 << ". .";
    }
    void bands() {
        QFETCH(QString, samples);
        QFETCH(int, columns);
        QFETCH(QString, bands);
        std::vector<Sample> log;
        for (const QString& item : samples.split(u' ', Qt::SkipEmptyParts)) {
            const QStringList p = item.split(u':');
            log.push_back({At(8, 14, 0) + p[0].toInt() * kMinute, p[1].toInt()});
        }
        OverviewBands overview;
        overview.Rebuild(log, columns);
        QStringList seen;
        for (int c = 0; c < overview.Columns(); ++c) {
            const OverviewBands::Band b = overview.At(c);
            seen << (b.Empty ? QString(".") : QStringLiteral("%1-%2").arg(b.Min).arg(b.Max));
        }
        QCOMPARE(seen.join(u' '), bands);
    }

    // Live data touches the end only; the growing last minute never leaves its first count
    // behind as a false low.
    void liveEnd() {
        std::vector<Sample> log{{At(8, 14, 0), 30}, {At(8, 14, 1), 1}};
        OverviewBands overview;
        overview.Rebuild(log, 10);
        overview.SetLastCpm(35);
        QCOMPARE(overview.At(0).Min, 30);
        QCOMPARE(overview.At(0).Max, 35);
        QCOMPARE(overview.Top(), 35);
        QVERIFY(overview.Append({At(8, 14, 2), 2}));
        overview.SetLastCpm(40);
        const int last = overview.ColumnOf(At(8, 14, 2));
        QCOMPARE(overview.At(last).Max, 40);
        QCOMPARE(overview.At(last).Min, last == 0 ? 30 : 40);
        QCOMPARE(overview.Top(), 40);
        // Beyond the room left at the end: the caller builds the bands again.
        QVERIFY(!overview.Append({At(9, 14, 0), 2}));
        QVERIFY(!overview.Append({At(7, 14, 0), 2}));
    }

    void columnsAndTimes() {
        std::vector<Sample> log{{At(1, 0, 0), 1}, {At(31, 0, 0), 1}};
        OverviewBands overview;
        overview.Rebuild(log, 300);
        QCOMPARE(overview.ColumnOf(At(1, 0, 0)), 0);
        QCOMPARE(overview.ColumnOf(At(1, 0, 0) - 10), 0);     // clamped
        QCOMPARE(overview.ColumnOf(At(31, 0, 0) + 99), 299);  // clamped
        const int c = overview.ColumnOf(At(16, 0, 0));
        QVERIFY(overview.TimeOf(c) <= At(16, 0, 0) && At(16, 0, 0) < overview.TimeOf(c + 1));
    }
};

SOLAMINE_TEST(ChartNavigationTest)
SOLAMINE_TEST(OverviewBandsTest)

#include "tst_chartnavigation.moc"
