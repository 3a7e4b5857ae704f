#include "platform/VclText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace platform {
namespace {

constexpr int kSignificantDigits = 18;

// |value| as 18 significant decimal digits and the decimal exponent of the
// first digit: |value| = d0.d1d2... * 10^exponent.
struct Decimal {
    std::string digits;  // exactly kSignificantDigits digits, or "0"
    int exponent = 0;
    bool negative = false;
    bool zero = true;
};

Decimal ToDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0.0) {
        d.digits = "0";
        return d;
    }
    std::array<char, 64> buf{};
    auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                                   std::chars_format::scientific, kSignificantDigits - 1);
    std::string_view text(buf.data(), end - buf.data());
    auto e = text.find('e');
    d.digits.reserve(kSignificantDigits);
    for (char c : text.substr(0, e))
        if (c != '.') d.digits.push_back(c);
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(),
                    d.exponent);
    d.zero = false;
    return d;
}

// Adds one to a string of decimal digits; returns true when it grew a digit.
bool IncrementDigits(std::string& digits) {
    for (auto i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

// round(|value| * 10^decimals), half away from zero, as a digit string.
std::string ScaledInteger(const Decimal& d, int decimals) {
    if (d.zero) return "0";
    const int keep = d.exponent + 1 + decimals;
    if (keep < 0) return "0";
    if (keep == 0) return d.digits[0] >= '5' ? "1" : "0";
    if (keep >= static_cast<int>(d.digits.size()))
        return d.digits + std::string(keep - d.digits.size(), '0');
    std::string n = d.digits.substr(0, keep);
    if (d.digits[keep] >= '5') IncrementDigits(n);
    return n;
}

// Rounds to `count` significant digits, keeping the exponent in step.
Decimal RoundSignificant(Decimal d, int count) {
    if (d.zero || count >= static_cast<int>(d.digits.size())) return d;
    count = std::max(count, 1);
    const bool up = d.digits[count] >= '5';
    d.digits.resize(count);
    if (up && IncrementDigits(d.digits)) {
        d.digits.pop_back();
        ++d.exponent;
    }
    return d;
}

std::string GroupThousands(const std::string& integer) {
    std::string out;
    const int n = static_cast<int>(integer.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
        out.push_back(integer[i]);
    }
    return out;
}

// Digit string of round(|v|*10^decimals) split into "int.frac".
std::string PlaceDecimalPoint(std::string n, int decimals, bool thousands) {
    if (static_cast<int>(n.size()) <= decimals) n.insert(0, decimals + 1 - n.size(), '0');
    std::string integer = n.substr(0, n.size() - decimals);
    std::string out = thousands ? GroupThousands(integer) : integer;
    if (decimals > 0) out += "." + n.substr(n.size() - decimals);
    return out;
}

bool AllZeros(const std::string& digits) {
    return digits.find_first_not_of('0') == std::string::npos;
}

std::string ExponentText(int exponent, int minDigits, bool plusSign) {
    std::string out = "E";
    if (exponent < 0)
        out += '-';
    else if (plusSign)
        out += '+';
    std::string e = std::to_string(std::abs(exponent));
    if (static_cast<int>(e.size()) < minDigits) e.insert(0, minDigits - e.size(), '0');
    return out + e;
}

std::string Scientific(const Decimal& value, int precision, int expDigits, bool general) {
    Decimal d = RoundSignificant(value, precision);
    std::string mantissa = d.digits;
    if (general) {
        while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    } else if (static_cast<int>(mantissa.size()) < precision) {
        mantissa.append(precision - mantissa.size(), '0');
    }
    std::string out = d.negative ? "-" : "";
    out += mantissa.substr(0, 1);
    if (mantissa.size() > 1) out += "." + mantissa.substr(1);
    return out + ExponentText(d.exponent, expDigits, !general);
}

std::string General(const Decimal& value, int precision, int expDigits) {
    if (value.zero) return "0";
    Decimal d = RoundSignificant(value, precision);
    const bool tiny = d.exponent < -5;  // below 0.00001 after rounding
    if (tiny || d.exponent + 1 > precision) return Scientific(value, precision, expDigits, true);
    std::string digits = d.digits;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = d.negative ? "-" : "";
    if (d.exponent < 0) {
        out += "0." + std::string(-d.exponent - 1, '0') + digits;
    } else if (static_cast<int>(digits.size()) <= d.exponent + 1) {
        out += digits + std::string(d.exponent + 1 - digits.size(), '0');
    } else {
        out += digits.substr(0, d.exponent + 1) + "." + digits.substr(d.exponent + 1);
    }
    return out;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// --- FormatFloat picture ---------------------------------------------------

struct Picture {
    std::string prefix, suffix;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool thousands = false;
    bool hasPlaceholder = false;
};

std::string_view SelectSection(std::string_view picture, double value, bool roundsToZero) {
    std::array<std::string_view, 3> sections{};
    size_t count = 0, start = 0;
    char quote = 0;
    for (size_t i = 0; i <= picture.size(); ++i) {
        char c = i < picture.size() ? picture[i] : ';';
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';' && count < sections.size()) {
            sections[count++] = picture.substr(start, i - start);
            start = i + 1;
        }
    }
    if (roundsToZero && count >= 3 && !sections[2].empty()) return sections[2];
    if (value < 0 && count >= 2 && !sections[1].empty()) return sections[1];
    return sections[0];
}

Picture ParsePicture(std::string_view section) {
    Picture p;
    bool afterPoint = false, seenPlaceholder = false;
    char quote = 0;
    std::string pendingLiteral;
    for (char c : section) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                pendingLiteral.push_back(c);
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (!seenPlaceholder) p.prefix += pendingLiteral;
            pendingLiteral.clear();
            seenPlaceholder = true;
            if (afterPoint) {
                ++p.maxDecimals;
                if (c == '0') p.minDecimals = p.maxDecimals;
            } else if (c == '0') {
                ++p.minInteger;
            }
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
            seenPlaceholder = true;
        } else if (c == ',' && !afterPoint) {
            p.thousands = true;
        } else {
            pendingLiteral.push_back(c);
        }
    }
    if (seenPlaceholder)
        p.suffix = pendingLiteral;
    else
        p.prefix = pendingLiteral;
    p.hasPlaceholder = seenPlaceholder;
    return p;
}

