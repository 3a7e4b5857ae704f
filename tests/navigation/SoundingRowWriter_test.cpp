#include "navigation/SoundingRowWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/support/OpenDescriptors.h"
#include "tests/support/TempHome.h"

namespace {

namespace fs = std::filesystem;

class RowWriter : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    std::string dir = home.home() + "LOG/";
    std::string path = dir + "2026-12-10 Coordinates.csv";
    std::vector<std::string> reports;
    int ensureCalls = 0;
    SoundingRowWriter writer{"H", Hooks()};

    SoundingRowWriter::Hooks Hooks() {
        return {[this] {
                    ++ensureCalls;
                    std::error_code ec;
                    fs::create_directories(dir, ec);
                    return !ec;
                },
                [this](const std::string& text) { reports.push_back(text); }};
    }
    void SetUp() override { fs::create_directories(dir); }
};

TEST_F(RowWriter, HeaderIntoAnEmptyFileThenRows) {
    EXPECT_TRUE(writer.Write(path, "r1"));
    EXPECT_TRUE(writer.Write(path, "r2"));
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr1\r\nr2\r\n");
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(ensureCalls, 0);
    // Touch puts only the header into a new file.
    const std::string other = dir + "x.csv";
    writer.Touch(other);
    writer.Touch(other);
    EXPECT_EQ(phxtest::ReadAll(other), "H\r\n");
}

TEST_F(RowWriter, DayFolderDeletedMidRun) {
    ASSERT_TRUE(writer.Write(path, "r1"));
    fs::remove_all(dir);
    EXPECT_TRUE(writer.Write(path, "r2"));
    EXPECT_EQ(ensureCalls, 1);
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr2\r\n");
    EXPECT_TRUE(reports.empty());
}

TEST_F(RowWriter, FolderThatCannotBeMadeHoldsRowsUntilItCan) {
    fs::remove_all(dir);
    // A plain file where the folder belongs: nothing can be created below it.
    phxtest::WriteAll(home.home() + "LOG", "x");
    EXPECT_FALSE(writer.Write(path, "r1"));
    EXPECT_FALSE(writer.Write(path, "r2"));
    EXPECT_EQ(writer.HeldRows(), 2u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("2026-12-10 Coordinates.csv"), std::string::npos);
    fs::remove(home.home() + "LOG");
    EXPECT_TRUE(writer.Write(path, "r3"));
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr1\r\nr2\r\nr3\r\n");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find("3 held rows written, 0 rows lost"), std::string::npos);
}

TEST_F(RowWriter, FullDiskHoldsRowsThenWritesThemInOrder) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(writer.Write(path, "r1"));
    fs::remove(path);
    fs::create_symlink("/dev/full", path);
    EXPECT_FALSE(writer.Write(path, "r2"));
    EXPECT_FALSE(writer.Write(path, "r3"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("No space left on device"), std::string::npos);
    fs::remove(path);
    EXPECT_TRUE(writer.Write(path, "r4"));
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr2\r\nr3\r\nr4\r\n");
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(RowWriter, RowsBeyondTheCapAreCounted) {
    SoundingRowWriter small{"H", Hooks(), 10};
    fs::remove_all(dir);
    phxtest::WriteAll(home.home() + "LOG", "x");
    for (const char* row : {"aaa", "bbb", "ccc", "ddd"}) EXPECT_FALSE(small.Write(path, row));
    EXPECT_EQ(small.HeldRows(), 2u);
    EXPECT_EQ(small.LostRows(), 2u);
    EXPECT_EQ(small.Flush(path), 4u);  // still nowhere to go: held and lost
    fs::remove(home.home() + "LOG");
    EXPECT_EQ(small.Flush(path), 2u);  // the held ones written, the lost ones counted
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\naaa\r\nbbb\r\n");
}

TEST_F(RowWriter, TheRowThatFindsTheFileAgainIsWrittenWhenTheHoldIsFull) {
    SoundingRowWriter small{"H", Hooks(), 10};
    fs::remove_all(dir);
    phxtest::WriteAll(home.home() + "LOG", "x");
    for (const char* row : {"aaa", "bbb", "ccc"}) EXPECT_FALSE(small.Write(path, row));
    EXPECT_EQ(small.HeldRows(), 2u);
    fs::remove(home.home() + "LOG");
    EXPECT_TRUE(small.Write(path, "ddd"));
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\naaa\r\nbbb\r\nddd\r\n");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find("3 held rows written, 1 rows lost"), std::string::npos) << reports[1];
}

TEST_F(RowWriter, DirectoryInTheCsvsPlaceDivertsToNumberedName) {
    fs::create_directories(path);
    EXPECT_TRUE(writer.Write(path, "r1"));
    const std::string first = dir + "2026-12-10 Coordinates_1.csv";
    EXPECT_EQ(writer.LastTarget(), first);
    EXPECT_TRUE(writer.Write(path, "r2"));
    EXPECT_EQ(phxtest::ReadAll(first), "H\r\nr1\r\nr2\r\n");
    // Each row tries the own name first.
    fs::remove(path);
    EXPECT_TRUE(writer.Write(path, "r3"));
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr3\r\n");
    EXPECT_TRUE(reports.empty());
}

TEST_F(RowWriter, NumberedNamesTakenByFoldersToo) {
    fs::create_directories(path);
    fs::create_directories(dir + "2026-12-10 Coordinates_1.csv");
    EXPECT_TRUE(writer.Write(path, "r1"));
    EXPECT_EQ(writer.LastTarget(), dir + "2026-12-10 Coordinates_2.csv");
}

TEST_F(RowWriter, ReadOnlyFileDivertsUnlessRoot) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    phxtest::WriteAll(path, "H\r\n");
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_TRUE(writer.Write(path, "r1"));
    EXPECT_EQ(writer.LastTarget(), dir + "2026-12-10 Coordinates_1.csv");
}

