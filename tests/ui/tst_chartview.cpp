#include "ChartView.h"
#include "DisplayModel.h"
#include "TestMain.h"

#include <qcustomplot.h>
#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <algorithm>

class ChartViewTest : public QObject {
    Q_OBJECT

    static void Append(DisplayModel& model, int count, double value = 10) {
        for (int i = 0; i < count; ++i) {
            model.AppendCpm(value, {});
            model.AppendDose(value * 0.001);
        }
    }

    // A log of count points, every tenth labelled with its index.
    static void Labelled(DisplayModel& model, int count) {
        for (int i = 0; i < count; ++i) {
            model.AppendCpm(i % 97, i % 10 == 0 ? QString::number(i) : QString());
            model.AppendDose(i % 10 == 3 ? qQNaN() : i * 0.001);
        }
    }

private slots:
    // The chart holds the points of the page and one on either side, with their values, and
    // the axis shows the labels of the page, all of them, asked of the model.
    void holdsThePageShown_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("scrollTo");
        QTest::addColumn<int>("first");
        QTest::newRow("short log") << 25 << 0 << 0;
        QTest::newRow("start of a long log") << 5'000 << 0 << 0;
        QTest::newRow("middle") << 5'000 << 2'345 << 2'345;
        QTest::newRow("end, following") << 5'000 << 100'000 << 5'000 - ChartView::MaxPointsPerPage;
    }
    void holdsThePageShown() {
        QFETCH(int, count);
        QFETCH(int, scrollTo);
        QFETCH(int, first);
        QWidget window;
        DisplayModel model;
        ChartView view(model, &window);
        Labelled(model, count);
        view.ScrollTo(scrollTo);
        view.Chart()->replot();
        QCOMPARE(view.PageStart(), first);
        const int last = std::min(count, first + ChartView::MaxPointsPerPage) - 1;
        for (QCPGraph* graph : {view.SeriesCPM(), view.SeriesSV()}) {
            const QSharedPointer<QCPGraphDataContainer> points = graph->data();
            QCOMPARE(points->constBegin()->key, double(std::max(0, first - 1)));
            QCOMPARE((points->constEnd() - 1)->key, double(std::min(count - 1, last + 1)));
            for (auto it = points->constBegin(); it != points->constEnd(); ++it) {
                const int i = int(it->key);
                const double expected =
                    graph == view.SeriesCPM() ? model.CpmValue(i) : model.DoseValues()[size_t(i)];
                QVERIFY(it->value == expected || (qIsNaN(it->value) && qIsNaN(expected)));
            }
        }
        QVector<QString> labels;
        for (int i = (first + 9) / 10 * 10; i <= last; i += 10) {
            labels.append(QString::number(i));
        }
        QCOMPARE(view.Chart()->xAxis->tickVectorLabels(), labels);
    }

    // Changes arriving one after another are drawn together, once, when their frame comes.
    void manyChangesReplotOnce() {
        QWidget window;
        DisplayModel model;
        ChartView view(model, &window);
        QTRY_VERIFY(!view.ReplotPending());  // the first, empty page
        int replots = 0;
        connect(view.Chart(), &QCustomPlot::afterReplot, [&] { ++replots; });
        Append(model, 500);
        model.SetCpmValue(499, 50);
        view.ScrollTo(20);
        QCOMPARE(replots, 0);
        QVERIFY(view.ReplotPending());
        QTRY_VERIFY(!view.ReplotPending());
        // Whatever else those changes had queued runs now; nothing asks for a second drawing.
        QCoreApplication::processEvents();
        QCOMPARE(replots, 1);
        QVERIFY(!view.ReplotPending());
        // That drawing had the page scrolled to (and the point before it).
        QCOMPARE(view.SeriesCPM()->data()->constBegin()->key, 19.0);
    }

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
        view.Chart()->replot();
        QCOMPARE(view.SeriesSV()->dataCount(), 1);
        QVERIFY(qIsNaN(view.SeriesSV()->data()->at(0)->value));
        QCOMPARE(view.Chart()->xAxis->tickVectorLabels(), QVector<QString>{"26/12/08 14:37"});
    }
};

SOLAMINE_TEST(ChartViewTest)
#include "tst_chartview.moc"
