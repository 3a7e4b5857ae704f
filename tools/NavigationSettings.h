// The navigation settings of the survey loop without their window: the
// values the map tick, the track recording, the depth pipeline and the
// echogram read (NavigationValues), the map tick's interval rule, and the
// settings section "NAVIGATION_SETTINGS".
//
// Colours are 0x00BBGGRR integers; widths are pixels, distances and depths
// metres, the update rate milliseconds. Nothing here throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/LiveValue.h"

namespace platform {
class IniFile;
}

namespace tools {

// The window's colours as the layout has them.
inline constexpr std::uint32_t kNavy = 0x800000;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kGreen = 0x008000;
inline constexpr std::uint32_t kYellow = 0x00FFFF;

// The map tick's interval for the rate text: 500 ms for an empty text, else
// the whole number raised to 50 when it is 50 or less; nothing for a text
// that is not a plain decimal integer (the running interval stays).
std::optional<int> MapIntervalMs(std::string_view rateText) noexcept;

// What the survey loop reads, always the last valid entry of each control.
struct NavigationValues {
    std::uint32_t VesselColor = kNavy;
    LiveValue VesselWidth{0, 99, true};
    std::optional<int> UpdateRateMs;  // the interval the map timer was given
    std::uint32_t BackgroundColor = kWhite;
    std::uint32_t TrackFixColor = kGreen;     // "track_fix" (RTK fixed)
    std::uint32_t TrackFloatColor = kYellow;  // "track_float"
    bool TrackAsLine = false;                 // "Draw as Line"
    LiveValue TrackWidth{0, 99, true};
    LiveValue TrackDistance{0, 2147483647.0, true};
    LiveValue DepthAlert;  // any finite depth
};

// The section as the window stores it: texts as typed, colours, the switch.
struct NavigationSection {
    std::string VesselWidth = "3";
    std::string TrackWidth = "3";
    std::string TrackDistance = "20";
    std::uint32_t VesselColor = kNavy;
    std::uint32_t ColorTracklines1 = kGreen;
    std::uint32_t ColorTracklines0 = kYellow;
    std::uint32_t BackgroundColor = kWhite;
    bool LineOrDot = true;
    std::string DepthAlert = "1";
};

// Reads the keys in their order. A colour that is missing or not a colour
// takes the layout's colour (navy, green, yellow, white), so a first start
// never draws black on black; the other defaults are those of the section.
NavigationSection ReadNavigationSection(const platform::IniFile& ini);
// Writes the keys in the same order, in one write of the file.
void WriteNavigationSection(platform::IniFile& ini, const NavigationSection& section);

}  // namespace tools
