#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <string_view>
#include <vector>

// The lines of a log file that did not read as a sample (a header, a blank line, garbage), kept
// as they were so that a save writes them back unchanged at their places. A line's place is the
// number of samples before it in the file: it is written after those samples and before the
// next. Only these lines hold text; samples never do. Each costs 16 bytes and its text.
class UnreadableText {
public:
    // Adds a line after the ones added so far; samplesBefore must not be less than theirs.
    void Add(int samplesBefore, std::string_view text);
    void Clear();

    int Count() const { return int(lines_.size()); }
    bool IsEmpty() const { return lines_.empty(); }
    // Require 0 <= index < Count().
    int SamplesBefore(int index) const { return lines_[size_t(index)].SamplesBefore; }
    QByteArrayView Text(int index) const;
    // The bytes of all their texts.
    qint64 TextBytes() const { return text_.size(); }
    // Line index's number in the file, counted from 1.
    int LineNumber(int index) const { return SamplesBefore(index) + index + 1; }

    // The first line with more than samples samples before it; Count() when there is none.
    int FirstAfter(int samples) const;
    // The line number in the file (from 1) of sample index.
    int LineOfSample(int index) const { return index + FirstAfter(index) + 1; }

private:
    struct Line {
        int SamplesBefore;
        qint64 End;  // where its text ends in text_
    };
    std::vector<Line> lines_;
    QByteArray text_;
};
