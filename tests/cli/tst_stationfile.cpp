#include "Convert.h"
#include "LinkKeeper.h"
#include "StationRig.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <random>

namespace {

// Runs of the station on one file, each a start of the program: a run is a list of [from, to)
// pairs of seconds after 14:30:00, with a report of 1 at each whole second + 0.5 in them. A run
// stops half a second after its last report.
using Runs = QList<QList<int>>;

// What another program does to the station's file between two of its minutes.
enum class Replacement {
    Moved,     // renamed away; the new bytes, if any, become a new file under its name
    Swapped,   // renamed away, and a file of the same size with other counts put in its place
    Appended,  // the new bytes added at its end
};

}  // namespace

Q_DECLARE_METATYPE(Replacement)

class StationFileTest : public QObject {
    Q_OBJECT

private slots:
    void onlyWholeMinutes_data() {
        QTest::addColumn<Runs>("runs");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("partial");
        QTest::newRow("start in its first two seconds")
            << Runs{{1, 121}} << QStringList{"14:30", "14:31"} << QStringList{"14:32 (0 s)"};
        QTest::newRow("start and stop mid-minute")
            << Runs{{20, 100}} << QStringList{} << QStringList{"14:30 (39 s)", "14:31 (39 s)"};
        QTest::newRow("stop once the clock left a whole minute")
            << Runs{{0, 60}} << QStringList{"14:30"} << QStringList{};
        QTest::newRow("restart within one minute")
            << Runs{{0, 90}, {100, 200}} << QStringList{"14:30", "14:32"}
            << QStringList{"14:31 (29 s)", "14:31 (19 s)", "14:33 (19 s)"};
        QTest::newRow("restart at a minute's start")
            << Runs{{0, 61}, {61, 180}} << QStringList{"14:30", "14:31", "14:32"}
            << QStringList{"14:31 (0 s)"};
        QTest::newRow("reports stop for eleven seconds")
            << Runs{{0, 20, 31, 125}} << QStringList{"14:31"}
            << QStringList{"14:30 (48 s)", "14:32 (4 s)"};
        QTest::newRow("late reports of a busy moment are bridged")
            << Runs{{0, 20, 29, 121}} << QStringList{"14:30", "14:31"}
            << QStringList{"14:32 (0 s)"};
    }

    // A minute is written only when reports covered it from start to end, and so never twice
    // across a restart; each other minute is told once on the notes.
    void onlyWholeMinutes() {
        QFETCH(Runs, runs);
        QFETCH(QStringList, written);
        QFETCH(QStringList, partial);
        Rig rig;
        for (qsizetype run = 0; run < runs.size(); ++run) {
            if (run > 0) {
                rig.Restart();
            }
            for (qsizetype i = 0; i + 1 < runs[run].size(); i += 2) {
                for (int second = runs[run][i]; second < runs[run][i + 1]; ++second) {
                    rig.Report(At(8, 14, 30) + (second + 0.5) * kSecond, 1);
                }
            }
            rig.now += kSecond / 2;
            QCOMPARE(rig.logger->Finish(), 0);
        }
        QStringList minutes;
        for (const QString& line : rig.lines) {
            minutes << line.mid(10, 5);
        }
        QCOMPARE(minutes, written);
        QCOMPARE(rig.File(), Lines(rig.lines));
        QStringList told;
        for (const QString& note : rig.notes.filter("partial minute")) {
            told << note.section(' ', 4, 6);
        }
        QCOMPARE(told, partial);
    }

