#include "CsvLog.h"

#include "AtomicFile.h"
#include "CharCode.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "LargeBuffer.h"
#include "NumberFormat.h"
#include "RegularFile.h"
#include "SampleLog.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace {

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
// A line that does not read is kept as its bytes.
class LineParser {
public:
    LineParser(int currentYear, qint64 expectedBytes, qint64 maxLines)
        : currentYear_(currentYear), maxLines_(maxLines) {
        // The shortest line the program writes has 20 bytes; room that is not used costs
        // address space only.
        ReserveLarge(result_.Samples, size_t(std::min(expectedBytes / 20 + 1, maxLines)));
    }

    // Parses the complete lines at the start of bytes and returns how many bytes they took.
    // With atEnd, a last line without a line end is complete too.
    size_t Feed(std::string_view bytes, bool atEnd) {
        const size_t size = bytes.size();
        size_t p = 0;
        if (skipLf_ && size > 0) {
            skipLf_ = false;
            p = bytes[0] == '\n' ? 1 : 0;
        }
        // The next CR and the next LF are each searched forward only, and the bytes that an
        // earlier call searched in vain are not searched again: every byte is looked at a fixed
        // number of times, however long its line and whichever line ends the file uses.
        const auto find = [&](char c, size_t from) { return std::min(bytes.find(c, from), size); };
        const size_t from = std::max(p, searched_);
        size_t cr = find('\r', from);
        size_t lf = find('\n', from);
        searched_ = 0;
        while (p < size && !TooManyLines()) {
            cr = cr < p ? find('\r', p) : cr;
            lf = lf < p ? find('\n', p) : lf;
            const size_t q = std::min(cr, lf);
            if (q == size && !atEnd) {
                searched_ = size - p;
                break;
            }
            AddLine(bytes.substr(p, q - p));
            p = q + 1;
            if (p < size && bytes[q] == '\r' && bytes[p] == '\n') {
                ++p;
            } else if (p == size && bytes[q] == '\r') {
                skipLf_ = true;  // its LF, if any, comes with the next bytes
            }
        }
        return std::min(p, size);
    }

    bool TooManyLines() const { return tooMany_; }
    CsvReadResult Take() { return std::move(result_); }

private:
    void AddLine(std::string_view line) {
        std::vector<Sample>& samples = result_.Samples;
        if (qint64(samples.size()) + result_.Unreadable.Count() >= maxLines_) {
            tooMany_ = true;
            return;
        }
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
        if (!(date && time && cpm)) {
            result_.Unreadable.Add(int(samples.size()), line);
            return;
        }
        GrowLarge(samples);
        samples.push_back({DateTime::Encode(*date, *time), *cpm});
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
    qint64 maxLines_;
    bool tooMany_ = false;
    std::string lastDateText_;
    std::optional<DateTime::Date> lastDate_;
    bool skipLf_ = false;
    size_t searched_ = 0;  // the first bytes of the next call, searched for line ends in vain
    std::string scratch_;
    CsvReadResult result_;
};

}  // namespace

// Hands the bytes of a log file, in pieces of any size, to a LineParser. The byte-order mark
// picks the encoding: UTF-8 and unmarked bytes are parsed as they come, UTF-16 is turned into
// UTF-8 piece by piece.
struct CsvLogParser::State {
    enum class Encoding { Unknown, Utf8, Utf16LE, Utf16BE };

    State(int currentYear, qint64 expectedBytes, qint64 maxLines)
        : parser(currentYear, expectedBytes, maxLines), remaining(expectedBytes) {}

    void Add(std::string_view bytes) {
        if (encoding == Encoding::Unknown) {
            start.append(bytes);
            if (start.size() < 3) {
                return;
            }
            TakeByteOrderMark();
            const std::string first = std::move(start);
            Add(first);
            return;
        }
        remaining -= qint64(bytes.size());
        if (decoder) {
            QString text = carry + decoder->decode(QByteArrayView(bytes.data(), bytes.size()));
            // A pair split between pieces is joined with the next piece, not replaced.
            carry.clear();
            if (!text.isEmpty() && text.back().isHighSurrogate()) {
                carry = text.back();
                text.chop(1);
            }
            const QByteArray utf8 = text.toUtf8();
            Append(std::string_view(utf8.constData(), size_t(utf8.size())));
        } else {
            Append(bytes);
        }
        pending.erase(0, parser.Feed(pending, false));
    }

