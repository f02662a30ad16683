#pragma once

#include "LoggedMinutes.h"
#include "SampleDisplay.h"
#include "StationSnapshot.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class QUrlQuery;

// The station's web API, apart from the server that carries it: a request's path and query in,
// a status, a content type and a body out. Nothing here writes anything.
//
//     /api/now                 the last whole minute, the counter, the alarm, the day so far
//     /api/minutes             the logged minutes in [from, to) as JSON, /api/minutes.csv as
//                              the log's own lines
//     /api/summary             the summary rows by hour, day or month of [from, to)
//     /api/chart               the minutes of the last 6h, 24h, 7d or 30d thinned for a chart
//     /metrics                 the Prometheus text (MetricsText)
//     /, /assets/…             the station's page and its files (WebPage)

struct HttpReply {
    int Status = 200;
    QByteArray ContentType;
    QByteArray Body;
};

// What the API reads: the station's log, the dose rule of its summaries, the program's version,
// and the station's clock (local time as a DateTime value; empty: the system's), where the
// chart's spans end.
struct ApiSource {
    MinuteSource Source;
    GraphSettings Settings;
    QString Version;
    std::function<double()> Now;
};

// The longest range one request may ask for, so that a reply stays a few megabytes.
inline constexpr int kMaxRangeDays = 31;

// A time of the query: ISO 8601 with a date, a time to the minute or second and an offset
// ("Z", "+09:00"), or without the offset (local time), or a date alone (its local midnight).
// A "+" that a form turned into a space is taken as "+". Returns a local DateTime value.
std::optional<double> ParseQueryTime(QString text);

// The reply to a request for path; allowed says whether the method was GET or HEAD (HEAD gets
// the same reply; the server leaves out the body); acceptLanguage chooses the page's language.
// Unknown paths are 404, other methods on a known path 405, bad parameters 400 with a one-line
// reason, a log that cannot be read 500.
HttpReply Answer(const QString& path, const QUrlQuery& query, bool allowed,
                 const StationSnapshot& snapshot, const ApiSource& source,
                 const QByteArray& acceptLanguage = {});
