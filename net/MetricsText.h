#pragma once

#include "StationSnapshot.h"

#include <QByteArray>
#include <QString>

// The content type of the Prometheus text exposition format.
inline constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// A station's metrics in the Prometheus text exposition format: the last whole minute's count
// rate and dose rate (in Sv/h, as Prometheus wants base units), the counts and minutes since the
// start, the dose today in Sv, whether the counter is connected, the last minute's Unix time,
// the minutes waiting for the broker, each map's waiting readings, whether
// it stopped and the readings it took (labelled service="radmon"), and the build. A value the
// station does not have yet (no minute, no dose in the first ten lines) leaves out its sample, not
// its HELP and TYPE lines.
QByteArray MetricsText(const StationSnapshot& snapshot, const QString& version);

// Seconds since 1970-01-01 UTC of a local DateTime value.
qint64 UnixSeconds(double time);
