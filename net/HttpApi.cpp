#include "HttpApi.h"

#include "CsvLog.h"
#include "DateTime.h"
#include "MetricsText.h"
#include "MqttMessages.h"
#include "PeriodSummary.h"
#include "SummaryTable.h"
#include "WebPage.h"

#include <QDateTime>
#include <QUrlQuery>
#include <cmath>

namespace {

constexpr char kJson[] = "application/json";
constexpr char kText[] = "text/plain; charset=utf-8";

// Why a request's range was refused; the parameter it concerns, where one does.
struct RangeError {
    enum class Kind { Missing, Unreadable, Order, TooLong } What;
    const char* Parameter = "";
};

struct Range {
    double From = 0;
    double To = 0;
};

HttpReply Plain(int status, const QByteArray& line) {
    return {status, kText, line + '\n'};
}

QByteArray RangeErrorText(const RangeError& error, const QUrlQuery& query) {
    switch (error.What) {
        case RangeError::Kind::Missing:
            return QByteArray(error.Parameter) + " is missing: give from=… and to=… in ISO 8601";
        case RangeError::Kind::Unreadable:
            return QByteArray(error.Parameter) + " is no ISO 8601 time: \"" +
                   query.queryItemValue(QString::fromLatin1(error.Parameter), QUrl::FullyDecoded)
                       .left(64)
                       .simplified()
                       .toUtf8() +
                   '"';
        case RangeError::Kind::Order:
            return "from must be before to";
        case RangeError::Kind::TooLong:
            return "at most " + QByteArray::number(kMaxRangeDays) + " days per request";
    }
    return {};
}

std::optional<Range> ReadRange(const QUrlQuery& query, RangeError* error) {
    Range range;
    for (const auto& [name, value] : {std::pair{"from", &range.From}, std::pair{"to", &range.To}}) {
        const QString key = QString::fromLatin1(name);
        if (!query.hasQueryItem(key)) {
            *error = {RangeError::Kind::Missing, name};
            return std::nullopt;
        }
        const std::optional<double> time =
            ParseQueryTime(query.queryItemValue(key, QUrl::FullyDecoded));
        if (!time) {
            *error = {RangeError::Kind::Unreadable, name};
            return std::nullopt;
        }
        *value = *time;
    }
    if (range.From >= range.To) {
        *error = {RangeError::Kind::Order};
        return std::nullopt;
    }
    // Real seconds, so that a range over a change of daylight saving time is measured as lived.
    if (UnixSeconds(range.To) - UnixSeconds(range.From) > qint64(kMaxRangeDays) * 86400) {
        *error = {RangeError::Kind::TooLong};
        return std::nullopt;
    }
    return range;
}

// The minutes of the range, or the reply that says why there are none.
std::optional<std::vector<LogRecord>> Minutes(const Range& range, const ApiSource& source,
                                              HttpReply* refusal) {
    FileError unread;
    std::optional<std::vector<LogRecord>> minutes =
        ReadLoggedRange(source.Source, range.From, range.To, source.Settings,
                        QDate::currentDate().year(), &unread);
    if (!minutes) {
        // The reason names the station's paths, which are none of a client's business.
        *refusal = Plain(500, "the log cannot be read");
    }
    return minutes;
}

// The minutes of the query's range, or the reply that says why there are none.
std::optional<std::vector<LogRecord>> Minutes(const QUrlQuery& query, const ApiSource& source,
                                              HttpReply* refusal) {
    RangeError error;
    const std::optional<Range> range = ReadRange(query, &error);
    if (!range) {
        *refusal = Plain(400, RangeErrorText(error, query));
        return std::nullopt;
    }
    return Minutes(*range, source, refusal);
}

// The widest chart a screen asks for, and what a request that names none gets.
constexpr int kMaxChartWidth = 3840;
constexpr int kChartWidth = 1920;

HttpReply Chart(const QUrlQuery& query, const ApiSource& source) {
    const double days = SpanDays(query.queryItemValue(QStringLiteral("span"), QUrl::FullyDecoded));
    if (days == 0) {
        return Plain(400, "span takes 6h, 24h, 7d or 30d");
    }
    int width = kChartWidth;
    if (query.hasQueryItem(QStringLiteral("width"))) {
        bool number = false;
        width = query.queryItemValue(QStringLiteral("width")).toInt(&number);
        if (!number || width < 2 || width > kMaxChartWidth) {
            return Plain(400, "width takes 2 to " + QByteArray::number(kMaxChartWidth) + " pixels");
        }
    }
    const double now = source.Now ? source.Now()
                                  : DateTime::FromQDateTime(QDateTime::currentDateTime());
    const Range range{now - days, now};
    HttpReply reply;
    const std::optional<std::vector<LogRecord>> minutes = Minutes(range, source, &reply);
    if (!minutes) {
        return reply;
    }
    return {200, kJson, ChartJson(*minutes, range.From, range.To, width)};
}

QByteArray MinutesJson(const std::vector<LogRecord>& minutes) {
    QByteArray json = "[";
    json.reserve(qsizetype(minutes.size()) * 64 + 2);
    LocalDays days;
    for (const LogRecord& record : minutes) {
        json += json.size() > 1 ? ",{" : "{";
        AppendMinuteFields(json, record, &days);
        json += '}';
    }
    return json += "]\n";
}

QByteArray JsonString(const QString& text) {
    return '"' + text.toUtf8() + '"';
}

// The rows as `solamine-cli summary --csv` writes them, each cell by its column's name: the
// period and the highest minute as strings, the rest as the same numbers, null where empty.
QByteArray SummaryJson(const Summary& summary) {
    QByteArray json = "[";
    for (int i = 0; i < summary.Count(); ++i) {
        const SummaryRow row = summary.Row(i);
        json += i > 0 ? ",{" : "{";
        for (int c = 0; c < kSummaryColumns; ++c) {
            const SummaryColumn column = SummaryColumn(c);
            const QString cell = SummaryCellText(row, column, summary.By());
            json += (c > 0 ? ",\"" : "\"") + SummaryColumnName(column).toLatin1() + "\":";
            if (column == SummaryColumn::Period || column == SummaryColumn::HighestTime) {
                json += cell.isEmpty() ? QByteArray("null") : JsonString(cell);
            } else {
                json += cell.isEmpty() ? QByteArray("null") : cell.toLatin1();
            }
        }
        json += '}';
    }
    return json + "]\n";
}

QByteArray CounterName(const StationSnapshot& s) {
    switch (s.Counter) {
        case CounterState::Connected:
            return "connected";
        case CounterState::Waiting:
            return s.NeverFound ? "not found" : "waiting";
        case CounterState::Stopped:
            break;
    }
    return "stopped";
}

QByteArray NowJson(const StationSnapshot& s) {
    QByteArray json = "{";
    if (s.Last) {
        AppendMinuteFields(json, *s.Last);
    } else {
        json += "\"time\":null,\"cpm\":null,\"usv_h\":null";
    }
    json += ",\"counter\":\"" + CounterName(s) + "\",\"alarm\":";
    json += s.Alarm ? (*s.Alarm ? "true" : "false") : "null";
    json += ",\"minutes_today\":" + QByteArray::number(s.MinutesToday) +
            ",\"usv_today\":" + UsvTodayText(s.UsvToday) + ",\"uploads\":{";
    for (const UploadStatus& u : s.Uploads) {
        json += (&u == &s.Uploads.front() ? "" : ",") + JsonString(u.Service) +
                ":{\"waiting\":" + QByteArray::number(u.Waiting) +
                ",\"stopped\":" + (u.Stopped ? "true" : "false") +
                ",\"sent\":" + QByteArray::number(u.Sent) + '}';
    }
    return json + "}}\n";
}

HttpReply Summarized(const QUrlQuery& query, const ApiSource& source) {
    SummaryPeriod by = SummaryPeriod::Day;
    if (query.hasQueryItem(QStringLiteral("by")) &&
        !ParsePeriodName(query.queryItemValue(QStringLiteral("by"), QUrl::FullyDecoded), &by)) {
        return Plain(400, "by takes hour, day or month");
    }
    HttpReply reply;
    const std::optional<std::vector<LogRecord>> minutes = Minutes(query, source, &reply);
    if (!minutes) {
        return reply;
    }
    Summary summary(by, source.Settings);
    for (const LogRecord& record : *minutes) {
        summary.Add(Sample{record.Time, record.Cpm});
    }
    return {200, kJson, SummaryJson(summary)};
}

}  // namespace

