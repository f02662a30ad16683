#pragma once

#include "PlatformFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>

// Appends lines to log files and never rewrites or truncates one: a file is created when
// missing, each line (followed by CR LF) is written at its end, flushed and synced to disk.
// Lines that cannot be appended (disk full, folder removed, no permission) stay queued in order
// and go out, oldest first, at the next Append or Flush that can write them. A line cut short
// by a full disk is finished later, never written twice.
class LogAppender {
public:
    using Report = std::function<void(const QString& text)>;

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
    // Bytes appended so far, line ends included.
    std::int64_t BytesWritten() const { return bytesWritten_; }

private:
    struct Line {
        QString Path;
        QByteArray Bytes;
        qsizetype Done = 0;  // bytes already in the file identified by In
        FileIdentity In;
    };
    bool AppendOne(Line& line, QString* error);

    Report report_;
    std::deque<Line> queue_;
    bool failing_ = false;
    std::int64_t bytesWritten_ = 0;
};

// Whether lines can be appended to path: it is opened for appending, and created when missing.
// Anything but a regular file is refused without opening it. Returns false and sets error when
// the file cannot be used.
bool CanAppendTo(const QString& path, QString* error);
