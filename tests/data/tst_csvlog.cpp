#include "CsvLog.h"
#include "DateTime.h"
#include "SampleDisplay.h"
#include "SampleLog.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>

namespace {

constexpr int kYear = 2026;

// Samples as "yyyy-mm-dd hh:nn[:ss.zzz] cpm; ...", so a wrong century or a lost time shows.
QString Describe(const std::vector<Sample>& samples) {
    QStringList out;
    for (const Sample& s : samples) {
        const DateTime::Parts p = DateTime::Decode(s.Time);
        QString text = QString::asprintf("%04d-%02d-%02d %02d:%02d", p.date.year, p.date.month,
                                         p.date.day, p.time.hour, p.time.minute);
        if (p.time.second != 0 || p.time.millisecond != 0) {
            text += QString::asprintf(":%02d.%03d", p.time.second, p.time.millisecond);
        }
        out << text + u' ' + QString::number(s.Cpm);
    }
    return out.join(QStringLiteral("; "));
}

SampleLog FortyEveryMinute(int count) {
    SampleLog log;
    for (int i = 0; i < count; ++i) {
        log.Append({DateTime::Encode(2016, 3, 20, 12, 30 + i), 40});
    }
    return log;
}

// Unreadable lines as "samples before:text|...".
QString Kept(const UnreadableText& lines) {
    QStringList out;
    for (int i = 0; i < lines.Count(); ++i) {
        out << QString::number(lines.SamplesBefore(i)) + u':' +
                   QString::fromLatin1(lines.Text(i).toByteArray());
    }
    return out.join(u'|');
}

QString TestFile(const char* name) {
    return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name);
}

}  // namespace

class CsvReadTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("samples");
        const QString ownForm = "2016-03-20 12:30 40; 2016-03-20 12:31 41";
        QTest::newRow("own form, dose ignored")
            << QByteArray("16/03/20, 12:30, 40\r\n16/03/20, 12:31, 41, 0.0632\r\n") << ownForm;
        QTest::newRow("four-digit years")
            << QByteArray("2016/03/20, 12:30, 40\r\n2016/03/20, 12:31, 41\r\n") << ownForm;
        QTest::newRow("whitespace separated")
            << QByteArray("16/03/20 12:30 40\r\n\t16/03/20 \x01 12:31   41 \r\n") << ownForm;
        QTest::newRow("quoted fields")
            << QByteArray("\"16/03/20\",\"12:30\",\"40\"\r\n\"16/03/20\" , \"12:31\" 41\r\n")
            << ownForm;
        QTest::newRow("LF only") << QByteArray("16/03/20, 12:30, 40\n16/03/20, 12:31, 41\n")
                                 << ownForm;
        QTest::newRow("CR only") << QByteArray("16/03/20, 12:30, 40\r16/03/20, 12:31, 41\r")
                                 << ownForm;
        QTest::newRow("no final line end")
            << QByteArray("16/03/20, 12:30, 40\r\n16/03/20, 12:31, 41") << ownForm;
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("empty and blank middle lines are no samples")
            << QByteArray("16/03/20, 12:30, 40\r\n\r\n \t\n16/03/20, 12:31, 41\r\n") << ownForm;
        QTest::newRow("99 lies in the hundred-year window")
            << QByteArray("99/12/30, 00:00, 0\r\n") << "1999-12-30 00:00 0";
        QTest::newRow("before 1899 keeps its time of day")
            << QByteArray("1800/01/01, 06:00, 1") << "1800-01-01 06:00 1";
        QTest::newRow("counts that are not 32-bit integers are no samples")
            << QByteArray(
                   "16/03/20, 12:30, 4.5\n16/03/20, 12:31, 2147483648\n"
                   "16/03/20, 12:32, -2147483648\n16/03/20, 12:33, \"4\"\"2\"\n")
            << "2016-03-20 12:32 -2147483648";
        QTest::newRow("out of time order")
            << QByteArray("16/03/20, 12:31, 2\r\n16/03/20, 12:30, 1\r\n15/01/01, 00:00, 3\r\n")
            << "2016-03-20 12:31 2; 2016-03-20 12:30 1; 2015-01-01 00:00 3";
        QTest::newRow("invalid UTF-8 in an ignored field")
            << QByteArray("16/03/20, 12:30, 40, \xff\xfe\x80 note") << "2016-03-20 12:30 40";
    }
    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, samples);
        QCOMPARE(Describe(ParseCsvLog(bytes, kYear).Samples), samples);
    }

    // A line is unreadable when its date, time or count is missing or does not parse. It is no
    // sample; its text is kept with the number of samples before it.
    void unreadableLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("kept");
        QTest::newRow("own form") << QByteArray(
                                         "16/03/20, 12:30, 40\r\n16/03/20, 12:31, 41, 0.06\r\n")
                                  << 0 << 0 << "";
        QTest::newRow("seconds and four-digit years")
            << QByteArray("2016/03/20, 12:30:15, 40\n") << 0 << 0 << "";
        QTest::newRow("empty file") << QByteArray() << 0 << 0 << "";
        QTest::newRow("a lone line end is one empty line") << QByteArray("\r\n") << 1 << 1 << "0:";
        QTest::newRow("blank line in the middle")
            << QByteArray("16/03/20, 12:30, 40\r\n \r\n16/03/20, 12:31, 41\r\n") << 1 << 2 << "1: ";
        // A date that does not read leaves no minute of 1899, a time none at midnight.
        QTest::newRow("bad date, bad time, no count, bad count")
            << QByteArray(
                   "16/03/20, 12:30, 40\n16/02/30, 12:30, 40\n16/03/20, 24:00, 1\n"
                   "16/03/20, 12:30\n16/03/20, 12:30, 4.5\n")
            << 4 << 2
            << "1:16/02/30, 12:30, 40|1:16/03/20, 24:00, 1|1:16/03/20, 12:30|1:16/03/20, 12:30, "
               "4.5";
        QTest::newRow("a header line") << QByteArray("date, time, cpm\n16/03/20, 12:30, 40\n") << 1
                                       << 1 << "0:date, time, cpm";
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 4 << 1
                                << QString::fromLatin1("0:\x89PNG|0:\x1a|0:\0\0\0|0:IHDR", 23);
    }
    void unreadableLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, count);
        QFETCH(int, first);
        QFETCH(QString, kept);
        const CsvReadResult result = ParseCsvLog(bytes, kYear);
        QCOMPARE(result.UnreadableLines(), count);
        QCOMPARE(result.FirstUnreadableLine(), first);
        QCOMPARE(Kept(result.Unreadable), kept);
    }

    void split_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("comma and space") << "a, b, c" << QStringList{"a", "b", "c"};
        QTest::newRow("blanks only") << "a b \x1f c" << QStringList{"a", "b", "c"};
        QTest::newRow("two commas") << "a,,c" << QStringList{"a", "", "c"};
        QTest::newRow("leading comma") << ",a" << QStringList{"", "a"};
        QTest::newRow("trailing comma") << "a," << QStringList{"a", ""};
        QTest::newRow("trailing comma and blank") << "a, " << QStringList{"a"};
        QTest::newRow("lone comma") << "," << QStringList{"", ""};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("quoted comma") << "\"a, b\",c" << QStringList{"a, b", "c"};
        QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\"" << QStringList{"say \"hi\""};
        QTest::newRow("unterminated quote") << "\"a, b" << QStringList{"a, b"};
        QTest::newRow("text after closing quote") << "\"ab\"cd" << QStringList{"ab", "cd"};
    }
    void split() {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(SplitCsvLine(line), fields);
    }

    void byteOrderMarks_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("UTF-8") << "utf8_with_bom.csv";
        QTest::newRow("UTF-16 LE") << "utf16le_with_bom.csv";
        QTest::newRow("UTF-16 BE") << "utf16be_with_bom.csv";
    }
    void byteOrderMarks() {
        QFETCH(QString, file);
        const std::vector<Sample> plain = ReadCsvLog(TestFile("plain_ascii.csv"), kYear).Samples;
        QCOMPARE(plain.size(), size_t(3));
        QVERIFY(ReadCsvLog(QStringLiteral(TEST_DATA_DIR "/") + file, kYear).Samples == plain);
    }

    // A file is read in pieces of 64 KiB: lines, line ends and marks split across pieces read
    // as they do in one piece.
    void readsInPieces_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        const auto line = [](int i) {
            return QByteArray("16/03/20, 12:30, ") + QByteArray::number(i);
        };
        // Pads a first line so that the byte at offset 65535, the last of the first piece, is
        // the first byte of what follows.
        const auto upTo65535 = [&](const QByteArray& then) {
            const QByteArray first = line(0) + ", ";
            return first + QByteArray(65535 - first.size(), 'x') + then;
        };
        QByteArray mixed;
        const char* ends[] = {"\r\n", "\n", "\r"};
        for (int i = 0; i < 20'000; ++i) {
            mixed += line(i) + ends[i % 3];
        }
        QTest::newRow("CR LF split between pieces") << upTo65535("\r\n" + line(1) + "\r\n") << 2;
        QTest::newRow("lone CR ending a piece") << upTo65535("\r" + line(1)) << 2;
        QTest::newRow("empty line after a CR ending a piece")
            << upTo65535("\r\r" + line(2) + "\n") << 3;
        QTest::newRow("a line longer than a piece")
            << line(0) + ", " + QByteArray(200'000, 'y') + "\r\n" + line(1) << 2;
        QTest::newRow("mixed line ends") << mixed << 20'000;
        QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + mixed << 20'000;
        QTest::newRow("UTF-16 LE")
            << QByteArray("\xFF\xFE") +
                   QByteArray(reinterpret_cast<const char*>(QString::fromLatin1(mixed).utf16()),
                              mixed.size() * 2)
            << 20'000;
    }
    void readsInPieces() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath("pieces.csv");
        QVERIFY(WriteFile(path, bytes));
        const CsvReadResult whole = ParseCsvLog(bytes, kYear);
        const CsvReadResult read = ReadCsvLog(path, kYear);
        QCOMPARE(int(read.Samples.size()) + read.UnreadableLines(), lines);
        QVERIFY(read.Samples == whole.Samples);
        QCOMPARE(Kept(read.Unreadable), Kept(whole.Unreadable));
        QCOMPARE(read.Samples.back().Cpm, lines - 1);
        // Odd pieces split line ends, marks and UTF-16 units and pairs some way.
        for (const qsizetype piece : {7, 4093}) {
            CsvLogParser parser(kYear);
            for (qsizetype at = 0; at < bytes.size(); at += piece) {
                parser.Add(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
            }
            const CsvReadResult inPieces = parser.Finish();
            QVERIFY2(inPieces.Samples == whole.Samples, qPrintable(QString::number(piece)));
            QCOMPARE(Kept(inPieces.Unreadable), Kept(whole.Unreadable));
        }
    }

    // A line without a line end, handed over a byte at a time: each byte is looked at a fixed
    // number of times, not once per piece that follows it (minutes instead of a second).
    void longLineReadsInLinearTime() {
        const QByteArray bytes = "16/03/20, 12:30, 40 " + QByteArray(512 * 1024, 'x');
        // Far above a linear read's time (bench_read measures it), far below a quadratic one's.
        const QDeadlineTimer deadline(30'000);
        CsvLogParser parser(kYear);
        for (qsizetype at = 0; at < bytes.size(); ++at) {
            parser.Add(QByteArrayView(bytes).sliced(at, 1));
            if (at % 4096 == 0 && deadline.hasExpired()) {
                QFAIL(qPrintable(QStringLiteral("%1 bytes read in 30 s").arg(at)));
            }
        }
        QCOMPARE(Describe(parser.Finish().Samples), "2016-03-20 12:30 40");
    }

    void unreadableFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<FileError::Code>("why");
        QTest::newRow("missing") << "missing.csv" << FileError::Code::NotFound;
        QTest::newRow("a directory") << "" << FileError::Code::NotRegularFile;
    }
    void unreadableFiles() {
        QFETCH(QString, name);
        QFETCH(FileError::Code, why);
        QTemporaryDir dir;
        const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
        const std::vector<FileError> errors = ErrorsOf([&] { ReadCsvLog(path, kYear); });
        QCOMPARE(errors.size(), size_t(1));
        QCOMPARE(errors[0].Op, FileError::Operation::Read);
        QCOMPARE(errors[0].Why, why);
        QCOMPARE(errors[0].Path, path);
        // A missing file keeps the system's words for the window.
        QCOMPARE(errors[0].Reason.isEmpty(), why != FileError::Code::NotFound);
    }
};

