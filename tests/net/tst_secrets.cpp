#include "FileError.h"
#include "IniFile.h"
#include "MqttSettings.h"
#include "MqttWindowSettings.h"
#include "SampleDisplay.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

#ifdef Q_OS_UNIX
unsigned ModeOf(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : ~0u;
}
#endif

}  // namespace

// The broker's password and settings stay their owner's.
class SecretsTest : public QObject {
    Q_OBJECT

private slots:
    // A password file is used only while no one but its owner may touch it, as ssh uses a key.
    void passwordFileKeptToItsOwner_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("used");
        QTest::newRow("owner's alone") << 0600 << true;
        QTest::newRow("others may read") << 0644 << false;
        QTest::newRow("group may write") << 0620 << false;
    }
    void passwordFileKeptToItsOwner() {
#ifndef Q_OS_UNIX
        QSKIP("a Windows file has no such permission bits; %APPDATA% keeps it the user's");
#else
        QFETCH(int, mode);
        QFETCH(bool, used);
        QTemporaryDir dir;
        const QString path = dir.filePath("mqtt-password");
        QVERIFY(WriteFile(path, "s3cret\r\nnot this line\n"));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        FileError error;
        const std::optional<QString> password = ReadPasswordFile(path, &error);
        QCOMPARE(password, used ? std::optional<QString>("s3cret") : std::nullopt);
        if (!used) {
            const FileError refused{
                FileError::Operation::Read, FileError::Code::OpenToOthers, path, {}, 0};
            QVERIFY(error == refused);
        }
#endif
    }

    // Under umask 000 too: the folders made for the settings are the owner's alone, and so are
    // the password file and the INI file from when it holds the broker, also after the graph's
    // settings are written to it again at the end of the run.
    void secretsUnderAnOpenUmask() {
#ifndef Q_OS_UNIX
        QSKIP("POSIX permissions");
#else
        QTemporaryDir dir;
        const mode_t umask = ::umask(0);
        const auto restore = qScopeGuard([umask] { ::umask(umask); });
        const QString folder = dir.filePath("config/solamine");
        const QString ini = folder + "/solamine.ini";
        SaveGraphSettings(ini, {});
        QCOMPARE(ModeOf(dir.filePath("config")), 0700u);
        QCOMPARE(ModeOf(folder), 0700u);
        MqttWindowSettings mqtt;
        QVERIFY(ParseBrokerUrl("mqtt://me@broker.lan", mqtt.Broker, nullptr));
        SaveMqttSettings(ini, mqtt);
        QCOMPARE(ModeOf(ini), 0600u);
        SaveGraphSettings(ini, {0.002, 3});
        QCOMPARE(ModeOf(ini), 0600u);
        QVERIFY(ReadAll(ini).contains("User=me"));
        QVERIFY(SavePasswordFile(dir.filePath("other/mqtt-password"), "pw"));
        QCOMPARE(ModeOf(dir.filePath("other")), 0700u);
        QCOMPARE(ModeOf(dir.filePath("other/mqtt-password")), 0600u);
#endif
    }
};

SOLAMINE_TEST(SecretsTest)
#include "tst_secrets.moc"
