#include "devices/NtripSettings.h"

#include <gtest/gtest.h>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

using namespace devices;

TEST(NtripSettings, DefaultsAndTwelveKeysInOrder) {
    phxtest::TempHome home;
    platform::IniFile ini(SettingsFilePath());
    const NtripSettings d = ReadNtripSettings(ini);
    EXPECT_EQ(d.server, "");
    EXPECT_EQ(d.port, "2101");
    EXPECT_EQ(d.latitude, "0.0");
    EXPECT_EQ(d.longitude, "0.0");
    EXPECT_EQ(d.outputBaud, 5);
    EXPECT_FALSE(d.useManualPosition || d.outputEnabled || d.autoConnect);

    NtripSettings s;
    s.server = "caster.example";
    s.port = "2102";
    s.username = "u";
    s.password = "p w";
    s.mountPoint = "MNT";
    s.useManualPosition = true;
    s.latitude = "41.5";
    s.longitude = "29.25";
    s.outputPort = "COM5";
    s.outputBaud = 2;
    s.outputEnabled = true;
    s.autoConnect = false;
    ASSERT_TRUE(WriteNtripSettings(ini, s));
    EXPECT_EQ(ini.ReadSection("NTRIP"),
              (std::vector<std::string>{"Server", "Port", "Username", "Password", "MountPoint",
                                        "UseManualPosition", "Latitude", "Longitude", "OutputPort",
                                        "OutputBaud", "OutputEnabled", "AutoConnect"}));
    EXPECT_EQ(ini.ReadString("NTRIP", "UseManualPosition", ""), "1");
    EXPECT_EQ(ini.ReadString("NTRIP", "AutoConnect", ""), "0");
    EXPECT_EQ(ini.ReadString("NTRIP", "OutputBaud", ""), "2");

    platform::IniFile::DropCachedModels();
    const NtripSettings back = ReadNtripSettings(platform::IniFile(SettingsFilePath()));
    EXPECT_EQ(back.password, "p w");
    EXPECT_EQ(back.outputPort, "COM5");
    EXPECT_TRUE(back.useManualPosition && back.outputEnabled && !back.autoConnect);
    // Any integer other than 0 is true.
    ini.WriteString("NTRIP", "AutoConnect", "7");
    EXPECT_TRUE(ReadNtripSettings(ini).autoConnect);
}

TEST(NtripSettings, BaudByIndex) {
    const std::pair<int, int> cases[] = {{0, 4800},  {1, 9600},   {2, 19200},  {3, 38400},
                                         {4, 57600}, {5, 115200}, {6, 115200}, {-1, 115200}};
    for (const auto& [index, rate] : cases) EXPECT_EQ(OutputBaudRate(index), rate) << index;
}

TEST(NtripSettings, StatusCaptions) {
    const struct {
        int status;
        const char* button;
        const char* window;
    } cases[] = {{0, "Connect", "Plovan NTRIP Client - Disconnected"},
                 {1, "Connecting...", "Plovan NTRIP Client - Connecting..."},
                 {2, "Disconnect", "Plovan NTRIP Client - Connected"},
                 {3, "Disconnect", "Plovan NTRIP Client - Receiving Data"},
                 {4, "Connect", "Plovan NTRIP Client - Error"}};
    for (const auto& c : cases) {
        const auto captions = CaptionsForStatus(c.status);
        ASSERT_TRUE(captions) << c.status;
        EXPECT_STREQ(captions->button, c.button);
        EXPECT_STREQ(captions->window, c.window);
    }
    EXPECT_FALSE(CaptionsForStatus(5));
    EXPECT_FALSE(CaptionsForStatus(-1));
}

TEST(NtripSettings, CountersAndProgress) {
    EXPECT_EQ(ByteCountText(0), "0");
    EXPECT_EQ(ByteCountText(999), "999");
    EXPECT_EQ(ByteCountText(1234567), "1,234,567");
    EXPECT_EQ(ByteCountText(5000000000LL), "5,000,000,000");
    EXPECT_EQ(ProgressPosition(1234567), 91);
    EXPECT_EQ(ProgressPosition(4999), 99);
    EXPECT_EQ(ProgressPosition(5000), 0);
    EXPECT_EQ(ProgressPosition(49), 0);
}
