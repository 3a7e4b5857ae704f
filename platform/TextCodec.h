// The one text codec of the program. Files are written as UTF-8; files the
// Windows program wrote hold its Windows-1254 (Turkish) code page. A reader
// takes text as UTF-8 when it is valid UTF-8, else as Windows-1254, so old
// files keep their Turkish letters. Serial bytes are never decoded.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Every byte as its Windows-1254 character, in UTF-8. The seven bytes the code
// page leaves undefined (0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E) become
// U+FFFD.
std::string Windows1254ToUtf8(std::string_view bytes);

// Every byte as its Windows-1252 (Western European) character, in UTF-8;
// the five undefined bytes become U+FFFD.
std::string Windows1252ToUtf8(std::string_view bytes);

// The Windows-1254 byte of one character, -1 when the code page lacks it.
int Windows1254Byte(char32_t c);

// The UTF-8 character at `at` of `text` into `c`; returns its length in
// bytes, 0 when the bytes there are malformed.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& c);

// Appends `c` to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// `bytes` unchanged when valid UTF-8, else decoded as Windows-1254.
std::string DecodeText(std::string_view bytes);

// UTF-8 text in Windows-1254 (for the ANSI formats); characters the code page
// lacks, and invalid UTF-8, become `replacement`.
std::string Utf8ToWindows1254(std::string_view utf8, char replacement = '?');

}  // namespace platform
