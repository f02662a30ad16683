#include "StatusLine.h"
#include "TestMain.h"
#include "WindowTranslation.h"

#include <QLabel>
#include <QStatusBar>
#include <QTest>

class StatusHintsTest : public QObject {
    Q_OBJECT

private slots:
    // With the virtual counter every connection state says so, in either language, and the
    // link's tooltip tells why unless it already explains a missing counter.
    void virtualCounter_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("link");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");  // a word of the link's tooltip
        using Link = StatusState::Link;
        const int ja = int(WindowLanguage::Japanese);
        const int en = int(WindowLanguage::English);
        QTest::newRow("ja not connected")
            << ja << int(Link::NotConnected) << "未接続 (仮想カウンタ)"
            << "--simulate";
        QTest::newRow("ja connected") << ja << int(Link::Connected) << "接続中 (仮想カウンタ)"
                                      << "仮想カウンタ";
        QTest::newRow("ja not found")
            << ja << int(Link::NotFound) << "カウンタが見つかりません (仮想カウンタ)"
            << "udev";
        QTest::newRow("ja waiting") << ja << int(Link::Waiting) << "再接続待ち (仮想カウンタ)"
                                    << "udev ルール";
        QTest::newRow("en not connected")
            << en << int(Link::NotConnected) << "Not connected (virtual counter)"
            << "--simulate";
        QTest::newRow("en connected") << en << int(Link::Connected) << "Connected (virtual counter)"
                                      << "virtual counter";
        QTest::newRow("en not found")
            << en << int(Link::NotFound) << "No counter found (virtual counter)"
            << "udev";
        QTest::newRow("en waiting")
            << en << int(Link::Waiting) << "Waiting to reconnect (virtual counter)"
            << "udev rule";
    }
    void virtualCounter() {
        QFETCH(int, language);
        QFETCH(int, link);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        const WindowTranslation translation{WindowLanguage(language)};
        QStatusBar bar;
        StatusLine line(&bar);
        StatusState state;
        state.LinkState = StatusState::Link(link);
        state.VirtualCounter = true;
        line.Show(state);
        QVERIFY2(line.Text().startsWith(text), qPrintable(line.Text()));
        QVERIFY2(line.LinkToolTip().contains(tip), qPrintable(line.LinkToolTip()));
    }

    // The reading of the latest minute, in either language: its tooltip says how the dose rate
    // is found, and why it is missing only while it is.
    void readingToolTip_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<double>("dose");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("explainsAbsence");
        for (const int language : {int(WindowLanguage::Japanese), int(WindowLanguage::English)}) {
            QTest::addRow("%d first ten minutes", language)
                << language << qQNaN() << "40 CPM" << true;
            QTest::addRow("%d later", language)
                << language << 0.0632 << "40 CPM  0.063 µSv/h" << false;
        }
    }
    void readingToolTip() {
        QFETCH(int, language);
        QFETCH(double, dose);
        QFETCH(QString, text);
        QFETCH(bool, explainsAbsence);
        const WindowTranslation translation{WindowLanguage(language)};
        const bool english = language == int(WindowLanguage::English);
        QStatusBar bar;
        StatusLine line(&bar);
        line.ShowReading(40, dose);
        const QList<QLabel*> labels = bar.findChildren<QLabel*>();
        const auto reading = std::find_if(labels.begin(), labels.end(),
                                          [&](QLabel* l) { return l->text() == text; });
        QVERIFY(reading != labels.end());
        const QString tip = (*reading)->toolTip();
        QCOMPARE(tip.contains(english ? QStringLiteral("first 10 minutes")
                                      : QStringLiteral("最初の 10 分")),
                 explainsAbsence);
        QVERIFY2(tip.contains(english ? QStringLiteral("mean of the last 10 minutes")
                                      : QStringLiteral("10 分の平均")),
                 qPrintable(tip));
        line.ClearReading();
        QVERIFY((*reading)->toolTip().isEmpty());
    }
};

SOLAMINE_TEST(StatusHintsTest)
#include "tst_statushints.moc"
