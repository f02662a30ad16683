#include "CsvLog.h"

#include "AtomicFile.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "LargeBuffer.h"
#include "NumberFormat.h"
#include "SampleLog.h"
#include "UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <string>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// One line as a Sample; readable is false when the date, the time or the count is missing or
// does not parse.
Sample ParseLine(QStringView line, int currentYear, QString& scratch, bool& readable) {
    std::optional<DateTime::Date> date;
    std::optional<DateTime::TimeOfDay> time;
    std::optional<std::int32_t> cpm;
    SplitFields(line, 3, scratch, [&](int index, QStringView field) {
        if (index == 0) {
            date = DateTime::ParseDate(field, currentYear);
        } else if (index == 1) {
            time = DateTime::ParseTime(field);
        } else {
            cpm = NumberFormat::ParseInt32(field);
        }
    });
    readable = date && time && cpm;
    // Date 1899-12-30 is the value 0, so a missing date leaves the bare time of day.
    return {DateTime::Encode(date.value_or(DateTime::Date{}), time.value_or(DateTime::TimeOfDay{})),
            cpm.value_or(0)};
}

[[noreturn]] void ThrowCannotOpen(const QString& path, const QString& reason) {
    throw UserError(QStringLiteral("ファイル %1 は開けません。 %2 ").arg(FullPath(path), reason));
}

QString SystemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

#ifdef Q_OS_UNIX
// Opens path for reading without blocking (a FIFO without a writer would hang a plain open) and
// refuses anything but a regular file of a sensible size before a byte is read.
QByteArray ReadRegularFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        ThrowCannotOpen(path, SystemErrorText(errno));
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        ThrowCannotOpen(path, SystemErrorText(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        ThrowCannotOpen(path, QStringLiteral("通常のファイルではありません"));
    }
    if (info.st_size > kMaxCsvLogBytes) {
        ThrowCannotOpen(path, QStringLiteral("512 MiB を超える大きさです"));
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ThrowCannotOpen(path, SystemErrorText(errno));
        }
        if (n == 0) {
            break;
        }
        // A file that grows while it is read must not get past the limit either.
        if (bytes.size() + n > kMaxCsvLogBytes) {
            ThrowCannotOpen(path, QStringLiteral("512 MiB を超える大きさです"));
        }
        bytes.append(buffer, n);
    }
    return bytes;
}
#else
QByteArray ReadRegularFile(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        ThrowCannotOpen(path, QStringLiteral("通常のファイルではありません"));
    }
    if (info.size() > kMaxCsvLogBytes) {
        ThrowCannotOpen(path, QStringLiteral("512 MiB を超える大きさです"));
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.read(kMaxCsvLogBytes + 1);
    }
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        ThrowCannotOpen(path, file.errorString());
    }
    if (bytes.size() > kMaxCsvLogBytes) {
        ThrowCannotOpen(path, QStringLiteral("512 MiB を超える大きさです"));
    }
    return bytes;
}
#endif

}  // namespace

CsvReadResult ParseCsvLog(const QByteArray& bytes, int currentYear) {
    const QString text = DecodeText(bytes);
    CsvReadResult result;
    std::vector<Sample>& samples = result.Samples;
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
        bool readable = false;
        samples.push_back(ParseLine(line, currentYear, scratch, readable));
        if (!readable && result.UnreadableLines++ == 0) {
            result.FirstUnreadableLine = int(samples.size());
        }
    }
    return result;
}

CsvReadResult ReadCsvLog(const QString& path, int currentYear) {
    return ParseCsvLog(ReadRegularFile(path), currentYear);
}

QStringList SplitCsvLine(QStringView line) {
    QStringList fields;
    QString scratch;
    SplitFields(line, INT_MAX, scratch,
                [&](int, QStringView field) { fields.append(field.toString()); });
    return fields;
}

namespace {

// The file text of count records, next() giving each in turn: written straight into one
// buffer, which grows only when a line might not fit.
template <typename Next>
QByteArray TextOfRecords(size_t count, Next&& next) {
    QByteArray text;
    text.resize(qsizetype(count) * 32);
    AdviseHugePages(text.data(), size_t(text.size()));
    char* out = text.data();
    LogLineWriter writer;
    for (size_t i = 0; i < count; ++i) {
        if (text.data() + text.size() - out < kMaxLogLineChars + 2) {
            const qsizetype used = out - text.data();
            text.resize(text.size() * 2 + kMaxLogLineChars + 2);
            AdviseHugePages(text.data(), size_t(text.size()));
            out = text.data() + used;
        }
        out = writer.Write(next(), out);
        *out++ = '\r';
        *out++ = '\n';
    }
    text.resize(out - text.data());
    return text;
}

}  // namespace

QByteArray CsvText(const std::vector<LogRecord>& records) {
    auto it = records.begin();
    return TextOfRecords(records.size(), [&] { return *it++; });
}

QByteArray CsvTextOf(const SampleLog& log, const GraphSettings& settings) {
    RebuildRecords records(log, settings);
    return TextOfRecords(size_t(log.Count()), [&] { return records.Next(); });
}

void WriteCsvLog(const QString& path, const QByteArray& text) {
    QString error;
    if (!WriteFileAtomically(path, text, &error)) {
        throw UserError(
            QStringLiteral("ファイル \"%1\" を作成できません。%2").arg(FullPath(path), error));
    }
}
