#include "devices/DeviceSettingsFile.h"

#include <algorithm>
#include <climits>

#include "platform/IniFile.h"
#include "platform/VclText.h"

namespace {

constexpr std::string_view kGyroSection = "GYRO";
constexpr std::string_view kGeodeticSection = "GEODETIC_PARAMETERS";

// Writes in order and remembers the first failure; later writes are skipped.
class Writer {
  public:
    explicit Writer(platform::IniFile& ini) : ini_(ini) {}
    void Text(std::string_view section, std::string_view key, std::string_view value) {
        if (ok_) ok_ = ini_.WriteString(section, key, value);
    }
    void Flag(std::string_view section, std::string_view key, bool value) {
        Text(section, key, value ? "1" : "0");
    }
    void Number(std::string_view section, std::string_view key, long long value) {
        Text(section, key, std::to_string(value));
    }
    bool ok() const { return ok_; }

  private:
    platform::IniFile& ini_;
    bool ok_ = true;
};

void WritePort(Writer& w, std::string_view section, const PortTexts& t, bool sensor) {
    const std::string* texts[] = {&t.Port,    &t.BaudRate,  &t.DataWidth, &t.StopBits,
                                  &t.Parity,  &t.Priority,  &t.Delay,     &t.NMEALog,
                                  &t.LogTime, &t.EnableDTR, &t.EnableRTS};
    for (size_t i = 0; i < kPortKeys.size(); ++i) {
        std::string key(kPortKeys[i]);
        if (i == 0 && sensor) key += ' ';
        w.Text(section, key, *texts[i]);
    }
}

}  // namespace

uint32_t ReadColor(const platform::IniFile& ini, std::string_view section, std::string_view key,
                   uint32_t fallback) {
    const auto value = platform::ParseInt(ini.ReadString(section, key, ""));
    if (!value || *value < 0 || *value > 0xFFFFFF) return fallback;
    return static_cast<uint32_t>(*value);
}

