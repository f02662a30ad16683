#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "ErrorTexts.h"
#include "FileCommands.h"
#include "PlatformFile.h"
#include "RecoveryStore.h"
#include "SampleLog.h"
#include "Termination.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <climits>
#include <csignal>
#include <memory>
#include <new>
#include <random>

namespace {

struct FakeDialogs : FileDialogs {
    std::optional<QString> openAnswer;
    std::optional<QString> saveAnswer;
    int openAsked = 0;
    int saveAsked = 0;
    QString prefilled;
    QString openDirectory;

    std::optional<QString> ChooseOpenFile(const QString& directory) override {
        ++openAsked;
        openDirectory = directory;
        return openAnswer;
    }
    std::optional<QString> ChooseSaveFile(const QString& currentFile) override {
        ++saveAsked;
        prefilled = currentFile;
        return saveAnswer;
    }
};

struct ChangeCounter : DisplayListener {
    int changes = 0;
    // Drawing more log lines than this runs out of memory.
    const DisplayModel* display = nullptr;
    int memoryFor = INT_MAX;
    void Reset() override {
        ++changes;
        if (display && display->LogCount() > memoryFor) {
            throw std::bad_alloc();
        }
    }
    void SeriesCleared() override { ++changes; }
    void CpmAppended() override { ++changes; }
    void LogCleared() override { ++changes; }
    void LogAppended() override { ++changes; }
};

// The main window's state around one FileCommands, with its own recovery folder.
struct Window {
    QTemporaryDir recoveryDir;
    SampleLog log;
    DisplayModel display;
    GraphSettings settings;
    FakeDialogs dialogs;
    RecoveryStore recovery;
    FileCommands commands{log, display, settings, dialogs, recovery};
    ChangeCounter counter;

    explicit Window(const QString& recoveryFolder = {})
        : recovery(recoveryFolder.isEmpty() ? recoveryDir.filePath("recovery") : recoveryFolder) {
        commands.SetCurrentYearForTests(2026);
        counter.display = &display;
        display.AddListener(&counter);
    }
    ~Window() { display.RemoveListener(&counter); }

