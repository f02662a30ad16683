#include "CsvLog.h"

#include "AtomicFile.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "NumberFormat.h"
#include "SampleLog.h"
#include "UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <climits>
#include <optional>
#include <string>

namespace {

QString FullPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool IsBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 0x20;
}

QString DecodeText(const QByteArray& bytes) {
    QByteArrayView text(bytes);
    auto encoding = QStringConverter::Utf8;
    if (text.startsWith("\xFF\xFE")) {
        encoding = QStringConverter::Utf16LE;
        text = text.sliced(2);
    } else if (text.startsWith("\xFE\xFF")) {
        encoding = QStringConverter::Utf16BE;
        text = text.sliced(2);
    } else if (text.startsWith("\xEF\xBB\xBF")) {
        text = text.sliced(3);
    }
    // The mark has been taken off; a second one would be text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(text);
}

// Splits line into fields and calls take(index, field) for the first maxFields of them. A field
// view may point into scratch, so take must use it before it returns. Returns the fields taken.
template <typename Take>
int SplitFields(QStringView line, int maxFields, QString& scratch, Take&& take) {
    const qsizetype end = line.size();
    qsizetype p = 0;
    int count = 0;
    auto skipBlanks = [&] {
        while (p < end && IsBlank(line[p])) {
            ++p;
        }
    };
    auto add = [&](QStringView field) {
        take(count, field);
        return ++count < maxFields;
    };
    skipBlanks();
    while (p < end) {
        QStringView field;
        if (line[p] == u'"') {
            ++p;
            const qsizetype start = p;
            bool doubled = false;
            while (p < end && !(line[p] == u'"' && !(p + 1 < end && line[p + 1] == u'"'))) {
                if (line[p] == u'"') {
                    doubled = true;
                    ++p;
                }
                ++p;
            }
            field = line.sliced(start, p - start);
            if (doubled) {
                scratch = field.toString();
                scratch.replace(QLatin1String("\"\""), QLatin1String("\""));
                field = scratch;
            }
            if (p < end) {
                ++p;  // the closing quote
            }
        } else {
            const qsizetype start = p;
            while (p < end && !IsBlank(line[p]) && line[p] != u',') {
                ++p;
            }
            field = line.sliced(start, p - start);
        }
        if (!add(field)) {
            return count;
        }
        skipBlanks();
        if (p < end && line[p] == u',') {
            if (p + 1 == end && !add({})) {
                return count;
            }
            ++p;
            skipBlanks();
        }
    }
    return count;
}

Sample ParseLine(QStringView line, int currentYear, QString& scratch) {
    std::optional<DateTime::Date> date;
    std::optional<DateTime::TimeOfDay> time;
    std::int32_t cpm = 0;
    SplitFields(line, 3, scratch, [&](int index, QStringView field) {
        if (index == 0) {
            date = DateTime::ParseDate(field, currentYear);
        } else if (index == 1) {
            time = DateTime::ParseTime(field);
        } else if (const auto count = NumberFormat::ParseInt32(field)) {
            cpm = *count;
        }
    });
    // Date 1899-12-30 is the value 0, so a missing date leaves the bare time of day.
    return {DateTime::Encode(date.value_or(DateTime::Date{}), time.value_or(DateTime::TimeOfDay{})),
            cpm};
}

}  // namespace

std::vector<Sample> ParseCsvLog(const QByteArray& bytes, int currentYear) {
    const QString text = DecodeText(bytes);
    std::vector<Sample> samples;
    samples.reserve(size_t(text.size() / 20));
    QString scratch;
    const QStringView all(text);
    const qsizetype end = all.size();
    qsizetype p = 0;
    while (p < end) {
        const qsizetype start = p;
        while (p < end && all[p] != u'\r' && all[p] != u'\n') {
            ++p;
        }
        const QStringView line = all.sliced(start, p - start);
        if (p < end) {
            p += (all[p] == u'\r' && p + 1 < end && all[p + 1] == u'\n') ? 2 : 1;
        }
        samples.push_back(ParseLine(line, currentYear, scratch));
    }
    return samples;
}

std::vector<Sample> ReadCsvLog(const QString& path, int currentYear) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        throw UserError(QStringLiteral("ファイル %1 は開けません。 %2 ")
                            .arg(FullPath(path), file.errorString()));
    }
    return ParseCsvLog(bytes, currentYear);
}

QStringList SplitCsvLine(QStringView line) {
    QStringList fields;
    QString scratch;
    SplitFields(line, INT_MAX, scratch,
                [&](int, QStringView field) { fields.append(field.toString()); });
    return fields;
}

QByteArray CsvText(const std::vector<LogRecord>& records) {
    std::string out;
    out.reserve(records.size() * 32);
    for (const LogRecord& record : records) {
        AppendLogLine(record, out);
        out += "\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

QByteArray CsvTextOf(const SampleLog& log, const GraphSettings& settings) {
    std::string out;
    out.reserve(size_t(log.Count()) * 32);
    for (int i = 0; i < log.Count(); ++i) {
        AppendLogLine(RebuildRecord(log, i, settings), out);
        out += "\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

void WriteCsvLog(const QString& path, const QByteArray& text) {
    QString error;
    if (!WriteFileAtomically(path, text, &error)) {
        throw UserError(
            QStringLiteral("ファイル \"%1\" を作成できません。%2").arg(FullPath(path), error));
    }
}
