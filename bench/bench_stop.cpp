// Stop latency with a silent counter: how long StopClick blocks while the reader sits in a read
// that no transfer will end. Linked to the virtual counter; prints the median and the worst.
#include "DeviceLink.h"
#include "VirtualCounter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    auto backend = std::make_unique<VirtualCounter>();
    VirtualCounter& counter = *backend;
    DeviceLink link(std::move(backend), [](const DevicePacket&) {});
    std::mt19937 random(1);
    std::uniform_int_distribution<int> delayMs(
        0, DeviceLink::kReadTimeoutMs + DeviceLink::kReaderPauseMs);
    // Plain, and with the counter's removal announced while its handles still work, so that
    // the notice handled during the wait runs a second Stop inside the first.
    for (const bool removalNotice : {false, true}) {
        std::vector<double> ms;
        for (int i = 0; i < 40; ++i) {
            counter.Replug();
            link.StartClick();
            // Stop at a random point of the reader's read-and-pause cycle.
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            if (removalNotice) {
                counter.Unplug(false);
            }
            QElapsedTimer timer;
            timer.start();
            link.StopClick();
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("StopClick with a silent counter%s, %zu runs: median %.1f ms, worst %.1f ms\n",
                    removalNotice ? ", removal notice while stopping" : "", ms.size(),
                    ms[ms.size() / 2], ms.back());
    }
    return 0;
}
