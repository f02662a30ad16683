#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QTest>
#include <cmath>

namespace {

SampleLog FortyEveryMinute(int count) {
    SampleLog log;
    for (int i = 0; i < count; ++i) {
        log.Append({DateTime::Encode(2016, 3, 20, 12, 30 + i), 40});
    }
    return log;
}

struct CountingListener : DisplayListener {
    int resets = 0;
    int appends = 0;
    void Reset() override { ++resets; }
    void CpmAppended() override { ++appends; }
};

}  // namespace

class RebuildDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void twelveSamples() {
        DisplayModel display;
        RebuildDisplay(FortyEveryMinute(12), {}, display);
        QCOMPARE(display.CpmCount(), 12);
        QCOMPARE(display.DoseCount(), 12);
        QCOMPARE(display.LogCount(), 12);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(display.LogText(i), QString("16/03/20, 12:%1, 40").arg(30 + i));
            QVERIFY(std::isnan(display.DoseValues()[size_t(i)]));
        }
        QCOMPARE(display.LogText(10), "16/03/20, 12:40, 40, 0.0632");
        QCOMPARE(display.LogText(11), "16/03/20, 12:41, 40, 0.0632");
        // Labels: the first point, then every tenth minute.
        QCOMPARE(display.LabelCount(), 2);
        QCOMPARE(display.LabelAt(0), "16/03/20 12:30");
        QCOMPARE(display.LabelAt(10), "16/03/20 12:40");
        QCOMPARE(display.LabelAt(1), "");
    }

    void tenSamplesHaveNoDose() {
        DisplayModel display;
        RebuildDisplay(FortyEveryMinute(10), {}, display);
        QCOMPARE(display.DoseCount(), 10);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!display.LogRecords()[size_t(i)].HasDose());
        }
    }

    void rebuildReplacesEverything() {
        DisplayModel display;
        RebuildDisplay(FortyEveryMinute(30), {}, display);
        RebuildDisplay(FortyEveryMinute(3), {0.5, 0}, display);
        QCOMPARE(display.CpmCount(), 3);
        QCOMPARE(display.DoseCount(), 3);
        QCOMPARE(display.LogCount(), 3);
        QCOMPARE(display.LabelCount(), 1);
    }

    void viewsHearOneResetPerRebuild() {
        DisplayModel display;
        CountingListener listener;
        display.AddListener(&listener);
        RebuildDisplay(FortyEveryMinute(100), {}, display);
        QCOMPARE(listener.resets, 1);
        QCOMPARE(listener.appends, 0);
        display.AppendCpm(1, {});
        QCOMPARE(listener.appends, 1);
        display.RemoveListener(&listener);
    }
};

class FollowLogTailTest : public QObject {
    Q_OBJECT

private slots:
    void follows_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("selected");
        QTest::newRow("visible, following") << true << 0 << 4;
        QTest::newRow("hidden") << false << 0 << -1;
        QTest::newRow("held") << true << 1 << -1;
    }
    void follows() {
        QFETCH(bool, visible);
        QFETCH(int, tag);
        QFETCH(int, selected);
        DisplayModel display;
        display.SetLogVisible(visible);
        display.SetLogTag(tag);
        RebuildDisplay(FortyEveryMinute(5), {}, display);
        QCOMPARE(display.SelectedLog(), selected);
    }

    void holdKeepsSelectionAndReleaseFollowsAgain() {
        DisplayModel display;
        display.SetLogVisible(true);
        RebuildDisplay(FortyEveryMinute(5), {}, display);
        display.SetLogTag(1);
        display.AppendLog({0, 1});
        FollowLogTail(display);
        QCOMPARE(display.SelectedLog(), 4);
        display.SetLogTag(0);
        display.AppendLog({0, 2});
        FollowLogTail(display);
        QCOMPARE(display.SelectedLog(), 6);
    }

    void rebuildWhileHiddenClearsTheSelection() {
        DisplayModel display;
        display.SetLogVisible(true);
        RebuildDisplay(FortyEveryMinute(5), {}, display);
        QCOMPARE(display.SelectedLog(), 4);
        display.SetLogVisible(false);
        RebuildDisplay(FortyEveryMinute(5), {}, display);
        QCOMPARE(display.SelectedLog(), -1);
    }

    void emptyLogSelectsNothing() {
        DisplayModel display;
        display.SetLogVisible(true);
        RebuildDisplay(SampleLog(), {}, display);
        QCOMPARE(display.SelectedLog(), -1);
        QCOMPARE(display.CpmCount(), 0);
    }
};

SOLAMINE_TEST(RebuildDisplayTest)
SOLAMINE_TEST(FollowLogTailTest)
#include "tst_display.moc"
