#include "CliRun.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cstring>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace {

// Eleven hand-edited lines: four-digit years, blanks, LF ends, a stale dose column.
QByteArray HandEdited() {
    QByteArray text;
    for (int i = 0; i < 11; ++i) {
        text += QByteArray("2016/03/20 12:") + QByteArray::number(30 + i) + " 40 9.99\n";
    }
    return text;
}

}  // namespace

class ConvertCliTest : public QObject {
    Q_OBJECT

private slots:
    void convert_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("lastLine");
        QTest::newRow("defaults") << QStringList{} << QByteArray("16/03/20, 12:40, 40, 0.0632\r\n");
        QTest::newRow("coefficient and background")
            << QStringList{"--coefficient", "0.01", "--background=30"}
            << QByteArray("16/03/20, 12:40, 40, 0.1\r\n");
    }
    void convert() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, lastLine);
        QTemporaryDir dir;
        const QString in = dir.filePath("in.csv");
        const QString out = dir.filePath("out.csv");
        QVERIFY(WriteFile(in, HandEdited()));
        const CliRun run = RunCli(QStringList{"convert"} + options + QStringList{in, out});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        const QByteArray written = ReadAll(out);
        QVERIFY(written.startsWith("16/03/20, 12:30, 40\r\n16/03/20, 12:31, 40\r\n"));
        QVERIFY2(written.endsWith("16/03/20, 12:39, 40\r\n" + lastLine), written.constData());
    }

    // Lines that are not samples go to OUT as they were, at their places; the exit status and
    // stderr say that there were some.
    void unreadableLines() {
        QTemporaryDir dir;
        // A name that looks like a placeholder stays as it is in the message.
        const QString in = dir.filePath("in %2 %3.csv");
        const QString out = dir.filePath("out.csv");
        QVERIFY(WriteFile(in, "date, time, cpm\n" + HandEdited() + "\n"));
        const CliRun run = RunCli({"convert", in, out});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(
            run.err.contains(in + QStringLiteral(": 2 unreadable line(s), the first is line 1")),
            qPrintable(run.err));
        const QByteArray written = ReadAll(out);
        QCOMPARE(written.count("\r\n"), 13);
        QVERIFY(written.startsWith("date, time, cpm\r\n16/03/20, 12:30, 40\r\n"));
        QVERIFY(written.endsWith(", 0.0632\r\n\r\n"));

        // A file in our own form comes out byte for byte, into another file or onto itself.
        const QByteArray own = OwnFormWithUnreadableLines();
        QVERIFY(WriteFile(in, own));
        QCOMPARE(RunCli({"convert", in, out}).exitCode, 3);
        QCOMPARE(ReadAll(out), own);
        QCOMPARE(RunCli({"convert", in, in}).exitCode, 3);
        QCOMPARE(ReadAll(in), own);
    }

    // A sample that OUT would give back as another time is written all the same, but the exit
    // status and stderr say so, with its line.
    void samplesThatWouldNotReadBack_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("line");
        QTest::newRow("the year 1900, after a header")
            << QByteArray("date\r\n16/03/20, 12:30, 40\r\n1900/01/01, 00:00, 5\r\n") << 4 << 3;
        QTest::newRow("seconds") << QByteArray("16/03/20, 12:30:15, 40\n") << 4 << 1;
        QTest::newRow("four-digit years inside the hundred")
            << QByteArray("2016/03/20, 12:30, 40\n") << 0 << 0;
    }
    void samplesThatWouldNotReadBack() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, exitCode);
        QFETCH(int, line);
        QTemporaryDir dir;
        const QString in = dir.filePath("in.csv");
        QVERIFY(WriteFile(in, bytes));
        const CliRun run = RunCli({"convert", in, dir.filePath("out.csv")});
        QCOMPARE(run.exitCode, exitCode);
        const int year = QDate::currentDate().year();
        QCOMPARE(run.err.contains(QStringLiteral("in.csv: line %1 would read back as another time: "
                                                 "the program's own form has no seconds and "
                                                 "two-digit years (%2 to %3)")
                                      .arg(line)
                                      .arg(year - 50)
                                      .arg(year + 49)),
                 line > 0);
        QCOMPARE(run.err.contains("unreadable"), bytes.startsWith("date"));
        QCOMPARE(ReadAll(dir.filePath("out.csv")).count("\r\n"), bytes.count('\n'));
    }

    // OUT is replaced by a new file only where it is a regular file: a device or a FIFO stays
    // what it is. Making a device needs root, or root of a user namespace, where only the
    // kernel's 0:0 device may be made.
    void refusesTargetsThatAreNoRegularFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a device") << "device";
    }
    void refusesTargetsThatAreNoRegularFiles() {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs or device files on Windows");
#else
        QFETCH(QString, kind);
        if (kind == "device") {
            SOLAMINE_MOUNTS_AS_ROOT();
        }
        QTemporaryDir dir;
        const QString in = dir.filePath("in.csv");
        const QString out = dir.filePath("out");
        QVERIFY(WriteFile(in, HandEdited()));
        const QByteArray name = QFile::encodeName(out);
        if (kind == "fifo") {
            QVERIFY(::mkfifo(name.constData(), 0600) == 0);
        } else if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0 &&
                   ::mknod(name.constData(), S_IFCHR | 0666, makedev(0, 0)) != 0) {
            QSKIP(qPrintable(QStringLiteral("cannot make a device here: ") +
                             QString::fromLocal8Bit(std::strerror(errno))));
        }
        const CliRun run = RunCli({"convert", in, out});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.trimmed(), "solamine-cli: cannot write " + QDir::toNativeSeparators(out) +
                                        ": not a regular file");
        struct stat info = {};
        QVERIFY(::stat(name.constData(), &info) == 0);
        QVERIFY(kind == "fifo" ? S_ISFIFO(info.st_mode) : S_ISCHR(info.st_mode));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 2);
