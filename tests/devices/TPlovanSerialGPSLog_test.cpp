// The reader's port log when its file goes away or its disk fills, the open
// failure's reason, and the fix forgotten at an idle report.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "devices/TPlovanSerialGPS.h"
#include "tests/support/SerialRig.h"

namespace {

namespace fs = std::filesystem;
using Rig = phxtest::SerialRig;

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

TEST(TPlovanSerialGPSLog, RemovedDayFolderIsMadeAgainAndReportedOnce) {
    Rig rig;
    std::vector<std::string> gaps;
    rig.gps.OnLogGap = [&](TPlovanSerialGPS*, const std::string& t) { gaps.push_back(t); };
    const std::string dir = rig.home.home() + "LOG/";
    fs::create_directories(dir);
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = dir + "day PHX_GNSS_V3.log";
    rig.gps.Open();
    ASSERT_TRUE(rig.gps.FOpen);
    rig.Deliver("$A,1\r\n");
    fs::remove_all(dir);
    rig.Deliver("$A,2\r\n$A,3\r\n");
    EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName), "$A,2\r\n$A,3\r\n");
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NE(gaps[0].find("was removed"), std::string::npos);
}

TEST(TPlovanSerialGPSLog, FullDiskIsOneGapWithItsCount) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Rig rig;
    std::vector<std::string> gaps;
    rig.gps.OnLogGap = [&](TPlovanSerialGPS*, const std::string& t) { gaps.push_back(t); };
    const std::string path = rig.home.home() + "port.log";
    fs::create_symlink("/dev/full", path);
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = path;
    rig.gps.Open();
    rig.Deliver("$A,1\r\n$A,2\r\n");
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NE(gaps[0].find("No space left on device"), std::string::npos);
    fs::remove(path);
    rig.Deliver("$A,3\r\n");
    EXPECT_EQ(phxtest::ReadAll(path), "$A,3\r\n");
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_NE(gaps[1].find("2 lines are missing"), std::string::npos);
}

TEST(TPlovanSerialGPSLog, OpenFailureSaysWhy) {
    Rig rig;
    rig.gps.FPortNumber = 250;  // no link, no such device
    rig.gps.Open();
    EXPECT_FALSE(rig.gps.FOpen);
    EXPECT_FALSE(rig.gps.LastOpenError().empty());
    EXPECT_EQ(rig.connects, 0);
}

TEST(TPlovanSerialGPSLog, IdleForgetsTheFix) {
    Rig rig;
    rig.gps.Open();
    rig.Deliver(kGga + "\r\n");
    rig.Deliver(kGga + "\r\n");
    EXPECT_EQ(rig.positions.size(), 1u);
    rig.gps.IdleTimerTick();  // data seen: not idle yet
    rig.gps.IdleTimerTick();
    EXPECT_EQ(rig.idles, 1);
    rig.Deliver(kGga + "\r\n");
    EXPECT_EQ(rig.positions.size(), 2u);
}

TEST(TPlovanSerialGPSLog, APollsLinesReachTheLogWhenAHandlerThrowsOrCloses) {
    Rig rig;
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = rig.home.home() + "port.log";
    rig.gps.Open();
    ASSERT_TRUE(rig.gps.FOpen);
    rig.gps.OnNewCommand = [](TPlovanSerialGPS*, const std::string& line) {
        if (line == "$A,2") throw std::runtime_error("handler failed");
    };
    const std::string bytes = "$A,1\r\n$A,2\r\n$A,3\r\n";
    ASSERT_EQ(rig.pty->Write(bytes), bytes.size());
    ASSERT_TRUE(phxtest::PumpEventsUntil(
        [&] { return rig.gps.FHandle->QueuedBytes() >= static_cast<long>(bytes.size()); }, 2000));
    EXPECT_THROW(rig.gps.PollTimerTick(), std::runtime_error);
    EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName), "$A,1\r\n$A,2\r\n");
    // A handler that closes the reader: the lines before the close are in
    // the log once it is closed.
    rig.gps.OnNewCommand = [](TPlovanSerialGPS* s, const std::string& line) {
        if (line == "$A,5") s->Close();
    };
    rig.Deliver("$A,4\r\n$A,5\r\n$A,6\r\n");
    EXPECT_FALSE(rig.gps.FOpen);
    EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName),
              "$A,1\r\n$A,2\r\n$A,3\r\n$A,4\r\n$A,5\r\n");
}

}  // namespace
