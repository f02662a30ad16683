#include "UnreadableText.h"

#include <algorithm>

void UnreadableText::Add(int samplesBefore, std::string_view text) {
    text_.append(text.data(), qsizetype(text.size()));
    lines_.push_back({samplesBefore, text_.size()});
}

void UnreadableText::Clear() {
    std::vector<Line>().swap(lines_);
    text_ = QByteArray();
}

QByteArrayView UnreadableText::Text(int index) const {
    const qint64 start = index == 0 ? 0 : lines_[size_t(index) - 1].End;
    return QByteArrayView(text_.constData() + start, lines_[size_t(index)].End - start);
}

int UnreadableText::FirstAfter(int samples) const {
    const auto at =
        std::upper_bound(lines_.begin(), lines_.end(), samples,
                         [](int n, const Line& line) { return n < line.SamplesBefore; });
    return int(at - lines_.begin());
}
