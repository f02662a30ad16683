#include "AlarmDialog.h"
#include "AlarmIndicator.h"
#include "ChartPane.h"
#include "ChartView.h"
#include "Click.h"
#include "CsvLog.h"
#include "DateTime.h"
#include "DeviceLink.h"
#include "ErrorBox.h"
#include "FileCommands.h"
#include "GoToDialog.h"
#include "LogView.h"
#include "LoggingSession.h"
#include "DisplayRules.h"
#include "DisplayModel.h"
#include "Main.h"
#include "OverviewStrip.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"
#include "TestFiles.h"
#include "ReportFeed.h"
#include "TestMain.h"
#include "Version.h"
#include "VirtualCounter.h"

#include <qcustomplot.h>
#include <sys/types.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <csignal>
#include <deque>

// Qt's headers bring in windows.h on Windows, whose MessageBox macro would rename the member.
#undef MessageBox
namespace {

class ScriptedDialogs final : public FileDialogs {
public:
    std::deque<std::optional<QString>> Answers;
    QString OpenDirectory;
    std::optional<QString> ChooseOpenFile(const QString& directory) override {
        OpenDirectory = directory;
        return Next();
    }
    std::optional<QString> ChooseSaveFile(const QString&) override { return Next(); }
    std::optional<QString> ChooseImageFile() override { return Next(); }

private:
    std::optional<QString> Next() {
        if (Answers.empty()) {
            return std::nullopt;
        }
        std::optional<QString> answer;
        answer.swap(Answers.front());
        Answers.pop_front();
        return answer;
    }
};

// A log of count minutes from 26/12/07 00:00, counts 0..49 over and over.
QByteArray MinutesFile(int count) {
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        text += DateTime::LogTimeText(DateTime::Encode(2026, 12, 7) + i / 1440.0).toLatin1() +
                ", " + QByteArray::number(i % 50) + "\r\n";
    }
    return text;
}

// One main window over a scripted virtual counter, a pinned clock and prepared file dialogs.
struct Rig {
    QTemporaryDir dir;
    QString iniPath_;
    VirtualCounter* counter = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    double now = DateTime::Encode(2026, 12, 8, 12, 30);
    QStringList errors;
    QStringList messages;
    std::function<bool(TOKRightDlg&)> settingsDialog;
    std::function<bool(AlarmDialog&)> alarmDialog;
    std::function<bool(GoToDialog&)> goToDialog;
    std::unique_ptr<TMainForm> form;

    QString recoveryFolder_;

    explicit Rig(QString iniPath = {}, QString recoveryFolder = {})
        : iniPath_(std::move(iniPath)), recoveryFolder_(std::move(recoveryFolder)) {
        SetErrorBoxHook([this](const QString& text) { errors << text; });
        MainFormOptions options;
        auto backend = std::make_unique<VirtualCounter>();
        counter = backend.get();
        options.Backend = std::move(backend);
        auto fileDialogs = std::make_unique<ScriptedDialogs>();
        dialogs = fileDialogs.get();
        options.Dialogs = std::move(fileDialogs);
        options.IniPath = IniPath();
        options.Now = [this] { return now; };
        options.RunSettingsDialog = [this](TOKRightDlg& d) { return settingsDialog(d); };
        options.MessageBox = [this](const QString& text, const QString&) { messages << text; };
        options.RecoveryFolder = RecoveryFolder();
        options.RunAlarmDialog = [this](AlarmDialog& d) { return alarmDialog(d); };
        options.RunGoToDialog = [this](GoToDialog& d) { return goToDialog(d); };
        form = std::make_unique<TMainForm>(std::move(options));
    }
    ~Rig() {
        form.reset();
        SetErrorBoxHook({});
    }
    QString IniPath() const {
        return iniPath_.isEmpty() ? dir.filePath(QStringLiteral("solamine.ini")) : iniPath_;
    }
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString RecoveryFolder() const {
        return recoveryFolder_.isEmpty() ? dir.filePath(QStringLiteral("recovery"))
                                         : recoveryFolder_;
    }
    QStringList RecoveryFiles() const {
        return QDir(RecoveryFolder()).entryList({"*.csv"}, QDir::Files);
    }

    // A log of count minutes (MinutesFile) opened in the window.
    bool OpenMinutes(int count) {
        if (!WriteFile(Path("long.csv"), MinutesFile(count))) {
            return false;
        }
        form->OpenFile(Path("long.csv"));
        return true;
    }
    bool ShowWindow() {
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }

    // A report at the given minute, through the counter; returns once the window has taken it
    // in. The minute's first report comes at its start, the next ones a second apart; before a
    // later minute, reports of 0 every few seconds up to the end of the last one cover it, as
    // a real counter's reports every second do: each minute reported in is whole.
    double last = 0;
    bool Report(int minute, std::uint16_t count) {
        const double start = DateTime::Encode(2026, 12, 8, 12, minute) + kSecond / 2;
        const double at = last >= start ? last + kSecond : start;
        const double lastEnds = DateTime::TruncateToMinute(last) + 60 * kSecond;
        if (last > 0 && at >= lastEnds) {
            for (double t = last + 5 * kSecond; t < lastEnds - kSecond; t += 5 * kSecond) {
                HandReport(form->Link(), now, t, 0);
            }
            if (last < lastEnds - kSecond / 2) {
                HandReport(form->Link(), now, lastEnds - kSecond / 2, 0);
            }
        }
        now = last = at;
        const int before = form->Samples().Count();
        const std::int32_t lastBefore = before ? form->Samples().Last().Cpm : 0;
        counter->SendCount(count);
        return QTest::qWaitFor([&] {
            const SampleLog& s = form->Samples();
            return s.Count() > before || (s.Count() && s.Last().Cpm != lastBefore) ||
                   (count == 0 && counter->Pending() == 0);
        });
    }
};

