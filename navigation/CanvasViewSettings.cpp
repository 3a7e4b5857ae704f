#include "navigation/CanvasViewSettings.h"

#include <cmath>
#include <optional>
#include <string>

#include "platform/VclText.h"

namespace {

constexpr double kMinSpan = 1e-3;
constexpr double kMaxSpan = 1e8;
constexpr double kMaxEdge = 1e10;

// The stored value, the fallback when the key is missing, nothing when the
// text is not a number.
std::optional<double> ReadEdge(const platform::IniFile& ini, const char* key, double fallback) {
    const std::string text = platform::Trim(ini.ReadString(kCanvasSection, key, ""));
    if (text.empty()) return fallback;
    return platform::ParseFloat(text);
}

bool SaneEdge(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxEdge; }

bool SaneSpan(double span) { return span >= kMinSpan && span <= kMaxSpan; }

}  // namespace

bool IsUsableView(double left, double right, double top, double bottom) {
    return SaneEdge(left) && SaneEdge(right) && SaneEdge(top) && SaneEdge(bottom) &&
           SaneSpan(right - left) && SaneSpan(top - bottom);
}

CanvasViewSettings ReadCanvasViewSettings(const platform::IniFile& ini) {
    CanvasViewSettings view;
    const CanvasViewSettings defaults;
    const std::optional<double> left = ReadEdge(ini, "PlanWorldLeft", defaults.PlanWorldLeft);
    const std::optional<double> right = ReadEdge(ini, "PlanWorldRight", defaults.PlanWorldRight);
    const std::optional<double> top = ReadEdge(ini, "PlanWorldTop", defaults.PlanWorldTop);
    const std::optional<double> bottom = ReadEdge(ini, "PlanWorldBottom", defaults.PlanWorldBottom);
    if (left && right && top && bottom && IsUsableView(*left, *right, *top, *bottom)) {
        view.PlanWorldLeft = *left;
        view.PlanWorldRight = *right;
        view.PlanWorldTop = *top;
        view.PlanWorldBottom = *bottom;
    }
    view.GridAutoScale = ini.ReadBool(kCanvasSection, "GridAutoScale", defaults.GridAutoScale);
    view.DepthSpeedDisplayMode =
        ini.ReadInteger(kCanvasSection, "DepthSpeedDisplayMode", defaults.DepthSpeedDisplayMode);
    view.GGAOverlayPosition =
        ini.ReadInteger(kCanvasSection, "GGAOverlayPosition", defaults.GGAOverlayPosition);
    return view;
}

void WriteCanvasViewSettings(platform::IniFile& ini, const CanvasViewSettings& view) {
    platform::IniFile::Batch batch(ini);
    ini.WriteFloat(kCanvasSection, "PlanWorldLeft", view.PlanWorldLeft);
    ini.WriteFloat(kCanvasSection, "PlanWorldRight", view.PlanWorldRight);
    ini.WriteFloat(kCanvasSection, "PlanWorldTop", view.PlanWorldTop);
    ini.WriteFloat(kCanvasSection, "PlanWorldBottom", view.PlanWorldBottom);
    ini.WriteBool(kCanvasSection, "GridAutoScale", view.GridAutoScale);
    ini.WriteInteger(kCanvasSection, "DepthSpeedDisplayMode", view.DepthSpeedDisplayMode);
    ini.WriteInteger(kCanvasSection, "GGAOverlayPosition", view.GGAOverlayPosition);
}