// --- dates -------------------------------------------------------------------

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

constexpr long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr long long kSerialEpochDays = DaysFromCivil(1899, 12, 30);

std::string Pad(int value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
    return s;
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (AsciiLower(text[at + i]) != word[i]) return false;
    return true;
}

}  // namespace

double ToSerialDate(const DateTime& t) {
    const double days =
        static_cast<double>(DaysFromCivil(t.year, t.month, t.day) - kSerialEpochDays);
    const double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
    return days + ms / 86400000.0;
}

DateTime FromSerialDate(double serial) {
    long long totalMs = std::llround(serial * 86400000.0);
    long long days = totalMs / 86400000;
    long long msOfDay = totalMs % 86400000;
    if (msOfDay < 0) {
        msOfDay += 86400000;
        --days;
    }
    DateTime t;
    CivilFromDays(days + kSerialEpochDays, t.year, t.month, t.day);
    t.hour = static_cast<int>(msOfDay / 3600000);
    t.minute = static_cast<int>(msOfDay / 60000 % 60);
    t.second = static_cast<int>(msOfDay / 1000 % 60);
    t.millisecond = static_cast<int>(msOfDay % 1000);
    return t;
}

std::string FloatToStrF(double value, FloatFormat format, int precision, int digits) {
    if (!std::isfinite(value)) return NonFinite(value);
    precision = std::clamp(precision, 1, kSignificantDigits);
    const Decimal d = ToDecimal(value);
    switch (format) {
        case FloatFormat::General:
            return General(d, precision, std::clamp(digits, 0, 4));
        case FloatFormat::Exponent:
            if (d.zero) return Scientific(Decimal{"0", 0, false, false}, precision, digits, false);
            return Scientific(d, precision, std::clamp(digits, 0, 4), false);
        case FloatFormat::Fixed:
        case FloatFormat::Number: {
            digits = std::clamp(digits, 0, 18);
            if (!d.zero && d.exponent + 1 > precision) return Scientific(d, precision, 0, true);
            std::string n = ScaledInteger(d, digits);
            std::string text = PlaceDecimalPoint(n, digits, format == FloatFormat::Number);
            return (d.negative && !AllZeros(n) ? "-" : "") + text;
        }
    }
    return {};
}

