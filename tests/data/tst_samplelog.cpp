#include "DateTime.h"
#include "DisplayRules.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QTest>
#include <limits>

class SampleLogTest : public QObject {
    Q_OBJECT

private slots:
    void appendAndMerge() {
        SampleLog log;
        log.Clear();
        QCOMPARE(log.Count(), 0);
        log.Append({100.5, 5});
        log.AddToLast(7);
        log.AddToLast(0);
        QCOMPARE(log.Count(), 1);
        QCOMPARE(log.Last().Cpm, 12);
        log.Append({100.0, 3});  // earlier time: appended, never sorted
        QCOMPARE(log.Count(), 2);
        QCOMPARE(log.At(0).Time, 100.5);
        QCOMPARE(log.At(1).Time, 100.0);
        log.Clear();
        QCOMPARE(log.Count(), 0);
    }

    void addToLastWrapsInsteadOfOverflowing() {
        SampleLog log;
        log.Append({0, std::numeric_limits<std::int32_t>::max()});
        log.AddToLast(1);
        QCOMPARE(log.Last().Cpm, std::numeric_limits<std::int32_t>::min());
    }
};

class DisplayRulesTest : public QObject {
    Q_OBJECT

    static SampleLog TenSamples(std::initializer_list<int> counts) {
        SampleLog log;
        int minute = 0;
        for (int c : counts) {
            log.Append({DateTime::Encode(2026, 12, 8, 14, minute++), c});
        }
        return log;
    }

private slots:
    void doseReading_data() {
        QTest::addColumn<double>("dose");
        QTest::addColumn<QString>("text");
        QTest::newRow("three decimals") << 0.0553 << "0.055";
        QTest::newRow("rounded up") << 0.0632 << "0.063";
        QTest::newRow("a third decimal of 0 goes") << 0.35 << "0.35";
        QTest::newRow("but never below two") << 1.2 << "1.20";
        QTest::newRow("zero") << 0.0 << "0.00";
    }
    void doseReading() {
        QFETCH(double, dose);
        QFETCH(QString, text);
        QCOMPARE(DoseReadingText(dose), text);
    }

    void cpmPointLabel_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QString>("label");
        QTest::newRow("first point, any minute") << 0 << 37 << "26/12/08 14:37";
        QTest::newRow("29") << 5 << 29 << "";
        QTest::newRow("30") << 6 << 30 << "26/12/08 14:30";
        QTest::newRow("31") << 7 << 31 << "";
        QTest::newRow("on the hour") << 8 << 0 << "26/12/08 14:00";
        QTest::newRow("50") << 9 << 50 << "26/12/08 14:50";
    }
    void cpmPointLabel() {
        QFETCH(int, index);
        QFETCH(int, minute);
        QFETCH(QString, label);
        QCOMPARE(CpmPointLabel(index, DateTime::Encode(2026, 12, 8, 14, minute)), label);
    }

    void doseRate_data() {
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<int>("background");
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<QString>("text");
        QTest::newRow("example") << QList<int>(10, 35) << 0 << 0.00158 << "0.0553";
        QTest::newRow("forty") << QList<int>(10, 40) << 0 << 0.00158 << "0.0632";
        // Only the samples above the background count, but the divisor stays 10.
        QTest::newRow("some below background")
            << QList<int>{10, 10, 10, 10, 10, 30, 30, 30, 30, 30} << 20 << 0.1 << "0.5";
        QTest::newRow("all below background") << QList<int>(10, 5) << 20 << 0.00158 << "0";
        QTest::newRow("equal to background") << QList<int>(10, 20) << 20 << 0.00158 << "0";
        QTest::newRow("negative background") << QList<int>(10, 0) << -10 << 1.0 << "10";
        // A difference that does not fit in 32 bits must not wrap.
        QTest::newRow("extreme counts")
            << QList<int>(10, std::numeric_limits<std::int32_t>::max())
            << std::numeric_limits<std::int32_t>::min() << 1.0 << "4294967295";
    }
    void doseRate() {
        QFETCH(QList<int>, counts);
        QFETCH(int, background);
        QFETCH(double, coefficient);
        QFETCH(QString, text);
        SampleLog log;
        log.Append({0, 100000});  // outside the window
        for (int c : counts) {
            log.Append({0, c});
        }
        const double d = DoseRate(log, 10, {coefficient, background});
        QCOMPARE(LogLine({0, 0, d}).section(", ", 3), text);
    }

    void logLine_data() {
        QTest::addColumn<double>("dose");
        QTest::addColumn<int>("cpm");
        QTest::addColumn<QString>("line");
        QTest::newRow("no dose") << qQNaN() << 40 << "26/12/08, 14:30, 40";
        QTest::newRow("example") << 0.0553 << 35 << "26/12/08, 14:30, 35, 0.0553";
        QTest::newRow("zero dose") << 0.0 << 0 << "26/12/08, 14:30, 0, 0";
        QTest::newRow("negative count") << qQNaN() << -12 << "26/12/08, 14:30, -12";
        QTest::newRow("scientific dose") << 5e-5 << 1 << "26/12/08, 14:30, 1, 5E-5";
    }
    void logLine() {
        QFETCH(double, dose);
        QFETCH(int, cpm);
        QFETCH(QString, line);
        QCOMPARE(LogLine({DateTime::Encode(2026, 12, 8, 14, 30), cpm, dose}), line);
    }

    void rebuildRecordUsesTheTenSamplesBefore() {
        const SampleLog log = TenSamples({10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 1000});
        QVERIFY(!RebuildRecord(log, 9, {}).HasDose());
        // Sample 10 itself (1000) is not in its own window.
        QCOMPARE(RebuildRecord(log, 10, {1.0, 0}).Dose, 10.0);
    }
};

SOLAMINE_TEST(SampleLogTest)
SOLAMINE_TEST(DisplayRulesTest)
#include "tst_samplelog.moc"
