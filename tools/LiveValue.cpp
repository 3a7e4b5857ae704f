#include "tools/LiveValue.h"

#include <cmath>
#include <string>

#include "platform/VclText.h"

namespace tools {

std::optional<double> LiveValue::Parse(std::string_view text) const noexcept {
    try {
        const std::optional<double> number = platform::ParseFloat(text);
        if (!number || !std::isfinite(*number) || *number < min_ || *number > max_)
            return std::nullopt;
        if (whole_) {
            // Digits only: ParseInt would also take "0x1F", ParseFloat "1e3".
            const std::string_view trimmed = platform::TrimView(text);
            if (trimmed.find_first_of(".eE") != std::string_view::npos) return std::nullopt;
            if (*number < std::numeric_limits<int>::min() ||
                *number > std::numeric_limits<int>::max())
                return std::nullopt;
        }
        return *number;
    } catch (...) {
        return std::nullopt;
    }
}

bool LiveValue::Take(std::string_view text) noexcept {
    const std::optional<double> number = Parse(text);
    if (!number) return false;
    value_ = number;
    return true;
}

std::optional<int> LiveValue::GetInt() const noexcept {
    if (!value_) return std::nullopt;
    const double rounded = std::round(*value_);
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(rounded);
}

}  // namespace tools
