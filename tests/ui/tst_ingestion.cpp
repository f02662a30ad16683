#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "LiveIngestion.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QTest>
#include <array>
#include <cmath>

namespace {

// A log, its display and the graph settings, fed with reports at pinned times.
struct Logger {
    SampleLog log;
    DisplayModel display;
    GraphSettings settings;

    void Report(double now, int count) {
        std::array<std::uint8_t, kReportPayloadSize> payload{};
        payload[0] = 0xEE;  // ignored, like every byte but the count
        payload[kCountOffset] = std::uint8_t(count & 0xFF);
        payload[kCountOffset + 1] = std::uint8_t(count >> 8);
        HandleCountReport(payload, now, log, settings, display);
    }

    // Chart and log in step: one CPM point per sample, showing its Cpm.
    bool InStep() const {
        if (display.CpmCount() != log.Count()) {
            return false;
        }
        for (int i = 0; i < log.Count(); ++i) {
            if (display.CpmValues()[size_t(i)] != log.At(i).Cpm) {
                return false;
            }
        }
        return true;
    }
};

double At(int hour, int minute, int second = 0, int day = 20) {
    return DateTime::Encode(2016, 3, day, hour, minute, second);
}

}  // namespace

class LiveIngestionTest : public QObject {
    Q_OBJECT

private slots:
    void firstReportIsLabelled_data() {
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("count");
        QTest::newRow("minute 37") << 37 << 12;
        QTest::newRow("minute 40") << 40 << 12;
        QTest::newRow("count 0") << 37 << 0;
        QTest::newRow("count 65535 stays unsigned") << 37 << 65535;
    }

    void firstReportIsLabelled() {
        QFETCH(int, minute);
        QFETCH(int, count);
        Logger l;
        l.Report(At(14, minute, 42), count);
        QCOMPARE(l.log.Count(), 1);
        QCOMPARE(l.log.Last(), (Sample{At(14, minute), count}));
        QCOMPARE(l.display.LabelAt(0), QString("16/03/20 14:%1").arg(minute));
        QVERIFY(l.InStep());
        QCOMPARE(l.display.DoseCount(), 0);
        QCOMPARE(l.display.LogCount(), 0);
    }

    void sameMinuteAddsUp() {
        Logger l;
        l.Report(At(14, 37, 0), 3);
        l.Report(At(14, 37, 20), 5);
        l.Report(At(14, 37, 40), 0);
        l.Report(At(14, 37, 59) + 999.0 / 86'400'000, 7);
        QCOMPARE(l.log.Count(), 1);
        QCOMPARE(l.log.Last().Cpm, 15);
        QVERIFY(l.InStep());
        QCOMPARE(l.display.Labels().size(), size_t(1));
        QCOMPARE(l.display.DoseCount(), 0);
        QCOMPARE(l.display.LogCount(), 0);
    }

    void nextMinute_data() {
        QTest::addColumn<double>("next");
        QTest::addColumn<QString>("label");
        QTest::newRow("14:40 labelled") << At(14, 40, 1) << "16/03/20 14:40";
        QTest::newRow("14:41 not labelled") << At(14, 41) << "";
        QTest::newRow("gap to 14:45 leaves no filler") << At(14, 45) << "";
        QTest::newRow("same clock minute next day") << At(14, 39, 0, 21) << "";
        QTest::newRow("clock set back to 14:30") << At(14, 30) << "16/03/20 14:30";
    }

    // A report of any other minute completes the 14:39 sample and starts a new one after it.
    void nextMinute() {
        QFETCH(double, next);
        QFETCH(QString, label);
        Logger l;
        l.display.SetLogVisible(true);
        l.Report(At(14, 38), 1);
        l.Report(At(14, 39, 30), 9);
        l.Report(next, 4);

        QCOMPARE(l.log.Count(), 3);
        QCOMPARE(l.log.At(1), (Sample{At(14, 39), 9}));
        QCOMPARE(l.log.At(2), (Sample{DateTime::TruncateToMinute(next), 4}));
        QVERIFY(l.InStep());
        QCOMPARE(l.display.LabelAt(2), label);
        QCOMPARE(l.display.DoseCount(), 2);
        QVERIFY(std::isnan(l.display.DoseValues()[1]));
        QCOMPARE(l.display.LogCount(), 2);
        QCOMPARE(l.display.LogText(1), "16/03/20, 14:39, 9");
        QCOMPARE(l.display.SelectedLog(), 1);
    }

