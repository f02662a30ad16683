#include "DateTime.h"
#include "LogView.h"
#include "Main.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"
#include "WindowTranslation.h"

#include <qcustomplot.h>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every menu of the window and its items as the user sees them, in order, in Japanese and in
// English: "-" is a separator, "(hidden) " marks an item that is not shown at start,
// "(disabled) " one shown but not enabled, a tab the shortcut shown beside the caption. Adding a
// menu item is one row here.
struct MenuRow {
    const char16_t* Menu;
    const char16_t* Item;
    const char16_t* EnglishMenu;
    const char16_t* EnglishItem;
};
constexpr MenuRow kMenus[] = {
    {u"ファイル(&F)", u"新規作成(&N)\tCtrl+N", u"&File", u"&New\tCtrl+N"},
    {u"ファイル(&F)", u"開く(&O)...\tCtrl+O", u"&File", u"&Open...\tCtrl+O"},
    {u"ファイル(&F)", u"フォルダを開く(&D)...", u"&File", u"Open Fol&der..."},
    {u"ファイル(&F)", u"上書き保存(&S)\tCtrl+S", u"&File", u"&Save\tCtrl+S"},
    {u"ファイル(&F)", u"名前をつけて保存(&A)...\tCtrl+Shift+S", u"&File",
     u"Save &As...\tCtrl+Shift+S"},
    {u"ファイル(&F)", u"(disabled) 復元フォルダを開く(&R)...", u"&File",
     u"(disabled) Open &Recovery Folder..."},
    {u"ファイル(&F)", u"グラフを画像で保存(&I)...", u"&File", u"Save Chart as &Image..."},
    {u"ファイル(&F)", u"集計を CSV で保存(&U)...", u"&File", u"Save S&ummaries as CSV..."},
    {u"ファイル(&F)", u"(disabled) 最近使ったファイル(&F)", u"&File", u"(disabled) Recent &Files"},
    {u"ファイル(&F)", u"-", u"&File", u"-"},
    {u"ファイル(&F)", u"終了(&X)\tCtrl+Q", u"&File", u"E&xit\tCtrl+Q"},
    {u"ロガー(&L)", u"接続/開始(&B)", u"&Logger", u"&Connect/Start"},
    {u"ロガー(&L)", u"切断/停止(&S)", u"&Logger", u"&Disconnect/Stop"},
    {u"ロガー(&L)", u"(hidden) -", u"&Logger", u"(hidden) -"},
    {u"ロガー(&L)", u"グラフ再描画(&G)", u"&Logger", u"Redraw &Graphs"},
    {u"設定(&S)", u"ログを隠す(&H)", u"&Settings", u"&Hide Log"},
    {u"設定(&S)", u"ログを表示(&S)...", u"&Settings", u"&Show Log..."},
    {u"設定(&S)", u"-", u"&Settings", u"-"},
    {u"設定(&S)", u"各種設定(&M)...", u"&Settings", u"&General Settings..."},
    {u"設定(&S)", u"警報(&A)...", u"&Settings", u"&Alarm..."},
    {u"設定(&S)", u"MQTT 送信(&T)...", u"&Settings", u"MQ&TT Publishing..."},
#ifdef _WIN32
    // That Qt has no networking.
    {u"設定(&S)", u"(hidden) 公開マップ送信(&P)...", u"&Settings", u"(hidden) &Public Maps..."},
#else
    {u"設定(&S)", u"公開マップ送信(&P)...", u"&Settings", u"&Public Maps..."},
#endif
    {u"表示(&V)", u"移動(&G)...\tCtrl+G", u"&View", u"&Go To...\tCtrl+G"},
    {u"表示(&V)", u"集計(&S)...\tCtrl+T", u"&View", u"&Summaries...\tCtrl+T"},
    {u"表示(&V)", u"-", u"&View", u"-"},
    {u"表示(&V)", u"言語(&L)", u"&View", u"&Language"},
    {u"ヘルプ(&H)", u"カウンタが見つからないとき(&C)...", u"&Help", u"&Counter Not Found..."},
    {u"ヘルプ(&H)", u"バージョン情報(&A)...", u"&Help", u"&About..."},
};

