#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The counter's own two settings as the settings dialog shows and takes them: the coefficient
// in units of 0.00001, the background a whole count; both 0..65535 on the wire.

// "0.00158" for 158: the general number format of coefficient * 0.00001.
QString DeviceCoefficientText(std::uint16_t coefficient);

// A coefficient typed as a decimal (0 to 0.65535) into units of 0.00001, halves rounded away
// from zero. Returns nothing when the text does not parse or lies outside the range.
std::optional<std::uint16_t> ParseDeviceCoefficient(const QString& text);

// A background typed as a whole number from 0 to 65535. Returns nothing otherwise.
std::optional<std::uint16_t> ParseDeviceBackground(const QString& text);
