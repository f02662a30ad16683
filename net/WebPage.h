#pragma once

#include "SampleDisplay.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The station's own page: its files (built into the program, so nothing is loaded from
// elsewhere and no request can name a file on disk), the language it speaks, and the chart's
// points.

enum class PageLanguage { Japanese, English };

// Japanese when the browser ranks Japanese above English (by q-value, then by order) in its
// Accept-Language header, English otherwise.
PageLanguage LanguageFor(const QByteArray& acceptLanguage);

struct WebFile {
    QByteArray ContentType;
    QByteArray Body;
};

// The page itself ("/") in a language, with the program's version.
WebFile IndexPage(PageLanguage language, const QString& version);
// A file of the page under /assets/ by its name ("page.js"); nothing for any other name.
std::optional<WebFile> PageAsset(const QString& name);

// The chart's spans: "6h", "24h", "7d", "30d"; 0 for any other text.
double SpanDays(const QString& span);

// The chart's points of [from, to) as JSON columns: "time" (seconds of the station's local wall
// clock since 1970, so the page shows the file's times wherever the browser is), "cpm" and
// "usv_h" (the file's values), at most width points (MinMaxPoints), and a null in each column
// where minutes are missing, so that the line breaks at a gap instead of bridging it.
QByteArray ChartJson(const std::vector<LogRecord>& minutes, double from, double to, int width);
