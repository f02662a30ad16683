#pragma once

#include "FileError.h"
#include "LiveMinutes.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

#include <QString>
#include <optional>
#include <vector>

// The end of a log file that lines are appended to, and the dose column the next line gets by
// the file's own rule, the one Save and convert write: the mean over the ten lines before it,
// none while fewer than ten lines come before it.

// Beyond this many bytes from its end a file is not read for its last lines.
inline constexpr qint64 kMaxLogTailBytes = qint64(1) << 20;

// The last n samples of the file at path, as ReadCsvLog reads them (a line that does not read
// is no sample), reading only from the end of the file, so a file years long costs no more
// than a new one. Fewer when the file has fewer samples; none for a missing file. Lines
// beyond kMaxLogTailBytes from the end count as samples of 0 CPM. Returns nothing and sets
// error to a Read error when the file is no regular file (NotRegularFile) or cannot be read
// (System, with the system's reason).
std::optional<std::vector<Sample>> ReadLogTail(const QString& path, int n, int currentYear,
                                               FileError* error);

// The record of sample as the line after the given lines of a file: its time and count, and
// its dose over the last ten of them when there are ten. Then appends sample to lines.
LogRecord NextLineRecord(LiveSamples& lines, const Sample& sample, const GraphSettings& settings);
