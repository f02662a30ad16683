#include "ChartPane.h"
#include "ChartView.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "GapMarks.h"
#include "OverviewStrip.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <qcustomplot.h>
#include <QImage>
#include <QTest>
#include <QToolTip>

namespace {

// A log of 1,000 minutes from 2026-03-01 10:00 with 44 hours missing after sample 0 and one
// minute missing after sample 700.
SampleLog GappedLog() {
    SampleLog log;
    double time = DateTime::Encode(2026, 3, 1, 10);
    for (int i = 0; i < 1000; ++i) {
        log.Append({time, 20 + i % 17});
        time += (i == 0 ? 44 * 60 : i == 700 ? 2 : 1) / (24.0 * 60);
    }
    return log;
}

}  // namespace

class ChartGapsTest : public QObject {
    Q_OBJECT

    SampleLog log_ = GappedLog();
    DisplayModel display_;

private slots:
    void initTestCase() {
        RebuildDisplay(log_, GraphSettings{}, display_);
    }

    // The page's gaps are marked, and hovering over a mark shows the gap; elsewhere the
    // point's values.
    void hoverNamesTheGap_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");  // empty: the page has no gap
        QTest::newRow("at the page's first slot")
            << 0 << QStringLiteral("欠測 44 時間 0 分 (26/03/01 10:00 – 26/03/03 06:00)");
        QTest::newRow("a minute missing")
            << 500 << QStringLiteral("欠測 2 分 (26/03/03 17:39 – 26/03/03 17:41)");
        QTest::newRow("none") << 100 << QString();
    }
    void hoverNamesTheGap() {
        QFETCH(int, page);
        QFETCH(QString, text);
        ChartPane pane(display_, log_);
        pane.resize(900, 500);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        pane.View().ScrollTo(page);
        QCustomPlot* chart = pane.View().Chart();
        chart->replot();
        const std::vector<TimeGaps::Gap>& gaps = pane.View().Gaps().Gaps();
        QCOMPARE(gaps.size(), size_t(text.isEmpty() ? 0 : 1));
        if (text.isEmpty()) {
            return;
        }
        const int y = chart->axisRect()->rect().center().y();
        const int x = int(std::lround(pane.View().Gaps().XOf(gaps.front())));
        QTest::mouseMove(chart, QPoint(x + 2, y));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), text);
        QTest::mouseMove(chart, QPoint(x + 20, y));
        QTRY_VERIFY(QToolTip::text().contains(QStringLiteral(" CPM")));
    }

    // The strip's text has a band of its own: drawing it leaves every pixel of the trace as it
    // was without it.
    void stripTextLeavesTheTrace() {
        OverviewStrip strip(log_);
        strip.resize(600, OverviewStrip::kHeight);
        strip.SetPage(500, 859);
        const auto image = [&](const QString& caption) {
            strip.SetCaption([caption] { return caption; });
            return strip.grab().toImage();
        };
        const QImage bare = image({});
        const QImage captioned = image(QStringLiteral("平均 28.0 CPM (20〜36)  0.04 µSv/h gjpqy"));
        const QRect trace = strip.TraceRect();
        QVERIFY(!trace.intersects(strip.CaptionRect()));
        QCOMPARE(trace.height(), OverviewStrip::kTraceHeight);
        QVERIFY(strip.PageRect().top() >= trace.top());
        QVERIFY(bare.copy(strip.CaptionRect()) != captioned.copy(strip.CaptionRect()));
        QVERIFY(bare.copy(trace) == captioned.copy(trace));
    }
};

SOLAMINE_TEST(ChartGapsTest)
#include "tst_chartgaps.moc"
