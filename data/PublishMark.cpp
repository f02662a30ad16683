#include "PublishMark.h"

#include "AtomicFile.h"
#include "DateTime.h"
#include "RegularFile.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

namespace {

constexpr QByteArrayView kStationKey = "station=";
constexpr QByteArrayView kAcknowledgedKey = "acknowledged=";

QByteArray MinuteText(double value) {
    const DateTime::Parts t = DateTime::Decode(DateTime::TruncateToMinute(value));
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", t.date.year, t.date.month, t.date.day,
                             t.time.hour, t.time.minute)
        .toLatin1();
}

std::optional<double> MinuteOf(QByteArrayView text) {
    static const QRegularExpression minute(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = minute.match(QString::fromLatin1(text));
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int year = m.captured(1).toInt(), month = m.captured(2).toInt();
    const int day = m.captured(3).toInt(), hour = m.captured(4).toInt();
    const int min = m.captured(5).toInt();
    if (!DateTime::IsValidDate(year, month, day) || hour > 23 || min > 59) {
        return std::nullopt;
    }
    return DateTime::Encode(year, month, day, hour, min);
}

// A mark file that cannot be read, or whose text (what) is no mark.
FileError Unreadable(const QString& path, const QString& what) {
    return {FileError::Operation::Read, FileError::Code::System, path, what, 0};
}

}  // namespace

QString MarkPathFor(const QString& logFile, const QString& dailyDir, const QString& publisher) {
    if (!dailyDir.isEmpty()) {
        return QDir(dailyDir).filePath(u'.' + publisher + QStringLiteral(".state"));
    }
    return logFile + u'.' + publisher + QStringLiteral(".state");
}

std::optional<PublishMark> ReadPublishMark(const QString& path, FileError* error) {
    QFile file;
    qint64 size = 0;
    if (std::optional<FileError> refused =
            OpenRegularFile(path, kMaxPublishMarkBytes, file, size)) {
        if (refused->Why != FileError::Code::NotFound) {
            *error = std::move(*refused);
        }
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxPublishMarkBytes);
    if (file.error() != QFileDevice::NoError) {
        *error = Unreadable(path, file.errorString());
        return std::nullopt;
    }
    std::optional<QString> station;
    std::optional<double> acknowledged;
    for (QByteArrayView line : bytes.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.startsWith(kStationKey)) {
            station = QUrl::fromPercentEncoding(line.sliced(kStationKey.size()).toByteArray());
        } else if (line.startsWith(kAcknowledgedKey)) {
            acknowledged = MinuteOf(line.sliced(kAcknowledgedKey.size()));
            if (!acknowledged) {
                *error = Unreadable(path, QString::fromUtf8(line));
                return std::nullopt;
            }
        } else if (!line.trimmed().isEmpty() && !line.contains('=')) {
            *error = Unreadable(path, QString::fromUtf8(line));
            return std::nullopt;
        }
    }
    if (!station || !acknowledged) {
        *error = Unreadable(path, QString::fromLatin1(station ? kAcknowledgedKey : kStationKey));
        return std::nullopt;
    }
    return PublishMark{*station, *acknowledged};
}

bool WritePublishMark(const QString& path, const PublishMark& mark, FileError* error) {
    const QByteArray text = kStationKey.toByteArray() + QUrl::toPercentEncoding(mark.Station) +
                            '\n' + kAcknowledgedKey.toByteArray() + MinuteText(mark.Acknowledged) +
                            '\n';
    return WriteFileAtomically(path, text, error, true);
}