std::optional<double> ParseQueryTime(QString text) {
    // In a query a "+" may stand for a space; an offset's "+" then arrives as one.
    text.replace(u' ', u'+');
    if (text.isEmpty() || text.size() > 40) {
        return std::nullopt;
    }
    const QDateTime read = QDateTime::fromString(text, Qt::ISODate);
    if (!read.isValid() || read.date().year() < 1900 || read.date().year() > 9999) {
        return std::nullopt;
    }
    return DateTime::FromQDateTime(read.toLocalTime());
}

HttpReply Answer(const QString& path, const QUrlQuery& query, bool allowed,
                 const StationSnapshot& snapshot, const ApiSource& source,
                 const QByteArray& acceptLanguage) {
    static const QStringList known{"/",           "/api/now",     "/api/minutes",
                                   "/api/minutes.csv", "/api/summary", "/api/chart",
                                   "/metrics"};
    static const QString assets = QStringLiteral("/assets/");
    const std::optional<WebFile> asset =
        path.startsWith(assets) ? PageAsset(path.mid(assets.size())) : std::nullopt;
    if (!asset && !known.contains(path)) {
        return Plain(404, "no such page");
    }
    if (!allowed) {
        return Plain(405, "only GET and HEAD");
    }
    if (asset) {
        return {200, asset->ContentType, asset->Body};
    }
    if (path == u"/api/chart") {
        return Chart(query, source);
    }
    if (path == u"/api/now") {
        return {200, kJson, NowJson(snapshot)};
    }
    if (path == u"/metrics") {
        return {200, kMetricsContentType, MetricsText(snapshot, source.Version)};
    }
    if (path == u"/api/summary") {
        return Summarized(query, source);
    }
    if (path == u"/") {
        const WebFile page = IndexPage(LanguageFor(acceptLanguage), source.Version);
        return {200, page.ContentType, page.Body};
    }
    HttpReply reply;
    const std::optional<std::vector<LogRecord>> minutes = Minutes(query, source, &reply);
    if (!minutes) {
        return reply;
    }
    return path.endsWith(u".csv") ? HttpReply{200, "text/csv; charset=utf-8", CsvText(*minutes)}
                                  : HttpReply{200, kJson, MinutesJson(*minutes)};
}
