#include "DeviceSettings.h"

#include "NumberFormat.h"

#include <cmath>

namespace {

// The text times 100000, scaled in decimal before it becomes binary, so a text exactly halfway
// between two units (0.000015) stays a true half and rounds away from zero as the user expects.
std::optional<double> ParseHundredThousandths(const QString& text) {
    const std::optional<double> plain = NumberFormat::ParseFloat(text);
    if (!plain) {
        return std::nullopt;
    }
    const QString trimmed = text.trimmed();
    const qsizetype e = trimmed.indexOf(u'e', 0, Qt::CaseInsensitive);
    std::int64_t exponent = 0;
    if (e >= 0) {
        const std::optional<std::int32_t> written = NumberFormat::ParseInt32(trimmed.mid(e + 1));
        if (!written) {
            return *plain * 100000.0;
        }
        exponent = *written;
    }
    const QString scaled =
        trimmed.left(e < 0 ? trimmed.size() : e) + u'e' + QString::number(exponent + 5);
    return NumberFormat::ParseFloat(scaled).value_or(*plain * 100000.0);
}

}  // namespace

QString DeviceCoefficientText(std::uint16_t coefficient) {
    return NumberFormat::FormatGeneral(coefficient * 0.00001);
}

// The counter takes 16-bit values; anything outside would be sent as a different number.
std::optional<std::uint16_t> ParseDeviceCoefficient(const QString& text) {
    const std::optional<double> value = ParseHundredThousandths(text);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = std::round(*value);  // halves away from zero
    if (!(rounded >= 0 && rounded <= 65535)) {
        return std::nullopt;
    }
    return std::uint16_t(rounded);
}

std::optional<std::uint16_t> ParseDeviceBackground(const QString& text) {
    const std::optional<std::int32_t> value = NumberFormat::ParseInt32(text);
    if (!value || *value < 0 || *value > 65535) {
        return std::nullopt;
    }
    return std::uint16_t(*value);
}
