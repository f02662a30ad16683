#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "LogView.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

SampleLog Minutes(int count) {
    SampleLog log;
    for (int i = 0; i < count; ++i) {
        log.Append({DateTime::Encode(2026, 12, 8) + i / 1440.0, 30 + i % 7});
    }
    return log;
}

// A log pane five lines high over a display model, shown.
struct Pane {
    DisplayModel model;
    LogView view{model};

    Pane() {
        view.resize(300, 5 * LogView::kLineHeight + 2 * view.frameWidth());
        view.show();
    }
    int Lines() const { return view.viewport()->height() / LogView::kLineHeight; }
    bool InView(int line) const {
        return line >= view.TopLine() && line < view.TopLine() + Lines();
    }
};

}  // namespace

class LogViewTest : public QObject {
    Q_OBJECT

private slots:
    // After a rebuild the pane shows the last line selected; added lines keep it at the end
    // until LogHold is set, which keeps selection and scrolling where they are.
    void followsTheNewestLine() {
        Pane p;
        RebuildDisplay(Minutes(1'000), {}, p.model);
        QCOMPARE(p.view.CurrentLine(), 999);
        QVERIFY(p.InView(999));
        QCOMPARE(p.view.verticalScrollBar()->maximum(), 1'000 - p.Lines());
        for (int i = 0; i < 3; ++i) {
            p.model.AppendLog({0, i});
            FollowLogTail(p.model);
        }
        QCOMPARE(p.view.CurrentLine(), 1'002);
        QVERIFY(p.InView(1'002));
        p.view.SetTag(1);
        const int top = p.view.TopLine();
        p.model.AppendLog({0, 9});
        FollowLogTail(p.model);
        QCOMPARE(p.view.CurrentLine(), 1'002);
        QCOMPARE(p.view.TopLine(), top);
        QCOMPARE(p.view.verticalScrollBar()->maximum(), 1'004 - p.Lines());
    }

    // A rebuild with the pane hidden, or New, leaves no line selected and the pane at the top.
    void rebuiltHiddenOrClearedStartsAtTheTop() {
        Pane p;
        RebuildDisplay(Minutes(100), {}, p.model);
        p.view.hide();
        RebuildDisplay(Minutes(200), {}, p.model);
        p.view.show();
        QCOMPARE(p.view.CurrentLine(), -1);
        QCOMPARE(p.view.TopLine(), 0);
        p.model.ClearLog();
        QCOMPARE(p.view.verticalScrollBar()->maximum(), 0);
        QCOMPARE(p.view.CurrentLine(), -1);
    }

    // As in a list box: a click selects the line under it, the keys move the selection and the
    // pane scrolls to keep it in view.
    void clickAndKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("current");
        QTest::newRow("click only") << 0 << 51;
        QTest::newRow("down") << int(Qt::Key_Down) << 52;
        QTest::newRow("up") << int(Qt::Key_Up) << 50;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 56;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << 46;
        QTest::newRow("home") << int(Qt::Key_Home) << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 99;
    }
    void clickAndKeys() {
        QFETCH(int, key);
        QFETCH(int, current);
        Pane p;
        RebuildDisplay(Minutes(100), {}, p.model);
        p.view.verticalScrollBar()->setValue(50);
        QSignalSpy clicked(&p.view, &LogView::LineClicked);
        QTest::mouseClick(p.view.viewport(), Qt::LeftButton, {}, p.view.LineRect(51).center());
        QCOMPARE(p.view.CurrentLine(), 51);
        QTRY_COMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 51);
        if (key != 0) {
            QTest::keyClick(&p.view, Qt::Key(key));
        }
        QCOMPARE(p.view.CurrentLine(), current);
        QVERIFY(p.InView(current));
    }

    // Mouse events on line 51 in the order the window system delivers them: P press, R release,
    // D the double-click event that follows a second press, "." waits until a click has acted.
    // A click acts once no second click followed; a double-click is never also a click.
    void clickOrDoubleClick_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("doubleClicks");
        QTest::newRow("click") << "PR" << 1 << 0;
        QTest::newRow("click then double-click") << "PRPDR" << 0 << 1;
        QTest::newRow("two double-clicks") << "PRPDRPRPDR" << 0 << 2;
        QTest::newRow("two clicks apart") << "PR.PR" << 2 << 0;
    }
    void clickOrDoubleClick() {
        QFETCH(QString, events);
        QFETCH(int, clicks);
        QFETCH(int, doubleClicks);
        Pane p;
        RebuildDisplay(Minutes(100), {}, p.model);
        p.view.verticalScrollBar()->setValue(50);
        QSignalSpy clicked(&p.view, &LogView::LineClicked);
        QSignalSpy doubled(&p.view, &LogView::DoubleClicked);
        QWidget* area = p.view.viewport();
        const QPoint at = p.view.LineRect(51).center();
        for (const QChar event : events) {
            if (event == u'P') {
                QTest::mousePress(area, Qt::LeftButton, {}, at);
            } else if (event == u'R') {
                QTest::mouseRelease(area, Qt::LeftButton, {}, at);
            } else if (event == u'D') {
                QTest::mouseDClick(area, Qt::LeftButton, {}, at);
            } else {
                QTRY_VERIFY(!p.view.ClickPending());
            }
        }
        QTRY_VERIFY(!p.view.ClickPending());
        QCOMPARE(clicked.count(), clicks);
        QCOMPARE(doubled.count(), doubleClicks);
        QCOMPARE(p.view.CurrentLine(), 51);  // as in a list box, the press selects
    }
};

SOLAMINE_TEST(LogViewTest)
#include "tst_logview.moc"
