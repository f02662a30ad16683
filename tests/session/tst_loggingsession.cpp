#include "DateTime.h"
#include "LoggingSession.h"
#include "Publisher.h"
#include "ReportFeed.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <QTest>
#include <memory>

namespace {

double At(int minute, int second = 0) {
    return DateTime::Encode(2026, 12, 8, 14, minute, second);
}

// What a publisher hears, in order, as text: "14:30 35 -" for a minute without a dose, "alarm
// on", "stop".
struct Recorder final : Publisher {
    QStringList heard;
    int left = 0;
    void Publish(const LogRecord& r) override {
        heard << QStringLiteral("%1 %2 %3")
                     .arg(DateTime::MinuteText(r.Time).mid(9))
                     .arg(r.Cpm)
                     .arg(r.HasDose() ? QString::number(r.Dose) : QStringLiteral("-"));
    }
    void SetAlarm(bool raised) override { heard << (raised ? "alarm on" : "alarm off"); }
    int Stop(int) override {
        heard << "stop";
        return left;
    }
};

struct Session {
    double now = At(29, 30);
    std::unique_ptr<LoggingSession> session;
    Recorder publisher;
    QStringList events;  // what the session told, in order

    explicit Session(double alarmUsv = 0) {
        SessionOptions options;
        options.Alarm.ThresholdUsv = alarmUsv;
        options.Now = [this] { return now; };
        session = std::make_unique<LoggingSession>(std::make_unique<VirtualCounter>(), options);
        session->AddPublisher(&publisher);
        QObject::connect(session.get(), &LoggingSession::MinuteLogged, [this](const LogRecord& r) {
            events << QStringLiteral("logged %1").arg(r.Cpm);
            publisher.heard << "file";
        });
        QObject::connect(session.get(), &LoggingSession::MinuteLeftOut,
                         [this](const Sample& s, int seconds) {
                             events << QStringLiteral("left out %1 (%2 s)")
                                           .arg(DateTime::MinuteText(s.Time).mid(9))
                                           .arg(seconds);
                         });
    }
    void Minutes(int from, int count, std::uint16_t cpm) {
        HandMinutes(session->Link(), now, At(from) + kSecond / 2, count, cpm);
    }
};

}  // namespace

class LoggingSessionTest : public QObject {
    Q_OBJECT

private slots:
    // A partial minute is told, never recorded or published; each whole minute reaches the
    // file's listener before any publisher, dosed over the ten lines before it in its record.
    void wholeMinutesOnlyFileFirst() {
        Session s;
        s.session->StartRecord(std::vector<Sample>(12, Sample{At(0), 40}));
        HandReport(s.session->Link(), s.now, At(29, 30), 5);
        s.Minutes(30, 2, 20);
        s.session->Stop();  // 14:31 ran to its last report at :59.5: whole
        QCOMPARE(s.events, QStringList({"left out 14:29 (0 s)", "logged 20", "logged 20"}));
        QCOMPARE(s.publisher.heard,
                 QStringList({"file", "14:30 20 0.0632", "file", "14:31 20 0.06004"}));
        QCOMPARE(s.session->StopPublishers(1000), 0);
        QCOMPARE(s.publisher.heard.last(), QString("stop"));
    }

    // The alarm follows the recorded dose: publishers hear it raised before the minute that
    // raised it, and hear it end when new settings drop it.
    void alarmReachesPublishers() {
        Session s(0.06);
        s.Minutes(30, 12, 40);  // 14:40 is recorded at 0.0632
        QCOMPARE(s.publisher.heard.mid(20),
                 QStringList({"file", "alarm on", "14:40 40 0.0632"}));
        QVERIFY(s.session->Alarm().Raised());
        s.session->SetAlarmSettings({0.1, false});
        QCOMPARE(s.publisher.heard.last(), QString("alarm off"));
        s.session->RemovePublisher(&s.publisher);
        s.Minutes(42, 1, 40);  // 14:41 is recorded, but not for the publisher
        QCOMPARE(s.events.size(), 12);
        QVERIFY(!s.publisher.heard.join(' ').contains("14:41"));
    }
};

SOLAMINE_TEST(LoggingSessionTest)
#include "tst_loggingsession.moc"
