#include "Settings.h"

#include "Arguments.h"
#include "DeviceLink.h"
#include "DeviceSettings.h"
#include "Devices.h"
#include "HidBackend.h"

const char kSettingsUsage[] =
    "usage: solamine-cli settings [--simulate] [--set COEF BG]\n"
    "\n"
    "Prints the counter's own coefficient (0 to 0.65535, as the settings dialog shows it) and\n"
    "background (0 to 65535). --set writes them to the counter first. Exit status: 0 done,\n"
    "1 no counter or no answer within 5 s, 2 wrong arguments.\n";

std::optional<SettingsCommand> ParseSettingsArguments(const QStringList& arguments,
                                                      QString* error) {
    const std::optional<Arguments> parsed = ParseArguments(
        arguments, {QStringLiteral("--simulate"), QStringLiteral("--set")}, {}, error);
    if (!parsed) {
        return std::nullopt;
    }
    SettingsCommand command;
    command.Simulate = parsed->Flags.contains(QStringLiteral("--simulate"));
    const QStringList& values = parsed->Words;
    if (!parsed->Flags.contains(QStringLiteral("--set"))) {
        if (!values.isEmpty()) {
            *error = QStringLiteral("settings takes values only after --set");
            return std::nullopt;
        }
        return command;
    }
    if (values.size() != 2) {
        *error = QStringLiteral("--set takes a coefficient and a background");
        return std::nullopt;
    }
    const std::optional<std::uint16_t> coefficient = ParseDeviceCoefficient(values[0]);
    if (!coefficient) {
        *error = QStringLiteral("the coefficient is a number from 0 to 0.65535, not \"%1\"")
                     .arg(values[0]);
        return std::nullopt;
    }
    const std::optional<std::uint16_t> background = ParseDeviceBackground(values[1]);
    if (!background) {
        *error = QStringLiteral("the background is a whole number from 0 to 65535, not \"%1\"")
                     .arg(values[1]);
        return std::nullopt;
    }
    command.Set = CounterSettings{*coefficient, *background};
    return command;
}

namespace {

int Fail(DeviceLink& link, const Printer& err, const QString& text) {
    err(QStringLiteral("solamine-cli: ") + text);
    link.StopClick();
    return 1;
}

}  // namespace

int ExchangeSettings(DeviceLink& link, const std::optional<CounterSettings>& set,
                     int answerTimeoutMs, const Printer& out, const Printer& err) {
    link.SetAnswerTimeout(answerTimeoutMs);
    const QString silent = QStringLiteral("the counter gave no valid answer within %1 s")
                               .arg(answerTimeoutMs / 1000.0);
    const bool answered = link.StartClick();
    if (!link.Connected()) {
        return Fail(link, err,
                    link.CounterPresent()
                        ? QStringLiteral("a counter is there, but ") + AccessHint()
                        : QStringLiteral("no counter found"));
    }
    if (!answered) {
        return Fail(link, err, silent);
    }
    if (set) {
        link.DeviceCoefficient = set->Coefficient;
        link.DeviceBackground = set->Background;
        // Read back: the counter's own answer is the proof that it took the values.
        if (!link.WriteDeviceSettings() || !link.StartClick()) {
            return Fail(link, err, silent);
        }
    }
    out(QStringLiteral("coefficient %1").arg(DeviceCoefficientText(link.DeviceCoefficient)));
    out(QStringLiteral("background %1").arg(link.DeviceBackground));
    if (set &&
        (link.DeviceCoefficient != set->Coefficient || link.DeviceBackground != set->Background)) {
        return Fail(link, err, QStringLiteral("the counter kept other values"));
    }
    link.StopClick();
    return 0;
}

int RunSettings(const QStringList& arguments) {
    QString error;
    const std::optional<SettingsCommand> command = ParseSettingsArguments(arguments, &error);
    if (!command) {
        return WrongArguments(error, kSettingsUsage);
    }
    DeviceLink link(command->Simulate ? MakeSimulatedBackend() : MakeHidapiBackend(), nullptr);
    return ExchangeSettings(link, command->Set, kSettingsAnswerTimeoutMs, StdoutPrinter(),
                            StderrPrinter());
}
