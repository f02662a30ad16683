#include "DoseAlarm.h"
#include "IniFile.h"
#include "SampleDisplay.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <sys/stat.h>
#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX  // std::numeric_limits<T>::max() below
#endif
#include <windows.h>
#endif
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// What a failed save of the settings at path reports.
FileError WriteError(const QString& path) {
    return {FileError::Operation::WriteSettings, FileError::Code::System, path, {}, 0};
}

// A small tmpfs holding one INI file, then made read-only; mounted is false when not allowed.
struct ReadOnlyMount {
    QTemporaryDir dir;
    bool mounted = false;
    bool readOnly = false;
    explicit ReadOnlyMount(const QByteArray& iniBytes) {
        auto run = [](const QStringList& args) { return QProcess::execute("mount", args) == 0; };
        mounted = run({"-t", "tmpfs", "-o", "size=64k", "tmpfs", dir.path()});
        WriteBytes(dir.filePath("solamine.ini"), iniBytes);
        readOnly = mounted && RemountReadOnly(dir.path());
    }
    ~ReadOnlyMount() {
        if (mounted) {
            QProcess::execute("umount", {dir.path()});
        }
    }
};

}  // namespace

class IniFileTest : public QObject {
    Q_OBJECT

private slots:
    // Writing "uSv" = 1 into section "Graph".
    void write_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("empty file") << QByteArray("") << QByteArray("[Graph]\r\nuSv=1\r\n");
        QTest::newRow("replaced in place, other case, rest kept")
            << QByteArray("; note\r\n[ gRaph ]\r\n USV = 0.5  \r\nBackGround=3\r\n[Other]\r\nuSv=9")
            << QByteArray("; note\r\n[ gRaph ]\r\n USV = 1\r\nBackGround=3\r\n[Other]\r\nuSv=9");
        QTest::newRow("added at the end of its section")
            << QByteArray("[Graph]\n;uSv=2\nBackGround=3\n\n[Other]\nk=v\n")
            << QByteArray("[Graph]\n;uSv=2\nBackGround=3\nuSv=1\n\n[Other]\nk=v\n");
        QTest::newRow("section added after a last line without line end, other bytes kept")
            << QByteArray("uSv=2\n[Other]\n\x93\xfa=\x96\x7b")
            << QByteArray("uSv=2\n[Other]\n\x93\xfa=\x96\x7b\n[Graph]\nuSv=1\n");
        // The file's first line end is a lone CR; another before the blank line's LF would join
        // the two into one CR LF and the blank line would be gone.
        QTest::newRow("added before a blank LF line in a file of CR line ends")
            << QByteArray("; note\r[Graph]\nk=v\n\n[Other]\n")
            << QByteArray("; note\r[Graph]\nk=v\nuSv=1\r\n\n[Other]\n");
    }
    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.ini");
        WriteBytes(path, before);
        QVERIFY(IniFile(path).WriteString("Graph", "uSv", "1"));
        QCOMPARE(ReadBytes(path), after);
    }

    void load_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("background");
        QTest::newRow("other case, spaces")
            << QByteArray("[ gRAPH ]\r\n USV = 5E-5 \r\n\tbackground\t=\t25\t") << 5e-5 << 25;
        QTest::newRow("12.7 truncates") << QByteArray("[Graph]\nBackGround=12.7") << 0.00158 << 12;
        QTest::newRow("-3.5 toward zero")
            << QByteArray("[Graph]\nBackGround=-3.5") << 0.00158 << -3;
        QTest::newRow("decimal comma")
            << QByteArray("[Graph]\nuSv=0,002\nBackGround=1,5") << 0.00158 << 0;
        QTest::newRow("empty, letters")
            << QByteArray("[Graph]\nuSv=\nBackGround=abc") << 0.00158 << 0;
        QTest::newRow("not finite")
            << QByteArray("[Graph]\nuSv=1e999\nBackGround=inf") << 0.00158 << 0;
        QTest::newRow("beyond int32")
            << QByteArray("[Graph]\nBackGround=2147483648") << 0.00158 << 0;
        QTest::newRow("other section") << QByteArray("[Other]\nuSv=1\n") << 0.00158 << 0;
        QTest::newRow("one pair of quotes, double or single")
            << QByteArray("[Graph]\nuSv=\"0.002\"\nBackGround='5'") << 0.002 << 5;
        QTest::newRow("quotes with spaces outside")
            << QByteArray("[Graph]\nuSv = \"0.002\" \nBackGround= ' 7 ' ") << 0.002 << 7;
        QTest::newRow("lone or mismatched quotes stay")
            << QByteArray("[Graph]\nuSv=\"0.002\nBackGround='5\"") << 0.00158 << 0;
        QTest::newRow("empty quotes") << QByteArray("[Graph]\nuSv=\"\"") << 0.00158 << 0;
        QTest::newRow("largest double in 15 digits")
            << QByteArray("[Graph]\nuSv=1.79769313486232E308\nBackGround=-1.79769313486232E308")
            << std::numeric_limits<double>::max() << 0;
    }
    void load() {
        QFETCH(QByteArray, content);
        QFETCH(double, coefficient);
        QFETCH(int, background);
        QTemporaryDir dir;
        WriteBytes(dir.filePath("a.ini"), content);
        const GraphSettings settings = LoadGraphSettings(dir.filePath("a.ini"));
        QCOMPARE(settings.GraphCoefficient, coefficient);
        QCOMPARE(settings.GraphBackground, background);
    }

    void firstStartCreatesTheFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("solamine.ini");
        const GraphSettings settings = LoadGraphSettings(path);
        QCOMPARE(settings, GraphSettings{});
        QVERIFY(!QFile::exists(path));
        SaveGraphSettings(path, settings);
        QCOMPARE(ReadBytes(path), QByteArray("[Graph]\r\nuSv=0.00158\r\nBackGround=0\r\n"));
    }

    // Whatever the settings hold, the next start reads back what this one wrote.
    void roundTrip_data() {
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("background");
        QTest::newRow("defaults") << 0.00158 << 0;
        QTest::newRow("largest double") << std::numeric_limits<double>::max() << INT32_MIN;
        QTest::newRow("lowest double") << std::numeric_limits<double>::lowest() << INT32_MAX;
        QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min() << -1;
        QTest::newRow("17 digits") << 0.1234567890123456789 << 12;
    }
    void roundTrip() {
        QFETCH(double, coefficient);
        QFETCH(int, background);
        QTemporaryDir dir;
        const QString path = dir.filePath("solamine.ini");
        WriteBytes(path, "[Graph]\r\nuSv=\"1\"\r\nBackGround='2'\r\n");
        SaveGraphSettings(path, {coefficient, background});
        const GraphSettings back = LoadGraphSettings(path);
        QCOMPARE(back.GraphBackground, background);
        QVERIFY(std::isfinite(back.GraphCoefficient));
        QVERIFY(
            std::fabs(back.GraphCoefficient - coefficient) <=
            std::max(std::fabs(coefficient) * 1e-14, std::numeric_limits<double>::denorm_min()));
    }

    // The alarm's own section, written beside everything else and read back.
    void alarmSettings_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("first time")
            << QByteArray("[Graph]\r\nuSv=0.002\r\n") << 0.35 << true
            << QByteArray("[Graph]\r\nuSv=0.002\r\n[Alarm]\r\nuSv=0.35\r\nSound=1\r\n");
        QTest::newRow("changed, other lines kept")
            << QByteArray("; mine\n[alarm]\nSound=yes\nNote=x\nuSv=\"1\"\n[Graph]\nuSv=2\n") << 0.0
            << false << QByteArray("; mine\n[alarm]\nSound=0\nNote=x\nuSv=0\n[Graph]\nuSv=2\n");
    }
    void alarmSettings() {
        QFETCH(QByteArray, before);
        QFETCH(double, threshold);
        QFETCH(bool, sound);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("solamine.ini");
        WriteBytes(path, before);
        SaveAlarmSettings(path, {threshold, sound});
        QCOMPARE(ReadBytes(path), after);
        QCOMPARE(LoadAlarmSettings(path), (AlarmSettings{threshold, sound}));
    }

    void alarmLoad_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<bool>("sound");
        QTest::newRow("missing") << QByteArray("[Graph]\nuSv=1\n") << 0.0 << false;
        QTest::newRow("quoted, words")
            << QByteArray("[Alarm]\nuSv='0.5'\nSound=On\n") << 0.5 << true;
        QTest::newRow("negative or junk is off")
            << QByteArray("[Alarm]\nuSv=-1\nSound=maybe\n") << 0.0 << false;
    }
    void alarmLoad() {
        QFETCH(QByteArray, content);
        QFETCH(double, threshold);
        QFETCH(bool, sound);
        QTemporaryDir dir;
        WriteBytes(dir.filePath("a.ini"), content);
        QCOMPARE(LoadAlarmSettings(dir.filePath("a.ini")), (AlarmSettings{threshold, sound}));
    }

    void saveRewritesOnlyTheTwoValues() {
        QTemporaryDir dir;
        const QString path = dir.filePath("solamine.ini");
        WriteBytes(path, "# mine\n[Window]\nLeft=3\n[GRAPH]\nbackground = 12.7\nColour=red\n");
        SaveGraphSettings(path, LoadGraphSettings(path));
        QCOMPARE(ReadBytes(path), QByteArray("# mine\n[Window]\nLeft=3\n[GRAPH]\nbackground = 12\n"
                                             "Colour=red\nuSv=0.00158\n"));
    }

    void iniPath() {
        QTemporaryDir dir;
        QCOMPARE(IniPathFor(dir.filePath("solamine.exe")), dir.filePath("solamine.ini"));
        QCOMPARE(IniPathFor(dir.filePath("solamine")), dir.filePath("solamine.ini"));
        // Finding out whether a file can be created there leaves nothing in the program's folder.
        QVERIFY(QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
        WriteBytes(dir.filePath("file"), "x");
        QVERIFY(!IniPathFor(dir.filePath("file/solamine")).startsWith(dir.path()));
        const QString path = dir.filePath("file/solamine.ini");
        QVERIFY(ErrorsOf([&] { SaveGraphSettings(path, {}); }) == std::vector{WriteError(path)});
    }

    void readOnlyDirectory() {
        SOLAMINE_MOUNTS_AS_ROOT();
        const QByteArray old("[Graph]\r\nuSv=0.002\r\n");
        ReadOnlyMount mount(old);
        if (!mount.readOnly) {
            QSKIP("cannot mount a read-only tmpfs here");
        }
        const QString path = mount.dir.filePath("solamine.ini");
        QVERIFY(ErrorsOf([&] { SaveGraphSettings(path, {}); }) == std::vector{WriteError(path)});
        QCOMPARE(ReadBytes(path), old);
        QStandardPaths::setTestModeEnabled(true);
        const QString config = PerUserSettingsFolder();
        QCOMPARE(IniPathFor(mount.dir.filePath("other.exe")), config + "/other.ini");
        // The file beside the program that this user cannot write gives the starting values;
        // their own settings go to their own file, which starts from its lines.
        const IniPaths paths = IniPathsFor(mount.dir.filePath("solamine"));
        QCOMPARE(paths.Path, config + "/solamine.ini");
        QCOMPARE(paths.StartingPath, path);
        QFile::remove(paths.Path);
        QCOMPARE(LoadGraphSettings(paths.Path, paths.StartingPath).GraphCoefficient, 0.002);
        SaveAlarmSettings(paths.Path, {0.5, true}, paths.StartingPath);
        QCOMPARE(LoadGraphSettings(paths.Path, paths.StartingPath).GraphCoefficient, 0.002);
        QCOMPARE(LoadAlarmSettings(paths.Path).ThresholdUsv, 0.5);
        QCOMPARE(ReadBytes(path), old);
        QFile::remove(paths.Path);
        QStandardPaths::setTestModeEnabled(false);
    }

    // Only a regular file of a page or so is read; anything else gives the defaults at once
    // and is left as it is at the end of the run.
    void refusedFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<FileError::Code>("why");
        QTest::newRow("a directory") << "directory" << FileError::Code::NotRegularFile;
#ifdef Q_OS_UNIX
        QTest::newRow("a FIFO without a writer") << "fifo" << FileError::Code::NotRegularFile;
        QTest::newRow("an endless device") << "device" << FileError::Code::NotRegularFile;
#endif
        QTest::newRow("over 1 MiB") << "large" << FileError::Code::TooLarge;
    }
    void refusedFiles() {
        QFETCH(QString, kind);
        QFETCH(FileError::Code, why);
        QTemporaryDir dir;
        const QString path = dir.filePath("solamine.ini");
        const QByteArray large = "[Graph]\nuSv=0.002\n" + QByteArray(kMaxIniBytes, ';');
        if (kind == "directory") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "large") {
            WriteBytes(path, large);
        }
