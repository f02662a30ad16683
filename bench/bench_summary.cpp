// Summaries of one year and ten years of minutes: the rule by hour, day and month; the
// summaries window opening (table, chart and totals shown); and a live report with the window
// open and closed. Run headless from a Release build:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_summary

#include "DateTime.h"
#include "DisplayModel.h"
#include "DisplayRules.h"
#include "LiveIngestion.h"
#include "MedianTime.h"
#include "PeriodSummary.h"
#include "SampleLog.h"
#include "SummaryModel.h"
#include "SummaryWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QTableView>
#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Reports of one count each, sixty to a minute, on from the log's last minute.
struct Reports {
    SampleLog& log;
    DisplayModel& display;
    const GraphSettings& settings;
    double now;
    int sent = 0;

    void Send() {
        std::array<std::uint8_t, kReportPayloadSize> payload{};
        payload[kCountOffset] = 1;
        now += 1.0 / 86'400;
        HandleCountReport(payload, now, log, settings, display);
        ++sent;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const GraphSettings settings;
    std::printf("%-9s %9s %9s %9s %11s %11s %12s %12s\n", "minutes", "hour ms", "day ms",
                "month ms", "open day ms", "open hr ms", "live us", "live+win us");
    for (const int minutes : {525'600, 5'256'000}) {
        SampleLog log;
        log.Reserve(minutes + 100'000);
        const double start = DateTime::Encode(2016, 12, 8);
        for (int i = 0; i < minutes; ++i) {
            log.Append({start + i / 1440.0, 30 + (i * 7919) % 13});
        }
        double by[3];
        for (SummaryPeriod period :
             {SummaryPeriod::Hour, SummaryPeriod::Day, SummaryPeriod::Month}) {
            by[int(period)] = MedianMs(7, [&] {
                Summary summary(period, settings);
                summary.Add(log.Samples());
                summary.Totals();
            });
        }
        DisplayModel display;
        RebuildDisplay(log, settings, display);
        Reports reports{log, display, settings, log.Last().Time + 30.0 / 86'400};
        const double live = MedianMs(20'001, [&] { reports.Send(); }) * 1000;

        auto open = [&](int periodIndex) {
            return MedianMs(5, [&] {
                SummaryWindow window(display, log, settings);
                window.PeriodBox->setCurrentIndex(periodIndex);
                window.show();
                window.repaint();
                QApplication::processEvents();
            });
        };
        const double openDay = open(1);
        const double openHour = open(0);

        SummaryWindow window(display, log, settings);
        window.show();
        QApplication::processEvents();
        const double liveOpen = MedianMs(20'001, [&] { reports.Send(); }) * 1000;
        std::printf("%-9d %9.2f %9.2f %9.2f %11.2f %11.2f %12.2f %12.2f\n", minutes, by[0], by[1],
                    by[2], openDay, openHour, live, liveOpen);
        const double refresh = MedianMs(11, [&] { window.Refresh(); });
        std::printf("          chart and totals catching up (once a second): %.2f ms\n", refresh);
    }
    return 0;
}
