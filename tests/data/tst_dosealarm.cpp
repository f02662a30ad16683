#include "DateTime.h"
#include "DoseAlarm.h"
#include "TestMain.h"

#include <QTest>
#include <cmath>

namespace {

double Minute(int m) {
    return DateTime::Encode(2026, 12, 8, 14, 0) + m / (24.0 * 60);
}

}  // namespace

class DoseAlarmTest : public QObject {
    Q_OBJECT

private slots:
    // Minutes as "minute:dose" with a threshold of 0.3; each minute's step as R (raised),
    // A (above), X (released) or "-" for nothing.
    void steps_data() {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("steps");
        QTest::newRow("below stays quiet") << "0:0.1 1:0.29"
                                           << "- -";
        QTest::newRow("reaching the threshold raises it once") << "0:0.1 1:0.3 2:0.5 3:0.31"
                                                               << "- RA A A";
        QTest::newRow("ten minutes below release it") << "0:0.4 1:0.1 5:0.1 9:0.1 10:0.1 11:0.1"
                                                      << "RA - - - X -";
        QTest::newRow("a minute above again restarts the ten") << "0:0.4 6:0.1 7:0.35 16:0.1 17:0.1"
                                                               << "RA - A - X";
        QTest::newRow("a gap longer than ten minutes releases at the next minute") << "0:0.4 45:0.2"
                                                                                   << "RA X";
        QTest::newRow("after a release the next crossing raises again") << "0:0.4 10:0.1 11:0.4"
                                                                        << "RA X RA";
        QTest::newRow("minutes without a dose do nothing") << "0:nan 1:0.4 2:nan"
                                                           << "- RA -";
    }
    void steps() {
        QFETCH(QString, minutes);
        QFETCH(QString, steps);
        DoseAlarm alarm;
        alarm.SetSettings({0.3, true});
        QStringList seen;
        for (const QString& item : minutes.split(u' ')) {
            const QStringList parts = item.split(u':');
            const double dose = parts[1] == "nan" ? std::nan("") : parts[1].toDouble();
            const AlarmStep step = alarm.MinuteCompleted(Minute(parts[0].toInt()), dose);
            QString text;
            text += step.Raised ? "R" : "";
            text += step.Above ? "A" : "";
            text += step.Released ? "X" : "";
            seen << (text.isEmpty() ? "-" : text);
        }
        QCOMPARE(seen.join(u' '), steps);
    }

    void offAndNewSettings() {
        DoseAlarm alarm;
        QVERIFY(!alarm.MinuteCompleted(Minute(0), 99).Above);  // threshold 0: off
        alarm.SetSettings({0.3, false});
        QVERIFY(alarm.MinuteCompleted(Minute(1), 0.5).Raised);
        QCOMPARE(alarm.LastAboveDose(), 0.5);
        QCOMPARE(alarm.LastAboveTime(), Minute(1));
        alarm.SetSettings({0.6, false});  // starts afresh
        QVERIFY(!alarm.Raised());
        QVERIFY(!alarm.MinuteCompleted(Minute(2), 0.5).Above);
    }
};

SOLAMINE_TEST(DoseAlarmTest)

#include "tst_dosealarm.moc"