std::optional<bool> ManualLockFromText(std::string_view text) {
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

std::array<std::string, 7> SettingsSummaryLines(const DeviceSettingsValues& v) {
    const auto yesNo = [](bool b) { return std::string(b ? "Yes" : "No"); };
    return {
        "=== SETTINGS SAVED ===",
        "GPS: Port=" + v.Gnss.Port + ", Baud=" + v.Gnss.BaudRate,
        "Sensor: Port=" + v.Sensor.Port + ", Baud=" + v.Sensor.BaudRate +
            ", Enabled=" + yesNo(v.SensorEnabled),
        "Datum: " + v.NameOfDatum + ", DTP=" + yesNo(v.UseDTP),
        "TM: CM=" + v.CentralMeridian + ", RefLat=" + v.ReferenceLatitude +
            ", SF=" + v.ScaleFactor + ", FE=" + v.FalseEasting + ", FN=" + v.FalseNorthing,
        "LCC: " + std::string(v.UseLCCProjection ? "Enabled" : "Disabled") + ", SP1=" + v.LCCSP1 +
            ", SP2=" + v.LCCSP2,
        "======================",
    };
}

bool WriteDeviceSettings(platform::IniFile& ini, const DeviceSettingsValues& v,
                         bool writeScreenshot) {
    Writer w(ini);
    w.Flag(kLockSection, kLockKey, false);
    WritePort(w, kGnssPortSection, v.Gnss, false);
    WritePort(w, kSensorPortSection, v.Sensor, true);
    w.Flag(kSensorPortSection, "Sensor Enabled     ", v.SensorEnabled);
    w.Text(kSensorPortSection, "cSBESMessage", v.SBESMessage);
    w.Text(kSensorPortSection, "eSBESFormat", v.SBESFormat);
    w.Flag(kGyroSection, "Gyro Enabled     ", v.GyroEnabled);

    const std::pair<std::string_view, const std::string*> geodetic[] = {
        {"SemiMajorAxis", &v.SemiMajorAxis},
        {"InverseFlattening", &v.Flattening},
        {"X_Rotation", &v.XRotation},
        {"Y_Rotation", &v.YRotation},
        {"Z_Rotation", &v.ZRotation},
        {"X_Shift", &v.XShift},
        {"Y_Shift", &v.YShift},
        {"Z_Shift", &v.ZShift},
        {"Scale_PPM", &v.ScalePPM},
        {"Central_Meridian", &v.CentralMeridian},
        {"Reference_Latitude", &v.ReferenceLatitude},
        {"Scale_Factor", &v.ScaleFactor},
        {"False_Easting", &v.FalseEasting},
        {"False_Northing", &v.FalseNorthing}};
    for (const auto& [key, text] : geodetic) w.Text(kGeodeticSection, key, *text);
    w.Flag(kGeodeticSection, "Use Projection", v.UseTMProjection);
    w.Flag(kGeodeticSection, "Use DTP", v.UseDTP);
    w.Text(kGeodeticSection, "Name of Datum", v.NameOfDatum);
    const std::pair<std::string_view, const std::string*> lambert[] = {
        {"eLCCSP1", &v.LCCSP1}, {"eLCCSP2", &v.LCCSP2}, {"eLCCSF", &v.LCCSF}, {"eLCCCP", &v.LCCCP},
        {"eLCCM", &v.LCCM},     {"eLCCFE", &v.LCCFE},   {"eLCCFN", &v.LCCFN}};
    for (const auto& [key, text] : lambert) w.Text(kGeodeticSection, key, *text);
    w.Flag(kGeodeticSection, "cbUseLCCProjection", v.UseLCCProjection);
    w.Flag(kGeodeticSection, "cLambert1", v.Lambert1);
    w.Flag("GRID_SETTINGS", "GridVisible", v.GridVisible);
    w.Flag("GRID_SETTINGS", "AutoGrid", v.AutoGrid);
    w.Text("GRID_SETTINGS", "GridSpacingX", v.GridSpacingX);
    w.Text("GRID_SETTINGS", "GridSpacingY", v.GridSpacingY);
    w.Number("GRID_SETTINGS", "GridColor", v.GridColor);
    w.Flag("DEPTH_LABEL_SETTINGS", "ShowDepthLabels", v.ShowDepthLabels);
    w.Text("DEPTH_LABEL_SETTINGS", "LabelSpacing", v.DepthLabelSpacing);
    w.Text("DEPTH_LABEL_SETTINGS", "FontName", v.DepthLabelFontName);
    w.Text("DEPTH_LABEL_SETTINGS", "FontSize", v.DepthLabelFontSize);
    w.Number("DEPTH_LABEL_SETTINGS", "TextColor", v.DepthLabelColor);
    w.Text("EVENT_LABEL_SETTINGS", "FontSize", v.EventLabelFontSize);
    w.Number("EVENT_LABEL_SETTINGS", "TextColor", v.EventLabelColor);
    w.Text("OVERLAY_SETTINGS", "FontSize", v.OverlayFontSize);
    w.Number("OVERLAY_SETTINGS", "DepthColor", v.OverlayDepthColor);
    w.Number("OVERLAY_SETTINGS", "SpeedColor", v.OverlaySpeedColor);
    if (writeScreenshot)
        w.Number("SCREENSHOT", "Interval", WholeNumberOr(v.ScreenshotInterval, 60));
    w.Flag(kLockSection, kLockKey, true);
    return w.ok();
}

DeviceSettingsSave SaveDeviceSettings(
    platform::IniFile& ini, const DeviceSettingsValues& values, bool writeScreenshot,
    const std::function<bool(const std::string&)>& appendSummaryLine) {
    {
        platform::IniFile::Batch batch(ini);
        const bool written = WriteDeviceSettings(ini, values, writeScreenshot);
        if (!batch.Commit() || !written) return DeviceSettingsSave::SettingsNotWritten;
    }
    if (!appendSummaryLine) return DeviceSettingsSave::Saved;
    for (const std::string& line : SettingsSummaryLines(values)) {
        if (!appendSummaryLine(line)) {
            ini.WriteInteger(kLockSection, kLockKey, 0);
            return DeviceSettingsSave::SummaryNotWritten;
        }
    }
    return DeviceSettingsSave::Saved;
}

int WholeNumberOr(std::string_view text, int fallback) {
    return platform::StrToIntDef(text, fallback);
}

double NumberOr(std::string_view text, double fallback) {
    return platform::StrToFloatDef(text, fallback);
}

void ApplyDisplayValues(const DeviceSettingsValues& v, DisplayValues& d) {
    d.OverlayFontSize = WholeNumberOr(v.OverlayFontSize, 40);
    d.OverlayDepthColor = v.OverlayDepthColor;
    d.OverlaySpeedColor = v.OverlaySpeedColor;
    d.GridVisibleSetting = v.GridVisible;
    d.AutoGridSetting = v.AutoGrid;
    d.GridSpacingXSetting = NumberOr(v.GridSpacingX, 100.0);
    d.GridSpacingYSetting = NumberOr(v.GridSpacingY, 100.0);
    d.GridColorSetting = v.GridColor;
    d.ShowDepthLabels = v.ShowDepthLabels;
    d.DepthLabelSpacing = NumberOr(v.DepthLabelSpacing, 10.0);
    d.DepthLabelFontName = v.DepthLabelFontName;
    d.DepthLabelFontSize = WholeNumberOr(v.DepthLabelFontSize, 12);
    d.DepthLabelColor = v.DepthLabelColor;
    d.EventLabelFontSize = WholeNumberOr(v.EventLabelFontSize, 24);
    d.EventLabelColor = v.EventLabelColor;
}

ScreenshotTimerSetting ScreenshotTimerFor(std::string_view intervalText) {
    const long long seconds = WholeNumberOr(intervalText, 60);
    ScreenshotTimerSetting s;
    s.enabled = seconds > 0;
    s.intervalMs = static_cast<int>(std::clamp<long long>(seconds * 1000LL, 0, INT_MAX));
    return s;
}
