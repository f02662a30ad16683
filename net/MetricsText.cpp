#include "MetricsText.h"

#include "DateTime.h"

#include <QDateTime>
#include <charconv>
#include <cmath>

namespace {

// The shortest text that reads back as the same double; Prometheus parses it as Go does.
QByteArray Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QByteArray(text, end - text);
}

void Family(QByteArray& out, const char* name, const char* type, const char* help) {
    out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

void Sample(QByteArray& out, const char* name, double value) {
    if (std::isfinite(value)) {
        out += QByteArray(name) + ' ' + Number(value) + '\n';
    }
}

// A service's sample; service names are plain lower-case words.
void Labelled(QByteArray& out, const char* name, const QString& service, double value) {
    out += QByteArray(name) + "{service=\"" + service.toLatin1() + "\"} " + Number(value) + '\n';
}

}  // namespace

qint64 UnixSeconds(double time) {
    return DateTime::ToQDateTime(time).toSecsSinceEpoch();
}

QByteArray MetricsText(const StationSnapshot& s, const QString& version) {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    const bool last = s.Last.has_value();
    QByteArray out;
    Family(out, "solamine_count_rate_cpm", "gauge", "Counts in the last whole minute.");
    Sample(out, "solamine_count_rate_cpm", last ? double(s.Last->Cpm) : kNone);
    Family(out, "solamine_dose_rate_sieverts_per_hour", "gauge",
           "Dose rate of the last whole minute as its log line has it (mean over ten lines).");
    Sample(out, "solamine_dose_rate_sieverts_per_hour",
           last && s.Last->HasDose() ? s.Last->Dose * 1e-6 : kNone);
    Family(out, "solamine_counts_total", "counter", "Counts of the minutes logged since start.");
    Sample(out, "solamine_counts_total", double(s.CountsTotal));
    Family(out, "solamine_minutes_logged_total", "counter", "Whole minutes logged since start.");
    Sample(out, "solamine_minutes_logged_total", double(s.MinutesLogged));
    Family(out, "solamine_dose_today_sieverts", "gauge", "Dose since local midnight.");
    Sample(out, "solamine_dose_today_sieverts", s.UsvToday * 1e-6);
    Family(out, "solamine_counter_connected", "gauge", "1 while the counter is connected.");
    Sample(out, "solamine_counter_connected", s.Counter == CounterState::Connected ? 1 : 0);
    Family(out, "solamine_last_minute_timestamp_seconds", "gauge",
           "Unix time of the start of the last whole minute.");
    Sample(out, "solamine_last_minute_timestamp_seconds",
           last ? double(UnixSeconds(s.Last->Time)) : kNone);
    Family(out, "solamine_publish_waiting_minutes", "gauge",
           "Minutes waiting for the MQTT broker.");
    Sample(out, "solamine_publish_waiting_minutes", s.PublishWaiting);
    if (!s.Uploads.empty()) {
        Family(out, "solamine_upload_waiting_readings", "gauge",
               "Readings waiting for a public map.");
        for (const UploadStatus& u : s.Uploads) {
            Labelled(out, "solamine_upload_waiting_readings", u.Service, double(u.Waiting));
        }
        Family(out, "solamine_upload_stopped", "gauge",
               "1 when the map refused the station's login: nothing more goes to it.");
        for (const UploadStatus& u : s.Uploads) {
            Labelled(out, "solamine_upload_stopped", u.Service, u.Stopped ? 1 : 0);
        }
        Family(out, "solamine_upload_readings_total", "counter",
               "Readings the public map took since start.");
        for (const UploadStatus& u : s.Uploads) {
            Labelled(out, "solamine_upload_readings_total", u.Service, double(u.Sent));
        }
    }
    Family(out, "solamine_build_info", "gauge", "The program's version.");
    QByteArray escaped = version.toUtf8();
    escaped.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    out += "solamine_build_info{version=\"" + escaped + "\"} 1\n";
    return out;
}
