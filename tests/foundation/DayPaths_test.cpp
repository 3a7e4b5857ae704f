#include "foundation/DayPaths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "tests/support/TempHome.h"

using platform::DateTime;

class DayPathsTest : public ::testing::Test {
  protected:
    void TearDown() override { platform::SetClockForTesting({}); }
    void StandAt(DateTime t) {
        platform::SetClockForTesting([t] { return t; });
    }
    phxtest::TempHome home;
};

TEST_F(DayPathsTest, SettingsFilePathCreatesBothFoldersButNotTheFile) {
    const std::string path = SettingsFilePath();
    EXPECT_EQ(path, home.appData() + "Plovan/PHX/PlovanHX.ini");
    EXPECT_TRUE(platform::DirectoryExists(home.appData() + "Plovan/PHX"));
    EXPECT_FALSE(platform::FileExists(path));
}

// The folders made for the settings are the user's alone, whatever the
// umask; a folder that is there keeps its mode.
TEST_F(DayPathsTest, SettingsFoldersAreMadePrivate) {
    auto mode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    ASSERT_EQ(::chmod(home.appData().c_str(), 0755), 0);
    const mode_t mask = ::umask(0);
    SettingsFilePath();
    ::umask(mask);
    EXPECT_EQ(mode(home.appData() + "Plovan"), 0700u);
    EXPECT_EQ(mode(home.appData() + "Plovan/PHX"), 0700u);
    EXPECT_EQ(mode(home.appData()), 0755u);
}

// Without APPDATA the settings live in ~/.config, which a fresh account may
// not have yet; the settings must still find their folder.
TEST_F(DayPathsTest, SettingsFolderIsMadeWhenTheConfigFolderIsMissing) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = xdg ? xdg : "";
    unsetenv("APPDATA");
    unsetenv("XDG_CONFIG_HOME");
    const std::string path = SettingsFilePath();
    if (xdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    EXPECT_EQ(path, home.home() + ".config/Plovan/PHX/PlovanHX.ini");
    EXPECT_TRUE(platform::DirectoryExists(home.home() + ".config/Plovan/PHX"));
}

TEST_F(DayPathsTest, DateStampPadsMonthAndDay) {
    StandAt({2025, 3, 7, 12, 0, 0, 0});
    EXPECT_EQ(DateStamp(), "2025-03-07");
    StandAt({2025, 12, 25, 0, 0, 0, 0});
    EXPECT_EQ(DateStamp(), "2025-12-25");
}

TEST_F(DayPathsTest, AllStringsComeFromOneDate) {
    InitDayPaths({2025, 3, 7, 23, 59, 59, 999});
    const std::string root = home.home() + "VLM/2025-03-07/";
    EXPECT_EQ(g_DayDir, root);
    EXPECT_EQ(g_ProjectDir, root + "VLM/");
    EXPECT_EQ(g_LogDir, root + "LOG/");
    EXPECT_EQ(g_XyzDir, root + "XYZ/");
    EXPECT_EQ(g_SvpDir, root + "SVP/");
    EXPECT_EQ(g_SessionDate, "2025-03-07");
    EXPECT_EQ(g_CoordinatesCsvPath, root + "LOG/2025-03-07 Coordinates.csv");
}

TEST_F(DayPathsTest, AfterMidnightTheNewDayGetsItsFoldersAndTheStartDayIsKept) {
    InitDayPaths({2025, 3, 7, 23, 59, 59, 999});
    StandAt({2025, 3, 8, 0, 0, 0, 5});
    EXPECT_TRUE(EnsureDataFolders());
    const std::string next = home.home() + "VLM/2025-03-08/";
    for (const char* sub : {"", "VLM", "LOG", "SVP"})
        EXPECT_TRUE(platform::DirectoryExists(next + sub)) << sub;
    EXPECT_FALSE(platform::DirectoryExists(next + "XYZ"));
    for (const std::string& start : {g_LogDir, g_XyzDir, g_ProjectDir, g_SvpDir})
        EXPECT_TRUE(platform::DirectoryExists(start)) << start;
}

TEST_F(DayPathsTest, AFailedCreationIsReportedOnce) {
    auto& scripted = static_cast<platform::ScriptedDialogs&>(platform::dialogs());
    scripted.messages.clear();
    InitDayPaths({2025, 3, 7, 9, 0, 0, 0});
    EXPECT_TRUE(EnsureDataFolders());
    EXPECT_TRUE(scripted.messages.isEmpty());  // all present: nothing shown
    // A file where the day folder should be makes every creation below it fail.
    phxtest::WriteAll(home.home() + "VLM/2025-03-09", "not a folder");
    StandAt({2025, 3, 9, 10, 0, 0, 0});
    EXPECT_FALSE(EnsureDataFolders());
    EXPECT_FALSE(EnsureDataFolders());
    EXPECT_EQ(scripted.messages.size(), 1);
    EXPECT_TRUE(scripted.messages[0].startsWith("Cannot create log folder C:\\VLM\\log\\."));
}
