// Times every step a user waits for with logs of one day, one month, one year and ten years of
// minutes, and measures the window's resident memory with each log open. Each size runs in child
// processes of its own, so peaks do not mix: one times the steps (offscreen), one opens the log
// in the real window (xcb when a display is there, e.g. under xvfb-run) and reads its memory.
// Run: xvfb-run -a build/bench/bench_scale [day|month|year|decade ...]
#include "ChartView.h"
#include "CsvLog.h"
#include "DateTime.h"
#include "DeviceLink.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "FileCommands.h"
#include "LiveIngestion.h"
#include "LogView.h"
#include "Main.h"
#include "SampleDisplay.h"
#include "SampleLog.h"
#include "VirtualCounter.h"

#include <qcustomplot.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QSplitter>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

struct Size {
    const char* name;
    const char* label;
    int minutes;
    int runs;
};

constexpr Size kSizes[] = {
    {"day", "1 day", 1'440, 7},
    {"month", "1 month", 43'200, 7},
    {"year", "1 year", 525'600, 5},
    {"decade", "10 years", 5'256'000, 3},
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The median of runs of step; before each, untimed, drop lets go of what the last run made, as
// a user's next open or save finds it gone.
double MedianMs(int runs, const std::function<void()>& step, const std::function<void()>& drop) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        drop();
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

// Whole minutes from 2026-01-01 00:00 with Poisson counts near 35 CPM.
SampleLog MakeLog(int minutes) {
    SampleLog log;
    log.Reserve(minutes);
    std::mt19937 random(2026);
    std::poisson_distribution<int> counts(35);
    const qint64 firstDay = DateTime::DaysFromCivil(2026, 1, 1);
    for (int i = 0; i < minutes; ++i) {
        const DateTime::Parts day = DateTime::Decode(double(firstDay + i / 1440));
        log.Append({DateTime::Encode(day.date, {i / 60 % 24, i % 60}), counts(random)});
    }
    return log;
}

long StatusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(int(std::strlen(key))).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

void ReleaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

class NoDialogs final : public FileDialogs {
public:
    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseSaveFile(const QString&) override { return std::nullopt; }
};

// The time a window spends drawing: the chart's replots and the painting of its widgets (when
// the window, or its platform window, handles an update request), counted once where one runs
// inside the other.
class DrawClock : public QObject {
public:
    DrawClock(QWidget* window, QCustomPlot* chart) {
        window->installEventFilter(this);
        window->windowHandle()->installEventFilter(this);
        connect(chart, &QCustomPlot::beforeReplot, this, &DrawClock::Enter);
        connect(chart, &QCustomPlot::afterReplot, this, [this] {
            ++replots;
            Leave();
        });
    }
    int replots = 0;
    qint64 ns = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::UpdateRequest || filtering_) {
            return false;
        }
        filtering_ = true;
        Enter();
        object->event(event);
        Leave();
        filtering_ = false;
        return true;
    }

private:
    void Enter() {
        if (depth_++ == 0) {
            timer_.start();
        }
    }
    void Leave() {
        if (--depth_ == 0) {
            ns += timer_.nsecsElapsed();
        }
    }

    QElapsedTimer timer_;
    int depth_ = 0;
    bool filtering_ = false;
};

// A user's actions lie more than a frame apart: lets the event loop run idle for a while.
void Idle() {
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 50) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs what is pending (the queued replot, the views' layouts) and paints the window now.
void Draw(QWidget& window) {
    QCoreApplication::processEvents();
    window.repaint();
}

// The window's clock: live reports in the window come at the times the bench sets.
double windowNow = 0;

TMainForm* MakeWindow(const QTemporaryDir& dir) {
    MainFormOptions options;
    options.Backend = std::make_unique<VirtualCounter>();
    options.Now = [] { return windowNow; };
    options.IniPath = dir.filePath(QStringLiteral("bench.ini"));
    options.Dialogs = std::make_unique<NoDialogs>();
    auto* form = new TMainForm(std::move(options));
    form->show();
    form->ShowClick();
    for (int i = 0; i < 20; ++i) {
        Draw(*form);
    }
    return form;
}

void Print(const char* key, double value) {
    std::printf("%s %.6f\n", key, value);
}

// The steps, timed offscreen on a chart and log pane laid out as in the window.
int TimeSteps(const QString& path, int minutes, int runs) {
    const GraphSettings settings;
    CsvReadResult read;
    Print("read", MedianMs(
                      runs, [&] { read = ReadCsvLog(path, 2026); }, [&] { read = {}; }));
    if (int(read.Samples.size()) != minutes) {
        std::fprintf(stderr, "read %zu samples, expected %d\n", read.Samples.size(), minutes);
        return 1;
    }
    SampleLog log;
    for (const Sample& s : read.Samples) {
        log.Append(s);
    }
    read = {};

    QWidget window;
    window.resize(572, 377);
    auto* splitter = new QSplitter(Qt::Vertical, &window);
    splitter->setGeometry(0, 0, 572, 377);
    DisplayModel model;
    ChartView chart(model, splitter);
    auto* pane = new LogView(model, splitter);
    splitter->addWidget(chart.Chart());
    splitter->addWidget(pane);
    pane->show();
    splitter->setSizes({310, 64});
    window.show();
    Draw(window);
    DrawClock draws(&window, chart.Chart());

    std::vector<double> rebuild, render;
    for (int run = 0; run < runs; ++run) {
        Idle();
        QElapsedTimer timer;
        timer.start();
        RebuildDisplay(log, settings, model);
        rebuild.push_back(double(timer.nsecsElapsed()) / 1e6);
        const int before = draws.replots;
        timer.restart();
        Draw(window);
        render.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (draws.replots == before) {
            std::fprintf(stderr, "the first render did not replot the chart\n");
        }
    }
    Print("rebuild", Median(rebuild));
    Print("render", Median(render));

    // Drags by 20 points, from the middle of the log towards its end, with the mouse as a user
    // drags: the chart draws without antialiasing while the button is down.
    chart.ScrollTo(minutes / 2);
    Draw(window);
    QCustomPlot* plot = chart.Chart();
    const QRect rect = plot->axisRect()->rect();
    const double stepPixels = 20.0 * rect.width() / ChartView::MaxPointsPerPage;
    QPointF mouse(rect.right() - 5, rect.center().y());
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, mouse, plot->mapToGlobal(mouse), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(plot, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    std::vector<double> pan;
    const int panFrom = chart.PageStart();
    for (int step = 1; step <= 15; ++step) {
        mouse.setX(rect.right() - 5 - step * stepPixels);
        QElapsedTimer timer;
        timer.start();
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
        Draw(window);
        pan.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    Draw(window);
    if (std::abs(chart.PageStart() - panFrom - 15 * 20) > 15 && minutes > 2000) {
        std::fprintf(stderr, "the drag moved %d points\n", chart.PageStart() - panFrom);
    }
    Print("pan", Median(pan));

    QByteArray text;
    Print("format", MedianMs(
                        runs, [&] { text = CsvTextOf(log, settings); }, [&] { text = {}; }));
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("saved.csv"));
    Print("write", MedianMs(
                       runs, [&] { WriteCsvLog(out, text); }, [&] { QFile::remove(out); }));
    text.clear();

    // Live reports at the end of the log, the page following them: a report that starts a new
    // minute and four more in that minute. What the event loop then runs for them (the views'
    // deferred work) counts, less what an idle turn of the loop, the chart's replot and the
    // painting of the window take.
    chart.ScrollTo(minutes);
    Draw(window);
    std::array<std::uint8_t, kReportPayloadSize> payload{};
    payload[kCountOffset] = 1;
    std::vector<double> sameMinute, newMinute;
    const double last = log.Last().Time;
    for (int minute = 1; minute <= 100; ++minute) {
        for (int second = 0; second < 60; second += 12) {
            const double now = last + (minute * 60 + second) / 86'400.0;
            // Time of f and of what the event loop then runs, less replots and paints.
            const auto busy = [&](const auto& f) {
                const qint64 drawn = draws.ns;
                QElapsedTimer timer;
                timer.start();
                f();
                QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                return timer.nsecsElapsed() - (draws.ns - drawn);
            };
            const qint64 report =
                busy([&] { HandleCountReport(payload, now, log, settings, model); });
            const double us = double(report - busy([] {})) / 1e3;
            (second == 0 ? newMinute : sameMinute).push_back(us);
        }
    }
    Print("live_new", Median(newMinute));
    Print("live_same", Median(sameMinute));
    return 0;
}

// The real window: from choosing the file to the drawn window, and the memory it then holds.
int OpenInWindow(const QString& path, int runs) {
    QTemporaryDir dir;
    TMainForm* form = MakeWindow(dir);
    ReleaseFreedMemory();
    Print("empty_kb", double(StatusKb("VmRSS:")));
    std::vector<double> open;
    for (int run = 0; run < runs; ++run) {
        if (run > 0) {
            form->NewClick();
            Draw(*form);
        }
        Idle();
        QElapsedTimer timer;
        timer.start();
        form->OpenFile(path);
        Draw(*form);
        open.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    for (int i = 0; i < 20; ++i) {
        Draw(*form);
    }
    Print("open", Median(open));
    Print("open_kb", double(StatusKb("VmRSS:")));
    Print("peak_kb", double(StatusKb("VmHWM:")));

    // Live reports as the reader hands them to the window, at the end of the opened log: what
    // the window does with one before the event loop runs again (the views' deferred drawing
    // is the same for any source of reports, and is measured above).
    DevicePacket packet;
    packet.Payload[kCountOffset] = 1;
    std::vector<double> sameMinute, newMinute;
    const double last = form->Samples().Last().Time;
    for (int minute = 1; minute <= 100; ++minute) {
        for (int second = 0; second < 60; second += 12) {
            windowNow = last + (minute * 60 + second) / 86'400.0;
            QElapsedTimer timer;
            timer.start();
            form->Link().DispatchReport(packet);
            (second == 0 ? newMinute : sameMinute).push_back(double(timer.nsecsElapsed()) / 1e3);
            QCoreApplication::processEvents();
        }
    }
    Print("window_new", Median(newMinute));
    Print("window_same", Median(sameMinute));
    delete form;
    return 0;
}

using Results = std::map<std::string, double>;

Results RunChild(const QString& mode, const QString& path, const Size& size, bool xcb) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               xcb ? QStringLiteral("xcb") : QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), mode, path, QString::number(size.minutes),
                 QString::number(size.runs)});
    child.waitForFinished(-1);
    Results results;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2) {
            results[parts[0].toStdString()] = parts[1].toDouble();
        }
    }
    if (child.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed\n", qPrintable(mode), size.name);
    }
    return results;
}

