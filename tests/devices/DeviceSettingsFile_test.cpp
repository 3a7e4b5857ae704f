// The device settings in the settings file: the save's keys, the summary
// only once they are on the disk, the lock written last, the one write of a
// save and its bytes, a file that cannot be written, a lost summary, the
// summary lines, the display values and the screenshot timer.
#include "devices/DeviceSettingsFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>

#include "platform/IniFile.h"
#include "tests/support/Renames.h"
#include "tests/support/TempHome.h"

namespace {

using phxtest::RenamesOnto;

DeviceSettingsValues Sample() {
    DeviceSettingsValues v;
    v.Gnss = {"COM3", "115200", "8", "1", "None", "Normal", "5", "True", "False", "True", "True"};
    v.Sensor = {"COM4", "4800", "7", "2", "Odd", "Idle", "10", "False", "True", "False", "False"};
    v.SensorEnabled = false;
    v.SBESMessage = "NMEA DPT";
    v.SBESFormat = "%*6s,%lf";
    v.GyroEnabled = false;
    v.SemiMajorAxis = "6378137";
    v.Flattening = "0.00335281066474748";
    v.CentralMeridian = "33";
    v.ReferenceLatitude = "0";
    v.ScaleFactor = "1";
    v.FalseEasting = "500000";
    v.FalseNorthing = "0";
    v.NameOfDatum = "İzmir";
    v.UseLCCProjection = true;
    v.UseTMProjection = false;
    v.GridColor = 1193046;
    v.GridSpacingX = "25";
    v.ScreenshotInterval = "300";
    return v;
}

}  // namespace

TEST(DeviceSettingsFile, SaveWritesEveryKeyAndTheLockLast) {
    phxtest::TempHome home;
    const std::string path = home.appData() + "PlovanHX.ini";
    platform::IniFile ini(path);
    ini.WriteString("LOCK SETTINGS", "Settings Locked (true/false)", "maybe");
    std::vector<std::string> summary;
    std::vector<std::string> diskAtSummary;
    const DeviceSettingsSave result =
        SaveDeviceSettings(ini, Sample(), true, [&](const std::string& line) {
            summary.push_back(line);
            diskAtSummary.push_back(phxtest::ReadAll(path));
            return true;
        });
    ASSERT_EQ(result, DeviceSettingsSave::Saved);
    ASSERT_EQ(summary.size(), 7u);
    // "SETTINGS SAVED" is written only once the whole save, the lock last,
    // is on the disk.
    for (const std::string& disk : diskAtSummary) {
        EXPECT_NE(disk.find("GridColor=1193046\r\n"), std::string::npos);
        EXPECT_NE(disk.find("Lock Settings=1\r\n"), std::string::npos);
    }

    platform::IniFile::DropCachedModels();
    const platform::IniFile back(path);
    const std::pair<const char*, const char*> gnss[] = {
        {"Port No", "COM3"},   {"Baud Rate", "115200"}, {"Data Width", "8"},   {"Stop Bits", "1"},
        {"Parity", "None"},    {"Priority", "Normal"},  {"Delay", "5"},        {"NMEA LOG", "True"},
        {"Log Time", "False"}, {"Enable DTR", "True"},  {"Enable RTS", "True"}};
    for (const auto& [key, value] : gnss)
        EXPECT_EQ(back.ReadString("GPS1 COMUNICATION SETTINGS", key, "?"), value) << key;
    EXPECT_EQ(back.ReadString("SENSOR COMUNICATION SETTINGS", "Port No", "?"), "COM4");
    EXPECT_EQ(back.ReadString("SENSOR COMUNICATION SETTINGS", "Parity", "?"), "Odd");
    EXPECT_EQ(back.ReadInteger("SENSOR COMUNICATION SETTINGS", "Sensor Enabled", 7), 0);
    EXPECT_EQ(back.ReadString("SENSOR COMUNICATION SETTINGS", "eSBESFormat", "?"), "%*6s,%lf");
    EXPECT_EQ(back.ReadInteger("GYRO", "Gyro Enabled", 7), 0);
    EXPECT_EQ(back.ReadString("GEODETIC_PARAMETERS", "InverseFlattening", "?"),
              "0.00335281066474748");
    EXPECT_EQ(back.ReadString("GEODETIC_PARAMETERS", "Name of Datum", "?"), "İzmir");
    EXPECT_EQ(back.ReadInteger("GEODETIC_PARAMETERS", "Use Projection", 7), 0);
    EXPECT_EQ(back.ReadInteger("GEODETIC_PARAMETERS", "cbUseLCCProjection", 7), 1);
    EXPECT_EQ(back.ReadInteger("GRID_SETTINGS", "GridColor", 0), 1193046);
    EXPECT_EQ(back.ReadString("GRID_SETTINGS", "GridSpacingX", "?"), "25");
    EXPECT_EQ(back.ReadInteger("OVERLAY_SETTINGS", "DepthColor", 0), 0x800000);
    EXPECT_EQ(back.ReadInteger("SCREENSHOT", "Interval", 0), 300);
    EXPECT_EQ(back.ReadInteger("LOCK SETTINGS", "Lock Settings", 7), 1);
    // The manual key is the surveyor's: never written.
    EXPECT_EQ(back.ReadString("LOCK SETTINGS", "Settings Locked (true/false)", "?"), "maybe");
    // The writer's own spelling with its trailing blanks.
    EXPECT_NE(phxtest::ReadAll(path).find("Port No         =COM4"), std::string::npos);
}

