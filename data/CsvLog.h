#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

struct Sample;
struct LogRecord;
struct GraphSettings;
class SampleLog;

// CSV log files: one line per sample, "yy/mm/dd, hh:nn, cpm[, dose]", CR LF, ASCII.

// Reads a log file: one Sample per line, none skipped; unparsable fields give Time parts of 0
// and a Cpm of 0. Two-digit years land in the hundred years starting 50 years before
// currentYear. Throws UserError "ファイル %s は開けません。 %s " when the file cannot be read.
std::vector<Sample> ReadCsvLog(const QString& path, int currentYear);

// The same from the file's bytes: a byte-order mark picks UTF-16 LE, UTF-16 BE or UTF-8,
// otherwise UTF-8 (invalid bytes replaced). Lines end at CR LF, LF or CR. Never fails.
std::vector<Sample> ParseCsvLog(const QByteArray& bytes, int currentYear);

// The fields of one line: commas and runs of whitespace (U+0001..U+0020) separate, double
// quotes enclose a field with "" standing for one quote; a comma ending the line gives an
// empty last field. An empty or blank line has no fields.
QStringList SplitCsvLine(QStringView line);

// The file text of the given log lines: each LogLine followed by CR LF; empty for none.
QByteArray CsvText(const std::vector<LogRecord>& records);

// The file text a save writes for a sample log: the lines a full rebuild would show.
QByteArray CsvTextOf(const SampleLog& log, const GraphSettings& settings);

// Replaces the file at path with text, all or nothing. Throws UserError
// "ファイル "%s" を作成できません。%s" on failure; the old file is then left as it was.
void WriteCsvLog(const QString& path, const QByteArray& text);
