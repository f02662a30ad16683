// Any bytes read as a CSV log: the reader never fails, and reading them in pieces of any size
// (chosen from the input) gives what reading them whole gives. The file text of what it read is
// the program's own form of those samples, within the line bound that lets Open accept a saved
// log again. That text keeps every sample's minute ("yy/mm/dd, hh:nn") and count, and reads back
// to the same samples, whose file text is the same bytes again. Seconds, years outside the
// hundred-year window and unreadable lines cannot survive the file form, so the samples of the
// first read are compared through their minute text, not their exact time.
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

QByteArray FileTextOf(const std::vector<Sample>& samples) {
    SampleLog log;
    for (const Sample& sample : samples) {
        log.Append(sample);
    }
    return CsvTextOf(log, GraphSettings{});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const CsvReadResult first = ParseCsvLog(bytes, kCurrentYear);
    const int count = int(first.Samples.size());
    FUZZ_CHECK(first.UnreadableLines >= 0 && first.UnreadableLines <= count);
    FUZZ_CHECK((first.UnreadableLines == 0) == (first.FirstUnreadableLine == 0));
    FUZZ_CHECK(first.FirstUnreadableLine >= 0 && first.FirstUnreadableLine <= count);

    // Piece sizes from 1 to 256 bytes, taken in turn from the input's own bytes.
    CsvLogParser pieces(kCurrentYear);
    for (std::size_t at = 0, k = 0; at < size; ++k) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + data[k % size]);
        pieces.Add(QByteArrayView(bytes).sliced(qsizetype(at), qsizetype(piece)));
        at += piece;
    }
    const CsvReadResult inPieces = pieces.Finish();
    FUZZ_CHECK(inPieces.Samples == first.Samples);
    FUZZ_CHECK(inPieces.UnreadableLines == first.UnreadableLines);
    FUZZ_CHECK(inPieces.FirstUnreadableLine == first.FirstUnreadableLine);

    const QByteArray text = FileTextOf(first.Samples);
    FUZZ_CHECK(text.size() <= qint64(count) * kMaxCsvLineBytes);
    const CsvReadResult second = ParseCsvLog(text, kCurrentYear);
    FUZZ_CHECK(second.UnreadableLines == 0);
    FUZZ_CHECK(second.Samples.size() == first.Samples.size());
    for (std::size_t i = 0; i < second.Samples.size(); ++i) {
        FUZZ_CHECK(second.Samples[i].Cpm == first.Samples[i].Cpm);
        FUZZ_CHECK(DateTime::LogTimeText(second.Samples[i].Time) ==
                   DateTime::LogTimeText(first.Samples[i].Time));
    }
    FUZZ_CHECK(FileTextOf(second.Samples) == text);
    return 0;
}
