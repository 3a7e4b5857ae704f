#include "tools/SvpLists.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/DayPaths.h"
#include "tests/support/TempHome.h"

namespace {

using Lines = std::vector<std::string>;

class SvpListsTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    TSvpListPlaces places;

    void SetUp() override {
        InitDayPaths();
        places.besideExecutable = home.home() + "bin/";
        places.dayFolder = home.home() + "day/SVP/";
        std::filesystem::create_directories(places.besideExecutable);
        std::filesystem::create_directories(places.dayFolder);
    }
    std::string Beside(int i) const { return places.besideExecutable + kSvpListFileNames[i]; }
    std::string Day(int i) const { return SvpDayCopyPath(places, DateStamp(), i); }
};

TEST(SvpListText, SplitsEveryLineEnd) {
    EXPECT_EQ(SplitListText("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitListText("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitListText("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitListText("\r\r"), (Lines{"", ""}));
    EXPECT_EQ(SplitListText("\xEF\xBB\xBFx\n"), Lines{"x"});
    EXPECT_EQ(SplitListText(""), Lines{});
}

TEST_F(SvpListsTest, DayCopyWinsAtLoad) {
    phxtest::WriteAll(Beside(0), "beside\r\n");
    phxtest::WriteAll(Day(0), "day\r\n");
    phxtest::WriteAll(Beside(3), "1500.00\r\n");
    phxtest::WriteAll(Day(2), "0,1500.000,1\r\n");
    TSvpLists lists;
    lists.extracted = {"kept"};
    LoadSvpLists(places, lists);
    EXPECT_EQ(lists.rawData, Lines{"day"});
    EXPECT_EQ(lists.extracted, Lines{"kept"});
    EXPECT_EQ(lists.averaged, Lines{"0,1500.000,1"});
    EXPECT_EQ(lists.column, Lines{"1500.00"});
    EXPECT_EQ(Day(1), places.dayFolder + DateStamp() + " mRawSVExtracted.ini");
}

TEST_F(SvpListsTest, WindowsCastWithLoneCarriageReturns) {
    // "Sıcaklık" and "Şube" in Windows-1254, lines ended by CR alone.
    phxtest::WriteAll(Beside(0), std::string("S\xFD"
                                             "cakl\xFD"
                                             "k\r\xDE"
                                             "ube 1500,3\r"));
    TSvpLists lists;
    LoadSvpLists(places, lists);
    EXPECT_EQ(lists.rawData, (Lines{"Sıcaklık", "Şube 1500,3"}));
}

TEST_F(SvpListsTest, WritesCrLfAndStopsAtAFailedDayCopy) {
    TSvpLists lists{{"r1", "r2"}, {"1,1500.000"}, {"0,1500.000,1", ""}, {}};
    WriteSvpDayCopies(places, lists);
    EXPECT_EQ(phxtest::ReadAll(Day(0)), "r1\r\nr2\r\n");
    EXPECT_EQ(phxtest::ReadAll(Day(2)), "0,1500.000,1\r\n\r\n");
    EXPECT_TRUE(std::filesystem::exists(Day(3)));
    EXPECT_EQ(phxtest::ReadAll(Day(3)), "");
    TSvpLists back;
    LoadSvpLists(places, back);
    EXPECT_EQ(back.averaged, lists.averaged);

    // A folder where the averaged copy should be: the first two are written,
    // the error names the file, the column is not written.
    std::filesystem::remove(Day(2));
    std::filesystem::create_directory(Day(2));
    std::filesystem::remove(Day(3));
    lists.rawData = {"new"};
    try {
        WriteSvpDayCopies(places, lists);
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(Day(2)), std::string::npos);
    }
    EXPECT_EQ(phxtest::ReadAll(Day(0)), "new\r\n");
    EXPECT_FALSE(std::filesystem::exists(Day(3)));
}

TEST_F(SvpListsTest, BesideExecutableFailuresAreIgnored) {
    std::filesystem::create_directory(Beside(1));  // root ignores permissions
    const TSvpLists lists{{"a"}, {"b"}, {"c"}, {"1500.00"}};
    WriteSvpBesideExecutable(places, lists);
    EXPECT_EQ(phxtest::ReadAll(Beside(0)), "a\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(Beside(1)));
    EXPECT_EQ(phxtest::ReadAll(Beside(3)), "1500.00\r\n");
}

}  // namespace
