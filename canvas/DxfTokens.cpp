#include "canvas/DxfTokens.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "platform/TextCodec.h"

namespace {

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// atoi and atof skip the C library's white space.
bool IsLeadingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string_view DxfTrimView(std::string_view line) {
    size_t begin = 0, end = line.size();
    while (begin < end && IsTrimmed(line[begin])) ++begin;
    while (end > begin && IsTrimmed(line[end - 1])) --end;
    return line.substr(begin, end - begin);
}

void DxfTrim(std::string& line) { line = std::string(DxfTrimView(line)); }

int DxfAtoi(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsLeadingSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

double DxfAtof(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsLeadingSpace(text[at])) ++at;
    const size_t start = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const size_t mantissa = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    size_t digits = at - mantissa;
    if (at < text.size() && text[at] == '.') {
        const size_t fraction = ++at;
        while (at < text.size() && IsDigit(text[at])) ++at;
        digits += at - fraction;
    }
    if (digits == 0) return 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t e = at + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < text.size() && IsDigit(text[e])) {
            while (e < text.size() && IsDigit(text[e])) ++e;
            at = e;
        }
    }
    // from_chars takes no leading "+".
    const size_t from = text[start] == '+' ? start + 1 : start;
    double value = 0;
    const auto result =
        std::from_chars(text.data() + from, text.data() + at, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

int AciToColor(int index) {
    auto bgr = [](int r, int g, int b) { return b * 65536 + g * 256 + r; };
    switch (index) {
        case 1:
            return bgr(255, 0, 0);
        case 2:
            return bgr(255, 255, 0);
        case 3:
            return bgr(0, 255, 0);
        case 4:
            return bgr(0, 255, 255);
        case 5:
            return bgr(0, 0, 255);
        case 6:
            return bgr(255, 0, 255);
        case 7:
            return bgr(255, 255, 255);
        case 8:
            return bgr(128, 128, 128);
        case 9:
            return bgr(192, 192, 192);
        default:
            break;
    }
    if (index >= 10 && index <= 255)
        return bgr((17 * index) % 256, (37 * index) % 256, (53 * index) % 256);
    return -1;
}

std::string DxfStripMText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '}') continue;
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const char code = text[++i];
        switch (code) {
            case 'P':
            case '~':
                out += ' ';
                break;
            case 'L':
            case 'l':
            case 'O':
            case 'o':
            case 'K':
            case 'k':
                break;
            case 'A':
            case 'C':
            case 'c':
            case 'F':
            case 'f':
            case 'H':
            case 'Q':
            case 'T':
            case 'W':
            case 'p':
                while (i + 1 < text.size() && text[i + 1] != ';') ++i;
                if (i + 1 < text.size()) ++i;  // the ";"
                break;
            case 'S': {
                // Stacked text "a^b;", "a/b;" or "a#b;" reads "a/b".
                while (i + 1 < text.size() && text[i + 1] != ';') {
                    const char s = text[++i];
                    out += (s == '^' || s == '#') ? '/' : s;
                }
                if (i + 1 < text.size()) ++i;
                break;
            }
            case '\\':
            case '{':
            case '}':
                out += code;
                break;
            default:
                // An unknown code (also "\U+XXXX", decoded before) stays as written.
                out += '\\';
                out += code;
                break;
        }
    }
    return out;
}

std::string DxfDecodeUnicodeEscapes(std::string_view text) {
    if (text.find("\\U+") == std::string_view::npos && text.find("\\u+") == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 6 < text.size() && (text[i + 1] == 'U' || text[i + 1] == 'u') &&
            text[i + 2] == '+') {
            char32_t c = 0;
            bool ok = true;
            for (size_t k = 3; k < 7 && ok; ++k) {
                const int h = HexDigit(text[i + k]);
                ok = h >= 0;
                c = c * 16 + static_cast<char32_t>(h < 0 ? 0 : h);
            }
            if (ok && !(c >= 0xD800 && c <= 0xDFFF) && c != 0) {
                platform::AppendUtf8(out, c);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

size_t DxfPairCount(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    // Every LF ends a line; text after the last one is a line of its own.
    size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (!bytes.empty() && bytes.back() != '\n') ++lines;
    return lines / 2;
}

std::vector<DxfPair> DxfSplitPairs(std::string_view bytes) {
    std::vector<DxfPair> pairs;
    pairs.reserve(DxfPairCount(bytes));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    size_t at = 0;
    auto nextLine = [&](std::string_view& line) {
        if (at >= bytes.size()) return false;
        size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        line = DxfTrimView(bytes.substr(at, end - at));
        at = end + 1;
        return true;
    };
    std::string_view code, value;
    while (nextLine(code) && nextLine(value)) pairs.push_back({DxfAtoi(code), value});
    return pairs;
}

DxfEncoding DxfDetectEncoding(std::string_view bytes, const std::vector<DxfPair>& pairs) {
    std::string_view version, codePage;
    // Header variables: 9 "$NAME" followed by their value pair.
    for (size_t i = 0; i + 1 < pairs.size(); ++i) {
        if (pairs[i].code == 0 && pairs[i].value == "ENDSEC") break;
        if (pairs[i].code != 9) continue;
        if (pairs[i].value == "$ACADVER") version = pairs[i + 1].value;
        if (pairs[i].value == "$DWGCODEPAGE") codePage = pairs[i + 1].value;
    }
    if (version.size() == 6 && version.substr(0, 2) == "AC" && version >= "AC1021")
        return DxfEncoding::Utf8;
    if (platform::IsValidUtf8(bytes)) return DxfEncoding::Utf8;
    auto same = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
        return true;
    };
    if (same(codePage, "ansi_1252")) return DxfEncoding::Windows1252;
    return DxfEncoding::Windows1254;
}

std::string DxfDecodeText(std::string_view raw, DxfEncoding encoding) {
    std::string text;
    switch (encoding) {
        case DxfEncoding::Utf8:
            // A stray invalid byte in a UTF-8 file still reads as a character.
            text = platform::DecodeText(raw);
            break;
        case DxfEncoding::Windows1252:
            text = platform::Windows1252ToUtf8(raw);
            break;
        case DxfEncoding::Windows1254:
            text = platform::Windows1254ToUtf8(raw);
            break;
    }
    return DxfDecodeUnicodeEscapes(text);
}
