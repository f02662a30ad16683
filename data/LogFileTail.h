#pragma once

#include "PlatformFile.h"
#include "SampleDisplay.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

class SampleLog;
class UnreadableText;

// What a log file holds on disk since it was last written or read, so that the next automatic
// save can rewrite only the lines that changed since. Live data changes only the last sample and
// appends new ones, and a line's dose depends on the samples before it only, so with the same
// settings every line before the last sample's stays as it is. Unreadable lines keep their
// places: those after the last sample stay before the samples appended.
class LogFileTail {
public:
    // The bytes to write from Offset on, and where the last sample's line starts once they are
    // written.
    struct Plan {
        qint64 Offset = 0;
        QByteArray Bytes;
        qint64 LastSampleOffset = 0;
    };

    // text, the whole file text of log and unreadable with settings, was just written to path.
    void Wrote(const QString& path, const QByteArray& text, const SampleLog& log,
               const UnreadableText& unreadable, const GraphSettings& settings);
    // log and unreadable were just read from the file at path. If the file holds exactly the
    // text our writer gives them with settings, the automatic save may bring it up to date
    // from its end as after a write; the first Rewrite reads the file once to make sure.
    void Opened(const QString& path, const SampleLog& log, const UnreadableText& unreadable,
                const GraphSettings& settings);
    // Nothing is known of the file any more: the next save replaces it whole.
    void Forget() { path_.clear(); }

    // The rewrite that brings the file written or read last up to log: from the last sample's
    // line when that line changed, else from the end. Nothing when the file was another one,
    // the settings differ or the log has fewer samples than the file (or it had none). Bytes
    // is empty when nothing changed.
    std::optional<Plan> PlanFor(const QString& path, const SampleLog& log,
                                const UnreadableText& unreadable,
                                const GraphSettings& settings) const;

    // Carries out PlanFor when the file on disk is still exactly what was written or read last
    // (the same file, its size, modification time and the bytes from its last sample's line
    // on; after Opened, every byte before them too): space reserved, the end rewritten, the
    // file cut, flushed and synced. Returns false, having written nothing, when a whole new
    // file is needed instead. Throws a FileFailure with a Write error when the write fails; the
    // file is then forgotten.
    bool Rewrite(const QString& path, const SampleLog& log, const UnreadableText& unreadable,
                 const GraphSettings& settings);

private:
    bool FileIsAsKnown(const SampleLog& log, const UnreadableText& unreadable);
    void Remember(qint64 size, qint64 lastSampleOffset, QByteArray fromLastSample, int samples);

    QString path_;  // empty: nothing known
    GraphSettings settings_;
    int samples_ = 0;
    qint64 size_ = 0;
    qint64 lastSampleOffset_ = 0;
    QByteArray fromLastSample_;  // the last sample's line and the lines after it, line ends too
    QDateTime modified_;
    FileIdentity identity_;
    bool unchecked_ = false;  // the bytes before the last sample's line are not known yet
};
