// Field-level helpers for NMEA 0183 sentences as the serial reader reads
// them: fields split at every delimiter (empty fields kept, the text after
// the last delimiter always the last field), numbers in the plain decimal
// grammar with '.' as the separator, and a field that is not a number
// reading as 0. Positions are signed decimal degrees, north and east
// positive. No checksum is verified.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nmea {

// "a,,b," gives four fields: "a", "", "b", ""; an empty text one empty field.
std::vector<std::string> SplitFields(std::string_view text, char delimiter);

// The same split as views into `text`, reusing `fields`' storage.
void SplitFieldViews(std::string_view text, char delimiter, std::vector<std::string_view>& fields);

// "ddmm.mmmm" (two degree digits) or, with hemisphere "E" or "W", "dddmm.mmmm"
// (three), to signed degrees; "S" and "W" are negative. An empty value, or
// one whose first '.' is missing or stands before the third character, gives
// 0. Any other hemisphere text counts as north.
double NmeaToDegrees(std::string_view value, std::string_view hemisphere);

// The field's number, 0 when it is not one.
double FieldNumber(std::string_view field);

// The field's integer, 0 when it is not one.
int FieldInteger(std::string_view field);

}  // namespace nmea
