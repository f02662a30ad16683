#include "LogFileTail.h"

#include "AtomicFile.h"
#include "DisplayRules.h"
#include "SampleLog.h"

#include <QFile>
#include <QFileInfo>

namespace {

void AppendLine(const SampleLog& log, int index, const GraphSettings& settings, QByteArray& text) {
    char line[kMaxLogLineChars + 2];
    char* end = WriteLogLine(RebuildRecord(log, index, settings), line);
    *end++ = '\r';
    *end++ = '\n';
    text.append(line, end - line);
}

QDateTime ModificationTime(const QString& path) {
    return QFileInfo(path).lastModified();
}

}  // namespace

void LogFileTail::Remember(qint64 size, qint64 lastLineOffset, QByteArray lastLine, int samples) {
    size_ = size;
    lastLineOffset_ = lastLineOffset;
    lastLine_ = std::move(lastLine);
    samples_ = samples;
    modified_ = ModificationTime(path_);
}

void LogFileTail::Wrote(const QString& path, const QByteArray& text, const SampleLog& log,
                        const GraphSettings& settings) {
    path_ = path;
    settings_ = settings;
    // The text ends with a line end: the last line starts after the one before it.
    const qsizetype before = text.size() < 3 ? -1 : text.lastIndexOf("\r\n", text.size() - 3);
    const qsizetype lastLine = before < 0 ? 0 : before + 2;
    Remember(text.size(), lastLine, text.mid(lastLine), log.Count());
}

std::optional<LogFileTail::Plan> LogFileTail::PlanFor(const QString& path, const SampleLog& log,
                                                      const GraphSettings& settings) const {
    if (path_.isEmpty() || path != path_ || !(settings == settings_) || samples_ == 0 ||
        log.Count() < samples_) {
        return std::nullopt;
    }
    Plan plan;
    AppendLine(log, samples_ - 1, settings, plan.Bytes);
    if (plan.Bytes == lastLine_) {
        plan.Bytes.clear();
        plan.Offset = size_;
        plan.LastLineOffset = lastLineOffset_;
    } else {
        plan.Offset = lastLineOffset_;
        plan.LastLineOffset = lastLineOffset_;
    }
    for (int i = samples_; i < log.Count(); ++i) {
        plan.LastLineOffset = plan.Offset + plan.Bytes.size();
        AppendLine(log, i, settings, plan.Bytes);
    }
    return plan;
}

bool LogFileTail::FileIsAsWritten() const {
    QFile file(path_);
    const QFileInfo info(path_);
    if (!info.isFile() || info.size() != size_ || ModificationTime(path_) != modified_ ||
        !file.open(QIODevice::ReadOnly) || !file.seek(lastLineOffset_)) {
        return false;
    }
    return file.read(lastLine_.size()) == lastLine_;
}

bool LogFileTail::Rewrite(const QString& path, const SampleLog& log,
                          const GraphSettings& settings) {
    std::optional<Plan> plan = PlanFor(path, log, settings);
    if (!plan || !FileIsAsWritten()) {
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
    const qsizetype lastLine = plan->LastLineOffset - plan->Offset;
    Remember(plan->Offset + plan->Bytes.size(), plan->LastLineOffset, plan->Bytes.mid(lastLine),
             log.Count());
    return true;
}
