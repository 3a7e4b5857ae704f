// The pieces of the project text: how numbers, names and texts are written
// into its keyword lines, and how a line is taken apart again.
//
// Written reals have exactly 6 decimals after a '.', a leading '-' for
// negatives, no grouping and no exponent, rounded as the platform's
// FloatToStrF rounds (half away from zero on 18 significant digits); a value
// that is not finite is written as 0.000000. Integers are plain signed
// decimal. Nothing here depends on the C or Qt locale.
//
// Fields are read as a stream extraction reads them: separated by any run of
// white space, and once one field fails every later field of the record fails
// as well, so a record's trailing fields take their defaults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlm {

// Appends `value` with 6 decimals (0.000000 when it is not finite).
void AppendReal(std::string& out, double value);

// Appends a signed decimal integer.
void AppendInt(std::string& out, long long value);

// Appends `text` with every control character (CR, LF, tab and the other
// bytes below 32, and DEL) replaced by a blank, so that a name or a text can
// never break its record into further lines.
void AppendSanitized(std::string& out, std::string_view text);

// True for the white space that separates fields (as isspace in the C locale).
constexpr bool IsFieldSpace(char c) {
    // Every byte above a blank is a field byte: one comparison for almost all.
    return static_cast<unsigned char>(c) <= ' ' &&
           (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f');
}

// Parsed fields of one record line (the line without its LF).
class RecordFields {
  public:
    explicit RecordFields(std::string_view line) : rest_(line) {}

    // The next blank-delimited word; false (and empty) when none is left.
    bool Word(std::string_view& word);
    // The next word read as a real (the plain decimal grammar, finite) or as
    // a 32-bit signed decimal integer. False when the word is missing or does
    // not read whole; every later read then fails too.
    bool Real(double& value);
    bool Int(int32_t& value);

    // The unread rest of the line, exactly as it stands (after a Word, it
    // starts with the separator that followed the word).
    std::string_view Rest() const { return failed_ ? std::string_view() : rest_; }

    // The rest of the line with its leading white space skipped and its
    // trailing blanks, tabs and CR removed.
    std::string_view TrimmedRest() const;

    bool Failed() const { return failed_; }

  private:
    std::string_view rest_;
    bool failed_ = false;
};

// Walks a text line by line at LF bytes; the last line needs no LF.
class LineCursor {
  public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line);

  private:
    std::string_view text_;
};

}  // namespace vlm
