#include "devices/BaseStationWatch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Paths.h"
#include "tests/support/Capture.h"
#include "tests/support/RtcmEncoder.h"
#include "tests/support/TempHome.h"

using namespace rtcm3;
using phxtest::RtcmFrame;
using phxtest::StationPayload;

namespace {

const std::string kStation2003 = RtcmFrame(StationPayload(2003, 4208000.0, 2330000.0, 4173000.0));

std::vector<std::string> Texts(const std::vector<BaseStation>& stations) {
    std::vector<std::string> texts;
    for (const BaseStation& s : stations) texts.push_back(BaseStationText(s));
    return texts;
}

}  // namespace

TEST(BaseStationWatch, ReportsEachChangeOnce) {
    BaseStationWatch watch;
    const std::vector<std::string> first = Texts(watch.Observe(kStation2003));
    EXPECT_EQ(first, std::vector<std::string>{"Base #2003: 41.13442695, 28.97361581, -1031.61m"});
    EXPECT_TRUE(watch.Observe(kStation2003).empty());

    // Moved by more than 0.00001 degree of latitude: new again.
    const std::string moved = RtcmFrame(StationPayload(2003, 4208000.0, 2330000.0, 4173002.0));
    EXPECT_EQ(watch.Observe(moved).size(), 1u);
    // Two stations alternating in one chunk: each change counts.
    const std::string other =
        RtcmFrame(StationPayload(7, 4208100.0, 2330000.0, 4173000.0, 1006, 2));
    EXPECT_EQ(watch.Observe(other + moved + other).size(), 3u);
    EXPECT_EQ(watch.Last().id, 7);
}

TEST(BaseStationWatch, IgnoresWhatIsNotAWholeValidStation) {
    BaseStationWatch watch;
    const std::string empty1006 = RtcmFrame(StationPayload(5, 0, 0, 0, 1006));
    const std::string badCrc = RtcmFrame(StationPayload(9, 4208000.0, 2330000.0, 4173000.0), true);
    const std::string text =
        RtcmFrame(phxtest::BitWriter().Put(1029, 12).Put(0, 4).PutText(badCrc).Bytes());
    EXPECT_TRUE(watch.Observe(empty1006).empty());
    EXPECT_TRUE(watch.Observe(badCrc).empty());
    EXPECT_TRUE(watch.Observe(text).empty());
    EXPECT_TRUE(watch.Observe(kStation2003.substr(0, 5)).empty());
    // A frame whose last CRC byte is in the next chunk is seen in neither.
    EXPECT_TRUE(watch.Observe(kStation2003.substr(0, kStation2003.size() - 1)).empty());
    EXPECT_TRUE(watch.Observe(kStation2003.substr(kStation2003.size() - 1)).empty());

    // The reference network's stream: station 278 once, however often it comes.
    const std::vector<std::string> texts =
        Texts(watch.Observe(phxtest::CaptureBytes("rtcm3/rtcm3.bndm.log")));
    EXPECT_EQ(texts, std::vector<std::string>{"Base #278: 44.08939091, -121.30752190, 1070.74m"});
}

TEST(BaseStationWatch, EventLineGoesOnlyToAnExistingDayFolder) {
    phxtest::TempHome home;
    const std::string root = platform::VlmRoot();
    const platform::DateTime now{2026, 7, 14, 9, 5, 3, 0};
    const BaseStation station{2003, 41.13442695, 28.97361581, -1031.61};
    EXPECT_FALSE(AppendBaseStationEvent(root, now, station));

    const std::string folder = root + "/2026-07-14/LOG/";
    std::filesystem::create_directories(folder);
    const std::string log = folder + "2026-07-14 Events.log";
    phxtest::WriteAll(log, "earlier line without its end");
    ASSERT_TRUE(AppendBaseStationEvent(root, now, station));
    ASSERT_TRUE(AppendBaseStationEvent(root, now, station));
    const std::string line =
        "Auto Event:\t2026-07-14 090503000\tNTRIP Base Station #2003: 41.13442695, 28.97361581, "
        "-1031.61m\r\n";
    EXPECT_EQ(phxtest::ReadAll(log), "earlier line without its end\r\n" + line + line);
}