    void Open(const QString& path) {
        dialogs.openAnswer = path;
        commands.OpenClick();
    }
    // What live ingestion does to the log: a new minute, or more counts in the last one.
    void Live(int minute, int count) {
        const double t = DateTime::Encode(2026, 12, 8, 14, minute);
        if (log.Count() > 0 && log.Last().Time == t) {
            log.AddToLast(count);
        } else {
            log.Append({t, count});
        }
        commands.MarkChanged();
    }
    QStringList RecoveryFiles() const {
        return QDir(recovery.Folder()).entryList({"*.csv"}, QDir::Files | QDir::Hidden);
    }
};

// Twelve lines with a dose column that no setting would give.
QByteArray StaleDoseFile() {
    QByteArray text;
    for (int i = 0; i < 12; ++i) {
        text += "16/03/20, 12:" + QByteArray::number(30 + i) + ", 40, 123\r\n";
    }
    return text;
}

// The window's message for the FileFailure that f throws; empty when it throws none.
template <typename F>
QString ErrorText(F&& f) {
    try {
        f();
    } catch (const FileFailure& e) {
        return FailureText(e);
    }
    return {};
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void openRedrawsAndSaveWritesBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, StaleDoseFile()));
        Window w;
        w.Open(path);
        QCOMPARE(w.log.Count(), 12);
        QCOMPARE(w.display.CpmCount(), 12);
        QCOMPARE(w.display.LogText(11), "16/03/20, 12:41, 40, 0.0632");
        QCOMPARE(w.commands.CurrentFile(), path);

        w.log.AddToLast(2);  // live ingestion goes on after Open
        w.commands.SaveClick();
        QCOMPARE(w.dialogs.saveAsked, 0);
        QCOMPARE(w.display.LogText(11), "16/03/20, 12:41, 42, 0.0632");
        // The file holds exactly the lines the rebuilt pane shows.
        QCOMPARE(ReadAll(path), CsvText(w.display.LogRecords()));
    }

    void saveThenOpenGivesBackTheSamples() {
        SampleLog live;
        std::mt19937 random(7);
        for (int i = 0; i < 500; ++i) {
            // Whole minutes anywhere in the hundred-year window of 2026, in no particular order.
            const int year = 1976 + int(random() % 100);
            live.Append({DateTime::Encode(year, 1 + int(random() % 12), 1 + int(random() % 28),
                                          int(random() % 24), int(random() % 60)),
                         int(random() % 70'000)});
            live.AddToLast(int(random() % 100));
        }
        QTemporaryDir dir;
        Window saver;
        saver.settings = {7.5, 12};
        for (const Sample& s : live.Samples()) {
            saver.log.Append(s);
        }
        saver.dialogs.saveAnswer = dir.filePath("round.csv");
        saver.commands.SaveClick();
        QCOMPARE(saver.dialogs.saveAsked, 1);

        Window reader;
        reader.Open(dir.filePath("round.csv"));
        QVERIFY(reader.log.Samples() == live.Samples());
    }

    // Only regular files of a sensible size are read; the check never blocks. The message names
    // the full path and the reason (empty here: the system's words).
    void failedOpenChangesNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        const QString notRegular = QStringLiteral("通常のファイルではありません");
        QTest::newRow("missing") << "missing"
                                 << "";
        QTest::newRow("a directory") << "directory" << notRegular;
        QTest::newRow("a FIFO without a writer") << "fifo" << notRegular;
        QTest::newRow("an endless device") << "device" << notRegular;
        QTest::newRow("a sparse file over the size bound")
            << "sparse"
            << QString::number(kMaxCsvLogBytes / (1024 * 1024)) + " MiB を超える大きさです";
        QTest::newRow("more lines than thirty years of minutes")
            << "lines" << QString::number(kMaxCsvLogSamples) + " 行を超えています";
        QTest::newRow("memory runs out while drawing") << "memory"
                                                       << "メモリが足りません";
        QTest::newRow("a close signal arrived") << "signal"
                                                << "読み込みを中断しました";
    }
    void failedOpenChangesNothing() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, StaleDoseFile()));
        Window w;
        w.Open(path);
        const std::vector<Sample> before = w.log.Samples();
        const int changes = w.counter.changes;

        QString other = dir.filePath("other.csv");
#ifdef Q_OS_WIN
        if (kind == "fifo" || kind == "device") {
            QSKIP("no FIFOs or device files on Windows");
        }
        if (kind == "signal") {
            QSKIP("no POSIX signals on Windows; a log-off reaches the window as a message");
        }
