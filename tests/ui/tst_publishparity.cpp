#include "DateTime.h"
#include "Main.h"
#include "MqttBroker.h"
#include "MqttCommand.h"
#include "MqttMessages.h"
#include "MqttPublisher.h"
#include "ReportFeed.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"
#include "cli/StationRig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <cmath>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// One scripted counter: a report a second with gaps. 12:29 is entered at :40, 12:50 has 20 s
// without a report, the last minute is left at :30; the counts cross an alarm threshold of 0.06
// µSv/h (38 CPM) at 12:45 and fall back below it at 12:58, which ends the alarm at 13:07.
std::vector<std::pair<double, std::uint16_t>> Script() {
    std::vector<std::pair<double, std::uint16_t>> reports;
    const double start = At(8, 12, 29, 40) + kSecond / 2;
    const double end = At(8, 13, 9, 30);
    for (double t = start; t < end; t += kSecond) {
        const DateTime::TimeOfDay time = DateTime::Decode(t).time;
        const int minute = (time.hour - 12) * 60 + time.minute;
        const int second = time.second;
        if (minute == 50 && second >= 20 && second < 40) {
            continue;
        }
        const std::uint16_t cpm = minute < 42 ? 30 : minute < 53 ? 60 : 10;
        reports.emplace_back(t, second == 0 ? cpm : 0);
    }
    return reports;
}

// time, cpm, usv_h and usv_today as sent
using StateRow = std::tuple<QString, int, QString, double>;

std::vector<StateRow> States(const MqttSubscriber& subscriber, const QString& id) {
    std::vector<StateRow> rows;
    for (const ReceivedMessage& m : subscriber.On(QStringLiteral("solamine/%1/minutes").arg(id))) {
        const QJsonObject json = QJsonDocument::fromJson(m.Payload).object();
        const qsizetype dose = m.Payload.indexOf("\"usv_h\":") + 8;
        rows.emplace_back(
            json.value("time").toString(), json.value("cpm").toInt(-1),
            QString::fromLatin1(m.Payload.mid(dose, m.Payload.indexOf(',', dose) - dose)),
            json.value("usv_today").toDouble());
    }
    return rows;
}

QByteArrayList Alarms(const MqttSubscriber& subscriber, const QString& id) {
    QByteArrayList payloads;
    for (const ReceivedMessage& m : subscriber.On(QStringLiteral("solamine/%1/alarm").arg(id))) {
        payloads << m.Payload;
    }
    return payloads;
}

}  // namespace

// The window and the station publish the same minutes the same way: for the same reports the
// broker gets, from each, the whole minutes only, each with the file's dose, and the alarm.
class PublishParityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(broker_.Ok());
        QVERIFY(broker_.Start());
    }

    void windowPublishesWhatTheStationPublishes() {
        MqttSubscriber subscriber(broker_.Port(), QStringLiteral("solamine/#"));
        QTRY_VERIFY(subscriber.Subscribed());

        QTemporaryDir dir;
        const QString ini = dir.filePath("solamine.ini");
        QVERIFY(WriteFile(ini, "[Alarm]\nuSv=0.06\n[MQTT]\nEnabled=1\nId=window\nURL=mqtt://" +
                                   QByteArray(MqttBroker::kUser) +
                                   "@127.0.0.1:" + QByteArray::number(broker_.Port()) + "\n"));
        QVERIFY(WriteFile(dir.filePath("mqtt-password"), MqttBroker::kPassword));
        QVERIFY(QFile::setPermissions(dir.filePath("mqtt-password"),
                                      QFile::ReadOwner | QFile::WriteOwner));
        double windowNow = 0;
        MainFormOptions options;
        options.Backend = std::make_unique<VirtualCounter>();
        options.IniPath = ini;
        options.Now = [&] { return windowNow; };
        options.RecoveryFolder = dir.filePath("recovery");
        options.MqttPasswordPath = dir.filePath("mqtt-password");
        TMainForm window(std::move(options));

        Rig station(false, QStringLiteral("log.csv"),
                    [](StationOptions& options) { options.AlarmUsv = 0.06; });
        MqttSettings broker;
        broker.Host = QStringLiteral("127.0.0.1");
        broker.Port = broker_.Port();
        broker.User = QString::fromLatin1(MqttBroker::kUser);
        broker.Password = QString::fromLatin1(MqttBroker::kPassword);
        broker.StationId = QStringLiteral("station");
        broker.Alarm = true;
        MqttPublisher publisher(broker, {});
        station.logger->Session().AddPublisher(&publisher);
        publisher.Start();
        QTRY_COMPARE(publisher.CurrentState(), MqttPublisher::State::Connected);
        QTRY_COMPARE(window.Mqtt().Publisher()->CurrentState(), MqttPublisher::State::Connected);

        for (const auto& [at, count] : Script()) {
            HandReport(window.Link(), windowNow, at, count);
            HandReport(station.logger->Link(), station.now, at, count);
        }
        // 12:30 to 13:08 are whole but for 12:50.
        constexpr size_t kWhole = 38;
        QTRY_COMPARE_WITH_TIMEOUT(States(subscriber, "station").size(), kWhole, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(States(subscriber, "window").size(), kWhole, 10000);
        const std::vector<StateRow> published = States(subscriber, "station");
        QCOMPARE(States(subscriber, "window"), published);
        QCOMPARE(std::get<0>(published.front()), IsoTimeText(At(8, 12, 30)));
        QCOMPARE(std::get<2>(published.front()), QString("null"));
        // The file's dose: 12:42 over the ten lines before it, at 30 CPM.
        QCOMPARE(published[12], StateRow(IsoTimeText(At(8, 12, 42)), 60, "0.0474",
                                         std::round(0.00158 * (12 * 30 + 60) / 60 * 1e6) / 1e6));
        // The station's file holds the same minutes.
        QCOMPARE(station.File().count("\r\n"), qsizetype(kWhole));

        QTRY_COMPARE(Alarms(subscriber, "station"), QByteArrayList({"OFF", "ON", "OFF"}));
        QTRY_COMPARE(Alarms(subscriber, "window"), Alarms(subscriber, "station"));
        station.logger->Session().RemovePublisher(&publisher);
    }

private:
    MqttBroker broker_;
};

SOLAMINE_TEST(PublishParityTest)
#include "tst_publishparity.moc"
