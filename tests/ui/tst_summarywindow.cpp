#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "LiveIngestion.h"
#include "SampleLog.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"
#include "TestMain.h"

#include <qcustomplot.h>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QScreen>
#include <QTest>
#include <array>

namespace {

double At(int day, int hour, int minute, int second = 0) {
    return DateTime::Encode(2026, 5, day, hour, minute, second);
}

// A shown summaries window over a log fed with reports, as the main window feeds it.
struct Rig {
    SampleLog log;
    DisplayModel display;
    GraphSettings settings{0.01, 0};
    SummaryWindow window{display, log, settings};
    SummaryModel& model = window.Model();

    Rig() { window.show(); }
    void Report(double now, int count) {
        std::array<std::uint8_t, kReportPayloadSize> payload{};
        payload[kCountOffset] = std::uint8_t(count);
        HandleCountReport(payload, now, log, settings, display);
    }
    QString Cell(int row, int column) const { return model.index(row, column).data().toString(); }
};

}  // namespace

class SummaryWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Reports change the current period's row in place and add a row for a new period; only a
    // rebuild of the log resets the table.
    void tableFollowsLiveReports() {
        Rig rig;
        QSignalSpy resets(&rig.model, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&rig.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&rig.model, &QAbstractItemModel::dataChanged);
        rig.Report(At(1, 23, 59, 10), 30);
        QCOMPARE(rig.model.rowCount(), 1);
        rig.Report(At(1, 23, 59, 40), 12);
        QCOMPARE(rig.Cell(0, 5), "42");
        rig.Report(At(2, 0, 0, 5), 6);
        QCOMPARE(rig.model.rowCount(), 2);
        QCOMPARE(rig.Cell(1, 0), "2026-05-02");
        QCOMPARE(rig.Cell(1, 3), "6.00");
        QCOMPARE(rig.Cell(0, 3), "42.00");
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserted.count(), 2);
        QVERIFY(changed.count() >= 3);

        rig.window.Refresh();
        QCOMPARE(rig.window.TotalsLabel->text(),
                 QStringLiteral("合計: 積算線量 0.0080 µSv、カバー率 100.0 % (2 分)"));
        QCOMPARE(rig.window.Chart->plottable(0)->interface1D()->dataCount(), 2);

        // Open and New rebuild the display: the table takes the log afresh.
        rig.log.Assign({{At(3, 10, 0), 5}});
        RebuildDisplay(rig.log, rig.settings, rig.display);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(rig.model.rowCount(), 1);
        QCOMPARE(rig.Cell(0, 0), "2026-05-03");
    }

    // Opened narrow, the window widens until every column shows without scrolling sideways (in a
    // font small enough for the columns to fit the test's screen).
    void fitsItsColumns_data() {
        QTest::addColumn<int>("period");
        QTest::newRow("hour") << 0;
        QTest::newRow("day") << 1;
        QTest::newRow("month") << 2;
    }
    void fitsItsColumns() {
        QFETCH(int, period);
        Rig rig;
        rig.log.Assign({{At(1, 10, 0), 5}, {At(3, 10, 0), 12345}, {At(4, 10, 0), 20}});
        RebuildDisplay(rig.log, rig.settings, rig.display);
        rig.window.hide();
        QFont small = rig.window.font();
        small.setPixelSize(9);
        rig.window.setFont(small);
        rig.window.resize(300, 400);
        rig.window.PeriodBox->setCurrentIndex(period);
        rig.window.FitColumns();
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        // Every column shows, unless the window already reaches the screen's width.
        const int screenWidth = rig.window.screen()->availableGeometry().width();
        const int overflow = rig.window.Table->horizontalScrollBar()->maximum();
        QVERIFY2(overflow == 0 || rig.window.width() >= screenWidth,
                 qPrintable(QString("%1 px hidden in a window %2 px wide on a screen of %3")
                                .arg(overflow)
                                .arg(rig.window.width())
                                .arg(screenWidth)));
        QCOMPARE(rig.window.height(), 400);
    }

    // A hidden window does not follow; shown again it is up to date.
    void hiddenWindowCatchesUpWhenShown() {
        Rig rig;
        rig.window.hide();
        rig.Report(At(1, 10, 0), 3);
        rig.Report(At(1, 11, 0), 4);
        QCOMPARE(rig.model.rowCount(), 0);
        rig.window.show();
        QCOMPARE(rig.model.rowCount(), 1);
        QCOMPARE(rig.Cell(0, 1), "2");
    }

    void sortsByValueAndBackToTime() {
        Rig rig;
        rig.log.Assign({{At(1, 10, 0), 5}, {At(3, 10, 0), 90}, {At(4, 10, 0), 20}});
        RebuildDisplay(rig.log, rig.settings, rig.display);
        rig.window.PeriodBox->setCurrentIndex(1);
        rig.model.sort(5, Qt::DescendingOrder);
        QCOMPARE(rig.Cell(0, 0), "2026-05-03");
        QCOMPARE(rig.Cell(3, 0), "2026-05-02");  // no value: last when descending
        QCOMPARE(rig.model.PeriodStart(0), DateTime::Encode(2026, 5, 3));
        rig.window.Table->selectAll();
        QVERIFY(rig.window.SelectedText().startsWith("2026-05-03\t1\t0.1\t90.00\t"));
        rig.model.sort(0, Qt::AscendingOrder);
        QCOMPARE(rig.Cell(0, 0), "2026-05-01");
        rig.window.PeriodBox->setCurrentIndex(2);
        QCOMPARE(rig.model.rowCount(), 1);
    }
};

SOLAMINE_TEST(SummaryWindowTest)

#include "tst_summarywindow.moc"