TEST(RowWriterNames, NumberedName) {
    EXPECT_EQ(SoundingRowWriter::NumberedName("/a/b c.csv", 1), "/a/b c_1.csv");
    EXPECT_EQ(SoundingRowWriter::NumberedName("/a.d/name", 99), "/a.d/name_99");
}

TEST_F(RowWriter, FileStaysOpenUntilItsNameLeadsElsewhere) {
    ASSERT_TRUE(writer.Write(path, "r1"));
    ASSERT_TRUE(writer.Write(path, "r2"));
    EXPECT_EQ(phxtest::OpenDescriptorCount(path), 1);
    // Renamed by the surveyor: the rows go to a new file at the name.
    const std::string aside = dir + "aside.csv";
    fs::rename(path, aside);
    EXPECT_TRUE(writer.Write(path, "r3"));
    EXPECT_EQ(phxtest::ReadAll(aside), "H\r\nr1\r\nr2\r\n");
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr3\r\n");
    EXPECT_EQ(phxtest::OpenDescriptorCount(aside), 0);
    // Another name (a new day) lets the old file go.
    const std::string next = dir + "2026-12-11 Coordinates.csv";
    EXPECT_TRUE(writer.Write(next, "r4"));
    EXPECT_EQ(phxtest::OpenDescriptorCount(path), 0);
    EXPECT_EQ(phxtest::OpenDescriptorCount(next), 1);
    EXPECT_EQ(phxtest::ReadAll(next), "H\r\nr4\r\n");
    // The close writes nothing more and lets the file go.
    EXPECT_EQ(writer.Flush(next), 0u);
    EXPECT_EQ(phxtest::OpenDescriptorCount(next), 0);
    EXPECT_TRUE(reports.empty());
}

// The open file is kept only while its name leads to it: a file put in its
// place or its folder renamed sends the next row to the file at the name.
TEST_F(RowWriter, ANameThatLeadsElsewhereTakesTheNextRow) {
    ASSERT_TRUE(writer.Write(path, "r1"));
    const std::string other = home.home() + "other.csv";
    { std::ofstream(other) << "O\r\n"; }
    fs::rename(other, path);
    EXPECT_TRUE(writer.Write(path, "r2"));
    EXPECT_EQ(phxtest::ReadAll(path), "O\r\nr2\r\n");

    const std::string moved = home.home() + "LOG.old/";
    fs::rename(dir, moved);
    EXPECT_TRUE(writer.Write(path, "r3"));
    EXPECT_EQ(ensureCalls, 1);
    EXPECT_EQ(phxtest::ReadAll(moved + "2026-12-10 Coordinates.csv"), "O\r\nr2\r\n");
    EXPECT_EQ(phxtest::ReadAll(path), "H\r\nr3\r\n");
    EXPECT_TRUE(reports.empty());
}

}  // namespace
