#pragma once

#include <QChar>

// The code of one character, of a QStringView or of a byte string alike, so that one parser
// serves text and the bytes of an ASCII or UTF-8 file. Bytes of multi-byte UTF-8 sequences are
// 0x80 and above: they never read as ASCII digits, separators or blanks.
inline unsigned CharCode(QChar c) {
    return c.unicode();
}

inline unsigned CharCode(char c) {
    return static_cast<unsigned char>(c);
}