std::string FloatToStr(double value) { return FloatToStrF(value, FloatFormat::General, 15, 0); }

std::string FormatFloat(std::string_view picture, double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    const Decimal d = ToDecimal(value);
    const Picture first = ParsePicture(SelectSection(picture, 1.0, false));
    const bool roundsToZero = AllZeros(ScaledInteger(d, first.maxDecimals));
    const std::string_view section = SelectSection(picture, value, roundsToZero);
    const bool ownNegativeSection = value < 0 && section.data() != picture.data();
    const Picture p = ParsePicture(section);
    if (picture.empty()) return FloatToStr(value);
    if (!p.hasPlaceholder) return p.prefix;

    std::string n = ScaledInteger(d, p.maxDecimals);
    if (static_cast<int>(n.size()) <= p.maxDecimals) n.insert(0, p.maxDecimals + 1 - n.size(), '0');
    std::string integer = n.substr(0, n.size() - p.maxDecimals);
    std::string fraction = n.substr(n.size() - p.maxDecimals);
    const bool isZero = AllZeros(n);
    while (static_cast<int>(fraction.size()) > p.minDecimals && fraction.back() == '0')
        fraction.pop_back();
    size_t firstNonZero = integer.find_first_not_of('0');
    integer = firstNonZero == std::string::npos ? "" : integer.substr(firstNonZero);
    if (static_cast<int>(integer.size()) < p.minInteger)
        integer.insert(0, p.minInteger - integer.size(), '0');
    std::string out = p.thousands ? GroupThousands(integer) : integer;
    if (!fraction.empty()) out += "." + fraction;
    const bool sign = d.negative && !isZero && !ownNegativeSection;
    return (sign ? "-" : "") + p.prefix + out + p.suffix;
}