    void Finish() {
        if (encoding == Encoding::Unknown) {
            TakeByteOrderMark();
            const std::string first = std::move(start);
            Add(first);
        }
        if (!carry.isEmpty()) {
            const QByteArray utf8 = carry.toUtf8();
            Append(std::string_view(utf8.constData(), size_t(utf8.size())));
        }
        parser.Feed(pending, true);
        pending.clear();
    }

    // A line longer than a piece is gathered in pending: once it is large, room for the rest
    // of the file is made at once, so that it never stands twice in memory while it grows.
    void Append(std::string_view bytes) {
        const size_t needed = pending.size() + bytes.size();
        if (needed > pending.capacity() && pending.size() >= (size_t(1) << 20)) {
            // UTF-16 text may take half as much again as UTF-8.
            const qint64 rest = std::max<qint64>(decoder ? remaining * 3 / 2 : remaining, 0);
            pending.reserve(needed + size_t(rest));
        }
        pending.append(bytes);
    }

    void TakeByteOrderMark() {
        const std::string_view bytes(start);
        const auto utf16 = [&](Encoding e, QStringConverter::Encoding name) {
            encoding = e;
            start.erase(0, 2);
            // The mark has been taken off; a second one would be text.
            decoder.emplace(name, QStringConverter::Flag::ConvertInitialBom);
        };
        if (bytes.starts_with("\xFF\xFE")) {
            utf16(Encoding::Utf16LE, QStringConverter::Utf16LE);
        } else if (bytes.starts_with("\xFE\xFF")) {
            utf16(Encoding::Utf16BE, QStringConverter::Utf16BE);
        } else {
            encoding = Encoding::Utf8;
            if (bytes.starts_with("\xEF\xBB\xBF")) {
                start.erase(0, 3);
            }
        }
    }

    LineParser parser;
    qint64 remaining;  // bytes of the file not added yet, as far as known
    Encoding encoding = Encoding::Unknown;
    std::string start;  // the first bytes, until the mark is known
    std::optional<QStringDecoder> decoder;
    QString carry;
    std::string pending;  // UTF-8 bytes not parsed yet: the start of a line
};

CsvLogParser::CsvLogParser(int currentYear, qint64 expectedBytes, qint64 maxLines)
    : state_(std::make_unique<State>(currentYear, expectedBytes, maxLines)) {}

CsvLogParser::~CsvLogParser() = default;

void CsvLogParser::Add(QByteArrayView piece) {
    state_->Add(std::string_view(piece.data(), size_t(piece.size())));
}

bool CsvLogParser::TooManyLines() const {
    return state_->parser.TooManyLines();
}

CsvReadResult CsvLogParser::Finish() {
    state_->Finish();
    return state_->parser.Take();
}

CsvReadResult ParseCsvLog(const QByteArray& bytes, int currentYear) {
    CsvLogParser parser(currentYear, bytes.size());
    parser.Add(bytes);
    return parser.Finish();
}

