#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

struct GraphSettings;

// The words after a command: options ("--name value", "--name=value", or a flag) and the other
// words in order. "--" ends the options; "-" alone is a word. A repeated option keeps its last
// value.
struct Arguments {
    QMap<QString, QString> Values;
    QMap<QString, QStringList> AllValues;  // every value of each valued option, in order
    QSet<QString> Flags;
    QStringList Words;
};

// Sorts arguments by the options a command knows: flags take no value, valued options one.
// Returns nothing and sets error for an unknown option or a missing value.
std::optional<Arguments> ParseArguments(const QStringList& arguments, const QStringList& flags,
                                        const QStringList& valued, QString* error);

// Whether "--help" or "-h" stands among the options (before "--"): the command then prints its
// usage and does nothing else.
bool AsksForHelp(const QStringList& arguments);

// The graph options every command that writes log lines takes.
inline const QStringList kGraphOptions{QStringLiteral("--coefficient"),
                                       QStringLiteral("--background")};

// Sets the coefficient and background that --coefficient and --background name. Returns false
// and sets error when a value does not parse.
bool ReadGraphOptions(const Arguments& arguments, GraphSettings& settings, QString* error);
