#include "DateTime.h"
#include "LiveMinutes.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QTest>
#include <vector>

namespace {

double Minute(int n) {
    return DateTime::Encode(2026, 12, 8, 23, 0) + n / 1440.0 + 17.0 / 86'400;
}

// Reports at the given minutes (offsets from 23:00), counts 1, 2, 3...; the completed records.
std::vector<LogRecord> Feed(LiveSamples& samples, const QList<int>& minutes) {
    std::vector<LogRecord> completed;
    int count = 0;
    for (int m : minutes) {
        const MinuteStep step = AddReport(samples, ++count, Minute(m), {0.001, 3});
        if (step.What == MinuteStep::Kind::NextMinute) {
            completed.push_back(step.Completed);
        }
    }
    return completed;
}

}  // namespace

class LiveMinutesTest : public QObject {
    Q_OBJECT

private slots:
    void lastTenAgreeWithTheWholeLog_data() {
        QTest::addColumn<QList<int>>("minutes");
        QList<int> steady, bursts, back;
        for (int i = 0; i < 120; ++i) {
            steady << i;
            bursts << i * 3 << i * 3 << i * 3;  // three reports a minute, two minutes missing
            back << (i == 60 ? 10 : i);         // the clock set back once
        }
        QTest::newRow("one report a minute, across midnight") << steady;
        QTest::newRow("bursts and gaps") << bursts;
        QTest::newRow("clock set back") << back;
    }

    // The station keeps ten samples, the window all of them: both complete the same minutes
    // with the same counts and doses.
    void lastTenAgreeWithTheWholeLog() {
        QFETCH(QList<int>, minutes);
        SampleLog log;
        LogSamples whole(log);
        RecentSamples recent;
        const std::vector<LogRecord> expected = Feed(whole, minutes);
        const std::vector<LogRecord> got = Feed(recent, minutes);
        QCOMPARE(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].Time, expected[i].Time);
            QCOMPARE(got[i].Cpm, expected[i].Cpm);
            QCOMPARE(got[i].HasDose(), expected[i].HasDose());
            QCOMPARE(got[i].HasDose(), i >= 10);
            if (got[i].HasDose()) {
                QCOMPARE(got[i].Dose, expected[i].Dose);
            }
        }
        QCOMPARE(recent.Count(), log.Count());
        QCOMPARE(recent.Last(), log.Last());
        QCOMPARE(CompleteLast(recent, {}).Dose, CompleteLast(whole, {}).Dose);
    }
};

SOLAMINE_TEST(LiveMinutesTest)
#include "tst_liveminutes.moc"
