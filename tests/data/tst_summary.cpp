#include "CsvLog.h"
#include "DateTime.h"
#include "PeriodSummary.h"
#include "SampleLog.h"
#include "SummaryTable.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(SummaryPeriod)
Q_DECLARE_METATYPE(GraphSettings)

namespace {

using Samples = std::vector<Sample>;

Sample At(int year, int month, int day, int hour, int minute, std::int32_t cpm) {
    return {DateTime::Encode(year, month, day, hour, minute), cpm};
}

// Every minute from a start, count cpm.
Samples Run(double start, int minutes, std::int32_t cpm) {
    Samples samples;
    for (int i = 0; i < minutes; ++i) {
        samples.push_back({start + i / 1440.0, cpm});
    }
    return samples;
}

Samples Joined(Samples a, const Samples& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The CSV lines of the rows, without the header.
QStringList Lines(const Summary& summary) {
    QStringList lines = QString::fromUtf8(SummaryCsv(summary)).split(QStringLiteral("\r\n"));
    lines.removeFirst();
    lines.removeLast();
    return lines;
}

Summary Of(const Samples& samples, SummaryPeriod by, const GraphSettings& settings = {}) {
    Summary summary(by, settings);
    summary.Add(samples);
    return summary;
}

// A few days of minutes with gaps and counts from 0 to 99.
Samples RandomLog(QRandomGenerator& random) {
    Samples samples;
    double time = DateTime::Encode(2026, 1, 30, int(random.bounded(24)), int(random.bounded(60)));
    const int count = int(random.bounded(500, 4000));
    for (int i = 0; i < count; ++i) {
        time += (random.bounded(20) == 0 ? random.bounded(1, 300) : 1) / 1440.0;
        samples.push_back({time, int(random.bounded(100))});
    }
    return samples;
}

}  // namespace

class SummaryTest : public QObject {
    Q_OBJECT

private slots:
    void rows_data() {
        QTest::addColumn<Samples>("samples");
        QTest::addColumn<SummaryPeriod>("by");
        QTest::addColumn<GraphSettings>("settings");
        QTest::addColumn<QStringList>("rows");
        const GraphSettings defaults;
        QTest::newRow("empty log") << Samples{} << SummaryPeriod::Day << defaults << QStringList{};
        QTest::newRow("one minute")
            << Samples{At(2026, 5, 1, 12, 30, 40)} << SummaryPeriod::Hour << defaults
            << QStringList{"2026-05-01 12:00,1,1.7,40.00,40,40,2026-05-01 12:30,0.0632,0.0011"};
        QTest::newRow("gap across midnight shows the empty day")
            << Samples{At(2026, 5, 1, 23, 59, 30), At(2026, 5, 3, 0, 0, 10),
                       At(2026, 5, 3, 0, 1, 20)}
            << SummaryPeriod::Day << defaults
            << QStringList{"2026-05-01,1,0.1,30.00,30,30,2026-05-01 23:59,0.0474,0.0008",
                           "2026-05-02,0,0.0,,,,,,",
                           "2026-05-03,2,0.1,15.00,10,20,2026-05-03 00:01,0.0237,0.0008"};
        QTest::newRow("month boundary, months of 31 and 28 days")
            << Joined(Run(DateTime::Encode(2026, 1, 31, 23, 59), 2, 60),
                      Run(DateTime::Encode(2026, 2, 1, 1, 0), 60, 60))
            << SummaryPeriod::Month << GraphSettings{0.01, 0}
            << QStringList{"2026-01,1,0.0,60.00,60,60,2026-01-31 23:59,0.6000,0.0100",
                           "2026-02,61,0.2,60.00,60,60,2026-02-01 00:00,0.6000,0.6100"};
        QTest::newRow("background above every count gives no dose")
            << Samples{At(2026, 5, 1, 0, 0, 10), At(2026, 5, 1, 0, 1, 30)} << SummaryPeriod::Day
            << GraphSettings{0.01, 50}
            << QStringList{"2026-05-01,2,0.1,20.00,10,30,2026-05-01 00:01,0.0000,0.0000"};
        QTest::newRow("background counts each minute apart, never below zero")
            << Samples{At(2026, 5, 1, 0, 0, 10), At(2026, 5, 1, 0, 1, 90)} << SummaryPeriod::Day
            << GraphSettings{0.01, 50}
            << QStringList{"2026-05-01,2,0.1,50.00,10,90,2026-05-01 00:01,0.2000,0.0067"};
        QTest::newRow("coefficient scales rate and dose")
            << Samples{At(2026, 5, 1, 0, 0, 10), At(2026, 5, 1, 0, 1, 90)} << SummaryPeriod::Day
            << GraphSettings{0.02, 50}
            << QStringList{"2026-05-01,2,0.1,50.00,10,90,2026-05-01 00:01,0.4000,0.0133"};
        QTest::newRow("out of order, ties to the earlier minute, no time left out")
            << Samples{At(2026, 5, 3, 8, 0, 70),
                       {0, 500},
                       At(2026, 5, 1, 9, 0, 70),
                       At(2026, 5, 1, 7, 0, 70)}
            << SummaryPeriod::Day << GraphSettings{0.01, 0}
            << QStringList{"2026-05-01,2,0.1,70.00,70,70,2026-05-01 07:00,0.7000,0.0233",
                           "2026-05-02,0,0.0,,,,,,",
                           "2026-05-03,1,0.1,70.00,70,70,2026-05-03 08:00,0.7000,0.0117"};
    }