TEST(DeviceSettingsFile, ScreenshotKeyOnlyWhenAsked) {
    phxtest::TempHome home;
    platform::IniFile ini(home.appData() + "PlovanHX.ini");
    ini.WriteString("SCREENSHOT", "Interval", "0");
    DeviceSettingsValues v = Sample();
    ASSERT_EQ(SaveDeviceSettings(ini, v, false, nullptr), DeviceSettingsSave::Saved);
    EXPECT_EQ(ini.ReadString("SCREENSHOT", "Interval", "?"), "0");
    v.ScreenshotInterval = "abc";
    ASSERT_EQ(SaveDeviceSettings(ini, v, true, nullptr), DeviceSettingsSave::Saved);
    EXPECT_EQ(ini.ReadString("SCREENSHOT", "Interval", "?"), "60");
}

TEST(DeviceSettingsFile, AFileThatCannotBeWrittenFailsTheSave) {
    phxtest::TempHome home;
    const std::string path = home.appData() + "PlovanHX.ini";
    std::filesystem::create_directories(path);  // a folder where the file should be
    platform::IniFile ini(path);
    int lines = 0;
    EXPECT_EQ(SaveDeviceSettings(ini, Sample(), true,
                                 [&](const std::string&) {
                                     ++lines;
                                     return true;
                                 }),
              DeviceSettingsSave::SettingsNotWritten);
    EXPECT_EQ(lines, 0);
}

// The save is one write of the file, and its bytes are those of the same
// keys written one by one, over a file that already holds some of them in
// other spellings, other sections and a comment.
TEST(DeviceSettingsFile, OneSaveIsOneWriteWithTheBytesOfKeyByKey) {
    phxtest::TempHome home;
    const std::string start =
        "; kept\r\n[GRID_SETTINGS]\r\ngridcolor = 5\r\nOther=x\r\n[LOCK SETTINGS]\r\n"
        "Settings Locked (true/false)=false\r\n[GPS1 COMUNICATION SETTINGS]\r\nPort No=COM1\r\n";
    const std::string folder = home.appData();
    phxtest::WriteAll(folder + "batched.ini", start);
    phxtest::WriteAll(folder + "keybykey.ini", start);

    platform::IniFile batched(folder + "batched.ini");
    EXPECT_EQ(RenamesOnto(folder, "batched.ini",
                          [&] {
                              EXPECT_EQ(SaveDeviceSettings(batched, Sample(), true, nullptr),
                                        DeviceSettingsSave::Saved);
                          }),
              1);
    platform::IniFile keyByKey(folder + "keybykey.ini");
    EXPECT_GT(RenamesOnto(folder, "keybykey.ini",
                          [&] { EXPECT_TRUE(WriteDeviceSettings(keyByKey, Sample(), true)); }),
              60);
    EXPECT_EQ(phxtest::ReadAll(folder + "batched.ini"), phxtest::ReadAll(folder + "keybykey.ini"));
}

// A summary line that cannot be written ends the summary and leaves the file
// saying unlocked; the keys themselves stay saved.
TEST(DeviceSettingsFile, ALostSummaryLineLeavesTheSettingsUnlocked) {
    phxtest::TempHome home;
    const std::string path = home.appData() + "PlovanHX.ini";
    platform::IniFile ini(path);
    std::vector<std::string> offered;
    EXPECT_EQ(SaveDeviceSettings(ini, Sample(), true,
                                 [&](const std::string& line) {
                                     offered.push_back(line);
                                     return offered.size() < 2;
                                 }),
              DeviceSettingsSave::SummaryNotWritten);
    EXPECT_EQ(offered.size(), 2u);
    platform::IniFile::DropCachedModels();
    const platform::IniFile back(path);
    EXPECT_EQ(back.ReadInteger("LOCK SETTINGS", "Lock Settings", 7), 0);
    EXPECT_EQ(back.ReadString("GPS1 COMUNICATION SETTINGS", "Port No", "?"), "COM3");
}