// The log's text as its files hold it: the minute still counting is in none.
QByteArray FinishedText(TMainForm& form) {
    SampleLog finished;
    finished.Assign(std::vector<Sample>(form.Samples().Samples()));
    if (form.Session().MinuteRunning()) {
        finished.RemoveLast();
    }
    return CsvTextOf(finished, form.Graph(), form.Files().Unreadable());
}

// True when the process sleeps in an event loop's poll and catches SIGTERM.
bool IdleWithSignalHandler(qint64 pid) {
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    if (!ReadAll(proc + "wchan").contains("poll")) {
        return false;
    }
    for (const QByteArray& line : ReadAll(proc + "status").split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ull << (SIGTERM - 1));
        }
    }
    return false;
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void startsEmptyHiddenAndNotConnected() {
        Rig rig;
        TMainForm& form = *rig.form;
        QCOMPARE(form.windowTitle(),
                 QStringLiteral("ソラミネ Ver ") + QLatin1String(kProgramVersion));
        QCOMPARE(form.Graph().GraphCoefficient, 0.00158);
        QCOMPARE(form.Graph().GraphBackground, 0);
        QCOMPARE(form.Display().CpmCount(), 0);
        QVERIFY(form.Log->isHidden());
        QVERIFY(!form.Link().Connected());
        QVERIFY(!form.Link().ReaderActive());
        QVERIFY(form.StatusText().startsWith("未接続"));
        QVERIFY(rig.counter->Written().empty());
        QVERIFY(!QFile::exists(rig.IniPath()));  // loading never writes
        // Menus as the user sees them: every item enabled, the N3 separator hidden.
        const QList<QAction*> items{form.New,  form.Open,  form.Save, form.SaveAs,
                                    form.Exit, form.Start, form.Stop, form.RedrawGraphs,
                                    form.Hide, form.Show,  form.Set};
        for (QAction* a : items) {
            QVERIFY(a->isEnabled());
        }
        QVERIFY(!form.N3->isVisible());
        QCOMPARE(form.Show->text(), "ログを表示(&S)...");
    }

    void logsSavesAndReopens() {
        Rig rig;
        TMainForm& form = *rig.form;
        form.Start->trigger();
        QVERIFY(form.Link().Connected());
        QCOMPARE(form.Link().DeviceCoefficient, std::uint16_t(158));
        QVERIFY(form.StatusText().startsWith("接続中"));

        for (int minute = 30; minute < 42; ++minute) {
            QVERIFY(rig.Report(minute, 25));
            QVERIFY(rig.Report(minute, 15));  // same minute: merged
        }
        QVERIFY(rig.Report(42, 7));
        QCOMPARE(form.Samples().Count(), 13);
        QCOMPARE(form.Display().CpmCount(), 13);
        QCOMPARE(form.Display().LogCount(), 12);  // the current minute has no line yet
        QCOMPARE(form.Display().LabelAt(0), "26/12/08 12:30");
        QCOMPARE(form.Display().LabelAt(10), "26/12/08 12:40");
        QCOMPARE(form.Display().LabelAt(11), "");
        QCOMPARE(form.Display().LogText(9), "26/12/08, 12:39, 40");
        QCOMPARE(form.Display().LogText(10), "26/12/08, 12:40, 40, 0.0632");

        const QString path = rig.Path("day.csv");
        rig.dialogs->Answers.push_back(path);
        form.SaveAs->trigger();
        QCOMPARE(form.CurrentFile(), path);
        QByteArray expected;
        // 12:42 is still counting: no file holds it yet.
        for (int minute = 30; minute < 42; ++minute) {
            expected += QStringLiteral("26/12/08, 12:%1, 40").arg(minute).toLatin1();
            if (minute >= 40) {
                expected += ", 0.0632";
            }
            expected += "\r\n";
        }
        QCOMPARE(ReadAll(path), expected);
        QVERIFY(form.StatusText().contains(QDir::toNativeSeparators(path)));

        form.New->trigger();
        QCOMPARE(form.Samples().Count(), 1);  // the minute being counted goes on
        QCOMPARE(form.Display().CpmCount(), 1);
        QCOMPARE(form.Display().LogCount(), 0);
        QVERIFY(form.CurrentFile().isEmpty());

        rig.dialogs->Answers.push_back(path);
        form.Open->trigger();
        QCOMPARE(form.CurrentFile(), path);
        // The running minute goes on in the opened log, after its lines.
        QCOMPARE(form.Samples().Count(), 13);
        QCOMPARE(form.Display().LogCount(), 12);
        QCOMPARE(form.Display().LogText(11), "26/12/08, 12:41, 40, 0.0632");
        QCOMPARE(form.Samples().Last(), Sample({DateTime::Encode(2026, 12, 8, 12, 42), 7}));
        QVERIFY(rig.errors.isEmpty());
    }

    // A file opened before logging: its last line stays as it is, and live minutes follow it.
    void openedLogGoesOnLive() {
        Rig rig;
        TMainForm& form = *rig.form;
        const QString path = rig.Path("yesterday.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int minute = 0; minute < 12; ++minute) {
            file.write(QStringLiteral("26/12/07, 23:%1, 30\r\n").arg(48 + minute).toLatin1());
        }
        file.close();
        form.OpenFile(path);
        QCOMPARE(form.Display().LogCount(), 12);
        form.Start->trigger();
        QVERIFY(rig.Report(47, 7));
        QVERIFY(rig.Report(48, 3));
        QCOMPARE(form.Display().LogCount(), 13);
        QCOMPARE(form.Display().LogText(11), "26/12/07, 23:59, 30, 0.0474");
        QCOMPARE(form.Display().LogText(12), "26/12/08, 12:47, 7, 0.043766");
    }

    // Save and Save As while a minute is counting change nothing that is shown: the pane, the
    // points and the readings go on as in a window that never saved, and the file gets the
    // minute once it is finished.
    void savingMidMinuteShowsWhatLoggingShows_data() {
        QTest::addColumn<bool>("saveAs");
        QTest::newRow("Save As") << true;
        QTest::newRow("Save") << false;
    }
    void savingMidMinuteShowsWhatLoggingShows() {
        QFETCH(bool, saveAs);
        Rig saved;
        Rig unsaved;
        const QString path = saved.Path("now.csv");
        if (!saveAs) {
            QVERIFY(WriteFile(path, {}));
            saved.form->OpenFile(path);
        }
        for (Rig* rig : {&saved, &unsaved}) {
            rig->form->Start->trigger();
            for (int minute = 30; minute < 44; ++minute) {
                QVERIFY(rig->Report(minute, 20));
                QVERIFY(rig->Report(minute, 5));
                if (rig == &saved && minute == 41) {
                    saved.dialogs->Answers.push_back(path);
                    (saveAs ? saved.form->SaveAs : saved.form->Save)->trigger();
                    QCOMPARE(ReadAll(path).count("\r\n"), 11);  // 12:30 to 12:40
                }
            }
        }
        const DisplayModel& a = saved.form->Display();
        const DisplayModel& b = unsaved.form->Display();
        QCOMPARE(a.LogCount(), 13);
        for (int i = 0; i < b.LogCount(); ++i) {
            QCOMPARE(a.LogText(i), b.LogText(i));
        }
        QCOMPARE(a.CpmValues(), b.CpmValues());
        QCOMPARE(a.DoseValues().size(), b.DoseValues().size());
        QCOMPARE(a.DoseValues().back(), b.DoseValues().back());
        saved.form->FileTimerTimer();
        QCOMPARE(ReadAll(path), FinishedText(*saved.form));
        QCOMPARE(ReadAll(path).count("\r\n"), 13);
        // The settings dialog's redraw, too, leaves the running minute running.
        saved.form->RedrawGraph();
        QCOMPARE(a.LogCount(), 13);
        QCOMPARE(a.CpmValues(), b.CpmValues());
        QVERIFY(saved.Report(44, 1));
        QCOMPARE(a.LogText(13), "26/12/08, 12:43, 25, 0.0395");
    }

    // A file opened while logging replaces the log; the minute being counted goes on in it
    // after its lines, each line shows once, and nothing of the file is published.
    void openWhileLogging() {
        Rig rig;
        TMainForm& form = *rig.form;
        QStringList logged;
        QObject::connect(&form.Session(), &LoggingSession::MinuteLogged,
                         [&](const LogRecord& r) { logged << LogLine(r); });
        form.Start->trigger();
        QVERIFY(rig.Report(30, 5));
        QVERIFY(rig.Report(31, 6));
        QVERIFY(rig.OpenMinutes(12));
        QCOMPARE(form.Display().LogCount(), 12);
        QCOMPARE(form.Samples().Count(), 13);
        QVERIFY(rig.Report(31, 4));
        QVERIFY(rig.Report(32, 1));
        QCOMPARE(form.Display().LogCount(), 13);
        QCOMPARE(form.Display().LogText(11), "26/12/07, 00:11, 11, 0.00869");
        QCOMPARE(form.Display().LogText(12), "26/12/08, 12:31, 10, 0.011534");
        QCOMPARE(form.Display().CpmCount(), 14);
        // Published: the minutes the counter finished, 12:31 dosed by the opened file's lines.
        QCOMPARE(logged, QStringList({"26/12/08, 12:30, 5", "26/12/08, 12:31, 10, 0.01027"}));
        QVERIFY(rig.errors.isEmpty());
    }

    void hideShowAndHold() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.ShowWindow());
        form.Show->trigger();
        form.Show->trigger();
        QVERIFY(form.Log->isVisible());
        QTRY_VERIFY(form.Splitter->handle(1)->isVisible());
        form.Hide->trigger();
        form.Hide->trigger();
        QVERIFY(!form.Log->isVisible());
        QTRY_VERIFY(!form.Splitter->handle(1)->isVisible());
        form.Show->trigger();
        // The bar lies between chart and pane again, and the pane has its height back.
        QTRY_VERIFY(form.Splitter->handle(1)->isVisible());
        const QWidget* bar = form.Splitter->handle(1);
        // The chart and the overview strip under it are the splitter's upper pane.
        const QWidget* chartPane = form.Splitter->widget(0);
        QVERIFY(chartPane->isAncestorOf(form.Chart));
        QTRY_COMPARE(form.Log->geometry().top(),
                     chartPane->geometry().bottom() + 1 + form.Splitter->handleWidth());
        QCOMPARE(form.Splitter->handleWidth(), 3);
        QVERIFY(bar->geometry().center().y() > chartPane->geometry().bottom());
        QVERIFY(bar->geometry().center().y() < form.Log->geometry().top());
        QCOMPARE(form.Log->height(), 64);

        QCOMPARE(form.Log->Tag(), 0);
        QTest::mouseDClick(form.Log->viewport(), Qt::LeftButton);
        QCOMPARE(form.Log->Tag(), 1);
        QTest::mouseDClick(form.Log->viewport(), Qt::LeftButton);
        QCOMPARE(form.Log->Tag(), 0);
    }

    // Logging goes on across a replug, but the minute the counter was away in is not kept: its
    // counts are not whole. Stop while waiting ends the wish.
    void keepsLoggingAcrossAReplug() {
        Rig rig;
        TMainForm& form = *rig.form;
        form.Start->trigger();
        QVERIFY(rig.Report(30, 5));
        rig.counter->Unplug();
        QTRY_VERIFY(form.StatusText().startsWith("再接続待ち"));
        rig.counter->SetSettings(200, 3);
        rig.counter->Replug();
        QTRY_VERIFY(form.StatusText().startsWith("接続中"));
        QCOMPARE(form.Link().DeviceCoefficient, std::uint16_t(200));  // read afresh
        QVERIFY(rig.Report(30, 6));
        QVERIFY(rig.Report(31, 7));
        QCOMPARE(form.Samples().Count(), 1);
        QCOMPARE(form.Samples().Last().Cpm, 7);
        QCOMPARE(form.Display().CpmCount(), 1);
        QVERIFY(form.LeftOutText().startsWith("26/12/08 12:30 の 1 分は"));

        rig.counter->Unplug();
        QTRY_VERIFY(form.StatusText().startsWith("再接続待ち"));
        form.Stop->trigger();
        QVERIFY(form.StatusText().startsWith("未接続"));
        QSignalSpy notices(&form.Link(), &DeviceLink::DeviceChanged);
        rig.counter->Replug();
        QVERIFY(notices.wait());
        QVERIFY(form.StatusText().startsWith("未接続"));
        QVERIFY(!form.Link().ReaderActive());
    }

    void closingWhileLoggingSavesSettingsAndStopsTheReader() {
        Rig rig;
        TMainForm& form = *rig.form;
        form.show();
        form.Start->trigger();
        QVERIFY(rig.Report(30, 5));
        const size_t written = rig.counter->Written().size();
        form.close();
        QVERIFY(!form.Link().ReaderActive());
        QCOMPARE(rig.counter->Written().size(), written);  // nothing sent at the end
        const QByteArray ini = ReadAll(rig.IniPath());
        QVERIFY(ini.contains("[Graph]"));
        QVERIFY(ini.contains("uSv=0.00158"));
        QVERIFY(ini.contains("BackGround=0"));
        QVERIFY(rig.errors.isEmpty());
    }

    void settingsThatCannotBeSavedStillStopTheReader() {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("file"), "x"));
        // A path below a regular file can never be written, not even by root.
        Rig rig(dir.filePath("file/solamine.ini"));
        TMainForm& form = *rig.form;
        form.Start->trigger();
        form.close();
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY(rig.errors[0].endsWith(QStringLiteral("に書き込めません.")));
        QVERIFY(!form.Link().ReaderActive());
    }

    void terminationSignalClosesLikeTheCloseButton() {
#ifdef Q_OS_WIN
        QSKIP("POSIX signals; the Windows session's end is WindowMessagesTest's");
#endif
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.ShowWindow());
        form.Start->trigger();
        std::raise(SIGTERM);
        QTRY_VERIFY(!form.isVisible());
        QVERIFY(!form.Link().ReaderActive());
        QVERIFY(ReadAll(rig.IniPath()).contains("uSv=0.00158"));
        QVERIFY(rig.errors.isEmpty());
    }

    void closingDuringAnEndlessWaitEnds() {
        Rig rig;
        TMainForm& form = *rig.form;
        form.show();
        rig.counter->SetAnswering(false);
        QTimer::singleShot(200, &form, [&] { form.close(); });
        form.StartClick();  // returns only because the close ended the wait
        QVERIFY(!form.Link().Waiting());
        QVERIFY(!form.Link().ReaderActive());
    }

    void errorsAreShownAndTheProgramGoesOn() {
        Rig rig;
        TMainForm& form = *rig.form;
        const QString missing = rig.Path("missing.csv");
        rig.dialogs->Answers.push_back(missing);
        form.Open->trigger();
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY(rig.errors[0].startsWith(QStringLiteral("ファイル ")));
        QVERIFY(rig.errors[0].contains(QStringLiteral("は開けません。")));
        QVERIFY(form.CurrentFile().isEmpty());
        form.RedrawGraphs->trigger();  // still alive
        QCOMPARE(rig.errors.size(), 1);
    }

    void settingsReachTheCounter() {
        Rig rig;
        TMainForm& form = *rig.form;
        form.Start->trigger();
        rig.settingsDialog = [](TOKRightDlg& d) {
            d.FormShow();
            d.Edit1->setText("0.002");
            d.Edit3->setText("0.00258");  // 258: sent low byte first
            d.Edit4->setText("513");
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        form.Set->trigger();
        QCOMPARE(form.Graph().GraphCoefficient, 0.002);
        QCOMPARE(form.Link().DeviceCoefficient, std::uint16_t(258));
        const auto written = rig.counter->Written();
        QVERIFY(written.size() >= 3);
        const Transfer& c1 = written[written.size() - 2];
        const Transfer& c3 = written.back();
        QCOMPARE(int(c1[5]), 1);
        QCOMPARE(int(c3[5]), 3);
        QCOMPARE(int(c3[8]), 2);  // 258 = 0x0102, low byte first
        QCOMPARE(int(c3[9]), 1);
        QCOMPARE(int(c3[10]), 1);  // 513 = 0x0201
        QCOMPARE(int(c3[11]), 2);
        QCOMPARE(rig.counter->Coefficient(), std::uint16_t(258));
        QVERIFY(rig.messages.isEmpty());

        form.Stop->trigger();
        rig.settingsDialog = [](TOKRightDlg& d) {
            d.FormShow();
            d.Edit4->setText("7");
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        form.Set->trigger();
        QCOMPARE(rig.messages, QStringList{"接続されていません。"});
        QCOMPARE(form.Link().DeviceBackground, std::uint16_t(513));
    }

    // The dialog opened while the counter was away; it comes back and its handshake reads
    // 300/9 while the dialog shows 158/0, before or after the dialog shows the new values. Only
    // what the user typed reaches the counter.
    void settingsAcrossAReconnect_data() {
        QTest::addColumn<bool>("shown");           // the dialog showed 300/9 before the edit
        QTest::addColumn<QString>("coefficient");  // typed into Edit3; empty: left as shown
        QTest::addColumn<QString>("background");   // typed into Edit4
        QTest::addColumn<int>("commands3");
        QTest::addColumn<int>("counterCoefficient");
        QTest::addColumn<int>("counterBackground");
        QTest::newRow("unedited") << false << QString() << QString() << 0 << 300 << 9;
        QTest::newRow("unedited, new values shown")
            << true << QString() << QString() << 0 << 300 << 9;
        QTest::newRow("coefficient edited")
            << true << QString("0.00258") << QString() << 1 << 258 << 9;
        QTest::newRow("old coefficient typed again")
            << true << QString("0.00158") << QString() << 1 << 158 << 9;
        QTest::newRow("background edited") << false << QString() << QString("7") << 1 << 300 << 7;
        QTest::newRow("both edited") << false << QString("0.0001") << QString("5") << 1 << 10 << 5;
    }
    void settingsAcrossAReconnect() {
        QFETCH(bool, shown);
        QFETCH(QString, coefficient);
        QFETCH(QString, background);
        QFETCH(int, commands3);
        QFETCH(int, counterCoefficient);
        QFETCH(int, counterBackground);
        Rig rig;
        TMainForm& form = *rig.form;
        form.Start->trigger();
        QCOMPARE(form.Link().DeviceCoefficient, std::uint16_t(158));
        rig.counter->Unplug();
        QTRY_VERIFY(form.StatusText().startsWith("再接続待ち"));
        rig.counter->SetSettings(300, 9);
        const auto commands3Written = [&] {
            const auto written = rig.counter->Written();
            return int(std::count_if(written.begin(), written.end(),
                                     [](const Transfer& t) { return t[5] == 3; }));
        };
        bool reconnected = false;
        rig.settingsDialog = [&](TOKRightDlg& d) {
            d.FormShow();
            rig.counter->Replug();
            reconnected = QTest::qWaitFor([&] {
                return form.Link().Connected() && form.Link().DeviceBackground == 9 &&
                       (!shown || d.Edit3->text() == "0.003");
            });
            if (shown && d.Edit4->text() != "9") {
                return false;
            }
            if (!coefficient.isEmpty()) {
                d.Edit3->setText(coefficient);
            }
            if (!background.isEmpty()) {
                d.Edit4->setText(background);
            }
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        form.Set->trigger();
        QVERIFY(reconnected);
        QCOMPARE(commands3Written(), commands3);
        QCOMPARE(int(rig.counter->Coefficient()), counterCoefficient);
        QCOMPARE(int(rig.counter->Background()), counterBackground);
        QCOMPARE(int(form.Link().DeviceCoefficient), counterCoefficient);
        QCOMPARE(int(form.Link().DeviceBackground), counterBackground);
        QVERIFY(rig.messages.isEmpty());
    }

    void autosaveWritesEveryTickAndReportsFailures() {
        SOLAMINE_MOUNTS_AS_ROOT();
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(!form.FileTimer->isActive());
        form.Start->trigger();
        QVERIFY(rig.Report(30, 5));
        const QString path = rig.Path("auto.csv");
        rig.dialogs->Answers.push_back(path);
        form.SaveAs->trigger();
        QVERIFY(form.FileTimer->isActive());
        QCOMPARE(form.FileTimer->interval(), 60000);
        QVERIFY(rig.Report(31, 6));
        form.FileTimerTimer();
        QCOMPARE(ReadAll(path), QByteArray("26/12/08, 12:30, 5\r\n"));  // 12:31 is counting
        QVERIFY(rig.Report(32, 1));
        form.FileTimerTimer();
        QCOMPARE(ReadAll(path), QByteArray("26/12/08, 12:30, 5\r\n26/12/08, 12:31, 6\r\n"));

        // A target that cannot be written: the old file stays, the status bar says so.
        const QString mount = rig.Path("ro");
        QDir().mkpath(mount);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) != 0) {
            QSKIP("cannot mount a tmpfs here");
        }
        const QString target = mount + "/auto.csv";
        rig.dialogs->Answers.push_back(target);
        form.SaveAs->trigger();
        const QByteArray before = ReadAll(target);
        if (!RemountReadOnly(mount)) {
            QProcess::execute("umount", {mount});
            QSKIP("cannot make the tmpfs read-only here");
        }
        QVERIFY(rig.Report(33, 7));
        form.FileTimerTimer();
        const QByteArray after = ReadAll(target);
        QProcess::execute("umount", {mount});
        QCOMPARE(after, before);
        // A short text that fits the default width; the reason is in the tooltip.
        QVERIFY(form.StatusText().endsWith("自動保存に失敗しました"));
        QVERIFY(form.StatusToolTip().contains(QStringLiteral("を作成できません。")));
        QVERIFY(rig.errors.isEmpty());  // no modal box for an autosave
        // Meanwhile the samples wait in the recovery folder.
        QCOMPARE(rig.RecoveryFiles().size(), 1);
        QCOMPARE(ReadAll(rig.RecoveryFolder() + u'/' + rig.RecoveryFiles()[0]), FinishedText(form));
    }

    // A file that was only opened, ticked over and closed stays byte for byte as it was.
    void openedFileStaysAsItWas_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("notice");
        QTest::newRow("unreadable lines")
            << QByteArray("26/12/08, 12:20, 40\r\ndate, time, cpm\r\n\r\n26/12/08, 12:21, 41\r\n")
            << "読み取れない行: 2 (最初は 2 行目)";
        QTest::newRow("four-digit years and seconds")
            << QByteArray("2026/12/08, 12:20, 40\n1960/05/01, 00:00:30, 3\n")
            << "自動保存しません: 秒や4桁の年を含むファイル (最初は 2 行目)";
        QTest::newRow("four-digit years inside the hundred")
            << QByteArray("2026/12/08, 12:20, 40\n1976/05/01, 00:00, 3\n") << "";
        QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                   << "読み取れない行: 4 (最初は 1 行目)";
    }
    void openedFileStaysAsItWas() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, notice);
        Rig rig;
        TMainForm& form = *rig.form;
        const QString path = rig.Path("theirs.csv");
        QVERIFY(WriteFile(path, bytes));
        form.OpenFile(path);
        QVERIFY2(form.StatusText().endsWith(notice), qPrintable(form.StatusText()));
        form.FileTimerTimer();
        QCOMPARE(ReadAll(path), bytes);

        // Live data: the log is written where the file read cleanly, and kept aside otherwise.
        form.Start->trigger();
        QVERIFY(rig.Report(30, 5));
        form.FileTimerTimer();  // a minute still counting changes no file
        QCOMPARE(ReadAll(path), bytes);
        QVERIFY(rig.RecoveryFiles().isEmpty());
        QVERIFY(rig.Report(31, 2));
        form.FileTimerTimer();
        if (notice.isEmpty()) {
            QCOMPARE(ReadAll(path), FinishedText(form));
            QVERIFY(rig.RecoveryFiles().isEmpty());
        } else {
            QCOMPARE(ReadAll(path), bytes);
            QCOMPARE(rig.RecoveryFiles().size(), 1);
        }
        QVERIFY(rig.Report(32, 2));
        // The close ends 12:32 partial: the kept log is what was finished before it.
        const QByteArray logText = FinishedText(form);
        form.close();
        if (!notice.isEmpty()) {
            QCOMPARE(ReadAll(path), bytes);
            QCOMPARE(ReadAll(rig.RecoveryFolder() + u'/' + rig.RecoveryFiles().value(0)), logText);
        }
        QVERIFY(rig.errors.isEmpty());
    }

    // Logging without a file: the samples are kept every minute, and before New and closing
    // discard them; a later start says where they are.
    void samplesInNoFileAreKept() {
        QTemporaryDir recovery;
        {
            Rig rig({}, recovery.path());
            TMainForm& form = *rig.form;
            QVERIFY(!form.OpenRecovery->isEnabled());
            form.Start->trigger();
            QVERIFY(rig.Report(30, 5));
            QVERIFY(!form.FileTimer->isActive());  // nothing finished, nothing at risk
            QVERIFY(rig.Report(31, 6));
            QVERIFY(form.FileTimer->isActive());
            form.FileTimerTimer();
            const QString kept = recovery.filePath("2026-12-08_1230.csv");
            QCOMPARE(ReadAll(kept), "26/12/08, 12:30, 5\r\n");
            QVERIFY(rig.Report(32, 7));
            QVERIFY(rig.Report(33, 1));
            const QByteArray all = FinishedText(form);
            form.New->trigger();
            QCOMPARE(ReadAll(kept), all);
            QVERIFY(form.StatusText().contains(QStringLiteral("未保存のログを保存しました: ") +
                                               QDir::toNativeSeparators(kept)));
            QVERIFY(form.OpenRecovery->isEnabled());
            // The minute being counted goes on in the new log.
            QCOMPARE(form.Samples().Count(), 1);

            QVERIFY(rig.Report(40, 1));
            QVERIFY(rig.Report(41, 1));
            form.close();  // the last samples too, in a file of their own
            QCOMPARE(ReadAll(recovery.filePath("2026-12-08_1233.csv")),
                     "26/12/08, 12:33, 1\r\n26/12/08, 12:40, 1\r\n");
            QVERIFY(rig.errors.isEmpty());
        }
        Rig rig({}, recovery.path());
        TMainForm& form = *rig.form;
        QVERIFY(form.StatusText().contains(QStringLiteral("復元できるログがあります")));
        QVERIFY(form.StatusToolTip().contains(
            QStringLiteral("2026-12-08_1230.csv: 26/12/08 12:30 - 26/12/08 12:32, 3 分")));
        QVERIFY(form.OpenRecovery->isEnabled());
        const QString kept = recovery.filePath("2026-12-08_1230.csv");
        rig.dialogs->Answers.push_back(kept);
        form.OpenRecovery->trigger();
        QCOMPARE(rig.dialogs->OpenDirectory, recovery.path());
        QCOMPARE(form.CurrentFile(), kept);
        QCOMPARE(form.Samples().Count(), 3);
        QVERIFY(!form.StatusText().contains(QStringLiteral("復元できるログがあります")));

        // Saved where the user chose: that log's recovery file goes, the others stay.
        form.Start->trigger();
        QVERIFY(rig.Report(50, 2));
        rig.dialogs->Answers.push_back(rig.Path("mine.csv"));
        form.New->trigger();  // nothing finished since it was opened: nothing new is kept
        QVERIFY(!form.StatusText().contains(QStringLiteral("未保存のログ")));
        QCOMPARE(ReadAll(kept).count("\r\n"), 3);
        QVERIFY(rig.Report(51, 2));
        form.FileTimerTimer();
        QCOMPARE(QDir(recovery.path()).entryList({"*.csv"}, QDir::Files).size(), 3);
        form.SaveAs->trigger();
        QCOMPARE(QDir(recovery.path()).entryList({"*.csv"}, QDir::Files).size(), 2);
        QVERIFY(rig.errors.isEmpty());
    }

    // The alarm set through its dialog follows the whole minutes with their file dose, as the
    // station's does: the minute that reaches the threshold raises it, in red, with a
    // notification and a beep each minute at or above it; ten minutes below end it with a
    // second notification. The minute logging started in, not counted whole, counts for nothing.
    void doseAlarm() {
        Rig rig;
        TMainForm& form = *rig.form;
        QStringList notifications;
        int beeps = 0;
        form.AlarmState().Notify = [&](const DesktopNotice& notice) {
            notifications << notice.Summary + QStringLiteral(": ") + notice.Body;
        };
        form.AlarmState().Beep = [&] { ++beeps; };
        rig.alarmDialog = [](AlarmDialog& d) {
            d.FormShow();
            d.Threshold->setText("0.06");
            d.Sound->setChecked(true);
            d.OKBtnClick();
            return d.result() == QDialog::Accepted;
        };
        form.Alarm->trigger();
        auto minutes = [&](int from, int count, std::uint16_t cpm) {
            HandMinutes(form.Link(), rig.now, DateTime::Encode(2026, 12, 8, 12, from) + kSecond / 2,
                        count, cpm);
        };
        // A partial minute of a high count first: no alarm, and not among the ten lines.
        HandReport(form.Link(), rig.now, DateTime::Encode(2026, 12, 8, 12, 29, 30), 900);
        minutes(30, 11, 40);
        QVERIFY(!form.StatusText().contains(QStringLiteral("警報")));
        QCOMPARE(beeps, 0);
        minutes(41, 1, 40);  // 12:40 is recorded at 0.0632 µSv/h, over 12:30 to 12:39
        const QString raised = QStringLiteral("警報: 0.063 µSv/h (26/12/08 12:40)");
        QVERIFY2(form.StatusText().contains(raised), qPrintable(form.StatusText()));
        QCOMPARE(notifications,
                 QStringList{QStringLiteral("線量率の警報: 0.063 µSv/h (2026/12/08 12:40)")});
        QCOMPARE(beeps, 1);
        minutes(42, 2, 40);
        minutes(44, 1, 0);  // 12:43 is recorded above too: four beeps
        QCOMPARE(beeps, 4);
        minutes(45, 10, 0);  // 12:44 over ten minutes of 40 is the last above
        QCOMPARE(beeps, 5);
        QVERIFY(form.AlarmState().Alarm().Raised());
        minutes(55, 1, 0);  // 12:54 is recorded ten minutes after 12:44
        QVERIFY(!form.AlarmState().Alarm().Raised());
        QVERIFY(!form.StatusText().contains(QStringLiteral("警報")));
        QCOMPARE(notifications.size(), 2);
        QCOMPARE(notifications[1],
                 QStringLiteral("線量率の警報が解除されました: 0.00 µSv/h (2026/12/08 12:54)"));
        QCOMPARE(beeps, 5);
        // The window's log shows its live minutes as ever, the partial 12:29 not among them.
        QCOMPARE(form.Display().LogText(0), "26/12/08, 12:30, 40");
        QCOMPARE(form.Display().LogText(12), "26/12/08, 12:42, 40, 0.0632");
        form.close();
        QVERIFY(ReadAll(rig.IniPath()).contains("[Alarm]\r\nuSv=0.06\r\nSound=1\r\n"));
    }

    // Keys on the chart move it a page, ten points, to either end.
    void chartKeys() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.OpenMinutes(2000));
        QVERIFY(rig.ShowWindow());
        form.Chart->setFocus();
        const std::pair<Qt::Key, int> steps[] = {{Qt::Key_Home, 0},      {Qt::Key_PageDown, 360},
                                                 {Qt::Key_Right, 370},   {Qt::Key_Left, 360},
                                                 {Qt::Key_Left, 350},    {Qt::Key_End, 1640},
                                                 {Qt::Key_PageUp, 1280}, {Qt::Key_PageDown, 1640}};
        for (const auto& [key, start] : steps) {
            QTest::keyClick(form.Chart, key);
            QCOMPARE(form.ChartArea().PageStart(), start);
        }
        QVERIFY(form.ChartArea().Following());
    }

    // Ctrl+T shows the day summary of the log; a double-click goes to the day's first minute;
    // the table is saved as CSV by the period shown.
    void summaries() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.OpenMinutes(3000));
        QVERIFY(rig.ShowWindow());
        QTest::keyClick(&form, Qt::Key_T, Qt::ControlModifier);
        SummaryWindow* window = form.Summaries();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->Model().rowCount(), 3);
        emit window->Table->doubleClicked(window->Model().index(1, 0));
        QCOMPARE(form.ChartArea().PageStart(), 1440);

        window->PeriodBox->setCurrentIndex(2);
        rig.dialogs->Answers.push_back(rig.Path("month.csv"));
        form.SaveSummary->trigger();
        QCOMPARE(ReadAll(rig.Path("month.csv")).split('\n').value(1),
                 "2026-12,3000,6.7,24.50,0,49,2026-12-07 00:49,0.0387,1.9355\r");
    }

    // The overview strip: the page is its band; a click moves the page there, dragging the band
    // moves it along, and the band follows the live end.
    void overviewStrip() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.OpenMinutes(5000));
        QVERIFY(rig.ShowWindow());
        OverviewStrip& strip = form.ChartWithOverview().Strip();
        QCOMPARE(strip.height(), OverviewStrip::kHeight);
        QVERIFY(strip.PageRect().right() >= strip.width() * 7 / 10);  // the newest page
        QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(strip.width() / 4, 20));
        const int clicked = form.ChartArea().PageStart();
        QVERIFY2(clicked > 1000 && clicked < 1800, qPrintable(QString::number(clicked)));
        QVERIFY(std::abs(strip.PageRect().center().x() - strip.width() / 4) < 8);
        const QPoint grab = strip.PageRect().center();
        QTest::mousePress(&strip, Qt::LeftButton, {}, grab);
        QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(40, 0)),
                         QPointF(strip.mapToGlobal(grab + QPoint(40, 0))), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&strip, &move);
        QTest::mouseRelease(&strip, Qt::LeftButton, {}, grab + QPoint(40, 0));
        QVERIFY(form.ChartArea().PageStart() > clicked + 200);
        QVERIFY(form.ChartWithOverview().PageCaption().startsWith(QStringLiteral("平均 ")));

        QTest::keyClick(form.Chart, Qt::Key_End);
        form.Start->trigger();
        QVERIFY(rig.Report(30, 7));  // a new minute at the end of the log
        QCOMPARE(form.ChartArea().PageStart(), 5001 - 360);
        QVERIFY(strip.PageRect().right() >= strip.width() * 7 / 10);
    }

    // Go to a time: the page starts at the first sample at or after it; a time that does not
    // parse or has nothing after it is said in the dialog.
    void goToATime() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.OpenMinutes(2000));
        QStringList reasons;
        rig.goToDialog = [&](GoToDialog& d) {
            for (const char* text : {"yesterday", "27/01/01", "26/12/07, 10:30"}) {
                d.Time->setText(text);
                d.OKBtnClick();
                if (d.result() == QDialog::Accepted) {
                    return true;
                }
                reasons << d.Reason->text();
            }
            return false;
        };
        QCOMPARE(form.GoTo->shortcut(), QKeySequence("Ctrl+G"));
        form.GoTo->trigger();
        QCOMPARE(reasons.size(), 2);
        QVERIFY(reasons[0].contains("yy/mm/dd"));
        QVERIFY(!reasons[1].isEmpty());
        QCOMPARE(form.ChartArea().PageStart(), 630);  // 10:30 is minute 630
        QVERIFY(!form.ChartArea().Following());
    }

    // A double-click on a log line, delivered as the window system does (its first click
    // included), only inverts LogHold: the chart keeps following the newest minutes. A single
    // click shows the line's sample once no second click followed; hovering shows the values
    // under the mouse.
    void logClickAndHover() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.OpenMinutes(2000));
        form.resize(form.width(), 600);
        QVERIFY(rig.ShowWindow());
        form.Show->trigger();
        form.Log->verticalScrollBar()->setValue(0);
        const int newest = form.ChartArea().PageStart();
        QVERIFY(newest > 1000);
        QWidget* area = form.Log->viewport();
        const QPoint line3 = form.Log->LineRect(3).center();
        QTest::mousePress(area, Qt::LeftButton, {}, line3);
        QTest::mouseRelease(area, Qt::LeftButton, {}, line3);
        QTest::mousePress(area, Qt::LeftButton, {}, line3);
        QTest::mouseDClick(area, Qt::LeftButton, {}, line3);
        QTest::mouseRelease(area, Qt::LeftButton, {}, line3);
        QTRY_VERIFY(!form.Log->ClickPending());
        QCOMPARE(form.Log->Tag(), 1);
        QCOMPARE(form.ChartArea().PageStart(), newest);
        QVERIFY(form.ChartArea().Following());

        QTest::mouseClick(area, Qt::LeftButton, {}, line3);
        QCOMPARE(form.ChartArea().PageStart(), newest);  // not before the interval is over
        QTRY_COMPARE(form.ChartArea().PageStart(), 0);   // sample 3 in the middle: the first page
        QCOMPARE(form.Log->Tag(), 1);                    // a click is not a double-click

        QTRY_VERIFY(form.Chart->axisRect()->rect().width() > 100);
        const QPoint at(int(form.Chart->xAxis->coordToPixel(100)),
                        form.Chart->axisRect()->rect().center().y());
        QTest::mouseMove(form.Chart, at);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), "26/12/07 01:40\n0 CPM\n0.07 µSv/h");  // 40..49 before it
    }

    void helpMenu() {
        Rig rig;
        TMainForm& form = *rig.form;
        const QList<QAction*> items = form.Help->actions();
        QCOMPARE(form.Help->title(), "ヘルプ(&H)");
        QCOMPARE(items.size(), 2);
        items[0]->trigger();
        items[1]->trigger();
        QCOMPARE(rig.messages.size(), 2);
        QVERIFY(rig.messages[0].contains("udev") && rig.messages[0].contains("--simulate"));
        QVERIFY(rig.messages[1].contains(QStringLiteral("ソラミネ Ver ") +
                                         QLatin1String(kProgramVersion)));
        QVERIFY(rig.messages[1].contains("QCustomPlot 2.") &&
                rig.messages[1].contains("hidapi 0."));
        // The same hint behind the status when no counter answers Start.
        rig.counter->Unplug();
        form.Start->trigger();
        QVERIFY(form.StatusText().startsWith(QStringLiteral("カウンタが見つかりません")));
        QCOMPARE(form.LinkToolTip(), rig.messages[0]);
    }

    void chartAsPicture() {
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.ShowWindow());
        form.Start->trigger();
        QVERIFY(rig.Report(30, 12));
        const QString png = rig.Path("chart.png");
        const QString pdf = rig.Path("chart.PDF");
        rig.dialogs->Answers = {png, pdf, rig.Path("no/such/dir/chart.png"), std::nullopt};
        form.SaveImage->trigger();
        form.SaveImage->trigger();
        form.SaveImage->trigger();
        form.SaveImage->trigger();  // cancelled: nothing
        const QImage image(png);
        QCOMPARE(image.size(), form.Chart->size());
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY(rig.errors[0].contains(QStringLiteral("を作成できません。")));
    }

    // SIGTERM with a modal dialog open closes the dialog as its close box would, then the
    // window as its close button does.
    void signalClosesAModalDialogAndTheWindow() {
#ifdef Q_OS_WIN
        QSKIP("POSIX signals; the Windows session's end is WindowMessagesTest's");
#endif
        Rig rig;
        TMainForm& form = *rig.form;
        QVERIFY(rig.ShowWindow());
        form.Start->trigger();
        rig.settingsDialog = [](TOKRightDlg& d) {
            QTimer::singleShot(0, &d, [] { std::raise(SIGTERM); });
            return d.exec() == QDialog::Accepted;
        };
        form.Set->trigger();  // returns once the signal closed the dialog
        QVERIFY(!form.OKRightDlg().isVisible());
        QTRY_VERIFY(!form.isVisible());
        QVERIFY(!form.Link().ReaderActive());
        QVERIFY(ReadAll(rig.IniPath()).contains("uSv=0.00158"));
        QVERIFY(rig.errors.isEmpty());
    }

    // The real program, with the error box of a file named on the command line still open:
    // SIGTERM ends it, with its settings saved.
    void signalDuringTheStartUpErrorBoxEndsTheProgram() {
#ifdef Q_OS_WIN
        QSKIP("POSIX signals; the Windows session's end is WindowMessagesTest's");
#endif
#ifdef SOLAMINE_EMULATED
        QSKIP("under emulation the program is a script that runs the built one where it stands, "
              "so a copy of it keeps its settings beside the original");
#endif
        QTemporaryDir dir;
        const QString program = dir.filePath("solamine");
        QVERIFY(QFile::copy(SOLAMINE_APP, program));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        process.setProcessEnvironment(env);
        process.start(program, {dir.filePath("missing.csv")});
        QVERIFY(process.waitForStarted());
        // Waiting in its event loop (the box's) with the signal handler in place.
        QTRY_VERIFY_WITH_TIMEOUT(IdleWithSignalHandler(process.processId()), 20000);
#ifndef Q_OS_WIN
        ::kill(pid_t(process.processId()), SIGTERM);
#endif
        // It ends; how soon (the promise is 2 s) is bench_signal's to measure.
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(ReadAll(dir.filePath("solamine.ini")).contains("[Graph]"));
    }
};

SOLAMINE_TEST(MainFormTest)
#include "tst_mainform.moc"
