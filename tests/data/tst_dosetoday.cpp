#include "DateTime.h"
#include "DoseToday.h"
#include "PeriodSummary.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QList>
#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(GraphSettings)

namespace {

// One step of a day: a minute and its count, or (with Change) new settings from then on.
struct Step {
    double Time = 0;
    std::int32_t Cpm = 0;
    bool Change = false;
    GraphSettings Settings;
};

Step At(int day, int hour, int minute, std::int32_t cpm) {
    Step step;
    step.Time = DateTime::Encode(2026, 12, day, hour, minute);
    step.Cpm = cpm;
    return step;
}

Step Change(double coefficient, std::int32_t background = 0) {
    Step step;
    step.Change = true;
    step.Settings = {coefficient, background};
    return step;
}

}  // namespace

Q_DECLARE_METATYPE(Step)

class DoseTodayTest : public QObject {
    Q_OBJECT

private slots:
    // Steps in order; after the last, the value and its day. The value never decreases within
    // a day, and each Add returns the value.
    void steps_data() {
        QTest::addColumn<GraphSettings>("settings");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("day");
        const GraphSettings standard;  // 0.00158 uSv/h per CPM, no background
        const double dec8 = DateTime::Encode(2026, 12, 8);
        const double dec9 = DateTime::Encode(2026, 12, 9);
        // The first minute of a day starts the sum afresh; 00:00 belongs to the new day.
        QTest::newRow("across midnight")
            << standard << QList<Step>{At(8, 23, 58, 100), At(8, 23, 59, 100), At(9, 0, 0, 30)}
            << 0.00158 * 30 / 60 << dec9;
        // Below the background a minute adds nothing, never less than nothing.
        QTest::newRow("background above counts")
            << GraphSettings{0.00158, 50}
            << QList<Step>{At(8, 10, 0, 20), At(8, 10, 1, 30), At(8, 10, 2, 49)} << 0.0 << dec8;
        // A change applies to later minutes: the earlier ones keep the dose they had.
        QTest::newRow("coefficient up mid-day")
            << standard
            << QList<Step>{At(8, 9, 0, 60), At(8, 9, 1, 60), Change(0.002), At(8, 9, 2, 60)}
            << 0.00158 * 120 / 60 + 0.002 * 60 / 60 << dec8;
        QTest::newRow("coefficient down mid-day")
            << standard << QList<Step>{At(8, 9, 0, 60), At(8, 9, 1, 60), Change(0.0001),
                                       At(8, 9, 2, 60), Change(0.0),     At(8, 9, 3, 60)}
            << 0.00158 * 120 / 60 + 0.0001 * 60 / 60 << dec8;
        // The new settings go on into the next day; what was folded in does not.
        QTest::newRow("change, then midnight")
            << standard << QList<Step>{At(8, 23, 0, 600), Change(0.01, 10), At(9, 0, 0, 70)}
            << 0.01 * 60 / 60 << dec9;
    }
    void steps() {
        QFETCH(GraphSettings, settings);
        QFETCH(QList<Step>, steps);
        DoseToday dose(settings);
        double last = 0;
        double lastDay = 0;
        for (const Step& step : steps) {
            if (step.Change) {
                const double before = dose.Value();
                dose.SetSettings(step.Settings);
                QCOMPARE(dose.Settings(), step.Settings);
                QCOMPARE(dose.Value(), before);
                continue;
            }
            const double value = dose.Add(step.Time, step.Cpm);
            QCOMPARE(value, dose.Value());
            if (dose.Day() == lastDay) {
                QVERIFY2(value >= last,
                         qPrintable(QStringLiteral("%1 after %2").arg(value).arg(last)));
            }
            last = value;
            lastDay = dose.Day();
        }
        QTEST(dose.Value(), "value");
        QTEST(dose.Day(), "day");
    }

    // With the same settings all day, the dose of each day is the summary's, to the bit.
    void sameAsSummary_data() {
        QTest::addColumn<GraphSettings>("settings");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("standard") << GraphSettings{} << 1u;
        QTest::newRow("background") << GraphSettings{0.00158, 20} << 2u;
        QTest::newRow("other coefficient") << GraphSettings{0.0057, 5} << 3u;
        QTest::newRow("awkward coefficient") << GraphSettings{0.1 / 3, 0} << 4u;
    }
    void sameAsSummary() {
        QFETCH(GraphSettings, settings);
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        // Three days and a bit of minutes with gaps, counts 0 to 99, built as logs build them.
        std::vector<Sample> samples;
        std::int64_t minute = int(random.bounded(1440));
        while (minute < 3 * 1440 + 300) {
            const double time = DateTime::Encode(2026, 12, 7 + int(minute / 1440),
                                                 int(minute % 1440 / 60), int(minute % 60));
            samples.push_back({time, std::int32_t(random.bounded(100))});
            minute += random.bounded(25) == 0 ? random.bounded(1, 200) : 1;
        }
        Summary summary(SummaryPeriod::Day, settings);
        summary.Add(samples);
        DoseToday dose(settings);
        std::vector<double> ends;  // each day's dose at its last minute
        for (size_t i = 0; i < samples.size(); ++i) {
            if (i % 500 == 250) {
                dose.SetSettings(settings);  // the same again: nothing changes
            }
            const double value = dose.Add(samples[i].Time, samples[i].Cpm);
            if (i + 1 == samples.size() || DateTime::Decode(samples[i + 1].Time).date.day !=
                                               DateTime::Decode(samples[i].Time).date.day) {
                ends.push_back(value);
                const int row = summary.RowAt(samples[i].Time);
                QVERIFY(row >= 0);
                QCOMPARE(summary.Row(row).Start, dose.Day());
            }
        }
        QCOMPARE(int(ends.size()), summary.Count());
        for (int row = 0; row < summary.Count(); ++row) {
            // Exactly equal, not only close: the same whole counts through the same rule.
            QVERIFY2(ends[size_t(row)] == summary.Row(row).Dose,
                     qPrintable(QStringLiteral("%1 != %2")
                                    .arg(ends[size_t(row)], 0, 'g', 17)
                                    .arg(summary.Row(row).Dose, 0, 'g', 17)));
        }
    }

};

SOLAMINE_TEST(DoseTodayTest)
#include "tst_dosetoday.moc"
