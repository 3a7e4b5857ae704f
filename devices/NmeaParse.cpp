#include "devices/NmeaParse.h"

#include <algorithm>

#include "platform/VclText.h"

namespace nmea {

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

double FieldNumber(std::string_view field) { return platform::StrToFloatDef(field, 0); }

int FieldInteger(std::string_view field) { return platform::StrToIntDef(field, 0); }

double NmeaToDegrees(std::string_view value, std::string_view hemisphere) {
    if (value.empty()) return 0;
    const size_t dot = value.find('.');
    // The 1-based position of the '.' must be at least 3.
    if (dot == std::string_view::npos || dot + 1 < 3) return 0;
    const size_t degreeDigits = (hemisphere == "E" || hemisphere == "W") ? 3 : 2;
    const double degrees = FieldNumber(value.substr(0, degreeDigits));
    const double minutes = FieldNumber(value.substr(std::min(degreeDigits, value.size())));
    const double r = degrees + minutes / 60;
    return (hemisphere == "S" || hemisphere == "W") ? -r : r;
}

}  // namespace nmea
