// Times the chart with one year of minutes: the full rebuild, the first render and one pan step.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_chart
#include "ChartView.h"
#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "SampleLog.h"

#include <qcustomplot.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    constexpr int kYear = 525'600;

    SampleLog log;
    log.Reserve(kYear);
    std::mt19937 random(1);
    std::poisson_distribution<int> counts(35);
    const double start = DateTime::Encode(2026, 1, 1);
    for (int i = 0; i < kYear; ++i) {
        log.Append({start + i / 1440.0, counts(random)});
    }

    QWidget window;
    window.resize(572, 377);
    DisplayModel model;
    ChartView view(model, &window);
    view.Chart()->setGeometry(0, 0, 572, 377);
    window.show();

    std::vector<double> rebuild, firstRender, pan;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        RebuildDisplay(log, {}, model);
        rebuild.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        view.Chart()->replot(QCustomPlot::rpImmediateRefresh);
        firstRender.push_back(t.nsecsElapsed() / 1e6);
    }
    for (int step = 0; step < 200; ++step) {
        QElapsedTimer t;
        t.start();
        view.ScrollTo(kYear / 2 + step * 7);
        view.Chart()->replot(QCustomPlot::rpImmediateRefresh);
        pan.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf(
        "one year (%d samples): rebuild %.1f ms, first render %.1f ms, pan step %.2f ms "
        "(medians of 5, 5 and 200 runs)\n",
        kYear, Median(rebuild), Median(firstRender), Median(pan));
    return 0;
}