// A main window over the scripted virtual counter, with its files in a folder of its own.
struct Window {
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;

    Window() {
        MainFormOptions options;
        options.Backend = std::make_unique<VirtualCounter>();
        options.IniPath = dir.filePath(QStringLiteral("solamine.ini"));
        options.RecoveryFolder = dir.filePath(QStringLiteral("recovery"));
        options.Now = [] { return DateTime::Encode(2026, 12, 8, 12, 30); };
        form = std::make_unique<TMainForm>(std::move(options));
        form->show();
    }
};

QString Caption(const QAction* action) {
    QString text = action->isSeparator() ? QStringLiteral("-") : action->text();
    if (!action->shortcut().isEmpty()) {
        text += u'\t' + action->shortcut().toString(QKeySequence::PortableText);
    }
    return !action->isVisible()   ? QStringLiteral("(hidden) ") + text
           : !action->isEnabled() ? QStringLiteral("(disabled) ") + text
                                  : text;
}

// The captions whose access key (the character after "&") is missing, doubled or used before.
QStringList ClashingAccessKeys(const QStringList& captions) {
    QStringList seen;
    QStringList clashes;
    for (const QString& caption : captions) {
        const QStringList keys = caption.toUpper().split(u'&').mid(1);
        const QString key = keys.size() == 1 ? keys[0].left(1) : QString();
        if (key.isEmpty() || seen.contains(key)) {
            clashes << caption;
        }
        seen << key;
    }
    return clashes;
}

// The labels an axis's ticker gives over a range, in the axis's own number format.
QStringList TickLabels(QCPAxis* axis, double lower, double upper) {
    QVector<double> ticks;
    QVector<QString> labels;
    axis->ticker()->generate(QCPRange(lower, upper), axis->parentPlot()->locale(),
                             axis->numberFormat().at(0), axis->numberPrecision(), ticks, nullptr,
                             &labels);
    return QStringList(labels.begin(), labels.end());
}

// The step between an axis's first two ticks over a range, and the minor ticks between them.
QString TickSteps(QCPAxis* axis, double lower, double upper) {
    QVector<double> ticks;
    QVector<double> subTicks;
    axis->ticker()->generate(QCPRange(lower, upper), QLocale::c(), QLatin1Char('f'), 2, ticks,
                             &subTicks, nullptr);
    if (ticks.size() < 2) {
        return QStringLiteral("fewer than two ticks");
    }
    const auto minor = std::count_if(subTicks.begin(), subTicks.end(),
                                     [&](double t) { return t > ticks[0] && t < ticks[1]; });
    return QStringLiteral("%1 by %2").arg(ticks[1] - ticks[0]).arg(minor);
}

QString PenText(const QPen& pen) {
    return QStringLiteral("%1 %2").arg(pen.style() == Qt::NoPen     ? QStringLiteral("none")
                                       : pen.style() == Qt::DotLine ? QStringLiteral("dotted")
                                                                    : QStringLiteral("solid"),
                                       pen.color().name(QColor::HexArgb));
}