namespace {

[[noreturn]] void ThrowReadError(const QString& path, FileError::Code why,
                                 const QString& reason = {}, qint64 limit = 0) {
    throw FileFailure({FileError::Operation::Read, why, path, reason, limit});
}

// Reads an open file from its start in pieces and hands each to add; asks stopRequested before
// each piece. Throws the Open error when the read fails, is stopped, or passes the size bound.
template <typename Add>
void ReadPieces(QFile& file, const QString& path, const std::function<bool()>& stopRequested,
                Add&& add) {
    constexpr qint64 kPiece = 1 << 16;
    // A file just opened is at its start already: a folder of daily files opens hundreds.
    if (file.pos() != 0 && !file.seek(0)) {
        ThrowReadError(path, FileError::Code::System, file.errorString());
    }
    QByteArray buffer(kPiece, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (stopRequested && stopRequested()) {
            ThrowReadError(path, FileError::Code::Stopped);
        }
        const qint64 n = file.read(buffer.data(), kPiece);
        if (n < 0) {
            ThrowReadError(path, FileError::Code::System, file.errorString());
        }
        if (n == 0) {
            return;
        }
        // A file that grows while it is read must not get past the limit either.
        total += n;
        if (total > kMaxCsvLogBytes) {
            ThrowReadError(path, FileError::Code::TooLarge, {}, kMaxCsvLogBytes);
        }
        // A short piece ends the file: the device read on until the system had no more bytes.
        if (!add(std::string_view(buffer.constData(), size_t(n))) || n < kPiece) {
            return;
        }
    }
}

// The line ends in a file's bytes given in pieces, as the parser finds them (CR LF counts
// once), without parsing: counted in a quick first pass, so that a file of too many lines is
// refused before its samples are built. For UTF-8 and unmarked text only.
class LineEndCounter {
public:
    void Add(std::string_view bytes) {
        ends_ += qint64(std::count(bytes.begin(), bytes.end(), '\n'));
        for (size_t cr = bytes.find('\r'); cr != std::string_view::npos;
             cr = bytes.find('\r', cr + 1)) {
            // A CR before an LF ended no line of its own; the LF counts the pair.
            const bool pair = cr + 1 < bytes.size() && bytes[cr + 1] == '\n';
            ends_ += pair ? 0 : 1;
        }
        if (lastWasCr_ && !bytes.empty() && bytes.front() == '\n') {
            --ends_;
        }
        if (!bytes.empty()) {
            lastWasCr_ = bytes.back() == '\r';
        }
    }
    qint64 Ends() const { return ends_; }

private:
    qint64 ends_ = 0;
    bool lastWasCr_ = false;
};

[[noreturn]] void ThrowTooManyLines(const QString& path) {
    ThrowReadError(path, FileError::Code::TooManyLines, {}, kMaxCsvLogSamples);
}

}  // namespace

