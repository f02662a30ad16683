#include "DateTime.h"
#include "DeviceLink.h"
#include "Main.h"
#include "MqttBroker.h"
#include "MqttCommand.h"
#include "MqttDialog.h"
#include "MqttMessages.h"
#include "MqttWindowSettings.h"
#include "PublishMark.h"
#include "ReportFeed.h"
#include "SampleLog.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <sys/stat.h>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

// The main window over a scripted virtual counter and a pinned clock, with its INI file and
// password file in a folder of the test's own.
struct Window {
    QTemporaryDir dir;
    VirtualCounter* counter = nullptr;
    double now = DateTime::Encode(2026, 12, 8, 12, 30);
    std::function<bool(MqttDialog&)> mqttDialog;
    std::unique_ptr<TMainForm> form;

    Window() {
        MainFormOptions options;
        auto backend = std::make_unique<VirtualCounter>();
        counter = backend.get();
        options.Backend = std::move(backend);
        options.IniPath = Path("solamine.ini");
        options.Now = [this] { return now; };
        options.RecoveryFolder = Path("recovery");
        options.RunMqttDialog = [this](MqttDialog& d) { return mqttDialog(d); };
        options.MqttPasswordPath = Path("config/mqtt-password");
        form = std::make_unique<TMainForm>(std::move(options));
    }
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

// Fills the dialog's boxes as a user would and presses 確定.
std::function<bool(MqttDialog&)> Typing(const QString& url, const QString& password) {
    return [=](MqttDialog& d) {
        d.FormShow();
        d.Enabled->setChecked(true);
        d.Url->setText(url);
        d.StationId->setText("window");
        d.PasswordBox->setText(password);
        d.OKBtnClick();
        return d.result() == QDialog::Accepted;
    };
}

}  // namespace

class MqttWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(broker_.Ok());
        QVERIFY(broker_.Start());
    }

    // The dialog's choice lands in [MQTT], other lines kept; the password only in its own
    // owner-only file; completed minutes of the counter reach the broker.
    void publishesWhatTheDialogSets() {
        MqttSubscriber subscriber(broker_.Port(), "solamine/window/#");
        QTRY_VERIFY(subscriber.Subscribed());
        Window window;
        QVERIFY(WriteFile(window.Path("solamine.ini"), "[Graph]\r\nuSv=0.002\r\n"));
        // An older password file that others could read is replaced by an owner-only one.
        QVERIFY(QDir().mkpath(window.Path("config")));
        QVERIFY(WriteFile(window.Path("config/mqtt-password"), "old"));
        QVERIFY(QFile::setPermissions(window.Path("config/mqtt-password"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        window.mqttDialog = Typing(
            QStringLiteral("mqtt://%1@127.0.0.1:%2").arg(MqttBroker::kUser).arg(broker_.Port()),
            QString::fromLatin1(MqttBroker::kPassword));
        window.form->MqttSend->trigger();

        const QByteArray ini = ReadAll(window.Path("solamine.ini"));
        QVERIFY(ini.startsWith("[Graph]\r\nuSv=0.002\r\n[MQTT]\r\nEnabled=1\r\n"));
        QVERIFY(ini.contains("URL=mqtt://127.0.0.1:" + QByteArray::number(broker_.Port())));
        QVERIFY(ini.contains("User=station\r\n"));
        QVERIFY(!ini.contains(MqttBroker::kPassword));
        const QFileInfo password(window.Path("config/mqtt-password"));
        QCOMPARE(ReadAll(password.filePath()), QByteArray(MqttBroker::kPassword) + '\n');
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(password.filePath()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);

        QTRY_VERIFY(window.form->StatusText().contains("MQTT: 接続中"));
        window.form->Start->trigger();
        QVERIFY(window.form->Link().Connected());
        for (int minute = 30; minute < 33; ++minute) {
            HandMinutes(window.form->Link(), window.now,
                        DateTime::Encode(2026, 12, 8, 12, minute) + kSecond / 2, 1,
                        std::uint16_t(10 + minute));
        }
        HandReport(window.form->Link(), window.now, DateTime::Encode(2026, 12, 8, 12, 33, 1), 0);
        QTRY_COMPARE(subscriber.On("solamine/window/state").size(), size_t(3));
        QCOMPARE(subscriber.On("solamine/window/state")[1].Payload,
                 "{\"time\":\"" + IsoTimeText(DateTime::Encode(2026, 12, 8, 12, 31)).toLatin1() +
                     "\",\"cpm\":41,\"usv_h\":null,\"usv_today\":0.002133}");
        // Logging stopped: the window is offline, not only once it closes.
        window.form->Stop->trigger();
        QTRY_COMPARE(subscriber.On("solamine/window/availability").back().Payload,
                     QByteArray("offline"));
        // Confirmed unchanged: the same connection, so no minute waiting for it is dropped.
        QTRY_COMPARE(window.form->Mqtt().Publisher()->Published(), 3);
        window.mqttDialog = [](MqttDialog& d) {
            d.FormShow();
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        window.form->MqttSend->trigger();
        QCOMPARE(window.form->Mqtt().Publisher()->Published(), 3);
        QCOMPARE(window.form->Mqtt().Publisher()->CurrentState(), MqttPublisher::State::Connected);

        const MqttWindowSettings read = LoadMqttSettings(window.Path("solamine.ini"), "host");
        QVERIFY(read.Enabled);
        QCOMPARE(read.Broker.Port, broker_.Port());
        QCOMPARE(read.Broker.StationId, QString("window"));
    }

    // A saved log goes on where the broker left off: opened, the minutes after the mark beside
    // it go to "minutes", and the broker's acknowledgements move the mark.
    void savedLogSendsWhatTheBrokerMissed() {
        MqttSubscriber subscriber(broker_.Port(), "solamine/window/minutes");
        QTRY_VERIFY(subscriber.Subscribed());
        Window window;
        const QString log = window.Path("log.csv");
        QVERIFY(WriteFile(log,
                          "26/12/08, 12:27, 30\r\n26/12/08, 12:28, 31\r\n26/12/08, 12:29, 32\r\n"));
        FileError error;
        QVERIFY(WritePublishMark(log + ".mqtt.state",
                                 {"window", DateTime::Encode(2026, 12, 8, 12, 27)}, &error));
        window.mqttDialog = Typing(
            QStringLiteral("mqtt://%1@127.0.0.1:%2").arg(MqttBroker::kUser).arg(broker_.Port()),
            QString::fromLatin1(MqttBroker::kPassword));
        window.form->MqttSend->trigger();
        window.form->OpenFile(log);
        QTRY_COMPARE(subscriber.On("solamine/window/minutes").size(), size_t(2));
        QVERIFY(subscriber.On("solamine/window/minutes")[0].Payload.startsWith(
            "{\"time\":\"" + IsoTimeText(DateTime::Encode(2026, 12, 8, 12, 28)).toLatin1() +
            "\",\"cpm\":31,"));
        QTRY_COMPARE(ReadPublishMark(log + ".mqtt.state", &error)->Acknowledged,
                     DateTime::Encode(2026, 12, 8, 12, 29));
    }

    // While the broker is away the status bar says so, with the minutes waiting and the
    // reason in the tooltip.
    void statusWhileAway() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("solamine.ini");
        QVERIFY(WriteFile(ini, "[MQTT]\nEnabled=1\nURL=mqtt://127.0.0.1:" +
                                   QByteArray::number(FreeTcpPort()) + "\n"));
        MainFormOptions options;
        options.Backend = std::make_unique<VirtualCounter>();
        options.IniPath = ini;
        options.RecoveryFolder = dir.filePath("recovery");
        options.MqttPasswordPath = dir.filePath("mqtt-password");
        TMainForm form(std::move(options));
        QTRY_VERIFY(form.StatusText().endsWith("MQTT: 再接続待ち (0 分待機)"));
        QVERIFY(form.MqttToolTip().contains("に接続できません: Connection refused"));
        form.Mqtt().Publisher()->Publish({DateTime::Encode(2026, 12, 8, 12, 30), 30});
        QVERIFY(form.StatusText().endsWith("MQTT: 再接続待ち (1 分待機)"));
    }

    // The test button says in words whether the broker took the login.
    void testButtonSaysWhatHappened_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("words");
        QTest::newRow("right") << QString::fromLatin1(MqttBroker::kPassword) << false
                               << "に接続できました。";
        QTest::newRow("wrong password") << "nope" << false << "が接続を拒否しました";
        QTest::newRow("nothing listening") << "nope" << true << "に接続できません: ";
    }
    void testButtonSaysWhatHappened() {
        QFETCH(QString, password);
        QFETCH(bool, silent);
        QFETCH(QString, words);
        MqttDialog dialog;
        dialog.FormShow();
        dialog.Url->setText(QStringLiteral("mqtt://%1@127.0.0.1:%2")
                                .arg(MqttBroker::kUser)
                                .arg(silent ? FreeTcpPort() : broker_.Port()));
        dialog.StationId->setText("probe");
        dialog.PasswordBox->setText(password);
        QSignalSpy finished(&dialog, &MqttDialog::TestFinished);
        dialog.TestBtn->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(finished.at(0).at(0).toBool(), words.contains("できました"));
        QVERIFY2(dialog.Result->text().contains(words), qPrintable(dialog.Result->text()));
        QVERIFY(!dialog.Result->text().contains(MqttBroker::kPassword));
    }

private:
    MqttBroker broker_;
};

SOLAMINE_TEST(MqttWindowTest)
#include "tst_mqttwindow.moc"
