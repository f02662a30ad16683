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
#include <QTest>
#include <QToolTip>

class ChartGapsTest : public QObject {
    Q_OBJECT

    // 1,000 minutes from 2026-03-01 10:00: 44 hours missing after sample 0, a minute after 700.
    SampleLog log_;
    DisplayModel display_;

private slots:
    void initTestCase() {
        double time = DateTime::Encode(2026, 3, 1, 10);
        for (int i = 0; i < 1000; ++i) {
            log_.Append({time, 20 + i % 17});
            time += (i == 0 ? 44 * 60 : i == 700 ? 2 : 1) / (24.0 * 60);
        }
        RebuildDisplay(log_, GraphSettings{}, display_);
    }

    // The page's gaps are marked; hovering a mark names the gap, beside it the point.
    void hoverNamesTheGap_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");  // empty: the page has no gap
        QTest::newRow("first slot") << 0 << "欠測 44 時間 0 分 (26/03/01 10:00 – 26/03/03 06:00)";
        QTest::newRow("a minute") << 500 << "欠測 2 分 (26/03/03 17:39 – 26/03/03 17:41)";
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
        if (!text.isEmpty()) {
            const int x = int(std::lround(pane.View().Gaps().XOf(gaps.front())));
            const int y = chart->axisRect()->rect().center().y();
            QTest::mouseMove(chart, QPoint(x + 2, y));
            QTRY_COMPARE(QToolTip::text(), text);
            QTest::mouseMove(chart, QPoint(x + 20, y));
            QTRY_VERIFY(QToolTip::text().contains(QStringLiteral(" CPM")));
        }
    }

    // The strip's text has a band of its own: drawing it changes no pixel of the trace.
    void stripTextLeavesTheTrace() {
        OverviewStrip strip(log_);
        strip.resize(600, OverviewStrip::kHeight);
        strip.SetPage(500, 859);
        const auto image = [&](const QString& caption, const QRect& part) {
            strip.SetCaption([caption] { return caption; });
            return strip.grab().toImage().copy(part);
        };
        const QString caption = QStringLiteral("平均 28.0 CPM (20〜36)  0.04 µSv/h gjpqy");
        const QRect trace = strip.TraceRect();
        QCOMPARE(trace.height(), OverviewStrip::kTraceHeight);
        QVERIFY(image({}, strip.CaptionRect()) != image(caption, strip.CaptionRect()));
        QVERIFY(image({}, trace) == image(caption, trace));
    }
};

SOLAMINE_TEST(ChartGapsTest)
#include "tst_chartgaps.moc"
