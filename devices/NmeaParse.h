// Field-level helpers for NMEA 0183 sentences as the serial reader reads
// them: the address that starts a sentence, the checksum, fields split at
// every delimiter (empty fields kept, the text after the last delimiter
// always the last field), numbers in the plain decimal grammar with '.' as
// the separator, and positions in signed decimal degrees, north and east
// positive.
//
// A field that is not a number reads as 0; a field whose value is not finite
// ("nan", "inf", a number beyond the range of a double) reads as no value at
// all, so that it can never reach a position, a speed or an event.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nmea {

// True when `text` holds an NMEA address at `at`: '$', five letters or
// digits, then ','. "$GPGGA," and "$PGRMC," are addresses; "$GPGGAX," and a
// '$' inside binary data or an echo-sounder line are not.
inline bool IsAddressAt(std::string_view text, size_t at) {
    if (at + 7 > text.size() || text[at] != '$' || text[at + 6] != ',') return false;
    const auto alnum = [](char c) {
        const unsigned u = static_cast<unsigned char>(c);
        return u - '0' < 10u || (u | 0x20u) - 'a' < 26u;  // (u | 0x20) folds to lower case
    };
    return alnum(text[at + 1]) && alnum(text[at + 2]) && alnum(text[at + 3]) &&
           alnum(text[at + 4]) && alnum(text[at + 5]);
}

// The position of the first address at or after `from`, or npos.
size_t FindAddress(std::string_view text, size_t from);

enum class Checksum {
    NotJudged,  // not an NMEA line (no address first), or no '*' at all
    Good,       // '*' and two hex digits (either case) end the line and equal
                // the XOR of the characters between '$' and the '*'
    Bad,        // an NMEA line with a '*' that is not followed by exactly two
                // hex digits ending the line, or whose digits do not match
};

// The verdict on one trimmed line (no line end, no surrounding blanks).
Checksum JudgeChecksum(std::string_view line);
// The same for a line whose first '*' is known to be at `star` (npos: none).
Checksum JudgeChecksum(std::string_view line, size_t star);

// The sentence type ("GGA", "RMC", ...) when the address field of `sentence`
// is exactly '$', two talker letters (A-Z, not a proprietary 'P' first) and
// three type letters (A-Z), followed by ',' or nothing; else empty.
std::string_view TalkerSentenceType(std::string_view sentence);

// "a,,b," gives four fields: "a", "", "b", ""; an empty text one empty field.
std::vector<std::string> SplitFields(std::string_view text, char delimiter);

// The same split as views into `text`, reusing `fields`' storage.
void SplitFieldViews(std::string_view text, char delimiter, std::vector<std::string_view>& fields);

// "ddmm.mmmm" (two degree digits) or, with hemisphere "E" or "W", "dddmm.mmmm"
// (three), to signed degrees; "S" and "W" are negative. An empty value, or
// one whose first '.' is missing or stands before the third character, gives
// 0. Any other hemisphere text counts as north. The result is not checked
// against the globe (see PositionDegrees).
double NmeaToDegrees(std::string_view value, std::string_view hemisphere);

// NmeaToDegrees for a position: nothing when the value cannot be one, that
// is degrees or minutes that are negative or not finite, minutes of 60 or
// more, or a result beyond `limitDegrees` (90 for a latitude, 180 for a
// longitude). Empty and malformed values give 0 as above.
std::optional<double> PositionDegrees(std::string_view value, std::string_view hemisphere,
                                      double limitDegrees);

// The field's number; 0 when it is not a number; nothing when its value is
// not finite.
std::optional<double> FieldNumber(std::string_view field);

// The field's integer, 0 when it is not one.
int FieldInteger(std::string_view field);

}  // namespace nmea