int RunParent(QStringList names) {
    if (names.isEmpty()) {
        for (const Size& size : kSizes) {
            names << QLatin1String(size.name);
        }
    }
    const bool xcb = !qEnvironmentVariableIsEmpty("DISPLAY");
    QTemporaryDir dir;
    std::vector<const Size*> sizes;
    std::vector<Results> results;
    for (const Size& size : kSizes) {
        if (!names.contains(QLatin1String(size.name))) {
            continue;
        }
        const QString path = dir.filePath(QLatin1String(size.name) + QStringLiteral(".csv"));
        {
            const QByteArray text = CsvTextOf(MakeLog(size.minutes), {});
            WriteCsvLog(path, text);
        }
        std::fprintf(stderr, "%s...\n", size.label);
        Results r = RunChild(QStringLiteral("time"), path, size, false);
        r.merge(RunChild(QStringLiteral("window"), path, size, xcb));
        r["file_mb"] = double(QFileInfo(path).size()) / 1e6;
        QFile::remove(path);
        sizes.push_back(&size);
        results.push_back(r);
    }

    struct Row {
        const char* title;
        const char* key;
        const char* unit;
        double scale;
    };
    const Row rows[] = {
        {"CSV file size", "file_mb", "MB", 1},
        {"read and parse the file", "read", "ms", 1},
        {"rebuild the display", "rebuild", "ms", 1},
        {"first render after rebuild", "render", "ms", 1},
        {"one pan step (20 points)", "pan", "ms", 1},
        {"format the file text", "format", "ms", 1},
        {"write the file text", "write", "ms", 1},
        {"live report, new minute", "live_new", "us", 1},
        {"live report, same minute", "live_same", "us", 1},
        {"window: live report, new minute", "window_new", "us", 1},
        {"window: live report, same minute", "window_same", "us", 1},
        {"open: choose file to drawn window", "open", "ms", 1},
        {"resident, empty window", "empty_kb", "MB", 1.0 / 1024},
        {"resident, log open", "open_kb", "MB", 1.0 / 1024},
        {"peak resident", "peak_kb", "MB", 1.0 / 1024},
    };
    std::printf("%-36s", "step (median)");
    for (const Size* size : sizes) {
        std::printf("%14s", size->label);
    }
    std::printf("\n");
    for (const Row& row : rows) {
        std::printf("%-36s", (std::string(row.title) + " [" + row.unit + "]").c_str());
        for (const Results& r : results) {
            const auto it = r.find(row.key);
            if (it == r.end()) {
                std::printf("%14s", "-");
            } else {
                std::printf("%14.*f", it->second * row.scale < 100 ? 2 : 0, it->second * row.scale);
            }
        }
        std::printf("\n");
    }
    std::printf("%-36s", "resident per minute, log open [B]");
    for (size_t i = 0; i < results.size(); ++i) {
        const double bytes = (results[i]["open_kb"] - results[i]["empty_kb"]) * 1024;
        std::printf("%14.0f", bytes / sizes[i]->minutes);
    }
    std::printf("\nmemory rows: the window on %s\n", xcb ? "xcb" : "offscreen");
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 5 && args[0] == QStringLiteral("--child")) {
        const QString& path = args[2];
        const int minutes = args[3].toInt();
        const int runs = args[4].toInt();
        return args[1] == QStringLiteral("time") ? TimeSteps(path, minutes, runs)
                                                 : OpenInWindow(path, runs);
    }
    return RunParent(args);
}
