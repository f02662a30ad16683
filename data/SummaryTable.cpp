#include "SummaryTable.h"

#include "DateTime.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

QString Fixed(double value, int decimals) {
    return std::isnan(value) ? QString() : QString::number(value, 'f', decimals);
}

QString IsoMinute(double time) {
    const DateTime::Parts p = DateTime::Decode(time);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", p.date.year, p.date.month, p.date.day,
                             p.time.hour, p.time.minute);
}

QStringList Cells(const SummaryRow& row, SummaryPeriod by) {
    QStringList cells;
    for (int c = 0; c < kSummaryColumns; ++c) {
        cells << SummaryCellText(row, SummaryColumn(c), by);
    }
    return cells;
}

QStringList Header() {
    QStringList names;
    for (int c = 0; c < kSummaryColumns; ++c) {
        names << SummaryColumnName(SummaryColumn(c));
    }
    return names;
}

}  // namespace

QString SummaryColumnName(SummaryColumn column) {
    switch (column) {
        case SummaryColumn::Period:
            return QStringLiteral("period");
        case SummaryColumn::Minutes:
            return QStringLiteral("minutes");
        case SummaryColumn::Coverage:
            return QStringLiteral("coverage_percent");
        case SummaryColumn::MeanCpm:
            return QStringLiteral("mean_cpm");
        case SummaryColumn::Lowest:
            return QStringLiteral("lowest_cpm");
        case SummaryColumn::Highest:
            return QStringLiteral("highest_cpm");
        case SummaryColumn::HighestTime:
            return QStringLiteral("highest_minute");
        case SummaryColumn::MeanDoseRate:
            return QStringLiteral("mean_usv_h");
        case SummaryColumn::Dose:
            return QStringLiteral("dose_usv");
    }
    return {};
}

QString PeriodText(double start, SummaryPeriod by) {
    const QString minute = IsoMinute(start);
    switch (by) {
        case SummaryPeriod::Hour:
            return minute;
        case SummaryPeriod::Day:
            return minute.left(10);
        case SummaryPeriod::Month:
            break;
    }
    return minute.left(7);
}

QString SummaryCellText(const SummaryRow& row, SummaryColumn column, SummaryPeriod by) {
    const bool any = row.Minutes() > 0;
    switch (column) {
        case SummaryColumn::Period:
            return PeriodText(row.Start, by);
        case SummaryColumn::Minutes:
            return QString::number(row.Minutes());
        case SummaryColumn::Coverage:
            return Fixed(row.Coverage, 1);
        case SummaryColumn::MeanCpm:
            return Fixed(row.MeanCpm, 2);
        case SummaryColumn::Lowest:
            return any ? QString::number(row.Totals.Lowest) : QString();
        case SummaryColumn::Highest:
            return any ? QString::number(row.Totals.Highest) : QString();
        case SummaryColumn::HighestTime:
            return any ? IsoMinute(row.Totals.HighestTime) : QString();
        case SummaryColumn::MeanDoseRate:
            return Fixed(row.MeanDoseRate, 4);
        case SummaryColumn::Dose:
            return Fixed(row.Dose, 4);
    }
    return {};
}

QByteArray SummaryCsv(const Summary& summary) {
    QByteArray csv = Header().join(u',').toUtf8() + "\r\n";
    for (int i = 0; i < summary.Count(); ++i) {
        csv += Cells(summary.Row(i), summary.By()).join(u',').toUtf8() + "\r\n";
    }
    return csv;
}

QString SummaryText(const Summary& summary) {
    std::vector<QStringList> lines{Header()};
    lines.reserve(size_t(summary.Count()) + 1);
    std::vector<qsizetype> widths(kSummaryColumns, 0);
    for (int i = 0; i < summary.Count(); ++i) {
        lines.push_back(Cells(summary.Row(i), summary.By()));
    }
    for (const QStringList& cells : lines) {
        for (int c = 0; c < kSummaryColumns; ++c) {
            widths[size_t(c)] = std::max(widths[size_t(c)], cells[c].size());
        }
    }
    QString text;
    for (const QStringList& cells : lines) {
        QString line = cells[0].leftJustified(widths[0]);
        for (int c = 1; c < kSummaryColumns; ++c) {
            line += QStringLiteral("  ") + cells[c].rightJustified(widths[size_t(c)]);
        }
        while (line.endsWith(u' ')) {
            line.chop(1);
        }
        text += line + u'\n';
    }
    return text + QStringLiteral("total: ") + SummaryTotalsText(summary.Totals()) + u'\n';
}

QString SummaryTotalsText(const SummaryTotals& totals) {
    QString text = QStringLiteral("%1 minutes").arg(totals.Minutes);
    if (totals.Minutes > 0) {
        text += QStringLiteral(", coverage %1 %, dose %2 uSv")
                    .arg(Fixed(totals.Coverage, 1), Fixed(totals.Dose, 4));
    }
    if (totals.Unread > 0) {
        text += QStringLiteral(", samples without a time left out: %1").arg(totals.Unread);
    }
    return text;
}
