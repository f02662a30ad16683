#include "Convert.h"

#include "Arguments.h"
#include "AtomicFile.h"
#include "CsvLog.h"
#include "SampleLog.h"
#include "UserError.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Why a log file could not be read, in the command line's language (the window's reading
// error is in Japanese).
QString ReadProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return QStringLiteral("no such file");
    }
    if (!info.isFile()) {
        return QStringLiteral("not a regular file");
    }
    if (info.size() > kMaxCsvLogBytes) {
        return QStringLiteral("larger than 512 MiB");
    }
    if (!info.isReadable()) {
        return QStringLiteral("permission denied");
    }
    return QStringLiteral("read error");
}

}  // namespace

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
    CsvReadResult read;
    try {
        read = ReadCsvLog(options.Input, currentYear);
    } catch (const UserError&) {
        throw UserError(
            QStringLiteral("cannot read %1: %2")
                .arg(QDir::toNativeSeparators(options.Input), ReadProblem(options.Input)));
    }
    SampleLog log;
    log.Assign(std::move(read.Samples));
    QString error;
    if (!WriteFileAtomically(options.Output, CsvTextOf(log, options.Settings), &error)) {
        throw UserError(QStringLiteral("cannot write %1: %2")
                            .arg(QDir::toNativeSeparators(options.Output), error));
    }
    return {read.UnreadableLines, read.FirstUnreadableLine};
}