#endif
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing input")
            << QStringList{"convert", "missing.csv", "out.csv"} << 1 << "no such file";
        QTest::newRow("input is a folder")
            << QStringList{"convert", ".", "out.csv"} << 1 << "not a regular file";
        QTest::newRow("unwritable output")
            << QStringList{"convert", "in.csv", "no/dir/out.csv"} << 1 << "cannot write";
        QTest::newRow("no command") << QStringList{} << 2 << "usage:";
        QTest::newRow("one file") << QStringList{"convert", "in.csv"} << 2 << "usage:";
        QTest::newRow("bad coefficient")
            << QStringList{"convert", "--coefficient", "1,5", "in.csv", "out.csv"} << 2
            << "--coefficient";
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("in.csv"), HandEdited()));
        for (QString& argument : arguments) {
            if (argument.endsWith(".csv")) {
                argument = dir.filePath(argument);
            }
        }
        const CliRun run = RunCli(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        // The command line speaks English only, like its usage: no kana or kanji. Windows
        // gives the system's reason in the user's language, so that part is left out there.
        QString own = run.err;
#ifdef Q_OS_WIN
        if (message == u"cannot write") {
            own = own.section(QStringLiteral(": "), 0, -2);
        }
#endif
        QVERIFY2(
            std::none_of(own.begin(), own.end(),
                         [](QChar c) { return c.unicode() >= 0x3000 && c.unicode() < 0xA000; }),
            qPrintable(run.err));
        QVERIFY(!QFile::exists(dir.filePath("out.csv")));
    }

    // An input that is refused is worded in English whatever its name: nothing above U+007F on
    // stderr but the name itself. summary reads as convert does.
    void refusedInputSpeaksEnglish_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("kind");
        for (const char* command : {"convert", "summary"}) {
            QTest::addRow("%s, a directory", command) << command << "directory";
#ifndef Q_OS_WIN
            QTest::addRow("%s, a FIFO without a writer", command) << command << "fifo";
#endif
        }
    }
    void refusedInputSpeaksEnglish() {
        QFETCH(QString, command);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString name = QStringLiteral("記録.csv");
        if (QString::fromLocal8Bit(name.toLocal8Bit()) != name) {
            name = QStringLiteral("log.csv");  // a Windows code page without kanji
        }
        const QString in = dir.filePath(name);
        if (kind == "directory") {
            QVERIFY(QDir().mkpath(in));
        } else {
#ifndef Q_OS_WIN
            QVERIFY(::mkfifo(QFile::encodeName(in).constData(), 0600) == 0);
#endif
        }
        QStringList arguments{command, in};
        if (command == "convert") {
            arguments << dir.filePath("out.csv");
        }
        const CliRun run = RunCli(arguments);
        QCOMPARE(run.exitCode, 1);
        const QString shown = QDir::toNativeSeparators(in);
        QCOMPARE(run.err.trimmed(),
                 "solamine-cli: cannot read " + shown + ": not a regular file");
        QString own = run.err;
        own.remove(shown);
        QVERIFY2(std::all_of(own.begin(), own.end(), [](QChar c) { return c.unicode() < 0x80; }),
                 qPrintable(run.err));
    }
};

SOLAMINE_TEST(ConvertCliTest)

#include "tst_convertcli.moc"