class CsvWriteTest : public QObject {
    Q_OBJECT

private slots:
    void twelveSampleExample() {
        QCOMPARE(CsvTextOf(FortyEveryMinute(12), {}),
                 ReadAll(TestFile("twelve_samples_forty_cpm.csv")));
    }

    void doseColumnFromLineEleven_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << 0;
        QTest::newRow("ten") << 10;
        QTest::newRow("eleven") << 11;
    }
    void doseColumnFromLineEleven() {
        QFETCH(int, count);
        const QByteArray text = CsvTextOf(FortyEveryMinute(count), {});
        QCOMPARE(text.count("\r\n"), count);
        QVERIFY(text.isEmpty() || text.endsWith("\r\n"));
        const QList<QByteArray> lines = text.split('\n');
        for (int i = 0; i < count; ++i) {
            QCOMPARE(lines[i].count(", "), i < 10 ? 2 : 3);
        }
    }

    // Lines that did not read go back as they were, each after the samples it came after;
    // only line ends become CR LF (and UTF-16 text UTF-8). Written in pieces of any size, the
    // text is the same, and it reads back to the same samples and lines.
    void unreadableLinesGoBackAtTheirPlaces_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("written");
        const QByteArray own = OwnFormWithUnreadableLines();
        QTest::newRow("own form: a header, a blank line, garbage, a total") << own << own;
        QByteArray lf = own;
        QTest::newRow("LF line ends") << lf.replace("\r\n", "\n") << own;
        const QString header = QStringLiteral("日時, 時刻, CPM\r\n16/03/20, 12:30, 40\r\n");
        QTest::newRow("UTF-16 LE")
            << "\xFF\xFE" +
                   QByteArray(reinterpret_cast<const char*>(header.utf16()), header.size() * 2)
            << header.toUtf8();
        // Written as it was, a first line like this would be taken for a mark by the reader.
        QTest::newRow("a first line that starts like a mark")
            << QByteArray("\xEF\xBB\xBF\xFF\xFEnote\n16/03/20, 12:30, 40\n")
            << QByteArray("\xEF\xBB\xBF\xFF\xFEnote\r\n16/03/20, 12:30, 40\r\n");
        QTest::newRow("no samples") << QByteArray("a\r\n\r\nb") << QByteArray("a\r\n\r\nb\r\n");
    }
    void unreadableLinesGoBackAtTheirPlaces() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, written);
        const CsvReadResult read = ParseCsvLog(bytes, kYear);
        SampleLog log;
        log.Assign(std::vector<Sample>(read.Samples));
        QCOMPARE(CsvTextOf(log, {}, read.Unreadable), written);
        for (const qsizetype piece : {1, 7}) {
            CsvTextWriter writer(log, read.Unreadable, {}, log.Count());
            QByteArray text;
            while (!writer.Done()) {
                writer.Append(text, piece);
            }
            QCOMPARE(text, written);
        }
        const CsvReadResult back = ParseCsvLog(written, kYear);
        QVERIFY(back.Samples == read.Samples);
        QCOMPARE(Kept(back.Unreadable), Kept(read.Unreadable));
    }

    // The byte bound covers the longest line the writer makes, so a log of as many lines as
    // Open accepts is saved into a file that Open accepts again.
    void longestLinesFitTheBound_data() {
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("cpm");
        QTest::addColumn<double>("dose");
        const double lowest = std::numeric_limits<double>::lowest();
        QTest::newRow("smallest count, lowest dose") << 45000.0 << INT_MIN << lowest;
        QTest::newRow("a year before 1 AD") << -1e9 << INT_MIN << -1.2345678901234e-300;
        QTest::newRow("a far year, least dose")
            << 2e6 << INT_MAX << -std::numeric_limits<double>::denorm_min();
    }
    void longestLinesFitTheBound() {
        QFETCH(double, time);
        QFETCH(int, cpm);
        QFETCH(double, dose);
        const QByteArray line = CsvText({LogRecord{time, cpm, dose}});
        QVERIFY2(line.size() <= kMaxCsvLineBytes, line.constData());
        QVERIFY(kMaxCsvLogSamples * kMaxCsvLineBytes <= kMaxCsvLogBytes);
        QCOMPARE(ParseCsvLog(line, kYear).Samples.front().Cpm, cpm);
    }

    void unwritablePaths_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing directory") << "no/such/dir/log.csv";
        QTest::newRow("a directory") << "";
    }
    void unwritablePaths() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
        const std::vector<FileError> errors = ErrorsOf([&] { WriteCsvLog(path, "x\r\n"); });
        QCOMPARE(errors.size(), size_t(1));
        QCOMPARE(errors[0].Op, FileError::Operation::Write);
        QCOMPARE(errors[0].Why, FileError::Code::System);
        QCOMPARE(errors[0].Path, path);
        QVERIFY(!errors[0].Reason.isEmpty());
    }

    void fullDiskKeepsOldFile() {
        SOLAMINE_MOUNTS_AS_ROOT();
        QTemporaryDir dir;
        QProcess mount;
        mount.start("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", dir.path()});
        if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0) {
            QSKIP("cannot mount a small tmpfs here");
        }
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {dir.path()}); });
        const QString path = dir.filePath("log.csv");
        const QByteArray old = CsvTextOf(FortyEveryMinute(12), {});
        WriteCsvLog(path, old);
        const std::vector<FileError> errors =
            ErrorsOf([&] { WriteCsvLog(path, QByteArray(100'000, 'x')); });
        QCOMPARE(errors.size(), size_t(1));
        QCOMPARE(errors[0].Path, path);
        // The system's reason, not "Unknown error".
        QCOMPARE(errors[0].Reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log.csv"});
    }

    // A shared log in a folder the user may not write: the file itself is rewritten in place.
    void savesInPlaceWhereTheFolderIsReadOnly() {
        ReadOnlyFolderWithWritableFile folder(QStringLiteral("log.csv"), "old\r\n");
        if (!folder.Ready()) {
            QSKIP("cannot make a read-only folder with a writable file here");
        }
        const QString path = folder.FilePath(QStringLiteral("log.csv"));
        const QByteArray text = CsvTextOf(FortyEveryMinute(12), {});
        WriteCsvLog(path, text);
        QCOMPARE(ReadAll(path), text);
        QCOMPARE(folder.Entries(), QStringList{"log.csv"});
        // A new file there still cannot be made, and says so.
        const QString other = folder.FilePath(QStringLiteral("new.csv"));
        QVERIFY(!ErrorsOf([&] { WriteCsvLog(other, text); }).empty());
    }
};

SOLAMINE_TEST(CsvReadTest)
SOLAMINE_TEST(CsvWriteTest)

#include "tst_csvlog.moc"
