#include "CsvLog.h"

#include "AtomicFile.h"
#include "CharCode.h"
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
#include <string_view>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString FullPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool IsBlank(unsigned code) {
    return code - 1 < 0x20u;
}

// Splits line (a QStringView or the bytes of a line) into fields and calls take(index, field)
// for the first maxFields of them. A field may point into scratch, so take must use it before
// it returns. Returns the fields taken.
template <typename View, typename Scratch, typename Take>
int SplitFields(View line, int maxFields, Scratch& scratch, Take&& take) {
    const qsizetype end = qsizetype(line.size());
    qsizetype p = 0;
    int count = 0;
    const auto code = [&](qsizetype i) { return CharCode(line[i]); };
    const auto skipBlanks = [&] {
        while (p < end && IsBlank(code(p))) {
            ++p;
        }
    };
    const auto add = [&](View field) {
        take(count, field);
        return ++count < maxFields;
    };
    skipBlanks();
    while (p < end) {
        View field;
        if (code(p) == '"') {
            ++p;
            const qsizetype start = p;
            bool doubled = false;
            while (p < end && !(code(p) == '"' && !(p + 1 < end && code(p + 1) == '"'))) {
                if (code(p) == '"') {
                    doubled = true;
                    ++p;
                }
                ++p;
            }
            field = View(line.data() + start, p - start);
            if (doubled) {
                // Every quote inside is the first of a pair: keep it, drop its twin.
                scratch.clear();
                for (qsizetype i = start; i < p; i += code(i) == '"' ? 2 : 1) {
                    scratch.push_back(line[i]);
                }
                field = View(scratch);
            }
            if (p < end) {
                ++p;  // the closing quote
            }
        } else {
            const qsizetype start = p;
            while (p < end && !IsBlank(code(p)) && code(p) != ',') {
                ++p;
            }
            field = View(line.data() + start, p - start);
        }
        if (!add(field)) {
            return count;
        }
        skipBlanks();
        if (p < end && code(p) == ',') {
            if (p + 1 == end && !add({})) {
                return count;
            }
            ++p;
            skipBlanks();
        }
    }
    return count;
}

// Turns the bytes of a log file into samples, one line at a time as they arrive: lines end at
// CR LF, LF or CR, and the fields are read from the bytes themselves (ASCII and UTF-8 alike).
class LineParser {
public:
    LineParser(int currentYear, qint64 expectedBytes) : currentYear_(currentYear) {
        // The shortest line the program writes has 20 bytes; room that is not used costs
        // address space only.
        ReserveLarge(result_.Samples, size_t(expectedBytes / 20 + 1));
    }

    // Parses the complete lines at the start of bytes and returns how many bytes they took.
    // With atEnd, a last line without a line end is complete too.
    size_t Feed(std::string_view bytes, bool atEnd) {
        size_t p = 0;
        if (skipLf_ && !bytes.empty()) {
            skipLf_ = false;
            p = bytes[0] == '\n' ? 1 : 0;
        }
        // The next LF is searched once and kept, so that a file without any (CR only) is not
        // searched to its end for every line.
        const auto nextLf = [&] { return std::min(bytes.find('\n', p), bytes.size()); };
        size_t lf = nextLf();
        while (p < bytes.size()) {
            if (lf < p) {
                lf = nextLf();
            }
            const size_t q = std::min(bytes.substr(0, lf).find('\r', p), lf);
            if (q == bytes.size() && !atEnd) {
                break;
            }
            AddLine(bytes.substr(p, q - p));
            p = q + 1;
            if (p < bytes.size() && bytes[q] == '\r' && bytes[p] == '\n') {
                ++p;
            } else if (p == bytes.size() && bytes[q] == '\r') {
                skipLf_ = true;  // its LF, if any, comes with the next bytes
            }
        }
        return std::min(p, bytes.size());
    }

    CsvReadResult Take() { return std::move(result_); }

private:
    void AddLine(std::string_view line) {
        std::optional<DateTime::Date> date;
        std::optional<DateTime::TimeOfDay> time;
        std::optional<std::int32_t> cpm;
        SplitFields(line, 3, scratch_, [&](int index, std::string_view field) {
            if (index == 0) {
                date = ParseDate(field);
            } else if (index == 1) {
                time = DateTime::ParseTime(field);
            } else {
                cpm = NumberFormat::ParseInt32(field);
            }
        });
        std::vector<Sample>& samples = result_.Samples;
        GrowLarge(samples);
        // Date 1899-12-30 is the value 0, so a missing date leaves the bare time of day.
        samples.push_back({DateTime::Encode(date.value_or(DateTime::Date{}),
                                            time.value_or(DateTime::TimeOfDay{})),
                           cpm.value_or(0)});
        if (!(date && time && cpm) && result_.UnreadableLines++ == 0) {
            result_.FirstUnreadableLine = int(samples.size());
        }
    }

    // Consecutive lines mostly share their date: parse each date text once.
    std::optional<DateTime::Date> ParseDate(std::string_view field) {
        if (field != lastDateText_) {
            lastDateText_.assign(field);
            lastDate_ = DateTime::ParseDate(field, currentYear_);
        }
        return lastDate_;
    }

