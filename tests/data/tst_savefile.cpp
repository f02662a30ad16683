#include "AtomicFile.h"
#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "LogFileTail.h"
#include "ReadBack.h"
#include "SampleLog.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QTest>
#include <cerrno>
#include <cstring>

namespace {

SampleLog Minutes(int count) {
    SampleLog log;
    for (int i = 0; i < count; ++i) {
        log.Append({DateTime::Encode(2026, 12, 8, 14, i), 30 + i % 7});
    }
    return log;
}

}  // namespace

// What a save may write: whether a file's samples survive our writer, the end of a log
// rewritten in place, and a rewrite that must not fail half way on a full disk.
class SaveFileTest : public QObject {
    Q_OBJECT

private slots:
    void readBack_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("firstForeignLine");
        QTest::newRow("our own form")
            << QByteArray("26/12/08, 14:30, 5\r\n26/12/08, 14:31, 6, 1\r\n") << 0;
        QTest::newRow("four-digit years inside the hundred")
            << QByteArray("1976/01/01, 00:00, 1\r\n2075/12/31, 23:59, 2\r\n") << 0;
        QTest::newRow("zero seconds written out") << QByteArray("26/12/08, 14:31:00.000, 2") << 0;
        QTest::newRow("a year before the hundred")
            << QByteArray("2026/12/08, 14:30, 1\r\n1960/05/01, 00:00, 3\r\n") << 2;
        QTest::newRow("a year after the hundred") << QByteArray("2076/01/01, 00:00, 1\r\n") << 1;
        QTest::newRow("seconds") << QByteArray("26/12/08, 14:30, 1\r\n26/12/08, 14:31:30, 2\r\n")
                                 << 2;
        QTest::newRow("milliseconds") << QByteArray("26/12/08, 14:31:00.5, 2\r\n") << 1;
    }
    // The check agrees with what the writer and the reader really do.
    void readBack() {
        QFETCH(QByteArray, file);
        QFETCH(int, firstForeignLine);
        SampleLog log;
        log.Assign(ParseCsvLog(file, 2026).Samples);
        QCOMPARE(FirstSampleNotReadBack(log.Samples(), 2026) + 1, firstForeignLine);
        const std::vector<Sample> back = ParseCsvLog(CsvTextOf(log, {}), 2026).Samples;
        QCOMPARE(back.size(), log.Samples().size());
        for (size_t i = 0; i < back.size(); ++i) {
            QCOMPARE(back[i] == log.Samples()[i], int(i) + 1 != firstForeignLine);
            if (int(i) + 1 == firstForeignLine) {
                break;
            }
        }
    }

    void tailRewrite_data() {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("appended");
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("the growing minute") << 5 << 3 << 0 << false;
        QTest::newRow("appended minutes") << 5 << 0 << 3 << false;
        QTest::newRow("both") << 12 << 2 << 4 << false;
        QTest::newRow("past the tenth minute, doses begin") << 8 << 1 << 5 << false;
        QTest::newRow("nothing changed") << 5 << 0 << 0 << false;
        QTest::newRow("unreadable lines, the growing minute") << 5 << 3 << 0 << true;
        QTest::newRow("unreadable lines, appended minutes") << 12 << 0 << 3 << true;
        QTest::newRow("unreadable lines, both") << 12 << 2 << 4 << true;
    }
    // The plan brings the old text to exactly what a whole save writes, and a power cut at any
    // point of its write tears at most one line: every earlier line reads back as it was. Lines
    // that are no samples (a header, one between, one after the last sample) keep their places.
    void tailRewrite() {
        QFETCH(int, written);
        QFETCH(int, added);
        QFETCH(int, appended);
        QFETCH(bool, unreadable);
        const GraphSettings settings{0.01, 2};
        SampleLog log = Minutes(written);
        UnreadableText lines;
        if (unreadable) {
            lines.Add(0, "date, time, cpm");
            lines.Add(written / 2, "");
            lines.Add(written, "total");
        }
        const QByteArray old = CsvTextOf(log, settings, lines);
        LogFileTail tail;
        tail.Wrote("log.csv", old, log, lines, settings);
        log.AddToLast(added);
        const SampleLog grown = Minutes(written + appended);
        for (int i = written; i < grown.Count(); ++i) {
            log.Append(grown.At(i));
        }
        const std::optional<LogFileTail::Plan> plan = tail.PlanFor("log.csv", log, lines, settings);
        QVERIFY(plan);
        const QByteArray now = CsvTextOf(log, settings, lines);
        QCOMPARE(old.left(plan->Offset) + plan->Bytes, now);
        QCOMPARE(plan->Bytes.size() > 0, added + appended > 0);
        QVERIFY(plan->Bytes.size() <= (appended + 2) * (kMaxLogLineChars + 2));
        const qsizetype after = unreadable && appended == 0 ? 1 : 0;  // the total
        QCOMPARE(now.mid(plan->LastSampleOffset).count("\r\n"), 1 + after);

        for (qsizetype k = 0; k <= plan->Bytes.size(); ++k) {
            const QByteArray done = old.left(plan->Offset) + plan->Bytes.left(k);
            const QByteArray torn = done + old.mid(done.size());
            const CsvReadResult read = ParseCsvLog(torn, 2026);
            const int complete = int(done.count("\r\n"));
            QVERIFY(read.UnreadableLines() <= lines.Count() + 1);
            for (int i = 0;
                 i < int(read.Samples.size()) && read.Unreadable.LineOfSample(i) <= complete; ++i) {
                QCOMPARE(read.Samples[size_t(i)], log.At(i));
            }
        }
    }

    void rewriteOnAFullDisk_data() {
        QTest::addColumn<int>("offset");
        QTest::newRow("the whole file in place") << 0;
        QTest::newRow("from its last line") << 2000;
    }
    // The space is reserved before a byte changes: a full disk leaves the old file whole, and
    // the same rewrite succeeds once there is room.
    void rewriteOnAFullDisk() {
        SOLAMINE_MOUNTS_AS_ROOT();
        QFETCH(int, offset);
        SmallDisk disk;
        if (!disk.mounted) {
            QSKIP("cannot mount a tmpfs here");
        }
        const QString path = disk.mount + "/log.csv";
        const QByteArray old = CsvTextOf(Minutes(100), {});
        QVERIFY(WriteFile(path, old));
        disk.Fill();
        const QByteArray tail(16 * 1024, 'x');
        FileError error;
        QVERIFY(!RewriteFileFrom(path, offset, tail, &error));
        QCOMPARE(error.Reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(ReadAll(path), old);

        QVERIFY(QFile::remove(disk.mount + "/filler"));
        QVERIFY2(RewriteFileFrom(path, offset, tail, &error), qPrintable(error.Reason));
        QCOMPARE(ReadAll(path), old.left(offset) + tail);
    }
};

SOLAMINE_TEST(SaveFileTest)

#include "tst_savefile.moc"
