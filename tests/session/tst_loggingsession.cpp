#include "DateTime.h"
#include "DisplayModel.h"
#include "LiveIngestion.h"
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

// "30" for 14:30.
QString MinuteOf(double time) {
    return DateTime::MinuteText(time).mid(12);
}

// What a publisher hears, in order, as text: "14:30 35 -" for a minute without a dose, "alarm
// on", "stop".
struct Recorder final : Publisher {
    QStringList heard;
    int left = 0;
    std::vector<double> today;  // the dose today each minute came with
    void Publish(const PublishedMinute& minute) override {
        const LogRecord& r = minute.Record;
        today.push_back(minute.UsvToday);
        heard << QStringLiteral("%1 %2 %3")
                     .arg(DateTime::MinuteText(r.Time).mid(9))
                     .arg(r.Cpm)
                     .arg(r.HasDose() ? QString::number(r.Dose) : QStringLiteral("-"));
    }
    void SetAlarm(bool raised) override { heard << (raised ? "alarm on" : "alarm off"); }
    void SetCounter(CounterState) override {}
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
        // The dose today is the summary's: the coefficient over each minute, not the file's mean.
        QCOMPARE(s.publisher.today, (std::vector<double>{0.00158 * 20 / 60, 0.00158 * 40 / 60}));
        QCOMPARE(s.session->StopPublishers(1000), 0);
        QCOMPARE(s.publisher.heard.last(), QString("stop"));
    }

    // The alarm follows the recorded dose: publishers hear it raised before the minute that
    // raised it, and hear it end when new settings drop it.
    void alarmReachesPublishers() {
        Session s(0.06);
        s.Minutes(30, 12, 40);  // 14:40 is recorded at 0.0632
        QCOMPARE(s.publisher.heard.mid(20), QStringList({"file", "alarm on", "14:40 40 0.0632"}));
        QVERIFY(s.session->Alarm().Raised());
        s.session->SetAlarmSettings({0.1, false});
        QCOMPARE(s.publisher.heard.last(), QString("alarm off"));
        s.session->RemovePublisher(&s.publisher);
        s.Minutes(42, 1, 40);  // 14:41 is recorded, but not for the publisher
        QCOMPARE(s.events.size(), 12);
        QVERIFY(!s.publisher.heard.join(' ').contains("14:41"));
    }

    // The window's samples and display follow the live reports, but a minute the counter did
    // not cover whole leaves them again: afterwards they hold exactly the recorded minutes,
    // besides the one still running. Script: "r29:30" a report of 1 at 14:29:30, "m30x2" a
    // report every second over two minutes from 14:30:00.5, "t32:05" the clock, "stop".
    void liveSamplesKeepWholeMinutesOnly_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<QString>("running");
        QTest::newRow("started and stopped mid-minute") << "r29:30 m30x2 r32:00 r32:20 stop"
                                                        << "30 31"
                                                        << "";
        QTest::newRow("stopped after the minute's last report") << "r29:30 m30x2 stop"
                                                                << "30 31"
                                                                << "";
        QTest::newRow("running") << "r29:30 m30x2 r32:00"
                                 << "30 31"
                                 << "32";
        QTest::newRow("unplugged mid-minute, then back")
            << "m30x1 r31:00 r31:20 t32:05 r33:30 m34x1 r35:00"
            << "30 34"
            << "35";
        QTest::newRow("stopped and started in the same minute")
            << "m30x1 r31:00 r31:10 stop r31:20 m32x1 r33:00"
            << "30 32"
            << "33";
        QTest::newRow("whole minute ended by the clock, then stopped") << "m30x1 t31:03 stop"
                                                                       << "30"
                                                                       << "";
    }
    void liveSamplesKeepWholeMinutesOnly() {
        QFETCH(QString, script);
        Session s;
        SampleLog log;
        LogSamples live(log);
        DisplayModel display;
        s.session->SetLiveSamples(&live);
        QObject::connect(s.session.get(), &LoggingSession::LiveReport,
                         [&](const MinuteStep& step, std::int32_t count, double now) {
                             DrawLiveStep(step, count, now, display);
                         });
        QStringList logged;
        QObject::connect(s.session.get(), &LoggingSession::MinuteLogged,
                         [&](const LogRecord& r) { logged << MinuteOf(r.Time); });
        for (const QString& step : script.split(' ')) {
            const auto clock = [&](int at) {
                return At(step.mid(at, 2).toInt(), step.mid(at + 3, 2).toInt());
            };
            if (step == "stop") {
                s.session->Stop();
            } else if (step[0] == 'r') {
                HandReport(s.session->Link(), s.now, clock(1), 1);
            } else if (step[0] == 't') {
                s.now = clock(1);
                s.session->Tick();
            } else {
                s.Minutes(step.mid(1, 2).toInt(), step.mid(4).toInt(), 1);
            }
        }
        QStringList kept;
        for (const Sample& sample : log.Samples()) {
            kept << MinuteOf(sample.Time);
        }
        QFETCH(QString, recorded);
        QFETCH(QString, running);
        QCOMPARE(logged.join(' '), recorded);
        QCOMPARE(kept.join(' '), QStringList({recorded, running}).join(' ').trimmed());
        QCOMPARE(s.session->MinuteRunning(), !running.isEmpty());
        QCOMPARE(display.CpmCount(), log.Count());
        QCOMPARE(display.LogCount(), int(logged.size()));
        for (int i = 0; i < display.LogCount(); ++i) {
            QCOMPARE(display.LogRecords()[size_t(i)].Time, log.At(i).Time);
            QCOMPARE(display.LogRecords()[size_t(i)].Cpm, log.At(i).Cpm);
        }
    }
};

SOLAMINE_TEST(LoggingSessionTest)
#include "tst_loggingsession.moc"
