#include "ChartNavigation.h"

#include "DateTime.h"
#include "SampleLog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ChartNavigation {

int LastPageStart(int count, int pageSize) {
    return std::max(0, count - pageSize);
}

int PageStartAt(int index, int count, int pageSize) {
    return std::clamp(index, 0, LastPageStart(count, pageSize));
}

int PageStartAfterKey(Key key, int start, int count, int pageSize) {
    constexpr int kStep = 10;
    switch (key) {
        case Key::PageUp:
            return PageStartAt(start - pageSize, count, pageSize);
        case Key::PageDown:
            return PageStartAt(start + pageSize, count, pageSize);
        case Key::Left:
            return PageStartAt(start - kStep, count, pageSize);
        case Key::Right:
            return PageStartAt(start + kStep, count, pageSize);
        case Key::Home:
            return 0;
        case Key::End:
            return LastPageStart(count, pageSize);
    }
    return PageStartAt(start, count, pageSize);
}

int PageStartShowing(int index, int start, int count, int pageSize) {
    if (index >= start && index < start + pageSize) {
        return PageStartAt(start, count, pageSize);
    }
    return PageStartAt(index - pageSize / 2, count, pageSize);
}

std::optional<double> ParseGoToTime(QStringView text, int currentYear) {
    text = text.trimmed();
    qsizetype split = text.indexOf(u',');
    if (split < 0) {
        split = text.indexOf(u' ');
    }
    const QStringView datePart = split < 0 ? text : text.first(split).trimmed();
    const std::optional<DateTime::Date> date = DateTime::ParseDate(datePart, currentYear);
    if (!date) {
        return std::nullopt;
    }
    if (split < 0) {
        return DateTime::Encode(*date);
    }
    const std::optional<DateTime::TimeOfDay> time =
        DateTime::ParseTime(text.sliced(split + 1).trimmed());
    if (!time) {
        return std::nullopt;
    }
    return DateTime::Encode(*date, *time);
}

int FirstSampleAtOrAfter(const SampleLog& log, double time, bool inTimeOrder) {
    if (inTimeOrder) {
        const std::vector<Sample>& samples = log.Samples();
        const auto it = std::lower_bound(samples.begin(), samples.end(), time,
                                         [](const Sample& s, double t) { return s.Time < t; });
        return it == samples.end() ? -1 : int(it - samples.begin());
    }
    // The log is in the order samples came, not always in time order: look at every sample.
    int best = -1;
    for (int i = 0; i < log.Count(); ++i) {
        const double t = log.At(i).Time;
        if (t >= time && (best < 0 || t < log.At(best).Time)) {
            best = i;
        }
    }
    return best;
}

int SampleOfLogLine(const SampleLog& log, int line, double time) {
    if (line >= 0 && line < log.Count() && log.At(line).Time == time) {
        return line;
    }
    int best = -1;
    for (int i = 0; i < log.Count(); ++i) {
        if (log.At(i).Time == time && (best < 0 || std::abs(i - line) < std::abs(best - line))) {
            best = i;
        }
    }
    return best;
}

PageSummary SummarizePage(std::span<const double> cpm, std::span<const double> dose) {
    PageSummary page;
    if (cpm.empty()) {
        return page;
    }
    page.Count = int(cpm.size());
    page.MinCpm = page.MaxCpm = cpm[0];
    double sum = 0;
    for (const double value : cpm) {
        sum += value;
        page.MinCpm = std::min(page.MinCpm, value);
        page.MaxCpm = std::max(page.MaxCpm, value);
    }
    page.MeanCpm = sum / double(cpm.size());
    double doseSum = 0;
    int doses = 0;
    for (const double value : dose) {
        if (!std::isnan(value)) {
            doseSum += value;
            ++doses;
        }
    }
    page.MeanDose = doses > 0 ? doseSum / doses : std::nan("");
    return page;
}

}  // namespace ChartNavigation
