#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number texts with a fixed decimal point ".", whatever the user's locale.
namespace NumberFormat {

// The general number format: at most 15 significant digits, no trailing zeros, no point for
// whole numbers, "0" for zero; fixed notation when the rounded magnitude lies in
// [0.0001, 1E15), otherwise scientific as "5E-5" or "1.23456789012346E15".
// Not-a-number and infinities give "NAN", "INF" and "-INF".
QString FormatGeneral(double value);
void AppendGeneral(double value, std::string& out);
// The same text written at out, which has room for kMaxGeneralChars; returns its end.
inline constexpr int kMaxGeneralChars = 24;
char* WriteGeneral(double value, char* out);

// A decimal floating-point text: optional sign, digits with an optional "." and fraction, an
// optional exponent; spaces around it are allowed, nothing else ("nan", "inf", hex, a comma
// or trailing junk all fail). Fails also when the value is out of the double range, except that
// a text up to 1.79769313486232E308 (the largest double in 15 digits) reads as that double.
std::optional<double> ParseFloat(QStringView text);

// A signed 32-bit decimal integer: optional sign and digits, spaces around it allowed.
// Fails on anything else and on values outside the 32-bit range.
std::optional<std::int32_t> ParseInt32(QStringView text);
std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace NumberFormat