TEST(DeviceSettingsFile, SummaryLines) {
    DeviceSettingsValues v = Sample();
    v.LCCSP1.clear();
    v.LCCSP2.clear();
    const auto lines = SettingsSummaryLines(v);
    const std::array<std::string, 7> expected = {"=== SETTINGS SAVED ===",
                                                 "GPS: Port=COM3, Baud=115200",
                                                 "Sensor: Port=COM4, Baud=4800, Enabled=No",
                                                 "Datum: İzmir, DTP=Yes",
                                                 "TM: CM=33, RefLat=0, SF=1, FE=500000, FN=0",
                                                 "LCC: Enabled, SP1=, SP2=",
                                                 "======================"};
    EXPECT_EQ(lines, expected);
    v.UseLCCProjection = false;
    v.SensorEnabled = true;
    EXPECT_EQ(SettingsSummaryLines(v)[5], "LCC: Disabled, SP1=, SP2=");
    EXPECT_EQ(SettingsSummaryLines(v)[2], "Sensor: Port=COM4, Baud=4800, Enabled=Yes");
}

TEST(DeviceSettingsFile, DisplayValuesFallBackToTheirDefaults) {
    DeviceSettingsValues v;
    v.GridSpacingX = "x";
    v.GridSpacingY = "25";
    v.DepthLabelSpacing = "";
    v.DepthLabelFontSize = "big";
    v.EventLabelFontSize = "";
    v.OverlayFontSize = "abc";
    v.AutoGrid = true;
    DisplayValues d;
    d.GridSpacingXSetting = d.DepthLabelSpacing = 1;
    ApplyDisplayValues(v, d);
    EXPECT_EQ(d.GridSpacingXSetting, 100.0);
    EXPECT_EQ(d.GridSpacingYSetting, 25.0);
    EXPECT_EQ(d.DepthLabelSpacing, 10.0);
    EXPECT_EQ(d.DepthLabelFontSize, 12);
    EXPECT_EQ(d.EventLabelFontSize, 24);
    EXPECT_EQ(d.OverlayFontSize, 40);
    EXPECT_TRUE(d.AutoGridSetting);
    EXPECT_EQ(d.DepthLabelFontName, "Arial");
}

TEST(DeviceSettingsFile, ScreenshotTimer) {
    struct Row {
        const char* text;
        bool enabled;
        int intervalMs;
    };
    const Row rows[] = {{"60", true, 60000},
                        {"0", false, 0},
                        {"-5", false, 0},
                        {"abc", true, 60000},
                        {"1", true, 1000},
                        // n x 1000 would overflow an int.
                        {"3000000", true, INT_MAX}};
    for (const Row& row : rows) {
        const ScreenshotTimerSetting s = ScreenshotTimerFor(row.text);
        EXPECT_EQ(s.enabled, row.enabled) << row.text;
        EXPECT_EQ(s.intervalMs, row.intervalMs) << row.text;
    }
}

TEST(DeviceSettingsFile, ColoursAndTheManualLock) {
    phxtest::TempHome home;
    platform::IniFile ini(home.appData() + "PlovanHX.ini");
    const std::pair<const char*, uint32_t> rows[] = {{"1193046", 1193046},
                                                     {"16777215", 0xFFFFFF},
                                                     {"16777216", 7},
                                                     {"-1", 7},
                                                     {"red", 7},
                                                     {"", 7},
                                                     {"0", 0}};
    for (const auto& [stored, expected] : rows) {
        ini.WriteString("S", "C", stored);
        EXPECT_EQ(ReadColor(ini, "S", "C", 7), expected) << stored;
    }
    EXPECT_EQ(ReadColor(ini, "S", "missing", 9), 9u);
    EXPECT_EQ(ManualLockFromText("true"), true);
    EXPECT_EQ(ManualLockFromText("false"), false);
    EXPECT_EQ(ManualLockFromText("True"), std::nullopt);
    EXPECT_EQ(ManualLockFromText(""), std::nullopt);
    EXPECT_EQ(ManualLockFromText("1"), std::nullopt);
}
