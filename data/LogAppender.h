#pragma once

#include "FileError.h"
#include "FileState.h"
#include "PlatformFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>

// Appends lines to log files and never rewrites what was there: a file is created when missing,
// each line (followed by CR LF) is written at its end, flushed and synced to disk. A file that
// does not end with a line end gets one first, so that a new line never runs on from the last.
// Each line goes in whole or not at all: a line cut short (a full disk) is taken back off the
// file's end, and where that fails it is finished later, never written twice. Lines that cannot
// be appended (disk full, folder removed, no permission) stay queued in order and go out, oldest
// first, at the next Append or Flush that can write them.
class LogAppender {
public:
    // A change in whether lines can be appended.
    struct Event {
        enum class Kind {
            Failing,  // Error says why the oldest queued line could not be appended
            Working,  // appending works again
        };
        Kind What = Kind::Failing;
        FileError Error;  // an Append error; Failing only
        int Lines = 0;    // Failing: the lines kept in memory; Working: the kept lines written
    };
    using Report = std::function<void(const Event& event)>;

    // Where the last line appended went: the file's path, and the file as that line left it
    // (its size where the line ends), so a reader of its end can tell whether anyone else has
    // replaced or written to it since.
    struct Landing {
        QString Path;  // empty before the first line
        FileState After;
    };

    // report hears once when appending starts to fail and once when it works again.
    explicit LogAppender(Report report);

    // Queues line for the file at path, then appends all that is queued. Returns true when
    // nothing is left queued.
    bool Append(const QString& path, const QByteArray& line);
    // Appends what is queued, oldest first, stopping at the first failure. Returns true when
    // nothing is left queued.
    bool Flush();

    // Lines waiting to be appended.
    int Queued() const { return int(queue_.size()); }
    // Bytes appended so far and still in the files, line ends included.
    std::int64_t BytesWritten() const { return bytesWritten_; }
    const Landing& LastLine() const { return last_; }

private:
    struct Line {
        QString Path;
        QByteArray Bytes;    // the line and its CR LF
        QByteArray Pending;  // what this attempt writes: a missing line end, then Bytes
        qint64 At = 0;       // where Pending starts in the file identified by In
        qsizetype Done = 0;  // bytes of Pending already there
        FileIdentity In;
    };
    bool AppendOne(Line& line, FileError* error);

    Report report_;
    std::deque<Line> queue_;
    bool failing_ = false;
    std::int64_t bytesWritten_ = 0;
    Landing last_;
};

// Whether lines can be appended to path: it is opened for reading and appending (the end of
// the file is read before each line), and created when missing, its folder entry then synced.
// Anything but a regular file is refused without opening it. Returns false and sets error to an
// Append error (NotRegularFile, or System with the system's reason) when the file cannot be used.
bool CanAppendTo(const QString& path, FileError* error);
