#include "ErrorText.h"

#include "DateTime.h"
#include "MapEvent.h"
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
        case Code::EmptyFolder:
            return QStringLiteral("the folder is empty");
        case Code::NoLogFiles:
            return QStringLiteral("the folder holds no daily log (YYYY-MM-DD.csv)");
    }
    return error.Reason;
}

QString FileErrorText(const FileError& error) {
    // One arg for path and reason: a path holding "%1" stays as it is.
    const QString path = Native(error.Path);
    switch (error.Op) {
        case FileError::Operation::Read:
        case FileError::Operation::ReadFolder:
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

namespace {

// What a map answered: its own words with the HTTP status where one came.
QString AnswerText(const MapAnswer& answer) {
    switch (answer.Why) {
        case MapAnswer::Code::UnknownAccount:
            return QStringLiteral("unknown account");
        case MapAnswer::Code::UnknownCounter:
            return QStringLiteral("unknown counter");
        case MapAnswer::Code::Other:
            break;
    }
    if (answer.Status == 0 || answer.Reason.startsWith(QStringLiteral("HTTP "))) {
        return answer.Reason;
    }
    return QStringLiteral("HTTP %1: \"%2\"").arg(answer.Status).arg(answer.Reason);
}

}  // namespace

QString MapEventText(const MapEvent& event) {
    using Kind = MapEvent::Kind;
    const QString name = MapServiceName(event.Service);
    switch (event.What) {
        case Kind::Resumed:
            return QStringLiteral("%1: uploading again; %2 reading(s) waiting")
                .arg(name)
                .arg(event.Waiting);
        case Kind::Failing:
            return QStringLiteral(
                       "%1: cannot upload (%2) to %3; next try in %4 s; %5 reading(s) "
                       "waiting")
                .arg(name, AnswerText(event.Answer), event.Url)
                .arg(event.NextTrySeconds)
                .arg(event.Waiting);
        case Kind::SlowedDown:
            return QStringLiteral(
                       "%1: the service asks for fewer requests (%2); waiting readings "
                       "go more slowly, one after %3 s")
                .arg(name, AnswerText(event.Answer))
                .arg(event.NextTrySeconds);
        case Kind::Refused:
            return QStringLiteral(
                       "%1: refused (%2) at %3; no more uploads to %1 until the next "
                       "start; the log keeps every minute")
                .arg(name, AnswerText(event.Answer), event.Url);
        case Kind::Dropped:
            break;
    }
    return QStringLiteral("%1: %2 readings are waiting; dropping the oldest from %3 on")
        .arg(name)
        .arg(event.Waiting)
        .arg(DateTime::MinuteText(event.DroppedTime));
}

}  // namespace CliText
