#include "CliRun.h"
#include "ErrorText.h"
#include "Log.h"
#include "MqttBroker.h"
#include "MqttPublisher.h"
#include "MqttWindowSettings.h"
#include "StationMqtt.h"
#include "StationPublishing.h"
#include "StationRig.h"
#include "TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <csignal>
#include <memory>

using namespace CliText;

namespace {

// The station rig, publishing to a broker as the station does.
struct Station : Rig {
    StationPublishing publishing;
    MqttPublisher* publisher = nullptr;

    explicit Station(const MqttSettings& settings, double start = At(8, 14, 30)) {
        now = start;
        Publish(settings);
    }
    void Publish(const MqttSettings& settings) {
        MqttPublisher::Timing timing;
        timing.FirstRetryMs = 50;
        publishing = StartPublishing(
            settings, *logger, now, [this](const QString& line) { notes << line; }, timing);
        publisher = publishing.Publisher.get();
    }
    // The program killed and started again: the running minute is not ended, nothing is
    // stopped and no "offline" is said.
    void Kill(const MqttSettings& settings) {
        Restart();
        publishing = {};
        Publish(settings);
    }
};

QJsonObject Json(const ReceivedMessage& message) {
    return QJsonDocument::fromJson(message.Payload).object();
}

MqttSettings Broker(const MqttBroker& broker, const QString& password) {
    MqttSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = broker.Port();
    settings.User = QString::fromLatin1(MqttBroker::kUser);
    settings.Password = password;
    settings.StationId = QStringLiteral("cli");
    return settings;
}

// solamine-cli logging the virtual counter with --mqtt; the password comes by environment.
struct CliStation {
    QTemporaryDir dir;
    QProcess process;
    QByteArray errors;

    CliStation(const MqttBroker& broker, const QString& id) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kPasswordVariable, QString::fromLatin1(MqttBroker::kPassword));
        process.setProcessEnvironment(environment);
        process.start(
            QStringLiteral(SOLAMINE_CLI),
            {"log", "--simulate", "--mqtt-id", id, "--mqtt",
             QStringLiteral("mqtt://%1@127.0.0.1:%2").arg(MqttBroker::kUser).arg(broker.Port()),
             dir.filePath("log.csv")});
    }
    bool Connected() {
        errors += process.readAllStandardError();
        return errors.contains("MQTT: connected to 127.0.0.1:");
    }
};

}  // namespace

class StationMqttTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(broker_.Ok());
        QVERIFY(broker_.Start());
    }

    void options_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("error");
        QTest::newRow("no broker") << QStringList{"f.csv"} << "pw"
                                   << "";
        QTest::newRow("defaults") << QStringList{"--mqtt", "mqtts://me@b.lan", "f.csv"} << "pw"
                                  << "";
        QTest::newRow("id") << QStringList{"--mqtt", "mqtt://b", "--mqtt-id", "A B", "f.csv"} << ""
                            << "--mqtt-id takes";
        QTest::newRow("without --mqtt") << QStringList{"--mqtt-id", "x", "f.csv"} << ""
                                        << "--mqtt-id needs --mqtt";
        QTest::newRow("ca without tls")
            << QStringList{"--mqtt", "mqtt://b", "--mqtt-ca", "ca.crt", "f.csv"} << ""
            << "--mqtt-ca needs a TLS broker";
        QTest::newRow("password in url") << QStringList{"--mqtt", "mqtt://me:pw@b", "f.csv"} << ""
                                         << "no password in the broker URL";
        QTest::newRow("password file")
            << QStringList{"--mqtt", "mqtt://me@b", "--mqtt-password-file", "/nonexistent", "f.csv"}
            << "pw"
            << "cannot read /nonexistent: no such file";
        QTest::newRow("password without user") << QStringList{"--mqtt", "mqtt://b", "f.csv"} << "pw"
                                               << "a broker password needs a user";
    }
    void options() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        QFETCH(QString, error);
        QString message;
        const auto command = ParseLogArguments(arguments, &message, "Pi.Kitchen", environment);
        QCOMPARE(message.left(error.size()), error);
        QCOMPARE(bool(command), error.isEmpty());
        if (command && command->Mqtt) {
            QCOMPARE(command->Mqtt->StationId, QString("pikitchen"));
            // The window on the same host is a station of its own.
            QCOMPARE(
                LoadMqttSettings(QStringLiteral("/nonexistent.ini"), "Pi.Kitchen").Broker.StationId,
                QString("pikitchen-desktop"));
            QCOMPARE(command->Mqtt->Port, 8883);
            QCOMPARE(command->Mqtt->Password, environment);
            QVERIFY(command->Mqtt->Discovery);
        }
    }

    // Every minute is in the file whatever the broker does; one that takes the login gets
    // each minute as the file has it, the dose from the eleventh.
    void fileComesFirst_data() {
        QTest::addColumn<bool>("rightPassword");
        QTest::newRow("broker takes them") << true;
        QTest::newRow("broker refuses") << false;
    }
    void fileComesFirst() {
        QFETCH(bool, rightPassword);
        MqttSubscriber subscriber(broker_.Port(), "solamine/cli/state");
        QTRY_VERIFY(subscriber.Subscribed());
        Station station(Broker(broker_, rightPassword ? MqttBroker::kPassword : "wrong"));
        QString error;
        QVERIFY(station.logger->Prepare(&error));
        QTRY_VERIFY(station.publisher->CurrentState() != MqttPublisher::State::Connecting);
        // A report a second from half a minute before 14:30: whole minutes 14:30 to 14:40.
        station.Minutes(At(8, 14, 29, 30) + kSecond / 2, 12, 35);
        const QList<QByteArray> lines = ReadAll(station.dir.filePath("log.csv")).split('\n');
        QCOMPARE(lines.size(), 12);
        if (!rightPassword) {
            QVERIFY(!station.notes.filter("not authorised").isEmpty());
            QCOMPARE(station.publisher->Waiting(), 11);
            return;
        }
        QTRY_COMPARE(subscriber.On("solamine/cli/state").size(), size_t(11));
        for (int minute : {0, 9, 10}) {
            const QJsonObject state =
                QJsonDocument::fromJson(subscriber.On("solamine/cli/state")[minute].Payload)
                    .object();
            const QList<QByteArray> fields = lines[minute].trimmed().split(',');
            QCOMPARE(state.value("cpm").toInt(), fields[2].trimmed().toInt());
            QCOMPARE(state.value("usv_h").isNull(), fields.size() == 3);
            if (fields.size() == 4) {
                QCOMPARE(state.value("usv_h").toDouble(), fields[3].trimmed().toDouble());
            }
        }
    }

    // A station killed while the broker was away loses nothing: the next start sends every
    // minute of the file after the last one the broker took to "minutes", in order, with the
    // file's values, before the live ones; "state" only ever gets live minutes. The dose today
    // starts afresh at midnight and never decreases within a day.
    void restartSendsTheBacklog() {
        MqttBroker broker;
        QVERIFY(broker.Ok() && broker.Start());
        MqttSubscriber history(broker.Port(), "solamine/cli/#", "history");
        QTRY_VERIFY(history.Subscribed());
        const MqttSettings settings = Broker(broker, MqttBroker::kPassword);
        // Whole minutes 23:56 and 23:57 reach the broker.
        Station station(settings, At(8, 23, 55, 30));
        QTRY_COMPARE(station.publisher->CurrentState(), MqttPublisher::State::Connected);
        station.Minutes(At(8, 23, 55, 30) + kSecond / 2, 3, 40);
        QTRY_COMPARE(station.publisher->Published(), 2);
        history.Pause();
        broker.Stop();
        QTRY_COMPARE(station.publisher->CurrentState(), MqttPublisher::State::Waiting);
        // 23:58 to 00:01 go into the file only; 00:02 is cut short by the kill.
        station.Minutes(At(8, 23, 58, 30) + kSecond / 2, 4, 50);
        station.Kill(settings);
        QVERIFY(!station.notes.filter("4 minute(s) logged before the start").isEmpty());
        QVERIFY(broker.Start());
        history.Resume();
        // The minute the restart is in is partial; 00:04 and 00:05 are live.
        station.Minutes(At(9, 0, 3, 30) + kSecond / 2, 3, 60);
        QTRY_COMPARE(station.publisher->Waiting(), 0);

        QList<QByteArray> lines = station.File().split('\n');
        lines.removeAll(QByteArray());
        QCOMPARE(lines.size(), 8);
        QTRY_VERIFY(history.On("solamine/cli/minutes").size() >= size_t(lines.size()));
        QList<QByteArray> published;  // as the file has them: "yy/mm/dd, hh:nn, cpm[, dose]"
        double lastToday = 0;
        double lastTime = 0;
        for (const ReceivedMessage& message : history.On("solamine/cli/minutes")) {
            const QJsonObject minute = Json(message);
            const QDateTime time = QDateTime::fromString(minute["time"].toString(), Qt::ISODate);
            const double today = minute["usv_today"].toDouble();
            const double at = DateTime::FromQDateTime(time.toLocalTime());
            // A minute may come twice in a row (a lost acknowledgement), never out of order.
            if (!published.isEmpty() && at == lastTime) {
                continue;
            }
            QVERIFY(at > lastTime);
            QVERIFY2(today >= lastToday || time.time() == QTime(0, 0), qPrintable(time.toString()));
            QByteArray line =
                LogLine({at, minute["cpm"].toInt(),
                         minute["usv_h"].isNull() ? qQNaN() : minute["usv_h"].toDouble()})
                    .toLatin1();
            published << line;
            lastToday = today;
            lastTime = at;
        }
        QList<QByteArray> trimmed;
        for (const QByteArray& line : lines) {
            trimmed << line.trimmed();
        }
        QCOMPARE(published, trimmed);
        // By the summary rule: 0.00158 uSv/h per CPM over each minute, since midnight.
        const auto last = Json(history.On("solamine/cli/minutes").back());
        QCOMPARE(last["usv_today"].toDouble(),
                 std::round(0.00158 * (50 + 50 + 60 + 60) / 60 * 1e6) / 1e6);
        QStringList states;
        for (const ReceivedMessage& message : history.On("solamine/cli/state")) {
            if (!message.Retained) {
                states << Json(message)["time"].toString().mid(11, 5);
            }
        }
        states.removeDuplicates();
        QCOMPARE(states.mid(0, 2), QStringList({"23:56", "23:57"}));
        QCOMPARE(states.last(), QString("00:05"));
        for (const char* backlog : {"23:58", "23:59", "00:00", "00:01"}) {
            QVERIFY2(!states.contains(backlog), qPrintable(states.join(' ')));
        }
    }

    // Killed: the broker says "offline" for it, by the will.
    void killedStationGoesOffline() {
        MqttSubscriber subscriber(broker_.Port(), "solamine/killed/availability");
        QTRY_VERIFY(subscriber.Subscribed());
        CliStation station(broker_, "killed");
        QTRY_VERIFY_WITH_TIMEOUT(station.Connected(), 10000);
        QTRY_VERIFY(!subscriber.Messages().empty());
        QCOMPARE(subscriber.Messages().back().Payload, QByteArray("online"));
        ::kill(pid_t(station.process.processId()), SIGKILL);
        QVERIFY(station.process.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.Messages().back().Payload == "offline", 10000);
    }

    // SIGTERM ends the station with 0, however the broker went away; the password
    // shows in no argument list and no output.
    void termWithBrokerGone_data() {
        QTest::addColumn<int>("brokerSignal");
        QTest::newRow("broker does not answer") << int(SIGSTOP);
        QTest::newRow("broker ended") << int(SIGTERM);
    }
    void termWithBrokerGone() {
        QFETCH(int, brokerSignal);
        MqttBroker broker;
        QVERIFY(broker.Ok() && broker.Start());
        CliStation station(broker, "term");
        QTRY_VERIFY_WITH_TIMEOUT(station.Connected(), 10000);
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(station.process.processId()));
        QVERIFY(commandLine.open(QIODevice::ReadOnly));
        QVERIFY(!commandLine.readAll().contains(MqttBroker::kPassword));
        ::kill(pid_t(broker.ProcessId()), brokerSignal);
        station.process.terminate();
        // It ends; how soon (the promise is 2 s) is bench_signal's to measure.
        const CliRun run = FinishCli(station.process, 20000);
        ::kill(pid_t(broker.ProcessId()), SIGCONT);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!(station.errors + run.out).contains(MqttBroker::kPassword));
        QVERIFY(!run.err.contains(QString::fromLatin1(MqttBroker::kPassword)));
    }

private:
    MqttBroker broker_;
};

SOLAMINE_TEST(StationMqttTest)
#include "tst_stationmqtt.moc"