    void rows() {
        QFETCH(Samples, samples);
        QFETCH(SummaryPeriod, by);
        QFETCH(GraphSettings, settings);
        QFETCH(QStringList, rows);
        QCOMPARE(Lines(Of(samples, by, settings)), rows);
    }

    void totals() {
        Samples samples = Run(DateTime::Encode(2026, 5, 1), 30, 60);
        samples.push_back({0, 99});
        samples.push_back(At(2026, 5, 1, 0, 59, 60));
        const SummaryTotals totals = Of(samples, SummaryPeriod::Month, {0.01, 0}).Totals();
        QCOMPARE(totals.Minutes, 31);
        QCOMPARE(totals.Unread, 1);
        QCOMPARE(totals.Coverage, 31 * 100.0 / 60);
        QCOMPARE(totals.Dose, 0.01 * 60 * 31 / 60);
        QCOMPARE(
            SummaryTotalsText(totals),
            "31 minutes, coverage 51.7 %, dose 0.3100 uSv, samples without a time left out: 1");
    }

    // Daily files written, read back and joined in any order summarize as the whole log.
    void splitAndJoinedFilesSummarizeAsTheLog() {
        QRandomGenerator random(20260329);
        for (int round = 0; round < 8; ++round) {
            const Samples samples = RandomLog(random);
            const GraphSettings settings{0.001 * random.bounded(1, 10), int(random.bounded(60))};
            std::vector<SampleLog> days;
            for (const Sample& s : samples) {
                if (days.empty() || std::floor(s.Time) != std::floor(days.back().Last().Time)) {
                    days.emplace_back();
                }
                days.back().Append(s);
            }
            std::shuffle(days.begin(), days.end(), *QRandomGenerator::global());
            for (SummaryPeriod by :
                 {SummaryPeriod::Hour, SummaryPeriod::Day, SummaryPeriod::Month}) {
                Summary joined(by, settings);
                for (const SampleLog& day : days) {
                    joined.Add(ParseCsvLog(CsvTextOf(day, settings), 2026).Samples);
                }
                const Summary whole = Of(samples, by, settings);
                QCOMPARE(SummaryCsv(joined), SummaryCsv(whole));
                QCOMPARE(SummaryTotalsText(joined.Totals()), SummaryTotalsText(whole.Totals()));
            }
        }
    }