QString GradientText(const QBrush& brush) {
    const QGradient* gradient = brush.gradient();
    if (!gradient || gradient->type() != QGradient::LinearGradient) {
        return QStringLiteral("no gradient");
    }
    const auto* linear = static_cast<const QLinearGradient*>(gradient);
    const bool vertical = linear->start().x() == linear->finalStop().x();
    return QStringLiteral("%1 %2 to %3")
        .arg(vertical ? QStringLiteral("vertical") : QStringLiteral("slanted"),
             gradient->stops().first().second.name(QColor::HexArgb),
             gradient->stops().last().second.name(QColor::HexArgb));
}

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    // Each menu from the bar in each language: title, place, items in order, and an access key
    // of its own for every caption, so that an added item cannot take one that is already used.
    void menus_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("place");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("items");
        for (const WindowLanguage language : {WindowLanguage::Japanese, WindowLanguage::English}) {
            const bool english = language == WindowLanguage::English;
            QStringList titles;
            QList<QStringList> items;
            for (const MenuRow& row : kMenus) {
                const QString title = QString::fromUtf16(english ? row.EnglishMenu : row.Menu);
                if (titles.isEmpty() || titles.back() != title) {
                    titles << title;
                    items << QStringList();
                }
                items.back() << QString::fromUtf16(english ? row.EnglishItem : row.Item);
            }
            const char* code = english ? "en" : "ja";
            for (int i = 0; i < titles.size(); ++i) {
                QTest::addRow("%s %s", code, qPrintable(titles[i]))
                    << int(language) << i << titles[i] << items[i];
            }
            QTest::addRow("%s the bar", code) << int(language) << -1 << QString() << titles;
        }
    }
    void menus() {
        QFETCH(int, language);
        QFETCH(int, place);
        QFETCH(QString, title);
        QFETCH(QStringList, items);
        const WindowTranslation translation{WindowLanguage(language)};
        Window w;
        const QList<QAction*> bar = w.form->menuBar()->actions();
        QStringList captions;
        if (place < 0) {
            for (const QAction* menu : bar) {
                captions << menu->text();
            }
        } else {
            QVERIFY(place < bar.size());
            QMenu* menu = bar[place]->menu();
            QVERIFY(menu);
            QCOMPARE(menu->title(), title);
            for (const QAction* item : menu->actions()) {
                captions << Caption(item);
                QVERIFY2(!item->isCheckable(), qPrintable(Caption(item)));
            }
        }
        QCOMPARE(captions, items);
        captions.removeIf([](const QString& c) { return c.endsWith(u'-'); });
        for (QString& caption : captions) {
            caption = caption.section(u'\t', 0, 0);
        }
        QCOMPARE(ClashingAccessKeys(captions), QStringList());
    }

    // Sizes measured on the shown window: the client area under the menu bar, the smallest
    // window, and the log pane's line, first height, smallest height and splitter bar.
    void sizes_data() {
        QTest::addColumn<QSize>("measured");
        QTest::addColumn<QSize>("expected");
        Window w;
        TMainForm& form = *w.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Show->trigger();
        QCoreApplication::processEvents();  // the splitter lays the shown pane out
        QTest::newRow("client area") << form.centralWidget()->size() << QSize(572, 377);
        QTest::newRow("log pane when created") << QSize(0, form.Log->height()) << QSize(0, 64);
        QTest::newRow("splitter bar")
            << QSize(0,
                     form.Log->geometry().top() - form.Splitter->widget(0)->geometry().bottom() - 1)
            << QSize(0, 3);

        // Where a click moves from one line to the next, from the pane's own reaction.
        QVERIFY(WriteFile(w.dir.filePath("ten.csv"),
                          "26/12/08, 12:00, 1\r\n"
                          "26/12/08, 12:01, 2\r\n"
                          "26/12/08, 12:02, 3\r\n"
                          "26/12/08, 12:03, 4\r\n"));
        form.OpenFile(w.dir.filePath("ten.csv"));
        form.Log->verticalScrollBar()->setValue(0);
        QList<int> boundaries;
        int previous = -1;
        for (int y = 0; y < form.Log->viewport()->height() && boundaries.size() < 3; ++y) {
            form.Log->verticalScrollBar()->setValue(0);
            QTest::mousePress(form.Log->viewport(), Qt::LeftButton, {}, QPoint(20, y));
            QTest::mouseRelease(form.Log->viewport(), Qt::LeftButton, {}, QPoint(20, y));
            if (form.Log->CurrentLine() != previous) {
                boundaries << y;
                previous = form.Log->CurrentLine();
            }
        }
        QCOMPARE(boundaries.size(), 3);
        QTest::newRow("log line") << QSize(0, boundaries[2] - boundaries[1]) << QSize(0, 13);

        form.Splitter->setSizes({form.Splitter->height(), 1});
        QTest::newRow("smallest log pane") << QSize(0, form.Log->height()) << QSize(0, 20);
        form.resize(1, 1);
        QTest::newRow("smallest window") << form.size() << QSize(256, 256);
    }
    void sizes() {
        QFETCH(QSize, measured);
        QFETCH(QSize, expected);
        QCOMPARE(measured, expected);
    }

    // The chart's fixed configuration, read from the window's chart.
    void chart_data() {
        QTest::addColumn<QString>("measured");
        QTest::addColumn<QString>("expected");
        Window w;
        QCustomPlot* chart = w.form->Chart;
        const auto row = [](const char* name, const QString& measured, const QString& expected) {
            QTest::newRow(name) << measured << expected;
        };
        const auto yesNo = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
        row("legend", yesNo(chart->legend->visible()), "no");
        row("title", yesNo(chart->plotLayout()->elementCount() > 1), "no");
        const QMargins margins = chart->plotLayout()->margins();
        row("margins",
            QStringLiteral("%1 %2 %3 %4")
                .arg(margins.left())
                .arg(margins.top())
                .arg(margins.right())
                .arg(margins.bottom()),
            "5 10 10 5");
        row("mouse", QString::number(int(chart->interactions())),
            QString::number(int(QCP::iRangeDrag)));
        row("drag", QString::number(int(chart->axisRect()->rangeDrag())),
            QString::number(int(Qt::Horizontal)));
        row("zoom", QString::number(int(chart->axisRect()->rangeZoom())), "0");

        QCPAxis* bottom = chart->xAxis;
        row("bottom title", bottom->label(), "");
        row("bottom label rotation", QString::number(bottom->tickLabelRotation()), "90");
        row("bottom minor ticks", yesNo(bottom->subTicks()), "no");
        row("bottom tick length", QString::number(bottom->tickLengthIn() + bottom->tickLengthOut()),
            "5");
        row("bottom grid", PenText(bottom->grid()->pen()), "dotted #ffc0c0c0");

        QCPAxis* left = chart->yAxis;
        row("left title", left->label(), "CPM");
        row("left steps", TickSteps(left, 0, 6), "1 by 0");
        row("left format", TickLabels(left, 1499.5, 1500.5).join(u' '), "1500");
        row("left tick length", QString::number(left->tickLengthIn() + left->tickLengthOut()), "2");
        row("left grid", PenText(left->grid()->pen()).section(u' ', 0, 0), "dotted");
        row("left minimum", QString::number(left->range().lower), "0");

        QCPAxis* right = chart->yAxis2;
        row("right title", right->visible() ? right->label() : QString(), "uSv/ h");
        row("right steps", TickSteps(right, 0, 0.3), "0.05 by 4");
        row("right format", TickLabels(right, 1234.49, 1234.51).join(u' '), "1,234.50");
        row("right small format", TickLabels(right, 0.04, 0.06).join(u' '), "0.05");
        row("right grid", yesNo(right->grid()->visible()), "no");
        row("right minimum", QString::number(right->range().lower), "0");

        QCPGraph* cpm = w.form->SeriesCPM;
        QCPGraph* sv = w.form->SeriesSV;
        row("drawn first", yesNo(chart->graph(0) == cpm && chart->graph(1) == sv), "yes");
        row("CPM area outline", PenText(cpm->pen()).section(u' ', 0, 0), "none");
        row("CPM area fill", GradientText(cpm->brush()), "vertical #99ff0000 to #99ffff80");
        row("CPM point marks", yesNo(!cpm->scatterStyle().isNone()), "no");
        row("dose line", PenText(sv->pen()), "solid #bf0000ff");
        row("dose fill", yesNo(sv->brush().style() != Qt::NoBrush), "no");
        row("dose point marks", yesNo(!sv->scatterStyle().isNone()), "no");
        row("frame", PenText(left->basePen()), "solid #ffa0a0a4");
    }
    void chart() {
        QFETCH(QString, measured);
        QFETCH(QString, expected);
        QCOMPARE(measured, expected);
    }
};

SOLAMINE_TEST(WindowLayoutTest)
#include "tst_windowlayout.moc"
