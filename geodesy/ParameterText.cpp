#include "geodesy/ParameterText.h"

#include "platform/VclText.h"

namespace geodesy {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The next whitespace-delimited word at or after `pos`; empty at the end.
std::string_view NextWord(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    const size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos])) ++pos;
    return text.substr(start, pos - start);
}

// Reads out.size() numbers from the start of `text`; `pos` ends after the last.
bool ReadNumbers(std::string_view text, std::span<double> out, size_t& pos) {
    for (double& value : out) {
        const auto number = platform::ParseFloat(NextWord(text, pos));
        if (!number) return false;
        value = *number;
    }
    return true;
}

}  // namespace

bool ReadExactly(std::string_view text, std::span<double> out) {
    size_t pos = 0;
    return ReadNumbers(text, out, pos) && NextWord(text, pos).empty();
}

bool ReadLeading(std::string_view text, std::span<double> out) {
    size_t pos = 0;
    return ReadNumbers(text, out, pos);
}

bool SplitWordsExactly(std::string_view text, std::span<std::string_view> out) {
    size_t pos = 0;
    for (auto& word : out) {
        word = NextWord(text, pos);
        if (word.empty()) return false;
    }
    return NextWord(text, pos).empty();
}

std::optional<double> ReadBack(std::string_view text) {
    double value = 0;
    if (!ReadExactly(text, std::span<double>(&value, 1))) return std::nullopt;
    return value;
}

std::string GeneralText(double value) {
    return platform::FloatToStrF(value, platform::FloatFormat::General, 15, 0);
}

std::string FixedText(double value, int precision, int digits) {
    return platform::FloatToStrF(value, platform::FloatFormat::Fixed, precision, digits);
}

}  // namespace geodesy
