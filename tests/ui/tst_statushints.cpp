#include "StatusLine.h"
#include "TestMain.h"

#include <QLabel>
#include <QStatusBar>
#include <QTest>

class StatusHintsTest : public QObject {
    Q_OBJECT

private slots:
    // With the virtual counter every connection state says so, and the link's tooltip tells why
    // unless it already explains a missing counter.
    void virtualCounter_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");  // a word of the link's tooltip
        using Link = StatusState::Link;
        QTest::newRow("not connected") << int(Link::NotConnected) << "未接続"
                                       << "--simulate";
        QTest::newRow("connected") << int(Link::Connected) << "接続中"
                                   << "--simulate";
        QTest::newRow("not found") << int(Link::NotFound) << "カウンタが見つかりません"
                                   << "udev";
        QTest::newRow("waiting") << int(Link::Waiting) << "再接続待ち"
                                 << "udev";
    }
    void virtualCounter() {
        QFETCH(int, link);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        QStatusBar bar;
        StatusLine line(&bar);
        StatusState state;
        state.LinkState = StatusState::Link(link);
        state.VirtualCounter = true;
        line.Show(state);
        QVERIFY2(line.Text().startsWith(text + QStringLiteral(" (仮想カウンタ)")),
                 qPrintable(line.Text()));
        QVERIFY2(line.LinkToolTip().contains(tip), qPrintable(line.LinkToolTip()));
    }

    // The reading of the latest minute: its tooltip says why the dose rate is missing.
    void readingToolTip_data() {
        QTest::addColumn<double>("dose");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("explainsAbsence");
        QTest::newRow("first ten minutes") << qQNaN() << "40 CPM" << true;
        QTest::newRow("later") << 0.0632 << "40 CPM  0.063 µSv/h" << false;
    }
    void readingToolTip() {
        QFETCH(double, dose);
        QFETCH(QString, text);
        QFETCH(bool, explainsAbsence);
        QStatusBar bar;
        StatusLine line(&bar);
        line.ShowReading(40, dose);
        const QList<QLabel*> labels = bar.findChildren<QLabel*>();
        const auto reading = std::find_if(labels.begin(), labels.end(),
                                          [&](QLabel* l) { return l->text() == text; });
        QVERIFY(reading != labels.end());
        const QString tip = (*reading)->toolTip();
        QCOMPARE(tip.contains(QStringLiteral("最初の 10 分")), explainsAbsence);
        QVERIFY(tip.contains(QStringLiteral("10 分の平均")));
        line.ClearReading();
        QVERIFY((*reading)->toolTip().isEmpty());
    }
};

SOLAMINE_TEST(StatusHintsTest)
#include "tst_statushints.moc"
