#include "DateTime.h"
#include "DeviceLink.h"
#include "Main.h"
#include "MapCommand.h"
#include "MapDialog.h"
#include "MapServer.h"
#include "MapUploader.h"
#include "MapWindowSettings.h"
#include "ReportFeed.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualCounter.h"

#include <sys/stat.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <memory>

namespace {

// The main window over a scripted virtual counter and a pinned clock, its INI file and the maps'
// secrets in a folder of the test's own.
struct Window {
    QTemporaryDir dir;
    QString folder;
    double now = DateTime::Encode(2026, 12, 9, 12, 30);
    std::function<bool(MapDialog&)> mapDialog;
    std::unique_ptr<TMainForm> form;

    // ini: the INI file's lines before the window starts; in: another window's folder.
    explicit Window(const QByteArray& ini, const QString& in = {})
        : folder(in.isEmpty() ? dir.path() : in) {
        WriteFile(Path("solamine.ini"), ini);
        MainFormOptions options;
        options.Backend = std::make_unique<VirtualCounter>();
        options.IniPath = Path("solamine.ini");
        options.Now = [this] { return now; };
        options.RecoveryFolder = Path("recovery");
        options.MqttPasswordPath = Path("config/mqtt-password");
        options.RunMapDialog = [this](MapDialog& d) { return mapDialog(d); };
        options.MapSecretFolder = Path("config");
        form = std::make_unique<TMainForm>(std::move(options));
    }
    QString Path(const char* name) const { return folder + u'/' + QLatin1String(name); }
    MapCommand& Maps() { return *form->findChild<MapCommand*>(); }
};

// Fills a page's boxes as a user would: radmon's user and password, GMC's account and counter,
// Safecast's position, key and device.
void Type(MapDialog& d, MapService service) {
    switch (service) {
        case MapService::Radmon:
            d.RadmonUser->setText("station one");
            d.RadmonPassword->setText("radmon-secret&1");
            break;
        case MapService::GmcMap:
            d.GmcAccount->setText("0123");
            d.GmcCounter->setText("45678");
            break;
        case MapService::Safecast:
            d.Latitude->setText("35.6812");
            d.Longitude->setText("-139.7671");
            d.SafecastKey->setText("safecast-secret");
            d.SafecastDevice->setText("77");
            break;
    }
}

// Every map at addresses of server (a port that refuses when server is null), the CA trusted.
QByteArray MapsSection(const MapServer* server) {
    const auto url = [&](const char* path) {
        return (server ? server->Url(path) : QStringLiteral("https://127.0.0.1:1%1").arg(path))
            .toLatin1();
    };
    return "[Maps]\r\nRadmonURL=" + url("/radmon.php") + "\r\nGmcURL=" + url("/log2.asp") +
           "\r\nSafecastURL=" + url("/measurements.json") +
           "\r\nCA=" + (server ? server->CaFile().toLatin1() : QByteArray()) + "\r\n";
}

}  // namespace

class MapWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(server_.Ok()); }

    // What the dialog confirms lands in [Maps] (other lines kept) and reads back the same;
    // the secret only in its own owner-only file.
    void settingsKeepSecretsApart_data() {
        QTest::addColumn<MapService>("service");
        QTest::addColumn<QByteArray>("secret");
        QTest::newRow("radmon") << MapService::Radmon << QByteArray("radmon-secret&1");
        QTest::newRow("gmc") << MapService::GmcMap << QByteArray();
        QTest::newRow("safecast") << MapService::Safecast << QByteArray("safecast-secret");
    }
    void settingsKeepSecretsApart() {
        QFETCH(MapService, service);
        QFETCH(QByteArray, secret);
        Window window("[Graph]\r\nuSv=0.002\r\n" + MapsSection(nullptr));
        window.mapDialog = [&](MapDialog& d) {
            d.FormShow();
            Type(d, service);
            d.PageOf(service).Enabled->setChecked(true);
            d.PageOf(service).Every->setValue(7);
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        window.form->MapSend->trigger();
        QVERIFY(window.Maps().Uploader(service));

        const QByteArray ini = ReadAll(window.Path("solamine.ini"));
        QVERIFY(ini.startsWith("[Graph]\r\nuSv=0.002\r\n[Maps]\r\n"));
        QVERIFY(!ini.contains("secret"));
        MapWindowSettings read = LoadMapWindowSettings(window.Path("solamine.ini"));
        MapWindowSettings confirmed = window.Maps().Settings();
        for (MapWindowUpload& map : confirmed.Maps) {
            map.Upload.Login.Secret.clear();
        }
        QVERIFY(read == confirmed);
        QVERIFY(read.Of(service).Enabled);
        QCOMPARE(read.Of(service).Upload.EveryMinutes, 7);

        const QString path = window.Maps().SecretPath(service);
        QCOMPARE(path.isEmpty(), secret.isEmpty());
        if (!secret.isEmpty()) {
            QCOMPARE(ReadAll(path), secret + '\n');
            struct stat status {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            QCOMPARE(status.st_mode & 0777, 0600u);
        }
        // A new window finds the map as it was left, its secret included.
        const MapWindowSettings left = window.Maps().Settings();
        window.form.reset();
        Window again(ReadAll(window.Path("solamine.ini")), window.folder);
        QVERIFY(again.Maps().Settings() == left);
        QVERIFY(again.Maps().Uploader(service));
    }

    // The test button sends one reading to the page's service and says what it answered.
    void testSaysTheAnswer_data() {
        QTest::addColumn<MapService>("service");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("said");
        QTest::newRow("radmon takes it") << MapService::Radmon << QByteArray("OK") << false
                                         << QString("radmon が測定値を受け付けました。");
        QTest::newRow("unknown account")
            << MapService::GmcMap << QByteArray("ERR1") << false
            << QString("GMC マップ: アカウント ID が登録されていません (ERR1)。");
        QTest::newRow("unknown counter")
            << MapService::GmcMap << QByteArray("ERR2") << false
            << QString("GMC マップ: カウンター ID が登録されていません (ERR2)。");
        QTest::newRow("no answer") << MapService::Safecast << QByteArray() << true
                                   << QString("Safecast から応答がありません: ");
    }
    void testSaysTheAnswer() {
        QFETCH(MapService, service);
        QFETCH(QByteArray, body);
        QFETCH(bool, silent);
        QFETCH(QString, said);
        const qsizetype before = server_.Requests().size();
        server_.SetAnswer([=](const MapServer::Request&) {
            MapServer::Reply reply;
            reply.Body = body;
            reply.Silent = silent;
            return reply;
        });
        MapDialog dialog;
        const char* path[] = {"/radmon.php", "/log2.asp", "/measurements.json"};
        dialog.Settings.Of(service).Upload.Url = server_.Url(path[size_t(service)]);
        dialog.Settings.CaFile = server_.CaFile();
        dialog.Reading = MapTestReading(std::nullopt, DateTime::Encode(2026, 12, 9, 12, 30), {});
        dialog.SampleReading = true;
        dialog.TestTimeoutMs = 1000;
        dialog.FormShow();
        Type(dialog, service);
        QSignalSpy finished(&dialog, &MapDialog::TestFinished);
        dialog.PageOf(service).TestBtn->click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.front().at(1).toBool(), body == "OK");
        const QString result = dialog.PageOf(service).Result->text();
        QVERIFY2(result.contains(said), qPrintable(result));
        QVERIFY(result.startsWith("測定値がないため試験値 20 CPM を送りました。"));
        QCOMPARE(server_.Requests().size(), before + 1);
        QCOMPARE(server_.Requests().back().Url.path(), QString(path[size_t(service)]));
    }

    // A map turned on in the dialog gets the window's whole minutes.
    void enabledMapGetsTheWindowsMinutes() {
        server_.SetAnswer({});
        const qsizetype before = server_.Requests().size();
        Window window(MapsSection(&server_));
        window.mapDialog = [](MapDialog& d) {
            d.FormShow();
            Type(d, MapService::Radmon);
            d.PageOf(MapService::Radmon).Enabled->setChecked(true);
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        window.form->MapSend->trigger();
        window.form->Start->trigger();
        QVERIFY(window.form->Link().Connected());
        HandMinutes(window.form->Link(), window.now,
                    DateTime::Encode(2026, 12, 9, 12, 31) + kSecond / 2, 1, 42);
        HandReport(window.form->Link(), window.now, DateTime::Encode(2026, 12, 9, 12, 32, 1), 0);
        QTRY_COMPARE(server_.Requests().size(), before + 1);
        const MapServer::Request& request = server_.Requests().back();
        QCOMPARE(request.Item("user"), QString("station one"));
        QCOMPARE(request.Item("password"), QString("radmon-secret&1"));
        QCOMPARE(request.Item("value"), QString("42"));
        QTRY_COMPARE(window.Maps().Uploader(MapService::Radmon)->Sent(), 1);
    }

private:
    MapServer server_;
};

SOLAMINE_TEST(MapWindowTest)
#include "tst_mapwindow.moc"
