#pragma once

#include "SampleDisplay.h"

#include <QString>
#include <QStringList>
#include <optional>

// "convert [--coefficient X] [--background N] IN OUT": a log file rewritten as Save writes it.
struct ConvertOptions {
    GraphSettings Settings;
    QString Input;
    QString Output;
};

// The options after the word "convert". Returns nothing and sets error when they are not valid.
std::optional<ConvertOptions> ParseConvertArguments(const QStringList& arguments, QString* error);

// What a conversion found in its input: the lines that did not read as a sample and the first
// of them (counted from 1), both 0 when every line read; and the first line whose sample would
// read back from Output as another time (seconds, a year two digits do not hold), 0 for none.
struct ConvertResult {
    int UnreadableLines = 0;
    int FirstUnreadableLine = 0;
    int FirstForeignLine = 0;
};

// Reads Input as Open does and writes Output as Save does (the lines that did not read as they
// were), with two-digit years placed around currentYear. Throws a FileFailure when either file
// fails; a device or FIFO at Output is refused with a Write error NotRegularFile before it is
// touched (WriteFileAtomically), and left as it was.
ConvertResult Convert(const ConvertOptions& options, int currentYear);