#endif
        if (kind == "directory") {
            QVERIFY(QDir().mkpath(other));
        } else if (kind == "fifo") {
#ifndef Q_OS_WIN
            QVERIFY(::mkfifo(QFile::encodeName(other).constData(), 0600) == 0);
#endif
        } else if (kind == "device") {
            other = "/dev/zero";
        } else if (kind == "sparse") {
            QFile sparse(other);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            QVERIFY(sparse.resize(kMaxCsvLogBytes + 1));
        } else if (kind == "lines") {
            QVERIFY(WriteFile(other, QByteArray(kMaxCsvLogSamples + 1, '\n')));
        } else if (kind == "memory") {
            QVERIFY(WriteFile(other, StaleDoseFile() + StaleDoseFile()));
            w.counter.memoryFor = 12;
        }
        QWidget window;
        Termination* signal = nullptr;
        if (kind == "signal") {
            QVERIFY(WriteFile(other, StaleDoseFile()));
            signal = new Termination(&window);
            std::raise(SIGTERM);
        }
        // The check returns (a FIFO without a writer would block the open) and reads nothing of
        // what cannot be a log; the lines must be read to be counted.
        const qint64 readBefore = BytesReadSoFar();
        const QString text = ErrorText([&] { w.Open(other); });
        if (readBefore >= 0 && kind != "lines") {
            const qint64 read = BytesReadSoFar() - readBefore;
            QVERIFY2(read < 1024 * 1024, qPrintable(QString::number(read)));
        }
        const QString start =
            QStringLiteral("ファイル %1 は開けません。 ").arg(QDir::toNativeSeparators(other));
        if (reason.isEmpty()) {
            QVERIFY2(text.startsWith(start) && text.endsWith(u' '), qPrintable(text));
        } else {
            QCOMPARE(text, start + reason + u' ');
        }
        QVERIFY(w.log.Samples() == before);
        QCOMPARE(w.display.LogCount(), 12);
        QCOMPARE(w.display.LogText(11), "16/03/20, 12:41, 40, 0.0632");
        if (kind != "memory") {
            QCOMPARE(w.counter.changes, changes);
        }
        QCOMPARE(w.commands.CurrentFile(), path);
        if (signal) {
            QTRY_VERIFY(signal->WasRequested());  // the signal is taken, as the window would
        }
    }

    // A file that was only opened stays byte for byte as it was, whatever it holds. Live data
    // makes the automatic save write it, unless some of its lines were unreadable or our writer
    // would change its samples: then only an explicit Save does, and the samples wait in the
    // recovery folder.
    void openedFilesStayAsTheyWere_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("unreadable");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("foreign");
        QTest::newRow("own form, a dose no setting gives") << StaleDoseFile() << 0 << 0 << 0;
        QTest::newRow("four-digit years inside the hundred")
            << QByteArray("2016/03/20, 12:30, 40\r\n2016/03/20, 12:31, 3\n") << 0 << 0 << 0;
        QTest::newRow("seconds") << QByteArray("2016/03/20, 12:30, 40\r\n16/03/20, 12:31:15, 3\n")
                                 << 0 << 0 << 2;
        QTest::newRow("a year two digits cannot hold")
            << QByteArray("1960/05/01, 00:00, 3\r\n") << 0 << 0 << 1;
        QTest::newRow("unreadable lines")
            << QByteArray("16/03/20, 12:30, 40\r\n\r\nsum, 40\r\n16/03/20, 12:31, 41\r\n") << 2 << 2
            << 0;
        QTest::newRow("a picture")
            << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20) << 4 << 1 << 0;
    }
    void openedFilesStayAsTheyWere() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, unreadable);
        QFETCH(int, first);
        QFETCH(int, foreign);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, bytes));
        Window w;
        w.Open(path);
        QCOMPARE(w.commands.UnreadableLines(), unreadable);
        QCOMPARE(w.commands.FirstUnreadableLine(), first);
        QCOMPARE(w.commands.FirstForeignLine(), foreign);
        const bool blocked = unreadable > 0 || foreign > 0;
        QCOMPARE(w.commands.AutoSaveBlocked(), blocked);

        w.settings = {0.5, 3};  // new graph settings alone change no sample
        w.commands.AutoSave();
        QVERIFY(w.commands.KeepUnsaved().isEmpty());  // what New, Open and closing do first
        QCOMPARE(ReadAll(path), bytes);
        QVERIFY(w.RecoveryFiles().isEmpty());

        w.Live(30, 5);
        w.commands.AutoSave();
        const QByteArray logText = CsvTextOf(w.log, w.settings, w.commands.Unreadable());
        if (!blocked) {
            QCOMPARE(ReadAll(path), logText);
            QVERIFY(w.RecoveryFiles().isEmpty());
            return;
        }
        QCOMPARE(ReadAll(path), bytes);
        QCOMPARE(w.RecoveryFiles().size(), 1);
        QCOMPARE(ReadAll(w.recovery.Path()), logText);
        w.Live(30, 1);
        QCOMPARE(w.commands.KeepUnsaved(), w.recovery.Path());  // closing
        QCOMPARE(ReadAll(path), bytes);
        // Save is the user's choice: it writes, and the samples are no longer at risk.
        w.commands.SaveClick();
        QCOMPARE(ReadAll(path), CsvTextOf(w.log, w.settings, w.commands.Unreadable()));
        QVERIFY(w.RecoveryFiles().isEmpty());
        QVERIFY(!w.commands.AutoSaveBlocked());
        QCOMPARE(w.commands.FirstForeignLine(), 0);
        w.Live(31, 1);
        w.commands.AutoSave();
        QCOMPARE(ReadAll(path), CsvTextOf(w.log, w.settings, w.commands.Unreadable()));
    }

    // A header, a blank line and garbage are no samples: not drawn, not in the pane, and the
    // doses count samples only. Save writes them back byte for byte, and minutes logged after
    // go after the last line.
    void unreadableLinesStayWhatTheyWere() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        const QByteArray own = OwnFormWithUnreadableLines();
        QVERIFY(WriteFile(path, own));
        Window w;
        w.Open(path);
        QCOMPARE(w.log.Count(), 12);
        QCOMPARE(w.display.CpmCount(), 12);
        QCOMPARE(w.display.LogCount(), 12);
        QCOMPARE(w.display.LogText(11), "16/03/20, 12:41, 40, 0.0632");
        QCOMPARE(w.commands.UnreadableLines(), 4);
        QCOMPARE(w.commands.FirstUnreadableLine(), 1);
        w.commands.SaveClick();
        QCOMPARE(ReadAll(path), own);
        w.Live(30, 5);
        w.commands.AutoSave();
        QCOMPARE(ReadAll(path), own + "26/12/08, 14:30, 5, 0.0632\r\n");
    }

    // While only live data changes the log and the file is what was written or opened last,
    // the automatic save rewrites the file's end in place (the same file, not a new one), the
    // first time after Open too when the file was in our own form; anything else replaces the
    // file whole. Either way the file holds exactly what Save would write.
    void autoSaveRewritesOnlyTheEnd_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("the growing minute") << "saved"
                                            << "grow" << true;
        QTest::newRow("appended minutes") << "saved"
                                          << "append" << true;
        QTest::newRow("many minutes, saved each") << "saved"
                                                  << "many" << true;
        QTest::newRow("the file changed under us, same size") << "saved"
                                                              << "edited" << false;
        QTest::newRow("the file grew under us") << "saved"
                                                << "appendedByOther" << false;
        QTest::newRow("a settings change") << "saved"
                                           << "settings" << false;
        QTest::newRow("opened, the growing minute") << "opened"
                                                    << "grow" << true;
        QTest::newRow("opened, appended minutes") << "opened"
                                                  << "append" << true;
        QTest::newRow("opened, an earlier line not in our form") << "opened foreign line"
                                                                 << "append" << false;
        QTest::newRow("opened, doses of other settings") << "opened other doses"
                                                         << "append" << false;
        QTest::newRow("opened, then an earlier line changed under us, same size")
            << "opened"
            << "editedEarlier" << false;
    }
    void autoSaveRewritesOnlyTheEnd() {
        QFETCH(QString, start);
        QFETCH(QString, change);
        QFETCH(bool, inPlace);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        Window w;
        if (start == "saved") {
            for (int i = 0; i < 8; ++i) {
                w.Live(i, 30 + i);
            }
            w.dialogs.saveAnswer = path;
            w.commands.SaveAsClick();
        } else {
            SampleLog minutes;
            for (int i = 0; i < 12; ++i) {
                minutes.Append({DateTime::Encode(2026, 12, 8, 14, i), 30 + i});
            }
            QByteArray text = CsvTextOf(
                minutes, start == "opened other doses" ? GraphSettings{0.5, 3} : w.settings);
            if (start == "opened foreign line") {
                text.replace("26/12/08, 14:01, 31\r\n", "26/12/08, 14:01, 31\n");
            }
            QVERIFY(WriteFile(path, text));
            w.Open(path);
        }
        const auto inode = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? IdentityOf(file) : FileIdentity{};
        };
        const auto before = inode();
        QByteArray bytes = ReadAll(path);
        if (change == "edited") {
            bytes[bytes.size() - 3] = '9';
            QVERIFY(WriteFile(path, bytes));
        } else if (change == "editedEarlier") {
            bytes.replace("14:00, 30", "14:00, 39");
            QVERIFY(WriteFile(path, bytes));
        } else if (change == "appendedByOther") {
            QVERIFY(WriteFile(path, bytes + "26/12/08, 14:59, 1\r\n"));
        } else if (change == "settings") {
            w.settings = {0.5, 3};
        }
        const int last = w.log.Count() - 1;
        const int minutes = change == "many" ? 40 : 1;
        for (int i = 0; i < minutes; ++i) {
            w.Live(last + i, 1);
            if (change != "grow") {
                w.Live(last + 1 + i, 2);
            }
            w.commands.AutoSave();
            QCOMPARE(ReadAll(path), CsvTextOf(w.log, w.settings));
        }
        QCOMPARE(inode() == before, inPlace);
        QVERIFY(w.RecoveryFiles().isEmpty());
    }

    // Samples logged without a file are kept in the recovery folder, every minute and before
    // New and Open discard them: exactly the samples, in the file format.
    void samplesInNoFileAreKept() {
        QTemporaryDir dir;
        Window w;
        w.Live(30, 5);
        w.Live(30, 2);
        w.Live(31, 6);
        w.commands.AutoSave();
        QCOMPARE(w.RecoveryFiles(), QStringList{"2026-12-08_1430.csv"});
        const QString first = w.recovery.Path();
        QCOMPARE(ReadAll(first), "26/12/08, 14:30, 7\r\n26/12/08, 14:31, 6\r\n");
        w.Live(32, 1);
        w.commands.NewClick();
        QCOMPARE(w.commands.KeptFile(), first);
        QCOMPARE(ReadAll(first),
                 "26/12/08, 14:30, 7\r\n26/12/08, 14:31, 6\r\n26/12/08, 14:32, 1\r\n");
        QCOMPARE(w.log.Count(), 0);

        // The next log starts in the same minute and still gets a file of its own.
        w.Live(32, 9);
        QVERIFY(WriteFile(dir.filePath("day.csv"), StaleDoseFile()));
        w.Open(dir.filePath("day.csv"));
        const QString second = w.recovery.Folder() + "/2026-12-08_1432.csv";
        QCOMPARE(w.commands.KeptFile(), second);
        QCOMPARE(ReadAll(second), "26/12/08, 14:32, 9\r\n");
        QCOMPARE(w.log.Count(), 12);

        // Samples added to a log nobody saved yet, then Save As: that log's recovery file goes,
        // the files of the discarded logs stay.
        w.commands.NewClick();
        QVERIFY(w.commands.KeptFile().isEmpty());  // nothing was at risk
        w.Live(40, 3);
        w.commands.AutoSave();
        QCOMPARE(w.RecoveryFiles().size(), 3);
        w.dialogs.saveAnswer = dir.filePath("mine.csv");
        w.commands.SaveAsClick();
        QCOMPARE(w.RecoveryFiles(), (QStringList{"2026-12-08_1430.csv", "2026-12-08_1432.csv"}));
        w.commands.NewClick();
        QVERIFY(w.commands.KeptFile().isEmpty());
    }

    // Two programs logging into one recovery folder from the same minute never share a file.
    void twoSessionsNeverShareARecoveryFile() {
        QTemporaryDir dir;
        Window a(dir.path());
        Window b(dir.path());
        a.Live(30, 1);
        b.Live(30, 2);
        a.commands.AutoSave();
        b.commands.AutoSave();
        a.Live(31, 1);
        a.commands.AutoSave();
        QVERIFY(a.recovery.Path() != b.recovery.Path());
        QCOMPARE(ReadAll(a.recovery.Path()), "26/12/08, 14:30, 1\r\n26/12/08, 14:31, 1\r\n");
        QCOMPARE(ReadAll(b.recovery.Path()), "26/12/08, 14:30, 2\r\n");
    }

    // A window holds the recovery file it writes: another window neither offers it nor writes
    // it, and opening it there gives a copy. A file left by a program that ended is offered.
    void aRecoveryFileIsWrittenByOneWindowOnly() {
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        auto a = std::make_unique<Window>(dir.path());
        Window b(dir.path());
        a->Live(30, 1);
        a->commands.AutoSave();
        const QString held = a->recovery.Path();
        QVERIFY(!b.recovery.HasFiles());
        b.Open(held);
        QVERIFY(b.log.Samples() == a->log.Samples());
        QVERIFY(b.commands.CurrentFile().isEmpty());
        QCOMPARE(b.commands.CopyOf(), held);
        b.Live(31, 5);
        b.commands.AutoSave();
        QVERIFY(b.recovery.Path() != held);
        a->Live(31, 1);
        a->commands.AutoSave();
        QCOMPARE(ReadAll(held), "26/12/08, 14:30, 1\r\n26/12/08, 14:31, 1\r\n");
        b.dialogs.saveAnswer = elsewhere.filePath("copy.csv");
        b.commands.SaveAsClick();
        QVERIFY(QFile::exists(held));
        QVERIFY(b.commands.DiscardedRecovery().isEmpty());

        a.reset();
        QCOMPARE(b.recovery.Summaries(2026),
                 QStringList{"2026-12-08_1430.csv: 26/12/08 14:30 - 26/12/08 14:31, 2 分"});
        // A lock whose program has ended, as a crash leaves it.
        QLockFile lock(held + ".lock");
        QVERIFY(lock.tryLock(0));
        QByteArray content = ReadAll(held + ".lock");
        lock.unlock();
        QProcess ended;
#ifdef Q_OS_WIN
        ended.start("cmd", {"/c", "exit"});
#else
        ended.start("true");
#endif
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        content.replace(0, content.indexOf('\n'), QByteArray::number(pid));
        QVERIFY(WriteFile(held + ".lock", content));
        QVERIFY(b.recovery.HasFiles());
    }

    // A recovery file the user opened goes once its samples are in a file of their choice. A
    // log is named after its first sample.
    void recoveryFilesGoOnceSaved() {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("odd.csv"), "16/03/20, 12:30:15, 40\r\n"));
        Window w(dir.filePath("recovery"));
        w.Open(dir.filePath("odd.csv"));
        w.Live(30, 1);
        w.commands.NewClick();
        QCOMPARE(w.RecoveryFiles(), QStringList{"2016-03-20_1230.csv"});
        const QString kept = w.commands.KeptFile();
        w.Open(kept);
        QCOMPARE(w.commands.CurrentFile(), kept);
        QVERIFY(!Window(w.recovery.Folder()).recovery.HasFiles());  // this window holds it
        w.Live(31, 2);
        w.commands.AutoSave();
        QCOMPARE(ReadAll(kept), CsvTextOf(w.log, w.settings));
        w.dialogs.saveAnswer = dir.filePath("mine.csv");
        w.commands.SaveAsClick();
        QCOMPARE(w.commands.DiscardedRecovery(), kept);
        QVERIFY(w.RecoveryFiles().isEmpty());
        QCOMPARE(ReadAll(dir.filePath("mine.csv")), CsvTextOf(w.log, w.settings));
    }

    // Where the samples can be written nowhere, New refuses to discard them.
    void newKeepsTheLogWhenNothingCanHoldIt() {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("file"), "x"));
        Window w(dir.filePath("file/recovery"));  // below a regular file: never writable
        w.Live(30, 5);
        QVERIFY(!ErrorText([&] { w.commands.NewClick(); }).isEmpty());
        QCOMPARE(w.log.Count(), 1);
        QVERIFY(w.commands.Changed());
    }

    void openRecoveryStartsInTheRecoveryFolder() {
        Window w;
        w.dialogs.openAnswer.reset();
        w.commands.OpenRecoveryClick();
        QCOMPARE(w.dialogs.openDirectory, w.recovery.Folder());
        w.commands.OpenClick();
        QCOMPARE(w.dialogs.openDirectory, QString());
    }

    void cancelledDialogsChangeNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("hasCurrentFile");
        QTest::newRow("Open") << "open" << true;
        QTest::newRow("Save As") << "saveAs" << true;
        QTest::newRow("Save without a current file") << "save" << false;
    }
    void cancelledDialogsChangeNothing() {
        QFETCH(QString, command);
        QFETCH(bool, hasCurrentFile);
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QVERIFY(WriteFile(path, StaleDoseFile()));
        Window w;
        w.Open(path);
        if (!hasCurrentFile) {
            w.commands.NewClick();
        }
        w.log.Append({DateTime::Encode(2016, 3, 20, 12, 42), 1});  // not yet drawn
        const QString currentFile = w.commands.CurrentFile();
        const int changes = w.counter.changes;
        w.dialogs.openAnswer.reset();
        if (command == "open") {
            w.commands.OpenClick();
        } else if (command == "saveAs") {
            w.commands.SaveAsClick();
            QCOMPARE(w.dialogs.prefilled, path);
        } else {
            w.commands.SaveClick();
            QCOMPARE(w.dialogs.saveAsked, 1);
        }
        QCOMPARE(w.counter.changes, changes);
        QCOMPARE(w.commands.CurrentFile(), currentFile);
        QCOMPARE(ReadAll(path), StaleDoseFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"log.csv"});
    }

    void failedSaveAsKeepsTheChosenName() {
        QTemporaryDir dir;
        Window w;
        w.log.Append({DateTime::Encode(2016, 3, 20, 12, 30), 40});
        const QString path = dir.filePath("no/such/dir/log.csv");
        w.dialogs.saveAnswer = path;
        const QString text = ErrorText([&] { w.commands.SaveAsClick(); });
        QVERIFY2(text.startsWith(QStringLiteral("ファイル \"%1\" を作成できません。")
                                     .arg(QDir::toNativeSeparators(path))),
                 qPrintable(text));
        QCOMPARE(w.display.LogCount(), 1);  // redrawn before the write failed
        QCOMPARE(w.commands.CurrentFile(), path);
    }

    void autoSaveWritesTheWholeLogWithoutRedrawing() {
        QTemporaryDir dir;
        Window w;
        w.log.Append({DateTime::Encode(2016, 3, 20, 12, 30), 40});
        w.commands.AutoSave();  // no current file: nothing happens
        QCOMPARE(w.dialogs.saveAsked, 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());

        const QString path = dir.filePath("log.csv");
        w.dialogs.saveAnswer = path;
        w.commands.SaveAsClick();
        for (int i = 1; i < 12; ++i) {
            w.log.Append({DateTime::Encode(2016, 3, 20, 12, 30 + i), 40});
        }
        w.commands.MarkChanged();
        const int changes = w.counter.changes;
        w.commands.AutoSave();
        QCOMPARE(w.counter.changes, changes);
        QCOMPARE(ReadAll(path), CsvTextOf(w.log, w.settings));
    }

    void qtNameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("csv") << QString::fromUtf8(kCsvFilter) << "CSVファイル (*.csv)";
        QTest::newRow("two entries, two patterns") << "CSV|*.csv|Text|*.txt;*.log"
                                                   << "CSV (*.csv);;Text (*.txt *.log)";
    }
    void qtNameFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(QtNameFilters(filter), qt);
    }
};

SOLAMINE_TEST(FileCommandsTest)

#include "tst_filecommands.moc"
