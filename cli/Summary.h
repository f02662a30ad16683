#pragma once

#include "PeriodSummary.h"
#include "SampleDisplay.h"

#include <QString>
#include <QStringList>
#include <optional>

// "summary [--by hour|day|month] [--coefficient X] [--background N] [--csv] FILE...": the
// summaries of one or more log files read as one log.
extern const char kSummaryUsage[];

struct SummaryOptions {
    SummaryPeriod By = SummaryPeriod::Day;
    GraphSettings Settings;
    bool Csv = false;
    QStringList Files;
};

// The options after the word "summary". Returns nothing and sets error when they are not valid.
std::optional<SummaryOptions> ParseSummaryArguments(const QStringList& arguments, QString* error);

// Prints the table on stdout. Returns the exit status: 0 done, 1 a file could not be read or
// the table could not be written, 2 wrong arguments, 3 some lines did not read as a sample (the
// table is printed all the same), 4 the table would have more than kMaxSummaryRows rows.
int RunSummary(const QStringList& arguments);
