// The device settings as the settings file keeps them: every value of the
// device settings window (texts as typed, check boxes as flags, colours as
// 0x00BBGGRR integers), the keys they are read from and written to, the
// save, the event-log summary of a save, and the display values derived
// from them.
//
// Flags are written "1"/"0" and read as integers (non-zero is set); a
// stored colour outside 0..0xFFFFFF counts as missing. Key names carry the
// trailing blanks the writer has always used; the settings file ignores
// blanks around names, so reader and writer meet.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "devices/EchoSounderFormats.h"
#include "devices/PortApply.h"
#include "foundation/DisplayValues.h"

namespace platform {
class IniFile;
}

inline constexpr std::string_view kGnssPortSection = "GPS1 COMUNICATION SETTINGS";
inline constexpr std::string_view kSensorPortSection = "SENSOR COMUNICATION SETTINGS";
inline constexpr std::string_view kLockSection = "LOCK SETTINGS";
inline constexpr std::string_view kLockKey = "Lock Settings";
inline constexpr std::string_view kManualLockKey = "Settings Locked (true/false)";

// The eleven port keys as written (GNSS section; the sensor section's
// "Port No" has one blank more).
inline constexpr std::array<std::string_view, 11> kPortKeys = {
    "Port No        ", "Baud Rate      ", "Data Width     ", "Stop Bits      ",
    "Parity         ", "Priority       ", "Delay          ", "NMEA LOG       ",
    "Log Time       ", "Enable DTR     ", "Enable RTS     "};

struct DeviceSettingsValues {
    PortTexts Gnss, Sensor;
    bool SensorEnabled = true;
    std::string SBESMessage{kDefaultSBESMessage};
    std::string SBESFormat{kDefaultSBESFormat};
    bool GyroEnabled = true;

    // Datum, target ellipsoid and Transverse Mercator texts (units of the
    // geodesy's parameter texts).
    std::string SemiMajorAxis, Flattening, XRotation, YRotation, ZRotation, XShift, YShift, ZShift,
        ScalePPM, CentralMeridian, ReferenceLatitude, ScaleFactor, FalseEasting, FalseNorthing;
    bool UseTMProjection = true;
    bool UseDTP = true;
    std::string NameOfDatum;
    // Lambert texts and switches.
    std::string LCCSP1, LCCSP2, LCCSF, LCCCP, LCCM, LCCFE, LCCFN;
    bool UseLCCProjection = false;
    bool Lambert1 = false;

    bool GridVisible = true;
    bool AutoGrid = false;
    std::string GridSpacingX = "100", GridSpacingY = "100";
    uint32_t GridColor = 0xC0C0C0;
    bool ShowDepthLabels = true;
    std::string DepthLabelSpacing = "10", DepthLabelFontName = "Arial", DepthLabelFontSize = "12";
    uint32_t DepthLabelColor = 0;
    std::string EventLabelFontSize = "24";
    uint32_t EventLabelColor = 255;
    std::string OverlayFontSize = "40";
    uint32_t OverlayDepthColor = 0x800000;
    uint32_t OverlaySpeedColor = 0;
    std::string ScreenshotInterval = "60";  // seconds
};

// The stored colour of `key`, or `fallback` when it is missing, not a
// number, or outside 0..0xFFFFFF.
uint32_t ReadColor(const platform::IniFile& ini, std::string_view section, std::string_view key,
                   uint32_t fallback);

// The manual lock key's text: exactly "true" locks, exactly "false" unlocks,
// anything else (empty included) leaves the state alone.
std::optional<bool> ManualLockFromText(std::string_view text);

// The seven event-log lines of a save.
std::array<std::string, 7> SettingsSummaryLines(const DeviceSettingsValues& values);

// Writes every value, key by key: "Lock Settings" = 0 first, the port,
// sensor, gyro and geodetic keys, the grid, depth-label, event-label and
// overlay keys, the screenshot interval (only when `writeScreenshot`; the
// whole number of its text, 60 when it is not one), and "Lock Settings" = 1
// last. Stops at the first write that fails and returns false.
bool WriteDeviceSettings(platform::IniFile& ini, const DeviceSettingsValues& values,
                         bool writeScreenshot);

enum class DeviceSettingsSave { Saved, SettingsNotWritten, SummaryNotWritten };

// The save of the lock box: WriteDeviceSettings as one write of the file (a
// save that fails leaves the old file whole, never one saying locked), then,
// only once the keys are on the disk, the seven summary lines through
// `appendSummaryLine`, which returns whether the line was written. A lost
// line ends the summary and writes "Lock Settings" = 0 again: a save without
// its record does not count.
DeviceSettingsSave SaveDeviceSettings(
    platform::IniFile& ini, const DeviceSettingsValues& values, bool writeScreenshot,
    const std::function<bool(const std::string&)>& appendSummaryLine);

// Every display value and remembered grid value from the settings' texts,
// with the defaults for texts that are not numbers (spacings 100.0, label
// spacing 10.0, font sizes 12, 24 and 40).
void ApplyDisplayValues(const DeviceSettingsValues& values, DisplayValues& display);

// The whole number of an edit, `fallback` when it is not one.
int WholeNumberOr(std::string_view text, int fallback);
// The number of an edit, `fallback` when it is not one.
double NumberOr(std::string_view text, double fallback);

// The screenshot timer for an interval text: n seconds (60 when not a whole
// number); enabled when n > 0, the interval clamped to what a timer holds.
struct ScreenshotTimerSetting {
    bool enabled = true;
    int intervalMs = 60000;
};
ScreenshotTimerSetting ScreenshotTimerFor(std::string_view intervalText);
