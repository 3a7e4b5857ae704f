// Number and date text with the conventions of the Windows class library the
// program's files were first written with, independent of the C and Qt
// locales: '.' is always the decimal separator and ',' the thousands
// separator. Rounding is half away from zero on the value's 18 significant
// decimal digits (7.25 with one decimal gives "7.3").
//
// Parsing accepts only the plain decimal grammar: optional blanks, an
// optional sign, digits with an optional '.', an optional exponent. "nan",
// "inf", hex floats and trailing garbage are rejected.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A local calendar date and time to the millisecond.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && millisecond == 0; }
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// The class library's serial day number (days since 1899-12-30, time as the
// fraction) and back.
double ToSerialDate(const DateTime& t);
DateTime FromSerialDate(double serial);

enum class FloatFormat { General, Exponent, Fixed, Number };

// FloatToStrF(value, format, precision, digits). General: at most `precision`
// significant digits, trailing zeros removed; scientific ("1.2E-6") when the
// magnitude is below 0.00001 or has more than `precision` integer digits.
// Fixed/Number: `digits` decimals (Number adds thousands separators);
// scientific when there are more than `precision` integer digits.
// Exponent: "d.dddE+XX" with `precision` significant digits and at least
// `digits` exponent digits. NaN and infinities give "NAN", "INF", "-INF".
std::string FloatToStrF(double value, FloatFormat format, int precision, int digits);

// FloatToStrF(value, General, 15, 0).
std::string FloatToStr(double value);

// FormatFloat with a picture: '0' and '#' digit places, '.', ',' (thousands
// when it stands among the integer places), quoted literals, other characters
// copied. "0.00", "0.#", "###,###,##0". A ';' section for negatives is
// honoured when present. A value that rounds to zero gets no sign.
std::string FormatFloat(std::string_view picture, double value);

// Plain decimal integer with an optional sign, or hex as "0x1F", "$1F".
// Surrounding blanks are allowed. Anything else gives std::nullopt.
std::optional<long long> ParseInt(std::string_view text);
std::optional<double> ParseFloat(std::string_view text);

int StrToIntDef(std::string_view text, int fallback);
double StrToFloatDef(std::string_view text, double fallback);

// The class library's conversion error; its text is what the surveyor sees
// in the one message box of the handler guard.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// As the ...Def functions, but a text that is not a number throws
// EConvertError "'<text>' is not a valid integer value" or
// "'<text>' is not a valid floating point value".
int StrToInt(std::string_view text);
double StrToFloat(std::string_view text);
std::string IntToStr(long long value);

// FormatDateTime with the class library's specifiers: yyyy yy, m mm (month,
// or minutes after h/hh), mmm mmmm (English month names), d dd ddd dddd,
// h hh, n nn, s ss, z zzz, am/pm, "c" (DateTimeToStr), quoted literals
// '...' and "...". Specifiers are case-insensitive ("YYYY-MM-DD").
std::string FormatDateTime(std::string_view pattern, const DateTime& t);

// The process-wide formats: short date "YYYY-MM-DD", long time "hhnnsszzz".
inline constexpr std::string_view kShortDateFormat = "YYYY-MM-DD";
inline constexpr std::string_view kLongTimeFormat = "hhnnsszzz";

// Short date, a blank and the long time; at exactly midnight only the date.
std::string DateTimeToStr(const DateTime& t);
std::string DateToStr(const DateTime& t);
std::string TimeToStr(const DateTime& t);

// ASCII-only case folding, whatever the C locale says: under a Turkish
// locale the C library does not lower 'I' to 'i'.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiLetter(char c) { return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z'; }

// Equal but for the case of ASCII letters, as the class library's SameText.
bool SameText(std::string_view a, std::string_view b);

// Blank-trimming helpers shared by the readers.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);

}  // namespace platform
