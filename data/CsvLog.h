#pragma once

#include "SampleLog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

struct LogRecord;
struct GraphSettings;

// CSV log files: one line per sample, "yy/mm/dd, hh:nn, cpm[, dose]", CR LF, ASCII.

// What reading a log file gives: one Sample per line, and which lines did not read as a
// sample (the date, the time or the count missing or not parsing; a blank line too).
struct CsvReadResult {
    std::vector<Sample> Samples;
    int UnreadableLines = 0;
    int FirstUnreadableLine = 0;  // counted from 1; 0 when every line was readable
};

// Files larger than this are refused before reading (about thirty years of minutes).
inline constexpr qint64 kMaxCsvLogBytes = qint64(512) * 1024 * 1024;

// Reads a log file: one Sample per line, none skipped; unparsable fields give Time parts of 0
// and a Cpm of 0. Two-digit years land in the hundred years starting 50 years before
// currentYear. Only a regular file of at most kMaxCsvLogBytes is read; anything else (a FIFO,
// a device, a directory) is refused without opening it for reading. Throws UserError
// "ファイル %s は開けません。 %s " when the file is refused or cannot be read.
CsvReadResult ReadCsvLog(const QString& path, int currentYear);

// The same from the file's bytes: a byte-order mark picks UTF-16 LE, UTF-16 BE or UTF-8,
// otherwise UTF-8 (invalid bytes replaced). Lines end at CR LF, LF or CR. Never fails.
CsvReadResult ParseCsvLog(const QByteArray& bytes, int currentYear);

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