    int currentYear_;
    std::string lastDateText_;
    std::optional<DateTime::Date> lastDate_;
    bool skipLf_ = false;
    std::string scratch_;
    CsvReadResult result_;
};

// Hands the bytes of a log file, in pieces of any size, to a LineParser. The byte-order mark
// picks the encoding: UTF-8 and unmarked bytes are parsed as they come, UTF-16 is gathered and
// turned into UTF-8 at the end.
class ByteFeeder {
public:
    explicit ByteFeeder(LineParser& parser) : parser_(parser) {}

    void Add(std::string_view bytes) {
        pending_.append(bytes);
        if (encoding_ == Encoding::Unknown) {
            if (pending_.size() < 3) {
                return;
            }
            TakeByteOrderMark();
        }
        if (encoding_ == Encoding::Utf8) {
            pending_.erase(0, parser_.Feed(pending_, false));
        }
    }

    void Finish() {
        if (encoding_ == Encoding::Unknown) {
            TakeByteOrderMark();
        }
        if (encoding_ != Encoding::Utf8) {
            // The mark has been taken off; a second one would be text.
            QStringDecoder decoder(encoding_ == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                                  : QStringConverter::Utf16BE,
                                   QStringConverter::Flag::ConvertInitialBom);
            const QByteArray text = QString(decoder.decode(QByteArrayView(pending_))).toUtf8();
            pending_.assign(text.constData(), size_t(text.size()));
        }
        parser_.Feed(pending_, true);
        pending_.clear();
    }

private:
    enum class Encoding { Unknown, Utf8, Utf16LE, Utf16BE };

    void TakeByteOrderMark() {
        const std::string_view start(pending_);
        if (start.starts_with("\xFF\xFE")) {
            encoding_ = Encoding::Utf16LE;
            pending_.erase(0, 2);
        } else if (start.starts_with("\xFE\xFF")) {
            encoding_ = Encoding::Utf16BE;
            pending_.erase(0, 2);
        } else {
            encoding_ = Encoding::Utf8;
            if (start.starts_with("\xEF\xBB\xBF")) {
                pending_.erase(0, 3);
            }
        }
    }

    LineParser& parser_;
    Encoding encoding_ = Encoding::Unknown;
    std::string pending_;  // bytes not parsed yet: the start of a line, or all UTF-16 text
};

[[noreturn]] void ThrowCannotOpen(const QString& path, const QString& reason) {
    throw UserError(QStringLiteral("ファイル %1 は開けません。 %2 ").arg(FullPath(path), reason));
}

// Only the POSIX reader asks errno; on Windows Qt gives the system's text (FormatMessage).
[[maybe_unused]] QString SystemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void ThrowTooLarge(const QString& path) {
    ThrowCannotOpen(path, QStringLiteral("512 MiB を超える大きさです"));
}

constexpr qint64 kReadChunk = 1 << 16;

// Opens path for reading and refuses anything but a regular file of a sensible size before a
// byte is read. Then reads it in pieces: start(size) first, add(piece) for each.
template <typename Start, typename Add>
void ReadRegularFile(const QString& path, Start&& start, Add&& add) {
    QFile file;
    qint64 size = 0;
#ifdef Q_OS_UNIX
    // Without blocking: a FIFO without a writer would hang a plain open. The checks then look
    // at what was opened, not at a path that may have changed since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        ThrowCannotOpen(path, SystemErrorText(errno));
    }
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        ThrowCannotOpen(path, SystemErrorText(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        ThrowCannotOpen(path, QStringLiteral("通常のファイルではありません"));
    }
    size = qint64(info.st_size);
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        ThrowCannotOpen(path, QStringLiteral("通常のファイルではありません"));
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ThrowCannotOpen(path, file.errorString());
    }
    size = info.size();
#endif
    if (size > kMaxCsvLogBytes) {
        ThrowTooLarge(path);
    }
    start(size);
    QByteArray buffer(kReadChunk, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(buffer.data(), kReadChunk);
        if (n < 0) {
            ThrowCannotOpen(path, file.errorString());
        }
        if (n == 0) {
            break;
        }
        // A file that grows while it is read must not get past the limit either.
        total += n;
        if (total > kMaxCsvLogBytes) {
            ThrowTooLarge(path);
        }
        add(std::string_view(buffer.constData(), size_t(n)));
    }
}

}  // namespace

CsvReadResult ParseCsvLog(const QByteArray& bytes, int currentYear) {
    LineParser parser(currentYear, bytes.size());
    ByteFeeder feeder(parser);
    feeder.Add(std::string_view(bytes.constData(), size_t(bytes.size())));
    feeder.Finish();
    return parser.Take();
}

CsvReadResult ReadCsvLog(const QString& path, int currentYear) {
    std::optional<LineParser> parser;
    std::optional<ByteFeeder> feeder;
    ReadRegularFile(
        path,
        [&](qint64 size) {
            parser.emplace(currentYear, size);
            feeder.emplace(*parser);
        },
        [&](std::string_view bytes) { feeder->Add(bytes); });
    feeder->Finish();
    return parser->Take();
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
    WriteFileOrThrow(path, text);
}
