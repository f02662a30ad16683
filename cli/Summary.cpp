#include "Summary.h"

#include "Arguments.h"
#include "CliOutput.h"
#include "CsvLog.h"
#include "ErrorText.h"
#include "SummaryTable.h"

#include <QDate>
#include <cstdio>

using namespace CliText;

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
    "Exit status: 0 done; 1 a file could not be read; 2 wrong arguments; 3 some lines did not\n"
    "read as a sample (the table is printed all the same, without them).\n";

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
    if (options->Csv) {
        const QByteArray csv = SummaryCsv(summary);
        std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout);
        std::fflush(stdout);
    } else {
        PrintText(stdout, SummaryText(summary));
    }
    return unreadable > 0 ? 3 : 0;
}
