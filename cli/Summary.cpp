#include "Summary.h"

#include "Arguments.h"
#include "CliOutput.h"
#include "CsvLog.h"
#include "ErrorText.h"
#include "SummaryTable.h"

#include <QDate>

using namespace CliText;

static_assert(kMaxSummaryRows == 300'000, "the usage quotes the bound");
const char kSummaryUsage[] =
    "usage: solamine-cli summary [--by hour|day|month] [--coefficient X] [--background N]\n"
    "                            [--csv] FILE...\n"
    "\n"
    "Prints per period (default day; local time) the minutes logged, the coverage, the mean,\n"
    "lowest and highest CPM with the minute of the highest, the mean dose rate in uSv/h and\n"
    "the dose in uSv: coefficient * sum over the minutes of max(cpm - background, 0) / 60\n"
    "(coefficient in uSv/h per CPM, default 0.00158; background in CPM, default 0). Several\n"
    "files are read as one log sorted by time: daily files may be named in any order. Aligned\n"
    "text with a line of totals, or CSV with --csv.\n"
    "\n"
    "A table of more than 300000 periods is refused: summarize by a longer period.\n"
    "\n"
    "Exit status: 0 done; 1 a file could not be read, or the table could not be written; 2 wrong\n"
    "arguments; 3 some lines did not read as a sample (the table is printed all the same, without\n"
    "them); 4 the table would be longer than 300000 periods.\n";

namespace {

// Says how long the table would be, from when to when, and what to do instead.
QString TooManyRowsText(const Summary& summary) {
    const SummaryPeriod by = summary.By();
    return QStringLiteral(
               "the table by %1 would have %2 rows, from %3 to %4, more than %5; summarize by "
               "a longer period, or leave out the lines dated far from the rest")
        .arg(PeriodName(by), QString::number(summary.Count()), PeriodText(summary.Row(0).Start, by),
             PeriodText(summary.Row(summary.Count() - 1).Start, by),
             QString::number(kMaxSummaryRows));
}

}  // namespace

std::optional<SummaryOptions> ParseSummaryArguments(const QStringList& arguments, QString* error) {
    SummaryOptions options;
    const std::optional<Arguments> parsed =
        ParseArguments(arguments, {QStringLiteral("--csv")},
                       kGraphOptions + QStringList{QStringLiteral("--by")}, error);
    if (!parsed || !ReadGraphOptions(*parsed, options.Settings, error)) {
        return std::nullopt;
    }
    if (const auto by = parsed->Values.constFind(QStringLiteral("--by"));
        by != parsed->Values.cend() && !ParsePeriodName(*by, &options.By)) {
        *error = QStringLiteral("--by takes hour, day or month, not \"%1\"").arg(*by);
        return std::nullopt;
    }
    if (parsed->Words.isEmpty()) {
        *error = QStringLiteral("summary takes one or more files");
        return std::nullopt;
    }
    options.Csv = parsed->Flags.contains(QStringLiteral("--csv"));
    options.Files = parsed->Words;
    return options;
}

int RunSummary(const QStringList& arguments) {
    QString error;
    const std::optional<SummaryOptions> options = ParseSummaryArguments(arguments, &error);
    if (!options) {
        return WrongArguments(error, kSummaryUsage);
    }
    Summary summary(options->By, options->Settings);
    int unreadable = 0;
    try {
        for (const QString& file : options->Files) {
            const CsvReadResult read = ReadCsvLog(file, QDate::currentDate().year());
            summary.Add(read.Samples);
            if (read.UnreadableLines() > 0) {
                PrintError(
                    UnreadableLinesText(file, read.UnreadableLines(), read.FirstUnreadableLine()));
                unreadable += read.UnreadableLines();
            }
        }
    } catch (const FileFailure& e) {
        PrintError(FailureText(e));
        return 1;
    }
    if (summary.Count() > kMaxSummaryRows) {
        PrintError(TooManyRowsText(summary));
        return 4;
    }
    const QByteArray table =
        options->Csv ? SummaryCsv(summary) : SummaryText(summary).toLocal8Bit();
    if (QString reason; !WriteStdout(table, &reason)) {
        PrintError(QStringLiteral("cannot write the table: %1").arg(reason));
        return 1;
    }
    return unreadable > 0 ? 3 : 0;
}
