// A restricted scanner with the semantics of the C library's sscanf for the
// conversions the program's line formats use, so that a format typed by the
// surveyor or read from the settings file never reaches the C library.
//
// Supported: %lf and %f (a finite decimal number: optional sign, digits, '.',
// exponent; no nan, inf or hex), %d (decimal int, out-of-range fails the
// conversion), %s (a run of non-blanks), %c (one char, or `width` chars, not
// skipping blanks), %[...] and %[^...] (a set, ']' first is literal, a-b
// ranges), a width on any of them, '*' to skip without storing, "%%", blanks
// (any run of blanks in the input, also none) and literal characters.
// Anything else (%x, %n, %p, %ld, %5$d ...) makes the format invalid.
//
// Numbers are read locale-free. A number field longer than its width is cut
// at the width, as sscanf does; as there, an exponent mark with no digits
// after it is taken from the input but not read ("1e," gives 1), a
// magnitude below the smallest double reads as 0, and a skipped (%*)
// number may be out of range.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ScanKind { Double, Float, Int, String, Char, Set };

// What one storing conversion delivered: `number` for Double and Float (Float
// rounded to float precision), `integer` for Int, `text` for String, Char and Set.
struct ScanField {
    ScanKind kind = ScanKind::Double;
    double number = 0;
    int integer = 0;
    std::string text;
};

class ScanFormat {
  public:
    // Compiles `format`. The format is invalid when it holds an unsupported
    // conversion, ends inside one, or stores a conversion whose kind is not in
    // `accepted` (skipped conversions of any supported kind are fine).
    static ScanFormat Compile(std::string_view format, std::initializer_list<ScanKind> accepted);

    bool Valid() const { return valid_; }
    // Why the format is invalid, in words for a message box; empty when valid.
    const std::string& Error() const { return error_; }
    // The number of storing conversions, in order.
    const std::vector<ScanKind>& Stored() const { return stored_; }

    // Scans `input` like sscanf: fills `fields` with the conversions stored
    // before the first mismatch and returns their number; -1 when the input
    // ends (or holds only blanks) before the first conversion; -1 for an
    // invalid format. Reading stops at a NUL byte, as in C.
    int Scan(std::string_view input, std::vector<ScanField>& fields) const;

  private:
    // One directive of the compiled format.
    struct Step {
        enum Type { Blanks, Literal, Convert } type = Literal;
        char literal = 0;
        ScanKind kind = ScanKind::Double;
        bool store = true;
        size_t width = 0;  // 0: no limit (for %c: one)
        bool setNegated = false;
        bool set[256] = {};  // members of a %[...] set
    };
    static size_t ParseSet(std::string_view format, size_t at, Step& step);

    bool valid_ = false;
    std::string error_;
    std::vector<ScanKind> stored_;
    std::vector<Step> steps_;
};

// sscanf(text, "%lf", &value) == 1 with a finite result: leading blanks
// skipped, the longest number prefix taken, anything after it ignored.
bool ScanDouble(std::string_view text, double& value);

}  // namespace platform