CsvReadResult ReadCsvLog(const QString& path, int currentYear,
                         const std::function<bool()>& stopRequested) {
    try {
        QFile file;
        qint64 size = 0;
        if (std::optional<FileError> refused = OpenRegularFile(path, kMaxCsvLogBytes, file, size)) {
            throw FileFailure(std::move(*refused));
        }
        // A file can hold more lines than the bound only when it has more bytes than that.
        if (size > kMaxCsvLogSamples) {
            LineEndCounter counter;
            bool first = true;
            bool utf16 = false;
            ReadPieces(file, path, stopRequested, [&](std::string_view bytes) {
                utf16 = first && (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"));
                first = false;
                counter.Add(bytes);
                // The last line may lack its end: one more than the ends is too many.
                return !utf16 && counter.Ends() < kMaxCsvLogSamples + 1;
            });
            if (!utf16 && counter.Ends() > kMaxCsvLogSamples) {
                ThrowTooManyLines(path);
            }
        }
        CsvLogParser parser(currentYear, size, kMaxCsvLogSamples);
        ReadPieces(file, path, stopRequested, [&](std::string_view bytes) {
            parser.Add(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
            return !parser.TooManyLines();
        });
        CsvReadResult result = parser.Finish();
        if (parser.TooManyLines()) {
            ThrowTooManyLines(path);
        }
        return result;
    } catch (const std::bad_alloc&) {
        ThrowReadError(path, FileError::Code::OutOfMemory);
    }
}

QStringList SplitCsvLine(QStringView line) {
    QStringList fields;
    QString scratch;
    SplitFields(line, INT_MAX, scratch,
                [&](int, QStringView field) { fields.append(field.toString()); });
    return fields;
}

namespace {

// Text written straight into a QByteArray from its end on, which grows only when a line might
// not fit; it is cut to what was written when the buffer goes.
class TextBuffer {
public:
    TextBuffer(QByteArray& text, qsizetype expected) : text_(text), used_(text.size()) {
        Room(expected);
    }
    ~TextBuffer() { text_.resize(used_); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Where the next bytes go, with room for n of them.
    char* Room(qsizetype n) {
        if (text_.size() - used_ < n) {
            text_.resize(std::max(text_.size() * 2, used_ + n));
            AdviseHugePages(text_.data(), size_t(text_.size()));
        }
        return text_.data() + used_;
    }
    void Wrote(const char* end) { used_ = end - text_.constData(); }
    qsizetype Used() const { return used_; }

    void WriteLine(LogLineWriter& writer, const LogRecord& record) {
        char* out = writer.Write(record, Room(kMaxLogLineChars + 2));
        *out++ = '\r';
        *out++ = '\n';
        Wrote(out);
    }
    void WriteLine(QByteArrayView line) {
        char* out = Room(line.size() + 2);
        std::copy(line.begin(), line.end(), out);
        out += line.size();
        *out++ = '\r';
        *out++ = '\n';
        Wrote(out);
    }

private:
    QByteArray& text_;
    qsizetype used_;
};

// Text that a reader would take for a byte-order mark at the start of a file.
bool StartsLikeAMark(QByteArrayView text) {
    return text.startsWith("\xEF\xBB\xBF") || text.startsWith("\xFF\xFE") ||
           text.startsWith("\xFE\xFF");
}

}  // namespace

QByteArray CsvText(const std::vector<LogRecord>& records) {
    QByteArray text;
    TextBuffer buffer(text, qsizetype(records.size()) * 32);
    LogLineWriter writer;
    for (const LogRecord& record : records) {
        buffer.WriteLine(writer, record);
    }
    return text;
}

struct CsvTextWriter::State {
    State(const SampleLog& log, const UnreadableText& unreadable, const GraphSettings& settings,
          int end)
        : unreadable(unreadable),
          settings(settings),
          records(log, this->settings),
          end(end),
          whole(end == log.Count()) {}

    // The next line is an unreadable one: its place is before the next sample, or it comes
    // after the last sample of the whole text.
    bool UnreadableNext() const {
        return line < unreadable.Count() &&
               (unreadable.SamplesBefore(line) <= sample || (whole && sample == end));
    }
    bool Done() const { return sample == end && !UnreadableNext(); }

    void Append(QByteArray& text, qsizetype bytes) {
        const qint64 rest = qint64(end - sample) * 32 + unreadable.TextBytes() +
                            2 * qint64(unreadable.Count() - line) + 3;
        const qsizetype start = text.size();
        const qsizetype goal = bytes > std::numeric_limits<qsizetype>::max() - start
                                   ? std::numeric_limits<qsizetype>::max()
                                   : start + bytes;
        TextBuffer buffer(text, qsizetype(std::min<qint64>(bytes, rest)));
        if (!started) {
            started = true;
            if (UnreadableNext() && StartsLikeAMark(unreadable.Text(line))) {
                char* out = buffer.Room(3);
                std::copy_n("\xEF\xBB\xBF", 3, out);
                buffer.Wrote(out + 3);
            }
        }
        while (buffer.Used() < goal) {
            if (UnreadableNext()) {
                buffer.WriteLine(unreadable.Text(line++));
            } else if (sample < end) {
                buffer.WriteLine(writer, records.Next());
                ++sample;
            } else {
                break;
            }
        }
    }

    const UnreadableText& unreadable;
    const GraphSettings settings;  // a copy: the records refer to it
    RebuildRecords records;
    LogLineWriter writer;
    int end;
    bool whole;
    int sample = 0;  // the next sample to write
    int line = 0;    // the next unreadable line to write
    bool started = false;
};

CsvTextWriter::CsvTextWriter(const SampleLog& log, const UnreadableText& unreadable,
                             const GraphSettings& settings, int end)
    : state_(std::make_unique<State>(log, unreadable, settings, end)) {}

CsvTextWriter::~CsvTextWriter() = default;

void CsvTextWriter::Append(QByteArray& text, qsizetype bytes) {
    state_->Append(text, bytes);
}

bool CsvTextWriter::Done() const {
    return state_->Done();
}

QByteArray CsvTextOf(const SampleLog& log, const GraphSettings& settings,
                     const UnreadableText& unreadable) {
    QByteArray text;
    CsvTextWriter(log, unreadable, settings, log.Count())
        .Append(text, std::numeric_limits<qsizetype>::max());
    return text;
}

void WriteCsvLog(const QString& path, const QByteArray& text) {
    WriteFileOrThrow(path, text);
}
