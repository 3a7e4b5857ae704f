#include "platform/TextCodec.h"

#include <cstdint>
#include <cstring>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1254 from 0x80 to 0x9F; 0 marks a byte the code page leaves undefined.
constexpr char32_t kHigh1254[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0,      0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178,  // 98-9F
};

// From 0xA0 on the code page is Latin-1 but for the six Turkish letters.
char32_t FromWindows1254(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte < 0xA0) return kHigh1254[byte - 0x80] ? kHigh1254[byte - 0x80] : kReplacement;
    switch (byte) {
        case 0xD0:
            return 0x011E;  // Ğ
        case 0xDD:
            return 0x0130;  // İ
        case 0xDE:
            return 0x015E;  // Ş
        case 0xF0:
            return 0x011F;  // ğ
        case 0xFD:
            return 0x0131;  // ı
        case 0xFE:
            return 0x015F;  // ş
        default:
            return byte;
    }
}

// Windows-1252 from 0x80 to 0x9F; 0 marks a byte the code page leaves undefined.
constexpr char32_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

size_t DecodeUtf8(std::string_view text, size_t at, char32_t& c) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length;
    char32_t min;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

bool IsValidUtf8(std::string_view bytes) {
    char32_t c;
    for (size_t at = 0; at < bytes.size();) {
        // Runs of ASCII, eight bytes at a time: most text is all ASCII.
        while (at + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + at, 8);
            if (word & 0x8080808080808080ull) break;
            at += 8;
        }
        if (at >= bytes.size()) break;
        const size_t length = DecodeUtf8(bytes, at, c);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string Windows1254ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes)
        AppendUtf8(out, FromWindows1254(static_cast<unsigned char>(byte)));
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        char32_t c = byte;
        if (byte >= 0x80 && byte < 0xA0)
            c = kHigh1252[byte - 0x80] ? kHigh1252[byte - 0x80] : kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

int Windows1254Byte(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    if (c == kReplacement) return -1;
    for (int candidate = 0x80; candidate <= 0xFF; ++candidate)
        if (FromWindows1254(static_cast<unsigned char>(candidate)) == c) return candidate;
    return -1;
}

std::string DecodeText(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Windows1254ToUtf8(bytes);
}

std::string Utf8ToWindows1254(std::string_view utf8, char replacement) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t c;
        const size_t length = DecodeUtf8(utf8, at, c);
        if (length == 0) {
            out += replacement;
            ++at;
            continue;
        }
        at += length;
        char byte = replacement;
        if (c < 0x80) {
            byte = static_cast<char>(c);
        } else if (c != kReplacement) {
            for (int candidate = 0x80; candidate <= 0xFF; ++candidate) {
                if (FromWindows1254(static_cast<unsigned char>(candidate)) == c) {
                    byte = static_cast<char>(candidate);
                    break;
                }
            }
        }
        out += byte;
    }
    return out;
}

}  // namespace platform
