// Reading and writing the blank-separated number lists that the geodesy
// passes between its steps ("parameter texts").
//
// Numbers follow the plain decimal grammar of platform::ParseFloat (optional
// sign, digits, '.', optional exponent; no "nan", "inf" or hex), separated by
// whitespace of any kind. Reading stops at the first word that is not such a
// number. Every reader here checks the count: a text with a missing, extra or
// unreadable number is refused as a whole, so no later parameter can slide
// into an earlier one's place.
//
// Writing uses the two formats of the geodesy texts, independent of the C
// locale: General (15 significant digits) and Fixed(precision, digits).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace geodesy {

// The text every failed conversion returns.
inline constexpr std::string_view kFailedConversion = "0";

// True when `text` holds exactly out.size() numbers and nothing else.
bool ReadExactly(std::string_view text, std::span<double> out);

// True when `text` begins with out.size() numbers; whatever follows them is
// ignored.
bool ReadLeading(std::string_view text, std::span<double> out);

// Splits `text` at whitespace into exactly out.size() words; false for any
// other count.
bool SplitWordsExactly(std::string_view text, std::span<std::string_view> out);

// The one number of `text`, as a later step reads back a number this module
// wrote; std::nullopt for any other text (a non-finite value's "NAN", "INF").
std::optional<double> ReadBack(std::string_view text);

// FloatToStrF(value, General, 15, 0).
std::string GeneralText(double value);
// FloatToStrF(value, Fixed, precision, digits).
std::string FixedText(double value, int precision, int digits);

}  // namespace geodesy
