#pragma once

#include "SampleDisplay.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

class SampleLog;

// What the last write of a log file left on disk, so that the next automatic save can rewrite
// only the lines that changed since. Live data changes only the last sample and appends new
// ones, and a line's dose depends on the samples before it only, so with the same settings
// every line before the last one written stays as it is.
class LogFileTail {
public:
    // The bytes to write from Offset on, and where the last of their lines starts.
    struct Plan {
        qint64 Offset = 0;
        QByteArray Bytes;
        qint64 LastLineOffset = 0;
    };

    // text, the whole file text of log with settings, was just written to path.
    void Wrote(const QString& path, const QByteArray& text, const SampleLog& log,
               const GraphSettings& settings);
    // Nothing is known of the file any more: the next save replaces it whole.
    void Forget() { path_.clear(); }

    // The rewrite that brings the file written last up to log: from the last line written when
    // its sample changed, else from the end. Nothing when the file was another one, the
    // settings differ or the log has fewer samples than were written (or none were). Bytes is
    // empty when nothing changed.
    std::optional<Plan> PlanFor(const QString& path, const SampleLog& log,
                                const GraphSettings& settings) const;

    // Carries out PlanFor when the file on disk is still exactly what was written last (its
    // size, modification time and the bytes of the last line written): space reserved, the
    // end rewritten, the file cut, flushed and synced. Returns false, having written nothing,
    // when a whole new file is needed instead. Throws a FileFailure with a Write error when the
    // write fails; the file is then forgotten.
    bool Rewrite(const QString& path, const SampleLog& log, const GraphSettings& settings);

private:
    bool FileIsAsWritten() const;
    void Remember(qint64 size, qint64 lastLineOffset, QByteArray lastLine, int samples);

    QString path_;  // empty: nothing known
    GraphSettings settings_;
    int samples_ = 0;
    qint64 size_ = 0;
    qint64 lastLineOffset_ = 0;
    QByteArray lastLine_;  // with its line end
    QDateTime modified_;
};
