#include "tools/NavigationSettings.h"

#include <algorithm>

#include "platform/IniFile.h"
#include "platform/VclText.h"

namespace tools {
namespace {

constexpr const char* kSection = "NAVIGATION_SETTINGS";

std::uint32_t ReadColor(const platform::IniFile& ini, const char* key, std::uint32_t fallback) {
    const std::optional<long long> value =
        platform::ParseInt(ini.ReadString(kSection, key, std::string()));
    if (!value || *value < 0 || *value > 0xFFFFFF) return fallback;
    return static_cast<std::uint32_t>(*value);
}

}  // namespace

std::optional<int> MapIntervalMs(std::string_view rateText) noexcept {
    if (rateText.empty()) return 500;
    static const LiveValue rate(-2147483648.0, 2147483647.0, true);
    const std::optional<double> ms = rate.Parse(rateText);
    if (!ms) return std::nullopt;
    return std::max(50, static_cast<int>(*ms));
}

NavigationSection ReadNavigationSection(const platform::IniFile& ini) {
    NavigationSection s;
    s.VesselWidth = ini.ReadString(kSection, "VesselWidth", s.VesselWidth);
    s.TrackWidth = ini.ReadString(kSection, "TrackWidth", s.TrackWidth);
    s.TrackDistance = ini.ReadString(kSection, "TrackDistance", s.TrackDistance);
    s.VesselColor = ReadColor(ini, "VesselColor", s.VesselColor);
    s.ColorTracklines1 = ReadColor(ini, "ColorTracklines1", s.ColorTracklines1);
    s.ColorTracklines0 = ReadColor(ini, "ColorTracklines0", s.ColorTracklines0);
    s.BackgroundColor = ReadColor(ini, "BackgroundColor", s.BackgroundColor);
    s.LineOrDot = ini.ReadBool(kSection, "cLineOrDot", s.LineOrDot);
    s.DepthAlert = ini.ReadString(kSection, "edDepthAlert", s.DepthAlert);
    return s;
}

void WriteNavigationSection(platform::IniFile& ini, const NavigationSection& s) {
    platform::IniFile::Batch batch(ini);
    ini.WriteString(kSection, "VesselWidth", s.VesselWidth);
    ini.WriteString(kSection, "TrackWidth", s.TrackWidth);
    ini.WriteString(kSection, "TrackDistance", s.TrackDistance);
    ini.WriteInteger(kSection, "VesselColor", static_cast<int>(s.VesselColor));
    ini.WriteInteger(kSection, "ColorTracklines1", static_cast<int>(s.ColorTracklines1));
    ini.WriteInteger(kSection, "ColorTracklines0", static_cast<int>(s.ColorTracklines0));
    ini.WriteInteger(kSection, "BackgroundColor", static_cast<int>(s.BackgroundColor));
    ini.WriteBool(kSection, "cLineOrDot", s.LineOrDot);
    ini.WriteString(kSection, "edDepthAlert", s.DepthAlert);
}

}  // namespace tools
