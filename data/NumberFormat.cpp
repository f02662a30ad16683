#include "NumberFormat.h"

#include "CharCode.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace NumberFormat {

namespace {

bool IsSpace(auto c) {
    return CharCode(c) == ' ' || CharCode(c) == '\t';
}

template <typename Text>
Text Trimmed(Text text) {
    qsizetype begin = 0;
    qsizetype end = qsizetype(text.size());
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    return Text(text.data() + begin, end - begin);
}

template <typename Text>
std::optional<std::int32_t> ParseInt32In(Text text) {
    const Text t = Trimmed(text);
    const qsizetype size = qsizetype(t.size());
    qsizetype i = 0;
    bool negative = false;
    if (i < size && (CharCode(t[i]) == '+' || CharCode(t[i]) == '-')) {
        negative = CharCode(t[i]) == '-';
        ++i;
    }
    if (i == size) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; i < size; ++i) {
        const unsigned digit = CharCode(t[i]) - '0';
        if (digit > 9) {
            return std::nullopt;
        }
        value = value * 10 + digit;
        if (value > std::int64_t(INT32_MAX) + 1) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX || value < INT32_MIN) {
        return std::nullopt;
    }
    return std::int32_t(value);
}

// True when the decimal text (digits, an optional "." and an optional exponent, no sign) lies
// above the largest finite double but not above 1.79769313486232E308, its 15-digit form. Such
// a text comes from formatting a finite double, so it must read back as one.
bool WithinRoundedMaximum(std::string_view text) {
    std::string digits;
    long long exponent = 0;
    long long pointAt = -1;
    size_t i = 0;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] == '.') {
            pointAt = (long long)digits.size();
        } else {
            digits += text[i];
        }
    }
    if (pointAt < 0) {
        pointAt = (long long)digits.size();
    }
    if (i < text.size()) {
        bool negative = false;
        for (++i; i < text.size(); ++i) {
            if (text[i] == '-' || text[i] == '+') {
                negative = text[i] == '-';
            } else if (exponent < 100000) {
                exponent = exponent * 10 + (text[i] - '0');
            }
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    const size_t first = digits.find_first_not_of('0');
    // The value is d1.d2d3... * 10^(pointAt - first - 1 + exponent).
    if (first == std::string::npos || pointAt - (long long)first - 1 + exponent != 308) {
        return false;
    }
    digits.erase(0, first);
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
    }
    return digits <= "179769313486232";
}

}  // namespace

char* WriteGeneral(double value, char* out) {
    if (std::isnan(value)) {
        return std::copy_n("NAN", 3, out);
    }
    if (std::isinf(value)) {
        return value < 0 ? std::copy_n("-INF", 4, out) : std::copy_n("INF", 3, out);
    }
    if (value == 0) {
        *out = '0';
        return out + 1;
    }
    // 15 significant digits, correctly rounded, independent of the C locale:
    // "-d.dddddddddddddde-xxx".
    char buf[32];
    const char* const end =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
    const char* p = buf;
    if (*p == '-') {
        *out++ = '-';
        ++p;
    }
    char digits[15];
    digits[0] = p[0];
    std::copy_n(p + 2, 14, digits + 1);
    int count = 15;
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
    int exponent = 0;
    std::from_chars(p + 17 + (p[17] == '+'), end, exponent);

    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out = std::copy_n("0.000", 1 - exponent, out);
            return std::copy_n(digits, count, out);
        }
        if (count <= exponent + 1) {
            out = std::copy_n(digits, count, out);
            return std::fill_n(out, exponent + 1 - count, '0');
        }
        out = std::copy_n(digits, exponent + 1, out);
        *out++ = '.';
        return std::copy_n(digits + exponent + 1, count - exponent - 1, out);
    }
    *out++ = digits[0];
    if (count > 1) {
        *out++ = '.';
        out = std::copy_n(digits + 1, count - 1, out);
    }
    *out++ = 'E';
    return std::to_chars(out, out + 8, exponent).ptr;
}

void AppendGeneral(double value, std::string& out) {
    char buf[kMaxGeneralChars];
    out.append(buf, size_t(WriteGeneral(value, buf) - buf));
}

QString FormatGeneral(double value) {
    char buf[kMaxGeneralChars];
    return QString::fromLatin1(buf, qsizetype(WriteGeneral(value, buf) - buf));
}

std::optional<double> ParseFloat(QStringView text) {
    const QStringView t = Trimmed(text);
    std::string ascii;
    ascii.reserve(size_t(t.size()));
    qsizetype i = 0;
    auto digitsAt = [&](qsizetype& pos) {
        const qsizetype start = pos;
        while (pos < t.size() && t[pos] >= u'0' && t[pos] <= u'9') {
            ascii += char(t[pos].unicode());
            ++pos;
        }
        return pos - start;
    };
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        if (t[i] == u'-') {
            ascii += '-';
        }
        ++i;
    }
    qsizetype mantissaDigits = digitsAt(i);
    if (i < t.size() && t[i] == u'.') {
        ascii += '.';
        ++i;
        mantissaDigits += digitsAt(i);
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
            ascii += char(t[i].unicode());
            ++i;
        }
        if (digitsAt(i) == 0) {
            return std::nullopt;
        }
    }
    if (i != t.size()) {
        return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const bool negative = ascii[0] == '-';
        if (WithinRoundedMaximum(std::string_view(ascii).substr(negative ? 1 : 0))) {
            const double largest = std::numeric_limits<double>::max();
            return negative ? -largest : largest;
        }
    }
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> ParseInt32(QStringView text) {
    return ParseInt32In(text);
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    return ParseInt32In(text);
}

}  // namespace NumberFormat
