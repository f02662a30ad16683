#include "Arguments.h"

#include "NumberFormat.h"
#include "SampleDisplay.h"

std::optional<Arguments> ParseArguments(const QStringList& arguments, const QStringList& flags,
                                        const QStringList& valued, QString* error) {
    Arguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            parsed.Words.append(argument);
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
        if (flags.contains(name) && !value) {
            parsed.Flags.insert(name);
            continue;
        }
        if (!valued.contains(name)) {
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
        parsed.Values.insert(name, *value);
        parsed.AllValues[name] << *value;
    }
    return parsed;
}

bool AsksForHelp(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == u"--") {
            return false;
        }
        if (argument == u"--help" || argument == u"-h") {
            return true;
        }
    }
    return false;
}

bool ReadGraphOptions(const Arguments& arguments, GraphSettings& settings, QString* error) {
    if (const auto text = arguments.Values.constFind(QStringLiteral("--coefficient"));
        text != arguments.Values.cend()) {
        const std::optional<double> x = NumberFormat::ParseFloat(*text);
        if (!x) {
            *error = QStringLiteral("--coefficient takes a number, not \"%1\"").arg(*text);
            return false;
        }
        settings.GraphCoefficient = *x;
    }
    if (const auto text = arguments.Values.constFind(QStringLiteral("--background"));
        text != arguments.Values.cend()) {
        const std::optional<std::int32_t> n = NumberFormat::ParseInt32(*text);
        if (!n) {
            *error = QStringLiteral("--background takes an integer, not \"%1\"").arg(*text);
            return false;
        }
        settings.GraphBackground = *n;
    }
    return true;
}