    void heldLogIsNotFollowed() {
        Logger l;
        l.display.SetLogVisible(true);
        l.display.SetLogTag(1);
        l.Report(At(14, 38), 1);
        l.Report(At(14, 39), 1);
        QCOMPARE(l.display.SelectedLog(), -1);
    }

    // Sample 9 is completed without a dose; sample 10 gets the first, over samples 1-10.
    void doseThreshold() {
        Logger l;
        for (int i = 0; i <= 10; ++i) {
            l.Report(At(15, i), 100 + i);
        }
        QCOMPARE(l.display.LogCount(), 10);
        QCOMPARE(l.display.LogText(9), "16/03/20, 15:09, 109");
        QVERIFY(std::isnan(l.display.DoseValues()[9]));

        l.Report(At(15, 11), 111);
        const double expected =
            0.00158 * (101 + 102 + 103 + 104 + 105 + 106 + 107 + 108 + 109 + 110) / 10;
        QCOMPARE(l.display.DoseCount(), 11);
        QVERIFY(qFuzzyCompare(l.display.DoseValues()[10], expected));
        QVERIFY(qFuzzyCompare(l.display.LogRecords()[10].Dose, expected));
        QVERIFY(l.display.LogText(10).startsWith("16/03/20, 15:10, 110, 0.1666"));
        QVERIFY(l.InStep());
    }

    void backgroundAndCoefficientApply() {
        Logger l;
        l.settings = {0.5, 100};
        for (int i = 0; i <= 11; ++i) {
            l.Report(At(15, i), i % 2 == 0 ? 120 : 50);  // 50 lies below the background
        }
        // Samples 1..10: five of 120 over the background of 100.
        QCOMPARE(l.display.DoseValues()[10], 0.5 * 5 * 20 / 10);
    }

    // The rebuild gives the current sample a line at once; the next minute adds a second one.
    void rebuildDuringLogging() {
        Logger l;
        for (int i = 0; i < 12; ++i) {
            l.Report(At(16, i), 40 + i);
        }
        l.Report(At(16, 11, 30), 5);
        RebuildDisplay(l.log, l.settings, l.display);
        QCOMPARE(l.display.LogCount(), 12);
        QCOMPARE(l.display.LogText(11).left(20), "16/03/20, 16:11, 56,");

        l.Report(At(16, 12), 1);
        QCOMPARE(l.log.Count(), 13);
        QVERIFY(l.InStep());
        QCOMPARE(l.display.LogCount(), 13);
        QCOMPARE(l.display.DoseCount(), 13);
        const LogRecord& rebuilt = l.display.LogRecords()[11];
        const LogRecord& live = l.display.LogRecords()[12];
        QCOMPARE(live.Time, rebuilt.Time);
        QCOMPARE(live.Cpm, 56);
        QCOMPARE(rebuilt.Dose, DoseRate(l.log, 10, l.settings));  // samples 1..10
        QCOMPARE(live.Dose, DoseRate(l.log, 11, l.settings));     // samples 2..11
        QCOMPARE(l.display.DoseValues()[12], live.Dose);
    }

    void reportAfterLoadedLastMinuteAdds() {
        Logger l;
        l.log.Append({At(9, 0), 10});
        l.log.Append({At(9, 1), 20});
        RebuildDisplay(l.log, l.settings, l.display);
        l.Report(At(9, 1, 45), 3);
        QCOMPARE(l.log.Count(), 2);
        QCOMPARE(l.log.Last().Cpm, 23);
        QVERIFY(l.InStep());
        QCOMPARE(l.display.LogCount(), 2);
    }
};

SOLAMINE_TEST(LiveIngestionTest)
#include "tst_ingestion.moc"
