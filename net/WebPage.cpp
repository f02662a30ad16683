#include "WebPage.h"

#include "DateTime.h"
#include "MinMaxPoints.h"
#include "NumberFormat.h"

#include <QFile>
#include <cmath>

namespace {

// The q-value of a language range of Accept-Language ("ja;q=0.8" → 0.8); 1 without one.
double Quality(const QByteArray& range) {
    const qsizetype q = range.indexOf(";q=");
    if (q < 0) {
        return 1;
    }
    bool number = false;
    const double value = range.mid(q + 3).trimmed().toDouble(&number);
    return number ? value : 0;
}

double WallSeconds(double time) {
    return std::round((time - DateTime::Encode(1970, 1, 1)) * 86400);
}

QByteArray ReadResource(const QString& name) {
    QFile file(QStringLiteral(":/web/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

PageLanguage LanguageFor(const QByteArray& acceptLanguage) {
    // Each language's best q-value and where it first came, for a tie.
    struct Rank {
        double Quality = 0;
        int Place = 1 << 30;
    } japanese, english;
    int place = 0;
    for (const QByteArray& item : acceptLanguage.split(',')) {
        const QByteArray range = item.trimmed().toLower();
        const QByteArray tag = range.split(';').front().trimmed();
        Rank* rank = tag == "ja" || tag.startsWith("ja-")   ? &japanese
                     : tag == "en" || tag.startsWith("en-") ? &english
                                                            : nullptr;
        const double quality = Quality(range);
        if (rank && quality > rank->Quality) {
            *rank = {quality, std::min(rank->Place, place)};
        }
        ++place;
    }
    const bool first = japanese.Quality > english.Quality ||
                       (japanese.Quality == english.Quality && japanese.Place < english.Place);
    return japanese.Quality > 0 && first ? PageLanguage::Japanese : PageLanguage::English;
}

WebFile IndexPage(PageLanguage language, const QString& version) {
    QByteArray page = ReadResource(QStringLiteral("index.html"));
    page.replace("{{lang}}", language == PageLanguage::Japanese ? "ja" : "en");
    page.replace("{{version}}", version.toHtmlEscaped().toUtf8());
    return {"text/html; charset=utf-8", page};
}

std::optional<WebFile> PageAsset(const QString& name) {
    static const std::pair<const char*, const char*> kFiles[] = {
        {"page.js", "text/javascript; charset=utf-8"},
        {"page.css", "text/css; charset=utf-8"},
        {"uPlot.iife.min.js", "text/javascript; charset=utf-8"},
        {"uPlot.min.css", "text/css; charset=utf-8"},
        {"uPlot-LICENSE.txt", "text/plain; charset=utf-8"},
    };
    for (const auto& [file, type] : kFiles) {
        if (name == QLatin1String(file)) {
            return WebFile{type, ReadResource(name)};
        }
    }
    return std::nullopt;
}

double SpanDays(const QString& span) {
    static const std::pair<const char*, double> kSpans[] = {
        {"6h", 0.25}, {"24h", 1}, {"7d", 7}, {"30d", 30}};
    for (const auto& [name, days] : kSpans) {
        if (span == QLatin1String(name)) {
            return days;
        }
    }
    return 0;
}

QByteArray ChartJson(const std::vector<LogRecord>& minutes, double from, double to, int width) {
    const std::vector<LogRecord> points = MinMaxPoints(minutes, from, to, width);
    // Neighbours further apart than two slices of the thinning (a slice's first point and the
    // next slice's last), or than a minute and a half where nothing was thinned, have missing
    // minutes between them.
    const double slice = points.size() < minutes.size() ? (to - from) / (width / 2) : 0;
    const double gap = (2 * slice + 1.5 / 1440) * 86400;
    QByteArray time = "\"time\":[", cpm = "\"cpm\":[", dose = "\"usv_h\":[";
    char text[NumberFormat::kMaxGeneralChars];
    double previous = qQNaN();
    for (const LogRecord& point : points) {
        const double seconds = WallSeconds(point.Time);
        const char* comma = time.endsWith('[') ? "" : ",";
        if (seconds - previous > gap) {
            time += comma + QByteArray::number(previous + 60, 'f', 0) + ',';
            cpm += comma + QByteArray("null,");
            dose += comma + QByteArray("null,");
            comma = "";
        }
        previous = seconds;
        time += comma + QByteArray::number(seconds, 'f', 0);
        cpm += comma + QByteArray::number(point.Cpm);
        dose += comma;
        if (point.HasDose() && std::isfinite(point.Dose)) {
            dose.append(text, NumberFormat::WriteGeneral(point.Dose, text) - text);
        } else {
            dose += "null";
        }
    }
    return "{\"from\":" + QByteArray::number(WallSeconds(from), 'f', 0) +
           ",\"to\":" + QByteArray::number(WallSeconds(to), 'f', 0) +
           ",\"minutes\":" + QByteArray::number(qsizetype(minutes.size())) + ',' + time + "]," +
           cpm + "]," + dose + "]}\n";
}
