#pragma once

#include "SampleLog.h"
#include "UnreadableText.h"

#include <QString>
#include <functional>
#include <vector>

// A folder of daily log files read as one record: what `solamine-cli log --daily` writes, one
// file a local day, named YYYY-MM-DD.csv. Other files in the folder (a record saved as one
// file, a file converted by hand, the publishers' hidden state) are not part of it: reading
// them too would count their minutes twice.

// Whether a file name is a daily log's: YYYY-MM-DD.csv.
bool IsDailyFileName(const QString& name);

// The daily files of dir, oldest day first; none when dir cannot be listed.
QStringList DailyFilesOf(const QString& dir);

// What reading a folder gives: one record sorted by time, each minute once.
struct LogFolderRead {
    std::vector<Sample> Samples;
    // The lines of every file that did not read as a sample, each before the minute that
    // followed it in its file (after the record's end when none did).
    UnreadableText Unreadable;
    int Files = 0;
    // Samples left out because an earlier one (by time, then file, then line) had their
    // minute: the same minute in two files, or twice in one.
    int Duplicates = 0;

    int UnreadableLines() const { return Unreadable.Count(); }
    // Counted from 1 in the record as a save writes it; 0 when every line read.
    int FirstUnreadableLine() const { return Unreadable.IsEmpty() ? 0 : Unreadable.LineNumber(0); }
};

// Reads every daily file of dir (ReadCsvLog, two-digit years placed by currentYear) and merges
// them into one record in time order. Files written day after day come in order already; files
// whose minutes overlap or go back are sorted, keeping file and line order among equal times.
// Throws a FileFailure: a ReadFolder error when dir is no folder (NotFound), holds nothing
// (EmptyFolder), holds no daily file (NoLogFiles) or more lines in all than kMaxCsvLogSamples
// (TooManyLines); a Read error as ReadCsvLog throws it for a file that cannot be read.
// stopRequested is asked as ReadCsvLog asks it, and between files.
LogFolderRead ReadLogFolder(const QString& dir, int currentYear,
                            const std::function<bool()>& stopRequested = {});
