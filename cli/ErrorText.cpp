#include "ErrorText.h"

#include "DateTime.h"
#include "MqttPublisher.h"

#include <QDir>
#include <QStringList>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

namespace CliText {

QString ReasonText(const FileError& error) {
    using Code = FileError::Code;
    switch (error.Why) {
        case Code::System:
            break;
        case Code::NotFound:
            // The system's text would be in the user's language on Windows.
            return QStringLiteral("no such file");
        case Code::NotRegularFile:
            return QStringLiteral("not a regular file");
        case Code::TooLarge:
            return QStringLiteral("larger than %1 MiB").arg(error.Limit >> 20);
        case Code::TooManyLines:
            return QStringLiteral("more than %1 lines").arg(error.Limit);
        case Code::OutOfMemory:
            return QStringLiteral("not enough memory");
        case Code::Stopped:
            return QStringLiteral("the read was stopped");
        case Code::Shrunk:
            return QStringLiteral("the file has become shorter");
        case Code::NotSynced:
            return QStringLiteral("cannot sync to disk");
        case Code::NoFolder:
            return QStringLiteral("cannot create its folder");
        case Code::NoFreeName:
            return QStringLiteral("%1 files of that name exist").arg(error.Limit);
        case Code::NoPdf:
            return QStringLiteral("cannot draw the PDF");
        case Code::OpenToOthers:
            return QStringLiteral(
                "its permissions are too open: others may read it (chmod 600 it)");
    }
    return error.Reason;
}

QString FileErrorText(const FileError& error) {
    // One arg for path and reason: a path holding "%1" stays as it is.
    const QString path = Native(error.Path);
    switch (error.Op) {
        case FileError::Operation::Read:
            return QStringLiteral("cannot read %1: %2").arg(path, ReasonText(error));
        case FileError::Operation::Write:
            break;
        case FileError::Operation::Append:
            return QStringLiteral("cannot append to %1: %2").arg(path, ReasonText(error));
        case FileError::Operation::ReadSettings:
            return QStringLiteral("not reading %1 (%2): the defaults apply")
                .arg(path, ReasonText(error));
        case FileError::Operation::WriteSettings:
            if (error.Reason.isEmpty()) {
                return QStringLiteral("cannot write %1").arg(path);
            }
            break;
    }
    return QStringLiteral("cannot write %1: %2").arg(path, ReasonText(error));
}

QString FailureText(const FileFailure& failure) {
    QStringList texts;
    for (const FileError& error : failure.Errors()) {
        texts << FileErrorText(error);
    }
    return texts.join(u'\n');
}

QString UnreadableLinesText(const QString& path, int lines, int firstLine) {
    return QStringLiteral("%1: %2 unreadable line(s), the first is line %3")
        .arg(path, QString::number(lines), QString::number(firstLine));
}

QString NotReadBackText(const QString& path, int line, int currentYear) {
    return QStringLiteral(
               "%1: line %2 would read back as another time: the program's own form has no "
               "seconds and two-digit years (%3 to %4)")
        .arg(path, QString::number(line), QString::number(currentYear - 50),
             QString::number(currentYear + 49));
}

QString TailErrorText(const FileError& error) {
    return QStringLiteral("cannot read the end of %1 (%2); its doses start afresh")
        .arg(Native(error.Path), ReasonText(error));
}

QString AppendEventText(const LogAppender::Event& event) {
    if (event.What == LogAppender::Event::Kind::Working) {
        return QStringLiteral("appending works again; %1 kept line(s) written").arg(event.Lines);
    }
    return FileErrorText(event.Error) +
           QStringLiteral("; %1 line(s) kept in memory, trying again").arg(event.Lines);
}

QString MqttEventText(const MqttEvent& event) {
    using Kind = MqttEvent::Kind;
    const QString where = event.Host + u':' + QString::number(event.Port);
    QString text;
    switch (event.What) {
        case Kind::Connected:
            return QStringLiteral("MQTT: connected to %1").arg(where);
        case Kind::Dropped:
            return QStringLiteral("MQTT: %1 minutes are waiting; dropped the oldest, %2")
                .arg(QString::number(event.Waiting), DateTime::MinuteText(event.DroppedTime));
        case Kind::Lost:
            text = QStringLiteral("lost %1 (%2)").arg(where, event.Reason);
            break;
        case Kind::Unreachable:
            text = QStringLiteral("cannot reach %1 (%2)").arg(where, event.Reason);
            break;
        case Kind::Refused:
            text = QStringLiteral("refused by %1: %2").arg(where, event.Reason);
            break;
        case Kind::TlsFailed:
            text = QStringLiteral("TLS failure with %1: %2").arg(where, event.Reason);
            break;
    }
    return QStringLiteral("MQTT: %1; next try in %2 s; %3 minute(s) waiting")
        .arg(text, QString::number(event.NextTrySeconds), QString::number(event.Waiting));
}

}  // namespace CliText
