#include "navigation/ProjectFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempHome.h"
#include "tools/SvpLists.h"

namespace {

platform::DateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return {y, mo, d, h, mi, s, ms};
}

}  // namespace

TEST(ProjectFiles, AutoSaveNameFromOneReading) {
    struct Row {
        platform::DateTime at;
        const char* stamp;
        const char* name;
    };
    const Row rows[] = {
        {At(2024, 5, 1, 14, 25, 1, 999), "142501", "/v/2024-05-01 142501.vlm"},
        {At(2024, 5, 1, 9, 7, 5), "090705", "/v/2024-05-01 090705.vlm"},
        {At(2024, 5, 2, 0, 0, 0), "000000", "/v/2024-05-02 000000.vlm"},
        {At(2023, 12, 31, 23, 59, 59, 999), "235959", "/v/2023-12-31 235959.vlm"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TimeStampHHMMSS(row.at), row.stamp);
        EXPECT_EQ(AutoSaveName("/v/", row.at), row.name);
    }
}

TEST(ProjectFiles, ProjectPanelSpanIncludesBothEdges) {
    const std::vector<int> widths = {250, 200, 150, 120, 40, 50, 80};
    const int left = 600, right = 720;
    struct Row {
        int x;
        bool on;
    };
    for (const Row row : {Row{left - 1, false}, Row{left, true}, Row{660, true}, Row{right, true},
                          Row{right + 1, false}, Row{0, false}})
        EXPECT_EQ(OnProjectPanel(widths, row.x), row.on) << row.x;
    // Without a panel 3 the span is the one pixel after the others.
    EXPECT_TRUE(OnProjectPanel({10, 20, 30}, 60));
    EXPECT_FALSE(OnProjectPanel({10, 20, 30}, 61));
    EXPECT_TRUE(OnProjectPanel({10}, 10));
    EXPECT_TRUE(OnProjectPanel({}, 0));
}

TEST(ProjectFiles, ListCopiesStopAtTheFirstThatFails) {
    phxtest::TempHome home;
    const std::string svp = home.home() + "SVP/";
    std::filesystem::create_directories(svp);
    TSvpLists lists;
    lists.rawData = {"a", "ş b"};
    lists.extracted = {"c"};
    lists.averaged = {};
    lists.column = {"1500", "1501"};

    const std::vector<std::string> paths = SvpListCopyPaths(svp, "2024-05-01");
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], svp + "2024-05-01 mRawSVData.ini");
    EXPECT_EQ(paths[3], svp + "2024-05-01 mSVPColumn.ini");
    EXPECT_EQ(WriteSvpListCopies(svp, "2024-05-01", lists), 4);
    EXPECT_EQ(phxtest::ReadAll(paths[0]), "a\r\n\xC5\x9F b\r\n");
    EXPECT_EQ(phxtest::ReadAll(paths[2]), "");
    EXPECT_TRUE(std::filesystem::exists(paths[2]));
    TSvpList back;
    ASSERT_TRUE(ReadListFile(paths[3], back).ok());
    EXPECT_EQ(back, lists.column);

    // A folder where the second list goes: the first is written, the rest not.
    const std::string other = home.home() + "SVP2/";
    std::filesystem::create_directories(other);
    const std::vector<std::string> second = SvpListCopyPaths(other, "2024-05-01");
    std::filesystem::create_directories(second[1]);
    EXPECT_EQ(WriteSvpListCopies(other, "2024-05-01", lists), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(second[0]));
    EXPECT_FALSE(std::filesystem::exists(second[2]));
    EXPECT_FALSE(std::filesystem::exists(second[3]));
}
