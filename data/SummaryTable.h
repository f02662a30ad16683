#pragma once

#include "PeriodSummary.h"

#include <QByteArray>
#include <QString>

// The summary's table as text: the cells the window shows, the CSV a spreadsheet reads and the
// aligned text of the command line share one set of columns and one way of writing each value.
enum class SummaryColumn {
    Period,
    Minutes,
    Coverage,
    MeanCpm,
    Lowest,
    Highest,
    HighestTime,
    MeanDoseRate,
    Dose
};
inline constexpr int kSummaryColumns = 9;

// The column's name in the CSV header and the command line's table ("mean_usv_h").
QString SummaryColumnName(SummaryColumn column);

// The start of a period in ISO form: "2026-03-29 02:00" by hour, "2026-03-29" by day,
// "2026-03" by month.
QString PeriodText(double start, SummaryPeriod by);

// A cell as text with "." decimals; empty where the period has no value (no minute logged).
QString SummaryCellText(const SummaryRow& row, SummaryColumn column, SummaryPeriod by);

// A header line, then a line per period, ending with CR LF; UTF-8 without a byte-order mark.
QByteArray SummaryCsv(const Summary& summary);

// The table with columns aligned, then a line of totals; lines end with LF.
QString SummaryText(const Summary& summary);

// "1440 minutes, coverage 100.0 %, dose 1.3200 uSv" and the samples that did not read, if any.
QString SummaryTotalsText(const SummaryTotals& totals);
