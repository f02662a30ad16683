#include "LogFileTail.h"

#include "AtomicFile.h"
#include "CsvLog.h"
#include "DisplayRules.h"
#include "FileState.h"
#include "SampleLog.h"
#include "UnreadableText.h"

#include <QFile>
#include <QFileInfo>

namespace {

void AppendLine(QByteArrayView line, QByteArray& text) {
    text.append(line);
    text.append("\r\n");
}

// The file text from sample from's line to the end: the samples from it on and the unreadable
// lines placed after it.
QByteArray TextFrom(const SampleLog& log, const UnreadableText& unreadable, int from,
                    const GraphSettings& settings) {
    QByteArray text;
    int line = unreadable.FirstAfter(from);
    for (int i = from; i < log.Count(); ++i) {
        for (; line < unreadable.Count() && unreadable.SamplesBefore(line) <= i; ++line) {
            AppendLine(unreadable.Text(line), text);
        }
        char chars[kMaxLogLineChars];
        const char* end = WriteLogLine(RebuildRecord(log, i, settings), chars);
        AppendLine(QByteArrayView(chars, end - chars), text);
    }
    for (; line < unreadable.Count(); ++line) {
        AppendLine(unreadable.Text(line), text);
    }
    return text;
}

// Whether the first size bytes of file are exactly the lines our writer gives the log before
// sample end's line.
bool HoldsTextBefore(QFile& file, qint64 size, const SampleLog& log,
                     const UnreadableText& unreadable, const GraphSettings& settings, int end) {
    if (!file.seek(0)) {
        return false;
    }
    CsvTextWriter writer(log, unreadable, settings, end);
    QByteArray ours;
    qint64 compared = 0;
    while (!writer.Done()) {
        ours.resize(0);
        writer.Append(ours, 1 << 16);
        if (compared + ours.size() > size || file.read(ours.size()) != ours) {
            return false;
        }
        compared += ours.size();
    }
    return compared == size;
}

}  // namespace

void LogFileTail::Remember(qint64 size, qint64 lastSampleOffset, QByteArray fromLastSample,
                           int samples) {
    size_ = size;
    lastSampleOffset_ = lastSampleOffset;
    fromLastSample_ = std::move(fromLastSample);
    samples_ = samples;
    modified_ = QFileInfo(path_).lastModified();
    identity_ = StateAt(path_).In;
}

void LogFileTail::Wrote(const QString& path, const QByteArray& text, const SampleLog& log,
                        const UnreadableText& unreadable, const GraphSettings& settings) {
    path_ = path;
    settings_ = settings;
    unchecked_ = false;
    if (log.Count() == 0) {
        Remember(text.size(), 0, {}, 0);
        return;
    }
    QByteArray fromLast = TextFrom(log, unreadable, log.Count() - 1, settings);
    const qint64 lastSample = text.size() - fromLast.size();
    Remember(text.size(), lastSample, std::move(fromLast), log.Count());
}

void LogFileTail::Opened(const QString& path, const SampleLog& log,
                         const UnreadableText& unreadable, const GraphSettings& settings) {
    path_ = path;
    settings_ = settings;
    unchecked_ = true;
    const qint64 size = QFileInfo(path).size();
    QByteArray fromLast;
    if (log.Count() > 0) {
        fromLast = TextFrom(log, unreadable, log.Count() - 1, settings);
    }
    if (log.Count() == 0 || fromLast.size() > size) {
        Forget();
        return;
    }
    const qint64 lastSample = size - fromLast.size();
    Remember(size, lastSample, std::move(fromLast), log.Count());
}

std::optional<LogFileTail::Plan> LogFileTail::PlanFor(const QString& path, const SampleLog& log,
                                                      const UnreadableText& unreadable,
                                                      const GraphSettings& settings) const {
    if (path_.isEmpty() || path != path_ || !(settings == settings_) || samples_ == 0 ||
        log.Count() < samples_) {
        return std::nullopt;
    }
    Plan plan;
    plan.Bytes = TextFrom(log, unreadable, samples_ - 1, settings);
    if (plan.Bytes.startsWith(fromLastSample_)) {
        plan.Bytes.remove(0, fromLastSample_.size());
        plan.Offset = size_;
    } else {
        plan.Offset = lastSampleOffset_;
    }
    const qsizetype fromLast = TextFrom(log, unreadable, log.Count() - 1, settings).size();
    plan.LastSampleOffset = plan.Offset + plan.Bytes.size() - fromLast;
    return plan;
}

bool LogFileTail::FileIsAsKnown(const SampleLog& log, const UnreadableText& unreadable) {
    QFile file(path_);
    const QFileInfo info(path_);
    if (!info.isFile() || info.size() != size_ || info.lastModified() != modified_ ||
        !file.open(QIODevice::ReadOnly) || !(IdentityOf(file) == identity_) ||
        !file.seek(lastSampleOffset_) || file.read(fromLastSample_.size()) != fromLastSample_) {
        return false;
    }
    if (unchecked_ &&
        !HoldsTextBefore(file, lastSampleOffset_, log, unreadable, settings_, samples_ - 1)) {
        return false;
    }
    unchecked_ = false;
    return true;
}

bool LogFileTail::Rewrite(const QString& path, const SampleLog& log,
                          const UnreadableText& unreadable, const GraphSettings& settings) {
    std::optional<Plan> plan = PlanFor(path, log, unreadable, settings);
    if (!plan || !FileIsAsKnown(log, unreadable)) {
        return false;
    }
    if (plan->Bytes.isEmpty()) {
        return true;
    }
    FileError error;
    if (!RewriteFileFrom(path, plan->Offset, plan->Bytes, &error)) {
        Forget();
        throw FileFailure(std::move(error));
    }
    const qsizetype lastSample = plan->LastSampleOffset - plan->Offset;
    Remember(plan->Offset + plan->Bytes.size(), plan->LastSampleOffset, plan->Bytes.mid(lastSample),
             log.Count());
    return true;
}
