#pragma once

#include "CliOutput.h"

#include <QStringList>
#include <cstdint>
#include <optional>

class DeviceLink;

// "settings [--simulate] [--set COEF BG]": the counter's own coefficient and background.
extern const char kSettingsUsage[];

// The counter's two settings as the wire carries them.
struct CounterSettings {
    std::uint16_t Coefficient = 0;  // units of 0.00001
    std::uint16_t Background = 0;
};

struct SettingsCommand {
    bool Simulate = false;
    std::optional<CounterSettings> Set;
};

// How long each answer of the counter is awaited.
inline constexpr int kSettingsAnswerTimeoutMs = 5000;

// The options after the word "settings"; --set takes the values the settings dialog takes.
// Returns nothing and sets error when they are not valid.
std::optional<SettingsCommand> ParseSettingsArguments(const QStringList& arguments, QString* error);

// Connects link, reads the counter's settings (command 2) and prints them; with set, writes
// them first (commands 1 and 3) and prints what the counter then reports. Each answer is
// awaited at most answerTimeoutMs. The link is stopped at the end. Returns the exit status:
// 0 done, 1 no counter, no answer, or the counter kept other values.
int ExchangeSettings(DeviceLink& link, const std::optional<CounterSettings>& set,
                     int answerTimeoutMs, const Printer& out, const Printer& err);

int RunSettings(const QStringList& arguments);
