// The overview strip with a year of minutes: building its bands when a log opens, a live
// minute at the end, and painting it. Run headless from a Release build:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_overview

#include "DateTime.h"
#include "MedianTime.h"
#include "OverviewStrip.h"
#include "SampleLog.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::printf("%-10s %12s %12s %12s\n", "minutes", "rebuild ms", "live us", "paint ms");
    for (const int minutes : {1440, 525'600, 5'256'000}) {
        SampleLog log;
        log.Reserve(minutes);
        const double start = DateTime::Encode(2025, 12, 8);
        for (int i = 0; i < minutes; ++i) {
            log.Append({start + i / 1440.0, 30 + (i * 7919) % 13});
        }
        OverviewStrip strip(log);
        strip.resize(560, OverviewStrip::kHeight);
        strip.SetPage(minutes - 360, minutes - 1);
        const double rebuild = MedianMs(7, [&] { strip.LogReplaced(); });
        const double live = MedianMs(1001,
                                     [&] {
                                         log.AddToLast(1);
                                         strip.LiveReport();
                                     }) *
                            1000;
        QImage image(strip.size(), QImage::Format_ARGB32_Premultiplied);
        const double paint = MedianMs(51, [&] { strip.render(&image); });
        std::printf("%-10d %12.2f %12.2f %12.2f\n", minutes, rebuild, live, paint);
    }
    return 0;
}
