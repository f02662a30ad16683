#pragma once

#include <QString>
#include <cstdio>
#include <functional>

// Where a command writes its lines; tests collect them.
using Printer = std::function<void(const QString& line)>;
// Printers for stdout and stderr.
Printer StdoutPrinter();
Printer StderrPrinter();

// Text for the terminal, in the locale's encoding; each call flushes, so lines reach a pipe or
// the journal at once.
void PrintText(std::FILE* stream, const QString& text);
// text and a line end.
void PrintLine(std::FILE* stream, const QString& text);
// Writes bytes to stdout and flushes them. Returns false and sets reason to the system's text
// when they could not all be written (a full disk, a closed pipe).
bool WriteStdout(const QByteArray& bytes, QString* reason);
// "solamine-cli: text" on stderr.
void PrintError(const QString& text);
// The error and the command's usage on stderr; returns 2, the exit status for wrong arguments.
int WrongArguments(const QString& error, const char* usage);