std::string_view TrimView(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::optional<long long> ParseInt(std::string_view text) {
    text = TrimView(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 1 && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    unsigned long long magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (magnitude > kMax + (negative ? 1 : 0)) return std::nullopt;
    if (negative)
        return magnitude == kMax + 1 ? std::numeric_limits<long long>::min()
                                     : -static_cast<long long>(magnitude);
    return static_cast<long long>(magnitude);
}

std::optional<double> ParseFloat(std::string_view text) {
    text = TrimView(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Plain grammar check: digits [. digits] [e [sign] digits].
    size_t i = 0, mantissaDigits = 0;
    while (i < text.size() && IsAsciiDigit(text[i])) ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsAsciiDigit(text[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < text.size() && IsAsciiDigit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    double value = 0;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return negative ? -value : value;
}

namespace {

std::optional<int> ParseInt32(std::string_view text) {
    auto v = ParseInt(text);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*v);
}

}  // namespace

int StrToIntDef(std::string_view text, int fallback) { return ParseInt32(text).value_or(fallback); }

double StrToFloatDef(std::string_view text, double fallback) {
    auto v = ParseFloat(text);
    return v ? *v : fallback;
}

int StrToInt(std::string_view text) {
    auto v = ParseInt32(text);
    if (!v) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return *v;
}

double StrToFloat(std::string_view text) {
    auto v = ParseFloat(text);
    if (!v) throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return *v;
}

std::string IntToStr(long long value) { return std::to_string(value); }

std::string DateToStr(const DateTime& t) { return FormatDateTime(kShortDateFormat, t); }
std::string TimeToStr(const DateTime& t) { return FormatDateTime(kLongTimeFormat, t); }

std::string DateTimeToStr(const DateTime& t) {
    if (t.isMidnight()) return DateToStr(t);
    return DateToStr(t) + " " + TimeToStr(t);
}

std::string FormatDateTime(std::string_view pattern, const DateTime& t) {
    std::string out;
    bool twelveHour = false;
    for (size_t k = 0; k < pattern.size() && !twelveHour; ++k)
        twelveHour = StartsWithNoCase(pattern, k, "am/pm") || StartsWithNoCase(pattern, k, "ampm");
    bool lastWasHour = false;
    const long long days = DaysFromCivil(t.year, t.month, t.day);
    const int weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = AsciiLower(c);
        size_t run = 1;
        while (i + run < pattern.size() && AsciiLower(pattern[i + run]) == lower) ++run;
        if (c == '\'' || c == '"') {
            size_t close = pattern.find(c, i + 1);
            if (close == std::string_view::npos) close = pattern.size();
            out.append(pattern.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        if (StartsWithNoCase(pattern, i, "am/pm")) {
            out += t.hour < 12 ? "am" : "pm";
            i += 5;
            continue;
        }
        if (StartsWithNoCase(pattern, i, "ampm")) {
            out += t.hour < 12 ? "AM" : "PM";
            i += 4;
            continue;
        }
        switch (lower) {
            case 'y':
                out += run <= 2 ? Pad(t.year % 100, 2) : Pad(t.year, 4);
                lastWasHour = false;
                break;
            case 'm':
                if (lastWasHour && run <= 2) {
                    out += run == 1 ? std::to_string(t.minute) : Pad(t.minute, 2);
                } else if (run == 1) {
                    out += std::to_string(t.month);
                } else if (run == 2) {
                    out += Pad(t.month, 2);
                } else if (run == 3) {
                    out += kShortMonths[t.month - 1];
                } else {
                    out += kLongMonths[t.month - 1];
                }
                lastWasHour = false;
                break;
            case 'd':
                if (run == 1)
                    out += std::to_string(t.day);
                else if (run == 2)
                    out += Pad(t.day, 2);
                else if (run == 3)
                    out += kShortDays[weekday];
                else if (run == 4)
                    out += kLongDays[weekday];
                else
                    out += DateToStr(t);
                lastWasHour = false;
                break;
            case 'h': {
                int hour = t.hour;
                if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
                out += run == 1 ? std::to_string(hour) : Pad(hour, 2);
                lastWasHour = true;
                break;
            }
            case 'n':
                out += run == 1 ? std::to_string(t.minute) : Pad(t.minute, 2);
                lastWasHour = false;
                break;
            case 's':
                out += run == 1 ? std::to_string(t.second) : Pad(t.second, 2);
                lastWasHour = false;
                break;
            case 'z':
                out += run >= 3 ? Pad(t.millisecond, 3) : std::to_string(t.millisecond);
                lastWasHour = false;
                break;
            case 'c':
                out += DateTimeToStr(t);
                lastWasHour = false;
                run = 1;
                break;
            case 't':
                out += run == 1 ? FormatDateTime("hh:nn", t) : TimeToStr(t);
                lastWasHour = false;
                break;
            default:
                out.append(run, c);
                break;
        }
        if ((lower == 'y' && run > 4) || (lower == 'h' && run > 2) || (lower == 'n' && run > 2) ||
            (lower == 's' && run > 2) || (lower == 'z' && run > 3)) {
            // Longer runs repeat the specifier, as the class library reads them.
            run = lower == 'y' ? 4 : lower == 'z' ? 3 : 2;
        }
        i += run;
    }
    return out;
}

}  // namespace platform
