#include "foundation/EventLog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/DayPaths.h"
#include "platform/Clock.h"
#include "tests/support/TempHome.h"

using platform::DateTime;

class EventLogTest : public ::testing::Test {
  protected:
    void TearDown() override { platform::SetClockForTesting({}); }
    void StandAt(DateTime t) {
        platform::SetClockForTesting([t] { return t; });
    }
    phxtest::TempHome home;
};

TEST_F(EventLogTest, EntriesStartOnANewLineWithCrLf) {
    const std::string path = home.home() + "2025-03-07 Events.log";
    StandAt({2025, 3, 7, 9, 5, 3, 7});
    AppendEventLog("Realtime started", path);
    StandAt({2025, 3, 7, 9, 30, 5, 123});
    AppendEventLog("Event 1\tE 500000.00\nsecond line", path);
    EXPECT_EQ(phxtest::ReadAll(path),
              "\r\nAuto Event:\t2025-03-07 090503007\tRealtime started"
              "\r\nAuto Event:\t2025-03-07 093005123\tEvent 1\tE 500000.00\r\nsecond line");
}

TEST_F(EventLogTest, AtMidnightTheTimeIsLeftOut) {
    const std::string path = home.home() + "e.log";
    StandAt({2025, 3, 8, 0, 0, 0, 0});
    AppendEventLog("x", path);
    EXPECT_EQ(phxtest::ReadAll(path), "\r\nAuto Event:\t2025-03-08\tx");
}

TEST_F(EventLogTest, AMissingFolderDropsTheEntryAndCreatesNothing) {
    AppendEventLog("lost", home.home() + "no/folder/e.log");
    EXPECT_FALSE(std::filesystem::exists(home.home() + "no"));
}

TEST_F(EventLogTest, PathUsesStartFolderAndTodaysDate) {
    InitDayPaths({2025, 3, 7, 23, 0, 0, 0});
    StandAt({2025, 3, 8, 1, 0, 0, 0});
    EXPECT_EQ(EventLogPath(), home.home() + "VLM/2025-03-07/LOG/2025-03-08 Events.log");
}
