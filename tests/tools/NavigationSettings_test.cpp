#include "tools/NavigationSettings.h"

#include <gtest/gtest.h>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

TEST(NavigationSettings, MapIntervalRule) {
    const struct {
        const char* text;
        std::optional<int> ms;
    } cases[] = {
        {"", 500},
        {"500", 500},
        {"30", 50},
        {"50", 50},
        {"51", 51},
        {"0", 50},
        {"-7", 50},
        {"5000", 5000},
        {"abc", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {" 75 ", 75},
    };
    for (const auto& c : cases) EXPECT_EQ(tools::MapIntervalMs(c.text), c.ms) << c.text;
}

TEST(NavigationSettings, MissingSectionGivesTheLayoutColoursAndTheSectionDefaults) {
    phxtest::TempHome home;
    const platform::IniFile ini(SettingsFilePath());
    const tools::NavigationSection s = tools::ReadNavigationSection(ini);
    EXPECT_EQ(s.VesselColor, 0x800000u);
    EXPECT_EQ(s.ColorTracklines1, 0x008000u);
    EXPECT_EQ(s.ColorTracklines0, 0x00FFFFu);
    EXPECT_EQ(s.BackgroundColor, 0xFFFFFFu);
    EXPECT_EQ(s.VesselWidth, "3");
    EXPECT_EQ(s.TrackWidth, "3");
    EXPECT_EQ(s.TrackDistance, "20");
    EXPECT_TRUE(s.LineOrDot);
    EXPECT_EQ(s.DepthAlert, "1");
}

TEST(NavigationSettings, UnreadableColoursTakeTheLayoutColourOthersAreKept) {
    phxtest::TempHome home;
    platform::IniFile ini(SettingsFilePath());
    ini.WriteString("NAVIGATION_SETTINGS", "VesselColor", "navy");
    ini.WriteString("NAVIGATION_SETTINGS", "ColorTracklines1", "-1");
    ini.WriteString("NAVIGATION_SETTINGS", "ColorTracklines0", "0");
    ini.WriteString("NAVIGATION_SETTINGS", "BackgroundColor", "16777216");
    ini.WriteString("NAVIGATION_SETTINGS", "cLineOrDot", "0");
    const tools::NavigationSection s = tools::ReadNavigationSection(ini);
    EXPECT_EQ(s.VesselColor, 0x800000u);
    EXPECT_EQ(s.ColorTracklines1, 0x008000u);
    EXPECT_EQ(s.ColorTracklines0, 0u);  // black is a colour
    EXPECT_EQ(s.BackgroundColor, 0xFFFFFFu);
    EXPECT_FALSE(s.LineOrDot);
}

TEST(NavigationSettings, WrittenInTheKeyOrderAndReadBack) {
    phxtest::TempHome home;
    tools::NavigationSection s;
    s.VesselWidth = "4";
    s.TrackWidth = "x";
    s.TrackDistance = "0";
    s.VesselColor = 0x800000;
    s.ColorTracklines1 = 1;
    s.ColorTracklines0 = 2;
    s.BackgroundColor = 3;
    s.LineOrDot = false;
    s.DepthAlert = "0,5";
    {
        platform::IniFile ini(SettingsFilePath());
        tools::WriteNavigationSection(ini, s);
    }
    EXPECT_EQ(phxtest::ReadAll(SettingsFilePath()),
              "[NAVIGATION_SETTINGS]\r\nVesselWidth=4\r\nTrackWidth=x\r\nTrackDistance=0\r\n"
              "VesselColor=8388608\r\nColorTracklines1=1\r\nColorTracklines0=2\r\n"
              "BackgroundColor=3\r\ncLineOrDot=0\r\nedDepthAlert=0,5\r\n");
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    const tools::NavigationSection back = tools::ReadNavigationSection(ini);
    EXPECT_EQ(back.TrackWidth, "x");
    EXPECT_EQ(back.DepthAlert, "0,5");
    EXPECT_EQ(back.ColorTracklines0, 2u);
    EXPECT_FALSE(back.LineOrDot);
}
