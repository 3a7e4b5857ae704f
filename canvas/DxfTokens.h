// The text layer of ASCII DXF: a drawing exchange file is a sequence of
// pairs of lines, a group code and its value. This unit trims lines, splits
// a file into pairs, converts numbers the way the C library's atoi and atof
// read a prefix (but without the locale, "nan", "inf" or hex), decodes the
// texts of the file's release and code page, maps colour indices and strips
// MTEXT formatting. Colours are 0x00BBGGRR integers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Removes blanks, tabs and CR from both ends, in place.
void DxfTrim(std::string& line);
std::string_view DxfTrimView(std::string_view line);

// The leading integer of `text` (blanks skipped, optional sign, digits);
// 0 when there is none, saturated at the int range.
int DxfAtoi(std::string_view text);

// The leading decimal number of `text` (blanks skipped, optional sign,
// digits, ".", digits, an exponent only when digits follow it); 0 when there
// is none or it is beyond the double range. Never NaN or infinite.
double DxfAtof(std::string_view text);

// A colour index as its colour; -1 for 0 (by block), 256 (by layer) and any
// index outside 1..255.
int AciToColor(int index);

// The text of a TEXT or MTEXT value without its formatting codes: \P and \~ give a
// blank; \L \l \O \o \K \k vanish; \A \C \c \F \f \H \Q \T \W \p vanish with
// their argument up to and including ";"; \S keeps "a/b" of "\Sa^b;" or
// "\Sa/b;" ("#" and "^" read as "/"); grouping braces vanish; "\{", "\}" and
// "\\" give the character itself. Bytes are kept otherwise (UTF-8 in, out).
std::string DxfStripMText(std::string_view text);

// "\U+XXXX" (four hex digits) as the character, in UTF-8; the rest unchanged.
std::string DxfDecodeUnicodeEscapes(std::string_view text);

// One (code, value) pair; the value is trimmed and points into the file's
// bytes.
struct DxfPair {
    int code = 0;
    std::string_view value;
};

// The file's pairs in order. Lines end at LF; a UTF-8 byte-order mark at the
// start is skipped; a last code without a value is dropped. The vector is
// sized to its pairs once (DxfPairCount), never grown.
std::vector<DxfPair> DxfSplitPairs(std::string_view bytes);

// How many pairs DxfSplitPairs gives for `bytes`, counted without keeping any.
size_t DxfPairCount(std::string_view bytes);

// How the file's names and texts are encoded: AC1021 (2007) and later are
// UTF-8; older files are UTF-8 when the whole file is valid UTF-8, else in
// the code page that $DWGCODEPAGE names (ANSI_1252 or ANSI_1254), else
// Windows-1254.
enum class DxfEncoding { Utf8, Windows1252, Windows1254 };
DxfEncoding DxfDetectEncoding(std::string_view bytes, const std::vector<DxfPair>& pairs);

// A raw name or text value in UTF-8, "\U+XXXX" escapes decoded.
std::string DxfDecodeText(std::string_view raw, DxfEncoding encoding);