    // An unplug leaves its minute partial, even when the counter is back within seconds.
    void unplugBreaksItsMinute() {
        Rig rig;
        rig.logger->Start();
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 1, 5);
        rig.Report(At(8, 14, 31, 1), 1);
        rig.counter->Unplug();
        QTRY_COMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Lost);
        rig.counter->Replug();
        QTRY_COMPARE(rig.logger->Keeper().CurrentState(), LinkKeeper::State::Connected);
        rig.Minutes(At(8, 14, 31, 3), 2, 6);
        rig.Report(At(8, 14, 33, 3), 1);
        QCOMPARE(rig.lines, (QStringList{"26/12/08, 14:30, 5", "26/12/08, 14:32, 6"}));
        QCOMPARE(rig.notes.filter("partial minute"),
                 QStringList{"2026-12-08 14:32:00 partial minute 14:31 (58 s) not written"});
    }

    // A full disk cuts a line short; the station stops with lines unwritten, starts again while
    // the disk is still full, and once there is room the file holds every line written since,
    // whole: nothing of the cut line is left in it.
    void fullDiskAcrossARestart() {
        SOLAMINE_MOUNTS_AS_ROOT();
        Rig rig(false, QStringLiteral("disk/log.csv"));
        SmallDisk disk(rig.dir.filePath("disk"));
        if (!disk.mounted) {
            QSKIP("cannot mount a tmpfs here");
        }
        // 5 bytes are left in the file's page: the next line is cut there.
        const QByteArray before = QByteArray(4096 - 2 - 5, 'p') + "\r\n";
        QVERIFY(WriteFile(rig.options.File, before));
        disk.Fill();
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 2, 7);
        rig.now = At(8, 14, 32);
        QCOMPARE(rig.logger->Finish(), 2);
        QCOMPARE(ReadAll(rig.options.File), before);
        rig.Restart();
        rig.Minutes(At(8, 14, 40) + kSecond / 2, 3, 9);
        QCOMPARE(rig.logger->Appender().Queued(), 2);
        QVERIFY(disk.Free());
        rig.logger->Tick();
        QCOMPARE(rig.logger->Appender().Queued(), 0);
        QCOMPARE(ReadAll(rig.options.File), before + Lines(rig.lines.mid(2)));
    }

    void replacedFile_data() {
        QTest::addColumn<bool>("daily");
        QTest::addColumn<Replacement>("how");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray other;
        for (int i = 0; i < 12; ++i) {
            other += QString::asprintf("26/12/08, 13:%02d, 90\r\n", i).toLatin1();
        }
        QTest::newRow("moved away, another file in its place")
            << false << Replacement::Moved << other;
        QTest::newRow("moved away, none in its place")
            << false << Replacement::Moved << QByteArray();
        QTest::newRow("moved away, a file of the same size in its place")
            << false << Replacement::Swapped << QByteArray();
        QTest::newRow("appended to by another") << false << Replacement::Appended << other.left(63);
        QTest::newRow("a day's file moved away, another in its place")
            << true << Replacement::Moved << other;
        QTest::newRow("the new file's last line over 1 MiB")
            << false << Replacement::Moved << other.left(63) + QByteArray((1 << 20) + 9, 'x');
    }

    // Whatever became of the file between two minutes, the lines appended after carry the
    // doses convert gives for the file they are in, and MinuteLogged (what the publishers get)
    // has them as the file does.
    void replacedFile() {
        QFETCH(bool, daily);
        QFETCH(Replacement, how);
        QFETCH(QByteArray, bytes);
        Rig rig(daily);
        QString error;
        QVERIFY(rig.logger->Prepare(&error));
        const QString path = rig.logger->PathFor(At(8, 14, 30));
        const QString moved = path + ".1";
        // Eleven lines go out; the twelfth minute ends with the next report, after the change.
        rig.Minutes(At(8, 14, 30) + kSecond / 2, 12, 10);
        if (how != Replacement::Appended) {
            QVERIFY(QFile::rename(path, moved));
        }
        if (how == Replacement::Swapped) {
            bytes = ReadAll(moved).replace(", 10", ", 90");
        }
        QFile file(path);
        QVERIFY(bytes.isEmpty() ||
                (file.open(QIODevice::Append) && file.write(bytes) == bytes.size()));
        file.close();
        rig.Minutes(At(8, 14, 42) + kSecond / 2, 12, 20);
        QCOMPARE(rig.logged, rig.lines);
        const QString out = rig.dir.filePath("converted.csv");
        Convert({rig.options.Settings, path, out}, 2026);
        QVERIFY(ReadAll(out).endsWith(Lines(rig.lines.mid(11))));
    }

    void convertReproducesTheStationFile_data() {
        QTest::addColumn<bool>("daily");
        QTest::newRow("one file") << false;
        QTest::newRow("daily files") << true;
    }

    // Random runs with restarts, gaps and midnights: convert with the same settings gives each
    // file byte for byte, and stdout and the publishers got the lines the files have.
    void convertReproducesTheStationFile() {
        QFETCH(bool, daily);
        for (unsigned seed = 1; seed <= 8; ++seed) {
            std::mt19937 random(seed);
            const GraphSettings settings{std::array{0.00158, 0.002, 0.0123}[random() % 3],
                                         std::int32_t(random() % 60)};
            Rig rig(daily, QStringLiteral("log.csv"),
                    [&](StationOptions& options) { options.Settings = settings; });
            QString error;
            QVERIFY(rig.logger->Prepare(&error));
            double t = At(8, 23, 40) + double(random() % 600) * kSecond;
            for (unsigned run = 0, runs = 1 + random() % 3; run < runs; ++run) {
                if (run > 0) {
                    rig.Restart();
                }
                for (unsigned n = random() % 1800; n > 0; --n) {
                    rig.Report(t, std::uint16_t(random() % 4));
                    t += (random() % 200 == 0 ? 2 + random() % 20 : 1) * kSecond;
                }
                rig.now = t;
                QCOMPARE(rig.logger->Finish(), 0);
                t += double(random() % 300) * kSecond;
            }
            QCOMPARE(rig.logged, rig.lines);
            const QDir folder(daily ? rig.options.DailyDir : rig.dir.path());
            QByteArray all;
            for (const QString& name : folder.entryList({"*.csv"}, QDir::Files, QDir::Name)) {
                const QString file = folder.filePath(name);
                const QString converted = rig.dir.filePath("converted.csv");
                Convert({settings, file, converted}, 2026);
                QCOMPARE(ReadAll(converted), ReadAll(file));
                all += ReadAll(file);
            }
            QCOMPARE(all, Lines(rig.lines));
        }
    }
};

SOLAMINE_TEST(StationFileTest)
#include "tst_stationfile.moc"
