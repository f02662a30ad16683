// Any bytes read as a CSV log: the reader never fails, and reading them in pieces of any size
// (chosen from the input) gives what reading them whole gives, every line a sample or an
// unreadable line kept at its place. The file text of what it read is the program's own form of
// those samples with the unreadable lines as they were; its sample lines stay within the line
// bound that lets Open accept a saved log again. That text keeps every sample's minute
// ("yy/mm/dd, hh:nn") and count and every unreadable line's text and place, and reads back to
// the same, whose file text is the same bytes again. Seconds and years outside the hundred-year
// window cannot survive the file form, so the samples of the first read are compared through
// their minute text, not their exact time.
#include "CsvLog.h"
#include "DateTime.h"
#include "FuzzCheck.h"
#include "SampleDisplay.h"
#include "SampleLog.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

constexpr int kCurrentYear = 2024;

QByteArray FileTextOf(const CsvReadResult& read) {
    SampleLog log;
    for (const Sample& sample : read.Samples) {
        log.Append(sample);
    }
    return CsvTextOf(log, GraphSettings{}, read.Unreadable);
}

bool SameLines(const UnreadableText& a, const UnreadableText& b) {
    if (a.Count() != b.Count()) {
        return false;
    }
    for (int i = 0; i < a.Count(); ++i) {
        if (a.SamplesBefore(i) != b.SamplesBefore(i) || a.Text(i) != b.Text(i)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const CsvReadResult first = ParseCsvLog(bytes, kCurrentYear);
    const int count = int(first.Samples.size());
    const UnreadableText& lines = first.Unreadable;
    FUZZ_CHECK((first.UnreadableLines() == 0) == (first.FirstUnreadableLine() == 0));
    FUZZ_CHECK(first.FirstUnreadableLine() >= 0 &&
               first.FirstUnreadableLine() <= count + lines.Count());
    for (int i = 0; i < lines.Count(); ++i) {
        FUZZ_CHECK(lines.SamplesBefore(i) >= (i == 0 ? 0 : lines.SamplesBefore(i - 1)));
        FUZZ_CHECK(lines.SamplesBefore(i) <= count);
        FUZZ_CHECK(!lines.Text(i).contains('\r') && !lines.Text(i).contains('\n'));
    }

    // Piece sizes from 1 to 256 bytes, taken in turn from the input's own bytes.
    CsvLogParser pieces(kCurrentYear);
    for (std::size_t at = 0, k = 0; at < size; ++k) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + data[k % size]);
        pieces.Add(QByteArrayView(bytes).sliced(qsizetype(at), qsizetype(piece)));
        at += piece;
    }
    const CsvReadResult inPieces = pieces.Finish();
    FUZZ_CHECK(inPieces.Samples == first.Samples);
    FUZZ_CHECK(SameLines(inPieces.Unreadable, lines));

    const QByteArray text = FileTextOf(first);
    qint64 unreadableBytes = 3;  // a mark, where the first line needs one
    for (int i = 0; i < lines.Count(); ++i) {
        unreadableBytes += lines.Text(i).size() + 2;
    }
    FUZZ_CHECK(text.size() <= qint64(count) * kMaxCsvLineBytes + unreadableBytes);
    const CsvReadResult second = ParseCsvLog(text, kCurrentYear);
    FUZZ_CHECK(SameLines(second.Unreadable, lines));
    FUZZ_CHECK(second.Samples.size() == first.Samples.size());
    for (std::size_t i = 0; i < second.Samples.size(); ++i) {
        FUZZ_CHECK(second.Samples[i].Cpm == first.Samples[i].Cpm);
        FUZZ_CHECK(DateTime::LogTimeText(second.Samples[i].Time) ==
                   DateTime::LogTimeText(first.Samples[i].Time));
    }
    FUZZ_CHECK(FileTextOf(second) == text);
    return 0;
}
