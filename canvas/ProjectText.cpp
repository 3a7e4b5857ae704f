#include "canvas/ProjectText.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/VclText.h"

namespace vlm {
namespace {

constexpr int kDecimals = 6;
constexpr int kSignificantDigits = 18;

}  // namespace

// The same decimal rounding as platform::FloatToStrF (Fixed, 18, 6), done in
// a stack buffer: a project of a season's soundings writes millions of reals,
// and the allocation-free form keeps the save close to the compressor's own
// speed. Beyond 18 integer digits the value is written in full instead of
// switching to an exponent, which the project text never holds.
void AppendReal(std::string& out, double value) {
    if (!std::isfinite(value) || value == 0.0) {
        out.append("0.000000");
        return;
    }
    // |value| as 18 significant digits d0.d1...d17 times 10^exponent.
    char sci[40];
    const auto sciEnd = std::to_chars(sci, sci + sizeof sci, std::fabs(value),
                                      std::chars_format::scientific, kSignificantDigits - 1)
                            .ptr;
    char digits[kSignificantDigits];
    digits[0] = sci[0];
    std::memcpy(digits + 1, sci + 2, kSignificantDigits - 1);
    const char* e = sci + 1 + kSignificantDigits;  // at 'e'
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), sciEnd, exponent);

    // round(|value| * 10^6) as a digit string, half away from zero.
    char scaled[kSignificantDigits + 320];
    int length = 0;
    const int keep = exponent + 1 + kDecimals;
    if (keep <= 0) {
        scaled[length++] = (keep == 0 && digits[0] >= '5') ? '1' : '0';
    } else if (keep >= kSignificantDigits) {
        std::memcpy(scaled, digits, kSignificantDigits);
        length = kSignificantDigits;
        std::memset(scaled + length, '0', static_cast<size_t>(keep - kSignificantDigits));
        length = keep;
    } else {
        std::memcpy(scaled, digits, static_cast<size_t>(keep));
        length = keep;
        if (digits[keep] >= '5') {
            int i = length - 1;
            while (i >= 0 && scaled[i] == '9') scaled[i--] = '0';
            if (i >= 0) {
                ++scaled[i];
            } else {
                std::memmove(scaled + 1, scaled, static_cast<size_t>(length));
                scaled[0] = '1';
                ++length;
            }
        }
    }
    bool zero = true;
    for (int i = 0; i < length && zero; ++i) zero = scaled[i] == '0';
    if (value < 0 && !zero) out.push_back('-');
    if (length <= kDecimals) {
        out.append("0.");
        out.append(static_cast<size_t>(kDecimals - length), '0');
        out.append(scaled, static_cast<size_t>(length));
        return;
    }
    out.append(scaled, static_cast<size_t>(length - kDecimals));
    out.push_back('.');
    out.append(scaled + length - kDecimals, kDecimals);
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out.append(buf, end);
}

void AppendSanitized(std::string& out, std::string_view text) {
    const size_t start = out.size();
    out.append(text);
    for (size_t i = start; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c < 32 || c == 127) out[i] = ' ';
    }
}

bool RecordFields::Word(std::string_view& word) {
    word = {};
    if (failed_) return false;
    size_t i = 0;
    while (i < rest_.size() && IsFieldSpace(rest_[i])) ++i;
    size_t j = i;
    while (j < rest_.size() && !IsFieldSpace(rest_[j])) ++j;
    if (i == j) {
        failed_ = true;
        rest_ = {};
        return false;
    }
    word = rest_.substr(i, j - i);
    rest_.remove_prefix(j);
    return true;
}

// The common form of a real in a project text (a sign, at most 15 digits
// and a decimal point) read in one pass: the digits form an integer below
// 2^53 and one division by an exact power of ten rounds correctly, which is
// the same value the full conversion gives. Anything else (an exponent, more
// digits) goes the full way through the platform's parser.
bool RecordFields::Real(double& value) {
    if (failed_) return false;
    const char* const begin = rest_.data();
    const char* const end = begin + rest_.size();
    const char* p = begin;
    while (p < end && IsFieldSpace(*p)) ++p;
    const size_t start = static_cast<size_t>(p - begin);
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    const char* const digitsStart = p;
    while (p < end && static_cast<unsigned>(*p - '0') < 10)
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    ptrdiff_t digits = p - digitsStart;
    ptrdiff_t decimals = 0;
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        while (p < end && static_cast<unsigned>(*p - '0') < 10)
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
        decimals = p - fraction;
        digits += decimals;
    }
    if (digits > 0 && digits <= 15 && (p == end || IsFieldSpace(*p))) {
        static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double magnitude = static_cast<double>(mantissa) / kPowers[decimals];
        value = negative ? -magnitude : magnitude;
        rest_.remove_prefix(static_cast<size_t>(p - begin));
        return true;
    }
    rest_.remove_prefix(start);
    std::string_view word;
    if (!Word(word)) return false;
    const auto parsed = platform::ParseFloat(word);
    if (!parsed || !std::isfinite(*parsed)) {
        failed_ = true;
        return false;
    }
    value = *parsed;
    return true;
}

bool RecordFields::Int(int32_t& value) {
    std::string_view word;
    if (!Word(word)) return false;
    // An optional sign and decimal digits only, within 32 bits.
    size_t i = 0;
    const bool negative = word[0] == '-';
    if (word[0] == '-' || word[0] == '+') ++i;
    if (i == word.size() || word.size() - i > 10) {
        failed_ = true;
        return false;
    }
    int64_t magnitude = 0;
    for (; i < word.size(); ++i) {
        const char c = word[i];
        if (c < '0' || c > '9') {
            failed_ = true;
            return false;
        }
        magnitude = magnitude * 10 + (c - '0');
    }
    const int64_t parsed = negative ? -magnitude : magnitude;
    if (parsed < INT32_MIN || parsed > INT32_MAX) {
        failed_ = true;
        return false;
    }
    value = static_cast<int32_t>(parsed);
    return true;
}

std::string_view RecordFields::TrimmedRest() const {
    std::string_view rest = Rest();
    while (!rest.empty() && IsFieldSpace(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r'))
        rest.remove_suffix(1);
    return rest;
}

bool LineCursor::Next(std::string_view& line) {
    if (text_.empty()) return false;
    const size_t end = text_.find('\n');
    if (end == std::string_view::npos) {
        line = text_;
        text_ = {};
    } else {
        line = text_.substr(0, end);
        text_.remove_prefix(end + 1);
    }
    return true;
}

}  // namespace vlm
