#include "ChartView.h"
#include "DisplayModel.h"
#include "TestMain.h"

#include <qcustomplot.h>
#include <QTest>
#include <QWidget>

class ChartViewTest : public QObject {
    Q_OBJECT

    static void Append(DisplayModel& model, int count, double value = 10) {
        for (int i = 0; i < count; ++i) {
            model.AppendCpm(value, {});
            model.AppendDose(value * 0.001);
        }
    }

private slots:
    void pageFollowsUntilDraggedAway() {
        QWidget window;
        DisplayModel model;
        ChartView view(model, &window);
        Append(model, 400);
        QCOMPARE(view.PageStart(), 400 - ChartView::MaxPointsPerPage);
        QCOMPARE(view.Chart()->xAxis->range().size(), double(ChartView::MaxPointsPerPage));
        QVERIFY(view.Following());

        view.ScrollTo(0);  // as a drag to the start does
        QVERIFY(!view.Following());
        Append(model, 5);
        QCOMPARE(view.PageStart(), 0);

        view.ScrollTo(100000);  // back to the end: clamped, and following again
        QVERIFY(view.Following());
        QCOMPARE(view.PageStart(), 405 - ChartView::MaxPointsPerPage);
        Append(model, 1);
        QCOMPARE(view.PageStart(), 406 - ChartView::MaxPointsPerPage);
    }

    void valueAxesFitThePageShown() {
        QWidget window;
        DisplayModel model;
        ChartView view(model, &window);
        Append(model, 10, 500);  // only on an earlier page
        Append(model, ChartView::MaxPointsPerPage, 40);
        QVERIFY(view.Chart()->yAxis->range().upper >= 40);
        QVERIFY(view.Chart()->yAxis->range().upper < 100);
        QCOMPARE(view.Chart()->yAxis->range().lower, 0.0);
        QVERIFY(view.Chart()->yAxis2->range().upper >= 0.04);
        view.ScrollTo(0);
        QVERIFY(view.Chart()->yAxis->range().upper >= 500);
        // A value changed in place (a merged report) raises the axis too.
        view.ScrollTo(100000);
        model.SetCpmValue(model.CpmCount() - 1, 900);
        QVERIFY(view.Chart()->yAxis->range().upper >= 900);
    }

    void nullDosePointsAreGaps() {
        QWidget window;
        DisplayModel model;
        ChartView view(model, &window);
        model.AppendCpm(10, QStringLiteral("26/12/08 14:37"));
        model.AppendNullDose();
        QCOMPARE(view.SeriesSV()->dataCount(), 1);
        QVERIFY(qIsNaN(view.SeriesSV()->data()->at(0)->value));
        QCOMPARE(view.Chart()->xAxis->ticker().dynamicCast<QCPAxisTickerText>()->ticks().value(0),
                 "26/12/08 14:37");
    }
};

SOLAMINE_TEST(ChartViewTest)
#include "tst_chartview.moc"
