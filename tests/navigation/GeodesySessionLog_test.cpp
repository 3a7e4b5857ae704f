#include "navigation/GeodesySessionLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/TextFiles.h"
#include "tests/support/TempHome.h"

namespace {

DeviceSettingsValues Saved() {
    DeviceSettingsValues v;
    v.SemiMajorAxis = "6378137";
    v.Flattening = "298.257223563";
    v.NameOfDatum = "ITRF96";
    v.UseDTP = true;
    v.XRotation = "0,1";
    v.YRotation = "2E-3";
    v.ZRotation = "0";
    v.XShift = "1";
    v.YShift = "2";
    v.ZShift = "3";
    v.ScalePPM = "0.5";
    v.UseTMProjection = true;
    v.CentralMeridian = "33";
    v.ReferenceLatitude = "0";
    v.ScaleFactor = "1";
    v.FalseEasting = "500000";
    v.FalseNorthing = "0";
    v.UseLCCProjection = false;
    v.LCCSP1 = "36";
    v.LCCSP2 = "42";
    v.LCCCP = "39";
    v.LCCM = "35";
    v.LCCFE = "0";
    v.LCCFN = "0";
    return v;
}

const platform::DateTime kMorning{2026, 12, 10, 9, 30, 5, 7};

TEST(GeodesyLog, FirstAndSecondStart) {
    phxtest::TempHome home;
    const std::string path = GeodesyLogPath(home.home(), kMorning);
    EXPECT_EQ(path, home.home() + "2026-12-10 Geodesy.txt");
    ASSERT_TRUE(AppendGeodesySessionLog(path, Saved(), kMorning));
    const std::string one = phxtest::ReadAll(path);
    const std::vector<std::string> lines = platform::SplitLines(one);
    ASSERT_EQ(lines.size(), 29u);
    const std::string expected =
        "GEODETIC PARAMETERS LOG - 2026-12-10\r\n"
        "========================================\r\n"
        "\r\n"
        "=== SESSION START: 093005007 ===\r\n"
        "\r\n"
        "--- ELLIPSOID ---\r\n"
        "Semi-Major Axis: 6378137\r\n"
        "Inverse Flattening: 298.257223563\r\n"
        "\r\n"
        "--- DATUM TRANSFORMATION ---\r\n"
        "Name of Datum: ITRF96\r\n"
        "Use DTP: Yes\r\n"
        "X/Y/Z Rotation: 0,1, 2E-3, 0\r\n"
        "X/Y/Z Shift: 1, 2, 3\r\n"
        "Scale PPM: 0.5\r\n"
        "\r\n"
        "--- TRANSVERSE MERCATOR ---\r\n"
        "Use TM: Yes\r\n"
        "CM: 33, Ref Lat: 0, SF: 1\r\n"
        "FE: 500000, FN: 0\r\n"
        "\r\n"
        "--- LAMBERT CONFORMAL CONIC ---\r\n"
        "Use LCC: No\r\n"
        "SP1: 36, SP2: 42\r\n"
        "CP: 39, CM: 35\r\n"
        "FE: 0, FN: 0\r\n"
        "\r\n"
        "----------------------------------------\r\n"
        "\r\n";
    EXPECT_EQ(one, expected);
    ASSERT_TRUE(AppendGeodesySessionLog(path, Saved(), kMorning));
    const std::string two = phxtest::ReadAll(path);
    EXPECT_EQ(platform::SplitLines(two).size(), 55u);
    EXPECT_EQ(two.substr(0, one.size()), one);
}

TEST(GeodesyLog, MissingSectionGivesEmptyValuesAndNo) {
    DeviceSettingsValues empty = Saved();
    empty = DeviceSettingsValues{};
    empty.SemiMajorAxis = empty.Flattening = empty.XRotation = empty.YRotation = empty.ZRotation =
        "";
    empty.UseDTP = empty.UseTMProjection = empty.UseLCCProjection = false;
    const auto block = GeodesySessionBlock(empty, kMorning);
    ASSERT_EQ(block.size(), 26u);
    EXPECT_EQ(block[9], "X/Y/Z Rotation: , , ");
    EXPECT_EQ(block[8], "Use DTP: No");
    EXPECT_EQ(block[14], "Use TM: No");
    EXPECT_EQ(block[19], "Use LCC: No");
}

TEST(GeodesyLog, AfterMidnightANewFileWithItsHeader) {
    phxtest::TempHome home;
    ASSERT_TRUE(AppendGeodesySessionLog(GeodesyLogPath(home.home(), kMorning), Saved(), kMorning));
    const platform::DateTime next{2026, 12, 11, 0, 0, 1, 0};
    const std::string path = GeodesyLogPath(home.home(), next);
    ASSERT_TRUE(AppendGeodesySessionLog(path, Saved(), next));
    const std::string text = phxtest::ReadAll(path);
    EXPECT_EQ(text.rfind("GEODETIC PARAMETERS LOG - 2026-12-11\r\n", 0), 0u);
    EXPECT_EQ(platform::SplitLines(text).size(), 29u);
}

TEST(GeodesyLog, ExistingBytesAndEncodingKept) {
    phxtest::TempHome home;
    const std::string path = home.home() + "g.txt";
    // A byte order mark and an unended last line stay; the block follows.
    phxtest::WriteAll(path, "\xEF\xBB\xBFold \xC5\x9F");
    ASSERT_TRUE(AppendGeodesySessionLog(path, Saved(), kMorning));
    std::string text = phxtest::ReadAll(path);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBFold \xC5\x9F\r\n=== SESSION START", 0), 0u);
    // A Windows code page file gets its block in that code page.
    phxtest::WriteAll(path, "eski \xFE\r\n");
    DeviceSettingsValues v = Saved();
    v.NameOfDatum = "\xC5\x9E";  // a Turkish capital S with cedilla in UTF-8
    ASSERT_TRUE(AppendGeodesySessionLog(path, v, kMorning));
    text = phxtest::ReadAll(path);
    EXPECT_NE(text.find("Name of Datum: \xDE\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("eski \xFE\r\n", 0), 0u);
}

TEST(GeodesyLog, FailureLeavesTheFileAndSaysWhy) {
    phxtest::TempHome home;
    std::string why;
    EXPECT_FALSE(AppendGeodesySessionLog(home.home() + "missing/g.txt", Saved(), kMorning, &why));
    EXPECT_FALSE(why.empty());
}

}  // namespace
