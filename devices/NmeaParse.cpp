#include "devices/NmeaParse.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/VclText.h"

namespace nmea {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The XOR of all bytes, eight at a time: every line of a receiver is
// judged, so this runs for each sentence that arrives.
int XorOf(std::string_view bytes) {
    const char* p = bytes.data();
    const size_t n = bytes.size();
    uint64_t wide = 0, word;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::memcpy(&word, p + i, 8);
        wide ^= word;
    }
    const size_t rest = n - i;
    if constexpr (std::endian::native == std::endian::little) {
        if (rest != 0 && n >= 8) {
            // The last eight bytes again; shifting keeps only the ones not summed yet.
            std::memcpy(&word, p + n - 8, 8);
            wide ^= word >> (8 * (8 - rest));
            i = n;
        }
    }
    wide ^= wide >> 32;
    wide ^= wide >> 16;
    wide ^= wide >> 8;
    unsigned sum = static_cast<unsigned>(wide & 0xFF);
    for (; i < n; ++i) sum ^= static_cast<unsigned char>(p[i]);
    return static_cast<int>(sum);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

// The plain number grammar: digits [. digits] [e [sign] digits], at least one
// mantissa digit, an optional sign before it.
bool IsPlainNumber(std::string_view text) {
    size_t i = 0, digits = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == text.size();
}

// A text that the number parser refuses but that stands for a value that is
// not finite: the spellings of NaN and infinity, or a number too large (or
// too small) for a double.
bool SpellsNonFinite(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (IsPlainNumber(text)) return true;  // refused only for its range
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return EqualsNoCase(text, "nan") || EqualsNoCase(text, "inf") || EqualsNoCase(text, "infinity");
}

struct DegreeParts {
    std::optional<double> degrees, minutes;
};

// The degree and minute numbers of "ddmm.mmmm" / "dddmm.mmmm"; both 0 for an
// empty value and for one whose '.' is missing or too early.
DegreeParts SplitDegrees(std::string_view value, std::string_view hemisphere) {
    if (value.empty()) return {0.0, 0.0};
    const size_t dot = value.find('.');
    // The 1-based position of the '.' must be at least 3.
    if (dot == std::string_view::npos || dot + 1 < 3) return {0.0, 0.0};
    const size_t degreeDigits = (hemisphere == "E" || hemisphere == "W") ? 3 : 2;
    return {FieldNumber(value.substr(0, degreeDigits)),
            FieldNumber(value.substr(std::min(degreeDigits, value.size())))};
}

double Signed(double r, std::string_view hemisphere) {
    return (hemisphere == "S" || hemisphere == "W") ? -r : r;
}

}  // namespace

size_t FindAddress(std::string_view text, size_t from) {
    while (from < text.size()) {
        const void* dollar = std::memchr(text.data() + from, '$', text.size() - from);
        if (!dollar) break;
        const size_t at = static_cast<size_t>(static_cast<const char*>(dollar) - text.data());
        if (IsAddressAt(text, at)) return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

Checksum JudgeChecksum(std::string_view line) { return JudgeChecksum(line, line.find('*')); }

Checksum JudgeChecksum(std::string_view line, size_t star) {
    // An address has no '*', so a star before its end means no address.
    if (star == std::string_view::npos || !IsAddressAt(line, 0)) return Checksum::NotJudged;
    if (star + 3 != line.size()) return Checksum::Bad;
    const int high = HexValue(line[star + 1]), low = HexValue(line[star + 2]);
    if (high < 0 || low < 0) return Checksum::Bad;
    return XorOf(line.substr(1, star - 1)) == high * 16 + low ? Checksum::Good : Checksum::Bad;
}

std::string_view TalkerSentenceType(std::string_view sentence) {
    if (sentence.size() < 6 || sentence[0] != '$' || sentence[1] == 'P') return {};
    if (sentence.size() > 6 && sentence[6] != ',') return {};
    // Proprietary sentences are '$P' + maker + type, so 'P' first is refused above.
    const auto upper = [](char c) { return static_cast<unsigned char>(c - 'A') < 26; };
    if (!(upper(sentence[1]) && upper(sentence[2]) && upper(sentence[3]) && upper(sentence[4]) &&
          upper(sentence[5])))
        return {};
    return sentence.substr(3, 3);
}

void SplitFieldViews(std::string_view text, char delimiter, std::vector<std::string_view>& fields) {
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t cut = text.find(delimiter, start);
        if (cut == std::string_view::npos) break;
        fields.push_back(text.substr(start, cut - start));
        start = cut + 1;
    }
    fields.push_back(text.substr(start));
}

std::vector<std::string> SplitFields(std::string_view text, char delimiter) {
    std::vector<std::string_view> views;
    SplitFieldViews(text, delimiter, views);
    return {views.begin(), views.end()};
}

std::optional<double> FieldNumber(std::string_view field) {
    // The parser refuses NaN, infinity and numbers out of range, so what it
    // gives is finite.
    if (const auto v = platform::ParseFloat(field)) return *v;
    if (SpellsNonFinite(field)) return std::nullopt;
    return 0.0;
}

int FieldInteger(std::string_view field) { return platform::StrToIntDef(field, 0); }

double NmeaToDegrees(std::string_view value, std::string_view hemisphere) {
    const DegreeParts p = SplitDegrees(value, hemisphere);
    return Signed(p.degrees.value_or(0) + p.minutes.value_or(0) / 60, hemisphere);
}

std::optional<double> PositionDegrees(std::string_view value, std::string_view hemisphere,
                                      double limitDegrees) {
    const DegreeParts p = SplitDegrees(value, hemisphere);
    if (!p.degrees || !p.minutes) return std::nullopt;
    if (*p.degrees < 0 || *p.minutes < 0 || *p.minutes >= 60) return std::nullopt;
    const double r = *p.degrees + *p.minutes / 60;
    if (r > limitDegrees) return std::nullopt;
    return Signed(r, hemisphere);
}

}  // namespace nmea