    // Following a live log gives what summarizing it afresh gives, after every report: a last
    // minute that starts lowest and then grows must not leave its old count behind.
    void followingALiveLogMatchesAFreshSummary() {
        SampleLog log;
        Summary followed(SummaryPeriod::Hour, {0.01, 20});
        const double start = DateTime::Encode(2026, 5, 1, 10, 58);
        for (int minute = 0; minute < 5; ++minute) {
            for (int report = 0; report < 3; ++report) {
                if (report == 0) {
                    log.Append({start + minute / 1440.0, minute == 0 ? 50 : 1});
                } else {
                    log.AddToLast(30);
                }
                followed.Follow(log);
                QCOMPARE(SummaryCsv(followed),
                         SummaryCsv(Of(log.Samples(), SummaryPeriod::Hour, {0.01, 20})));
            }
        }
        log.Clear();
        log.Append(At(2026, 6, 1, 0, 0, 5));
        followed.Follow(log);
        QCOMPARE(Lines(followed), Lines(Of(log.Samples(), SummaryPeriod::Hour, {0.01, 20})));
    }
};

SOLAMINE_TEST(SummaryTest)

// Runs with TZ=Europe/Berlin (the ctest "data_dst" run); skipped in other zones.
class SummaryDaylightSavingTest : public QObject {
    Q_OBJECT

private slots:
    // Skipped case by case: Qt 6.4 carries a skip in initTestCase over to every class that runs
    // after this one in the same executable.
    void init() {
        if (qgetenv("TZ") != "Europe/Berlin") {
            QSKIP("needs TZ=Europe/Berlin");
        }
    }

    void minutesInPeriod_data() {
        QTest::addColumn<SummaryPeriod>("by");
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("minutes");
        QTest::newRow("23-hour day") << SummaryPeriod::Day << DateTime::Encode(2026, 3, 29) << 1380;
        QTest::newRow("25-hour day")
            << SummaryPeriod::Day << DateTime::Encode(2026, 10, 25) << 1500;
        QTest::newRow("the hour clocks skip")
            << SummaryPeriod::Hour << DateTime::Encode(2026, 3, 29, 2) << 0;
        QTest::newRow("the hour clocks repeat")
            << SummaryPeriod::Hour << DateTime::Encode(2026, 10, 25, 2) << 120;
        QTest::newRow("an hour after the change")
            << SummaryPeriod::Hour << DateTime::Encode(2026, 10, 25, 3) << 60;
        QTest::newRow("March") << SummaryPeriod::Month << DateTime::Encode(2026, 3, 1)
                               << 31 * 1440 - 60;
    }

    void minutesInPeriod() {
        QFETCH(SummaryPeriod, by);
        QFETCH(double, start);
        QFETCH(int, minutes);
        Summary summary(by);
        summary.Add({start, 10});
        QCOMPARE(summary.RowAt(start), 0);
        QCOMPARE(summary.Row(0).MinutesInPeriod, minutes);
    }

    // A log of every minute the clocks showed covers the day fully: the 25-hour day logs the
    // repeated hour twice under the same wall-clock minutes.
    void wallClockDaysAreFullyCovered() {
        Summary summary(SummaryPeriod::Day);
        for (int m = 0; m < 1440; ++m) {
            if (m / 60 != 2) {
                summary.Add({DateTime::Encode(2026, 3, 29, m / 60, m % 60), 10});
            }
            const Sample autumn{DateTime::Encode(2026, 10, 25, m / 60, m % 60), 10};
            summary.Add(autumn);
            if (m / 60 == 2) {
                summary.Add(autumn);
            }
        }
        const QStringList days = Lines(summary);
        QVERIFY2(days.first().startsWith("2026-03-29,1380,100.0,"), qPrintable(days.first()));
        QVERIFY2(days.last().startsWith("2026-10-25,1500,100.0,"), qPrintable(days.last()));
    }
};

SOLAMINE_TEST(SummaryDaylightSavingTest)

#include "tst_summary.moc"
