#include "Convert.h"

#include "CsvLog.h"
#include "NumberFormat.h"
#include "SampleLog.h"

std::optional<ConvertOptions> ParseConvertArguments(const QStringList& arguments, QString* error) {
    ConvertOptions options;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            files.append(argument);
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype eq = argument.indexOf(u'='); eq >= 0) {
            name = argument.left(eq);
            value = argument.mid(eq + 1);
        }
        if (name != u"--coefficient" && name != u"--background") {
            *error = QStringLiteral("unknown option %1").arg(name);
            return std::nullopt;
        }
        if (!value) {
            if (++i == arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = arguments[i];
        }
        if (name == u"--coefficient") {
            const std::optional<double> x = NumberFormat::ParseFloat(*value);
            if (!x) {
                *error = QStringLiteral("--coefficient takes a number, not \"%1\"").arg(*value);
                return std::nullopt;
            }
            options.Settings.GraphCoefficient = *x;
        } else {
            const std::optional<std::int32_t> n = NumberFormat::ParseInt32(*value);
            if (!n) {
                *error = QStringLiteral("--background takes an integer, not \"%1\"").arg(*value);
                return std::nullopt;
            }
            options.Settings.GraphBackground = *n;
        }
    }
    if (files.size() != 2) {
        *error = QStringLiteral("convert takes an input and an output file");
        return std::nullopt;
    }
    options.Input = files[0];
    options.Output = files[1];
    return options;
}

ConvertResult Convert(const ConvertOptions& options, int currentYear) {
    const CsvReadResult read = ReadCsvLog(options.Input, currentYear);
    SampleLog log;
    log.Reserve(int(read.Samples.size()));
    for (const Sample& sample : read.Samples) {
        log.Append(sample);
    }
    WriteCsvLog(options.Output, CsvTextOf(log, options.Settings));
    return {read.UnreadableLines, read.FirstUnreadableLine};
}
