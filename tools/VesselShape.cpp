#include "tools/VesselShape.h"

#include "platform/IniFile.h"
#include "platform/VclText.h"

namespace tools {
namespace {

constexpr const char* kSection = "VESSEL_SHAPE";
constexpr const char* kCircles = "Number of circles";
constexpr const char* kInterval = "Cirecle offset interval";
constexpr const char* kRadius = "Radious of first circle";
constexpr const char* kBow = "Arrow length to bow";
constexpr const char* kSide = "Left right offset of arrow";

std::string ReadNumber(const platform::IniFile& ini, const char* key, double fallback) {
    return platform::FloatToStr(ini.ReadFloat(kSection, key, fallback));
}

}  // namespace

VesselShapeTexts ReadVesselShape(const platform::IniFile& ini) {
    VesselShapeTexts t;
    t.Circles = platform::IntToStr(ini.ReadInteger(kSection, kCircles, 2));
    t.Interval = ReadNumber(ini, kInterval, 10);
    t.Radius = ReadNumber(ini, kRadius, 10);
    t.Bow = ReadNumber(ini, kBow, 100);
    t.Side = ReadNumber(ini, kSide, 0);
    return t;
}

void WriteVesselShape(platform::IniFile& ini, const VesselShapeTexts& t) {
    platform::IniFile::Batch batch(ini);
    ini.WriteString(kSection, kCircles, t.Circles);
    ini.WriteString(kSection, kInterval, t.Interval);
    ini.WriteString(kSection, kRadius, t.Radius);
    ini.WriteString(kSection, kBow, t.Bow);
    ini.WriteString(kSection, kSide, t.Side);
}

}  // namespace tools
