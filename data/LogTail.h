#pragma once

#include "FileError.h"
#include "FileState.h"
#include "LiveMinutes.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

// The end of a log file that lines are appended to, and the dose column the next line gets by
// the file's own rule, the one Save and convert write: the mean over the ten lines before it,
// none while fewer than ten lines come before it.

// The last lines of a log file, and the file they were read from as it was then.
struct LogFileEnd {
    std::vector<Sample> Lines;
    FileState Seen;  // Size -1 when there was no file
};

// The last n samples of the file at path, as ReadCsvLog reads them (a line that does not read
// is no sample), reading only from the end of the file, so a file years long costs no more
// than a new one. A line of any length reads as it does in the whole file; while it is
// read it takes as much memory as it is long. Fewer when the file has fewer samples; none for a
// missing file. Returns nothing and sets error to a Read error when the file is no regular
// file (NotRegularFile) or cannot be read (System, with the system's reason).
std::optional<LogFileEnd> ReadLogTail(const QString& path, int n, int currentYear,
                                      FileError* error);

// The samples of the file at path from one of its line starts to its end, reading backwards
// from the end as ReadLogTail does: the last firstLines lines, then twice as many, and so on,
// until enough holds for the samples read or the file's start is reached. Lines holds them all,
// in file order. The same errors as ReadLogTail.
std::optional<LogFileEnd> ReadLogEndUntil(
    const QString& path, int firstLines, int currentYear,
    const std::function<bool(const std::vector<Sample>&)>& enough, FileError* error);

// The record of sample as the line after the given lines of a file: its time and count, and
// its dose over the last ten of them when there are ten. Then appends sample to lines.
LogRecord NextLineRecord(LiveSamples& lines, const Sample& sample, const GraphSettings& settings);