#ifdef Q_OS_UNIX
        if (kind == "fifo") {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == "device") {
            QVERIFY(QFile::link("/dev/zero", path));
        }
#endif
        // Returns (a FIFO without a writer would block the open) and reads none of it.
        const qint64 readBefore = BytesReadSoFar();
        QVERIFY(LoadGraphSettings(path) == GraphSettings{});
        if (readBefore >= 0) {
            QVERIFY(BytesReadSoFar() - readBefore < 64 * 1024);
        }
        const qint64 limit = why == FileError::Code::TooLarge ? kMaxIniBytes : 0;
        const FileError refusal{FileError::Operation::ReadSettings, why, path, {}, limit};
        QVERIFY(IniFile(path).Refusal() == refusal);
        SaveGraphSettings(path, {0.003, 4});
        SaveAlarmSettings(path, {0.5, true});
        const QFileInfo info(path);
        QCOMPARE(info.isFile(), kind == "large");
        if (kind == "large") {
            QCOMPARE(ReadBytes(path), large);
        }
    }

    // A file beside the program whose read-only attribute says it may be written, but which
    // cannot be opened for writing (one an elevated run left in Program Files): this user's
    // settings go to their own file, starting from it.
    void unwritableFileBesideTheProgram() {
#ifndef Q_OS_WIN
        QSKIP("the system's own access check answers for the file here (readOnlyDirectory)");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath("solamine.ini");
        WriteBytes(path, "[Graph]\r\nuSv=0.002\r\n");
        // Held open without sharing: its attribute says writable, yet no open for writing
        // succeeds, as with a file that another user owns. (Wine runs these tests as root, who
        // may open any file whatever its owner, and does not check Windows ACLs.)
        const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
        HANDLE held = ::CreateFileW(native.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        const auto release = qScopeGuard([held] { ::CloseHandle(held); });
        QVERIFY(QFileInfo(path).isWritable());
        QStandardPaths::setTestModeEnabled(true);
        const auto normal = qScopeGuard([] { QStandardPaths::setTestModeEnabled(false); });
        const IniPaths paths = IniPathsFor(dir.filePath("solamine.exe"));
        QCOMPARE(paths.Path, PerUserSettingsFolder() + "/solamine.ini");
        QCOMPARE(paths.StartingPath, path);
#endif
    }

    // The INI beside a program installed by an administrator, made writable for the user.
    void savesInPlaceWhereOnlyTheFileIsWritable() {
        ReadOnlyFolderWithWritableFile folder(QStringLiteral("solamine.ini"),
                                              "; mine\r\n[Graph]\r\nuSv=0.002\r\n");
        if (!folder.Ready()) {
            QSKIP("cannot make a read-only folder with a writable file here");
        }
        const QString path = folder.FilePath(QStringLiteral("solamine.ini"));
        QCOMPARE(IniPathFor(folder.FilePath(QStringLiteral("solamine"))), path);
        SaveGraphSettings(path, {0.003, 4});
        QCOMPARE(ReadBytes(path), QByteArray("; mine\r\n[Graph]\r\nuSv=0.003\r\nBackGround=4\r\n"));
        QCOMPARE(folder.Entries(), QStringList{"solamine.ini"});
    }
};
SOLAMINE_TEST(IniFileTest)

#include "tst_inifile.moc"
