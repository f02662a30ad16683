// Any bytes as the INI file, then the two graph settings saved into it and loaded back: the values
// loaded are the values saved, and every line that is neither a "[Graph]" header nor a line of
// one of the two keys is still there, in order, byte for byte, with nothing else added. The
// input's tail gives the two values; the rest is the file.
#include "FuzzCheck.h"
#include "IniFile.h"
#include "NumberFormat.h"
#include "SampleDisplay.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <bit>
#include <cmath>
#include <vector>

namespace {

struct Line {
    QByteArray text;
    QByteArray end;  // CR LF, LF, CR, or nothing on a last line
};

std::vector<Line> SplitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype begin = 0;
    while (begin < bytes.size()) {
        qsizetype end = begin;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        qsizetype next = end;
        if (next < bytes.size()) {
            next += bytes.mid(next, 2) == "\r\n" ? 2 : 1;
        }
        lines.push_back({bytes.mid(begin, end - begin), bytes.mid(end, next - end)});
        begin = next;
    }
    return lines;
}

// The key of a "key=value" line, with the spaces and tabs around it removed.
QString KeyOf(const QByteArray& text) {
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        return {};
    }
    QByteArray key = text.left(equals);
    while (!key.isEmpty() && (key.back() == ' ' || key.back() == '\t')) {
        key.chop(1);
    }
    while (!key.isEmpty() && (key.front() == ' ' || key.front() == '\t')) {
        key.remove(0, 1);
    }
    return QString::fromUtf8(key);
}

// Lines the save may write: a "[Graph]" header and the lines of its two keys (names match
// without regard to case, as the file's rules say).
bool MayBeWritten(const Line& line) {
    const QString key = KeyOf(line.text);
    return line.text == "[Graph]" || key.compare(u"uSv", Qt::CaseInsensitive) == 0 ||
           key.compare(u"BackGround", Qt::CaseInsensitive) == 0;
}

std::vector<Line> OtherLines(const std::vector<Line>& lines) {
    std::vector<Line> others;
    for (const Line& line : lines) {
        if (!MayBeWritten(line)) {
            others.push_back(line);
        }
    }
    return others;
}

bool Kept(const std::vector<Line>& before, const std::vector<Line>& after) {
    if (before.size() != after.size()) {
        return false;
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        // A last line without a line end gets one when a line is added after it.
        const bool lastWithoutEnd = i + 1 == before.size() && before[i].end.isEmpty();
        if (before[i].text != after[i].text || (!lastWithoutEnd && before[i].end != after[i].end)) {
            return false;
        }
    }
    return true;
}

int CountWritable(const std::vector<Line>& lines) {
    int count = 0;
    for (const Line& line : lines) {
        count += MayBeWritten(line);
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Saving syncs the file to disk; on a tmpfs that costs nothing, so far more runs fit.
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/solamine-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/solamine-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("solamine.ini"));

    FuzzedDataProvider input(data, size);
    double coefficient = std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
    if (!std::isfinite(coefficient)) {
        coefficient = 0;
    }
    // What the settings hold after the dialog: a value with at most 15 significant digits.
    coefficient = NumberFormat::ParseFloat(NumberFormat::FormatGeneral(coefficient)).value_or(0);
    const GraphSettings saved{coefficient, input.ConsumeIntegral<std::int32_t>()};
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray original(rest.data(), qsizetype(rest.size()));

    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(original) == original.size());
    file.close();

    SaveGraphSettings(path, saved);
    FUZZ_CHECK(LoadGraphSettings(path) == saved);

    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const std::vector<Line> before = SplitLines(original);
    const std::vector<Line> after = SplitLines(file.readAll());
    FUZZ_CHECK(Kept(OtherLines(before), OtherLines(after)));
    // At most a header and the two key lines are added, and none is lost.
    const int added = CountWritable(after) - CountWritable(before);
    FUZZ_CHECK(added >= 0 && added <= 3);
    return 0;
}
