#pragma once

#include "DateTime.h"
#include "DeviceLink.h"
#include "DisplayRules.h"
#include "ReportFeed.h"
#include "StationLogger.h"
#include "TestFiles.h"
#include "VirtualCounter.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// A station logger over a scripted virtual counter and a clock the test sets, for the station
// tests.

inline double At(int day, int hour, int minute, int second = 0) {
    return DateTime::Encode(2026, 12, day, hour, minute, second);
}

struct Rig {
    QTemporaryDir dir;
    StationOptions options;
    VirtualCounter* counter = nullptr;
    double now = At(8, 14, 30);
    QStringList lines;
    QStringList notes;
    QStringList logged;  // LogLine of each record MinuteLogged gave
    std::unique_ptr<StationLogger> logger;

    explicit Rig(bool daily = false, const QString& file = QStringLiteral("log.csv"),
                 const std::function<void(StationOptions&)>& more = {}) {
        if (daily) {
            options.DailyDir = dir.filePath("days");
        } else {
            options.File = dir.filePath(file);
        }
        if (more) {
            more(options);
        }
        Restart();
    }

    // A new logger with the same options, as after a restart of the program.
    void Restart() {
        logger.reset();
        auto backend = std::make_unique<VirtualCounter>();
        counter = backend.get();
        logger = std::make_unique<StationLogger>(
            std::move(backend), options, [this] { return now; },
            [this](const QString& line) { lines << line; },
            [this](const QString& note) { notes << note; });
        QObject::connect(logger.get(), &StationLogger::MinuteLogged,
                         [this](const LogRecord& record) { logged << LogLine(record); });
    }

    // A report handed to the logger as the reader hands it over, at the given time.
    void Report(double at, std::uint16_t count) { HandReport(logger->Link(), now, at, count); }

    // A report every second from `from` on, the first of each minute with cpm, the rest 0.
    void Minutes(double from, int minutes, std::uint16_t cpm) {
        HandMinutes(logger->Link(), now, from, minutes, cpm);
    }

    QByteArray File(const char* name = "log.csv") const { return ReadAll(dir.filePath(name)); }
};

inline QByteArray Lines(const QStringList& lines) {
    QByteArray text;
    for (const QString& line : lines) {
        text += line.toLatin1() + "\r\n";
    }
    return text;
}
