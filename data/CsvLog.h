#pragma once

#include "FileError.h"
#include "SampleLog.h"
#include "UnreadableText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

struct LogRecord;
struct GraphSettings;

// CSV log files: one line per sample, "yy/mm/dd, hh:nn, cpm[, dose]", CR LF, ASCII.

// What reading a log file gives: a Sample for each line that reads as one, and the text of each
// line that does not (the date, the time or the count missing or not parsing; a blank line
// too), at its place among the samples.
struct CsvReadResult {
    std::vector<Sample> Samples;
    UnreadableText Unreadable;

    int UnreadableLines() const { return Unreadable.Count(); }
    // Counted from 1; 0 when every line was readable.
    int FirstUnreadableLine() const { return Unreadable.IsEmpty() ? 0 : Unreadable.LineNumber(0); }
};

// Logs of more lines than this are refused: thirty years of minutes fit.
inline constexpr qint64 kMaxCsvLogSamples = qint64(1) << 24;
// The longest line the file text holds for a sample: "yy/mm/dd, hh:nn" (one more for a year's
// sign), the count (11), the dose (NumberFormat::kMaxGeneralChars), two ", " and CR LF.
inline constexpr qint64 kMaxCsvLineBytes = 16 + 11 + 24 + 4 + 2;
// Files larger than this are refused before reading. Any log of samples that reads within the
// line bound is saved within it, so what Open accepts, Open accepts again after a save. Only a
// file whose unreadable lines, written back as they were, hold most of its bytes could grow
// past it.
inline constexpr qint64 kMaxCsvLogBytes = kMaxCsvLogSamples * kMaxCsvLineBytes;

// Reads a log file: a Sample for each line whose date, time and count read, the text of every
// other line kept at its place; no line is lost. Two-digit years land in the hundred years
// starting 50 years before currentYear. Only a regular file of at most kMaxCsvLogBytes is read;
// anything else (a FIFO, a device, a directory) is refused without opening it for reading. A
// file of more than kMaxCsvLogSamples lines is refused as soon as its lines pass the bound.
// stopRequested, when given, is asked between pieces of the file (every 64 KiB); when it
// answers true the read ends. Throws a FileFailure with a Read error when the file is refused
// (NotFound, NotRegularFile, TooLarge, TooManyLines; Limit the bound), cannot be read (System),
// does not fit in memory (OutOfMemory), or the read was stopped (Stopped).
CsvReadResult ReadCsvLog(const QString& path, int currentYear,
                         const std::function<bool()>& stopRequested = {});

// The same from the file's bytes: a byte-order mark picks UTF-16 LE, UTF-16 BE or UTF-8,
// otherwise the bytes are taken as they are (fields are ASCII; an unreadable line keeps its
// bytes). UTF-16 lines are kept as UTF-8. Lines end at CR LF, LF or CR. Reads every line,
// however many; never fails.
CsvReadResult ParseCsvLog(const QByteArray& bytes, int currentYear);

// Reads a log from its bytes in pieces of any size, as they come: Finish gives what
// ParseCsvLog gives for all the bytes at once. expectedBytes, when known, lets room be made
// once; lines past maxLines are not kept, and TooManyLines then tells.
class CsvLogParser {
public:
    CsvLogParser(int currentYear, qint64 expectedBytes = 0,
                 qint64 maxLines = std::numeric_limits<qint64>::max());
    ~CsvLogParser();
    CsvLogParser(const CsvLogParser&) = delete;
    CsvLogParser& operator=(const CsvLogParser&) = delete;

    void Add(QByteArrayView piece);
    bool TooManyLines() const;
    // Ends the last line; nothing may be added after.
    CsvReadResult Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The fields of one line: commas and runs of whitespace (U+0001..U+0020) separate, double
// quotes enclose a field with "" standing for one quote; a comma ending the line gives an
// empty last field. An empty or blank line has no fields.
QStringList SplitCsvLine(QStringView line);

// The file text of the given log lines: each LogLine followed by CR LF; empty for none.
QByteArray CsvText(const std::vector<LogRecord>& records);

// The file text a save writes for a sample log and the unreadable lines read with it: the
// lines a full rebuild would show, with each unreadable line's text as it was at its place.
// When the first line is an unreadable one that starts like a byte-order mark, a UTF-8 mark
// goes first, so that the text reads back the same.
QByteArray CsvTextOf(const SampleLog& log, const GraphSettings& settings,
                     const UnreadableText& unreadable = {});

// Writes that file text piece by piece, as CsvTextOf would, up to sample end's line: the lines
// before it, or the whole text when end is log.Count(). The log and the lines must stay as they
// are while it writes.
class CsvTextWriter {
public:
    CsvTextWriter(const SampleLog& log, const UnreadableText& unreadable,
                  const GraphSettings& settings, int end);
    ~CsvTextWriter();
    CsvTextWriter(const CsvTextWriter&) = delete;
    CsvTextWriter& operator=(const CsvTextWriter&) = delete;

    // Appends whole lines to text until it has grown by at least bytes or the text is written.
    void Append(QByteArray& text, qsizetype bytes);
    bool Done() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Replaces the file at path with text, all or nothing. Throws a FileFailure with a Write error
// on failure; the old file is then left as it was.
void WriteCsvLog(const QString& path, const QByteArray& text);
