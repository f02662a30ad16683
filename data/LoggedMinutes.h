#pragma once

#include "FileError.h"
#include "SampleDisplay.h"

#include <QString>
#include <optional>
#include <vector>

// The minutes a log holds after a time, as their lines have them: what a publisher sends again
// after a restart, before the live minutes.

// Where minutes are logged: one file, or the daily files YYYY-MM-DD.csv of a folder when
// DailyDir is not empty.
struct MinuteSource {
    QString File;
    QString DailyDir;
};

// The whole minutes logged from `from` on (minute start >= from), but none older than oldest,
// as their lines have them: time, count and the dose column by the file's own rule (the ten
// lines before, in the same file), in file order. A file is read from its end only as far back
// as the last line older than both bounds and the ten lines before it; every line after that
// one is taken, so lines whose time went back (a clock set back) keep their file order. From a
// folder, the files of the days from the bounds' day on are read, oldest day first; a
// missing day, or a missing file or folder, gives no minutes and no error. Lines that do not
// read are passed over. Returns nothing and sets error to a Read error when a file cannot be
// read (NotRegularFile, System).
std::optional<std::vector<LogRecord>> ReadLoggedMinutes(const MinuteSource& source, double from,
                                                        double oldest,
                                                        const GraphSettings& settings,
                                                        int currentYear, FileError* error);

// The whole minutes logged in [from, to), as ReadLoggedMinutes gives them: from a folder, only
// the files of the days from from's day to the day of to's last millisecond are read, so a
// range costs its own days whatever lies around them. Errors as ReadLoggedMinutes.
std::optional<std::vector<LogRecord>> ReadLoggedRange(const MinuteSource& source, double from,
                                                      double to, const GraphSettings& settings,
                                                      int currentYear, FileError* error);
