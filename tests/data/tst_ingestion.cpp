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

// A log and its display, fed with reports at pinned times.
struct Logger {
    SampleLog log;
    DisplayModel display;
    GraphSettings settings;

    void Report(double now, int count) {
        std::array<std::uint8_t, kReportPayloadSize> payload{};
        payload[0] = 0xEE;  // ignored, like every byte but the count
        payload[kCountOffset] = std::uint8_t(count);
        payload[kCountOffset + 1] = std::uint8_t(count >> 8);
        HandleCountReport(payload, now, log, settings, display);
    }

    // One CPM point per sample, showing its Cpm.
    bool InStep() const {
        bool same = display.CpmCount() == log.Count();
        for (int i = 0; same && i < log.Count(); ++i) {
            same = display.CpmValues()[size_t(i)] == log.At(i).Cpm;
        }
        return same;
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
        QTest::addColumn<int>("count");
        QTest::newRow("count 12") << 12;
        QTest::newRow("count 0") << 0;
        QTest::newRow("count 65535 stays unsigned") << 65535;
    }

    // Then 5, 0 and 7 in the same minute add up in that sample, with nothing else drawn.
    void firstReportIsLabelled() {
        QFETCH(int, count);
        Logger l;
        l.Report(At(14, 37, 42), count);
        QCOMPARE(l.log.Last(), (Sample{At(14, 37), count}));
        QCOMPARE(l.display.LabelAt(0), "16/03/20 14:37");
        l.Report(At(14, 37, 50), 5);
        l.Report(At(14, 37, 55), 0);
        l.Report(At(14, 37, 59) + 999.0 / 86'400'000, 7);
        QCOMPARE(l.log.Count(), 1);
        QCOMPARE(l.log.Last().Cpm, count + 12);
        QVERIFY(l.InStep());
        QCOMPARE(l.display.DoseCount() + l.display.LogCount(), 0);
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
        QCOMPARE(l.log.At(2), (Sample{DateTime::TruncateToMinute(next), 4}));
        QVERIFY(l.InStep());
        QCOMPARE(l.display.LabelAt(2), label);
        QCOMPARE(l.display.DoseCount(), 2);
        QVERIFY(std::isnan(l.display.DoseValues()[1]));
        QCOMPARE(l.display.LogCount(), 2);
        QCOMPARE(l.display.LogText(1), "16/03/20, 14:39, 9");
        QCOMPARE(l.display.SelectedLog(), 1);
    }

    // Sample 9 is completed without a dose; sample 10 gets the first, over samples 1-10.
    void doseThreshold() {
        Logger l;
        for (int i = 0; i <= 10; ++i) {
            l.Report(At(15, i), 100 + i);
        }
        QCOMPARE(l.display.LogText(9), "16/03/20, 15:09, 109");
        l.Report(At(15, 11), 111);
        const double expected = 0.00158 * (1055) / 10;  // 101 + 102 + ... + 110
        QVERIFY(qFuzzyCompare(l.display.DoseValues()[10], expected));
        QVERIFY(l.display.LogText(10).startsWith("16/03/20, 15:10, 110, 0.1666"));
    }

    // The rebuild gives the current sample a line at once; the next minute adds a second one.
    void rebuildDuringLogging() {
        Logger l;
        for (int i = 0; i < 12; ++i) {
            l.Report(At(16, i), 40 + i);
        }
        RebuildDisplay(l.log, l.settings, l.display);
        l.Report(At(16, 11, 30), 5);  // still the current minute: no line yet
        QCOMPARE(l.display.LogCount(), 12);

        l.Report(At(16, 12), 1);
        QVERIFY(l.InStep());
        QCOMPARE(l.display.LogCount(), 13);
        QCOMPARE(l.display.DoseCount(), 13);
        const LogRecord& rebuilt = l.display.LogRecords()[11];
        const LogRecord& live = l.display.LogRecords()[12];
        QCOMPARE(live.Time, rebuilt.Time);
        QCOMPARE(rebuilt.Cpm, 51);
        QCOMPARE(live.Cpm, 56);
        QCOMPARE(rebuilt.Dose, DoseRate(l.log, 10, l.settings));  // samples 1..10
        QCOMPARE(live.Dose, DoseRate(l.log, 11, l.settings));     // samples 2..11
    }
};

SOLAMINE_TEST(LiveIngestionTest)
#include "tst_ingestion.moc"
