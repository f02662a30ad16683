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
        struct Row {
            const char* Name;
            Link State;
            const char16_t* Text[2];  // Japanese, English
            const char16_t* Tip[2];
        };
        const Row rows[] = {
            {"not connected",
             Link::NotConnected,
             {u"未接続 (仮想カウンタ)", u"Not connected (virtual counter)"},
             {u"--simulate", u"--simulate"}},
            {"connected",
             Link::Connected,
             {u"接続中 (仮想カウンタ)", u"Connected (virtual counter)"},
             {u"仮想カウンタ", u"virtual counter"}},
            {"not found",
             Link::NotFound,
             {u"カウンタが見つかりません (仮想カウンタ)", u"No counter found (virtual counter)"},
             {u"udev", u"udev"}},
            {"waiting",
             Link::Waiting,
             {u"再接続待ち (仮想カウンタ)", u"Waiting to reconnect (virtual counter)"},
             {u"udev ルール", u"udev rule"}},
        };
        for (const Row& row : rows) {
            for (const WindowLanguage language :
                 {WindowLanguage::Japanese, WindowLanguage::English}) {
                const int i = language == WindowLanguage::English ? 1 : 0;
                QTest::addRow("%s %s", i ? "en" : "ja", row.Name)
                    << int(language) << int(row.State) << QString::fromUtf16(row.Text[i])
                    << QString::fromUtf16(row.Tip[i]);
            }
        }
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
