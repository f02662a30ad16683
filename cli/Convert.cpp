#include "Convert.h"

#include "Arguments.h"
#include "AtomicFile.h"
#include "CsvLog.h"
#include "FileError.h"
#include "ReadBack.h"
#include "SampleLog.h"


std::optional<ConvertOptions> ParseConvertArguments(const QStringList& arguments, QString* error) {
    ConvertOptions options;
    const std::optional<Arguments> parsed = ParseArguments(arguments, {}, kGraphOptions, error);
    if (!parsed || !ReadGraphOptions(*parsed, options.Settings, error)) {
        return std::nullopt;
    }
    const QStringList& files = parsed->Words;
    if (files.size() != 2) {
        *error = QStringLiteral("convert takes an input and an output file");
        return std::nullopt;
    }
    options.Input = files[0];
    options.Output = files[1];
    return options;
}

ConvertResult Convert(const ConvertOptions& options, int currentYear) {
    CsvReadResult read = ReadCsvLog(options.Input, currentYear);
    SampleLog log;
    log.Assign(std::move(read.Samples));
    FileError error;
    if (!WriteFileAtomically(options.Output, CsvTextOf(log, options.Settings, read.Unreadable),
                             &error)) {
        throw FileFailure(std::move(error));
    }
    const int foreign = FirstSampleNotReadBack(log.Samples(), currentYear);
    return {read.UnreadableLines(), read.FirstUnreadableLine(),
            foreign < 0 ? 0 : read.Unreadable.LineOfSample(foreign)};
}
