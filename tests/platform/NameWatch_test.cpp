#include "platform/NameWatch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/support/TempHome.h"

using platform::NameWatch;

namespace {

namespace fs = std::filesystem;

struct Case {
    const char* what;
    std::function<void(const std::string& root)> act;
    bool changed;
};

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

// Root: <home>/VLM/day/XYZ/rows.csv, watched; then one act on the tree.
TEST(NameWatch, TellsWhatMayMoveTheNameAway) {
    const Case cases[] = {
        {"nothing", [](const std::string&) {}, false},
        {"a write to the file", [](const std::string& r) {
             std::ofstream(r + "VLM/day/XYZ/rows.csv", std::ios::app) << "row\n"; }, false},
        {"a neighbour made and removed", [](const std::string& r) {
             Touch(r + "VLM/day/XYZ/other.csv");
             fs::remove(r + "VLM/day/XYZ/other.csv"); }, false},
        {"a neighbour folder of the day", [](const std::string& r) {
             fs::create_directory(r + "VLM/other-day"); }, false},
        {"the file renamed", [](const std::string& r) {
             fs::rename(r + "VLM/day/XYZ/rows.csv", r + "VLM/day/XYZ/aside.csv"); }, true},
        {"the file removed", [](const std::string& r) {
             fs::remove(r + "VLM/day/XYZ/rows.csv"); }, true},
        {"another file renamed over it", [](const std::string& r) {
             Touch(r + "other.csv");
             fs::rename(r + "other.csv", r + "VLM/day/XYZ/rows.csv"); }, true},
        {"its folder renamed", [](const std::string& r) {
             fs::rename(r + "VLM/day/XYZ", r + "VLM/day/XYZ.old"); }, true},
        {"a folder above renamed", [](const std::string& r) {
             fs::rename(r + "VLM/day", r + "VLM/day.old"); }, true},
        {"the day folder deleted", [](const std::string& r) {
             fs::remove_all(r + "VLM/day"); }, true},
        {"a folder above swapped for a link to a copy", [](const std::string& r) {
             fs::rename(r + "VLM", r + "VLM.old");
             fs::create_directory_symlink(r + "VLM.old", r + "VLM"); }, true},
        {"its mode changed", [](const std::string& r) {
             ::chmod((r + "VLM/day/XYZ/rows.csv").c_str(), 0600); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        phxtest::TempHome home;
        const std::string root = home.home();
        const std::string file = root + "VLM/day/XYZ/rows.csv";
        fs::create_directories(root + "VLM/day/XYZ");
        Touch(file);
        NameWatch watch;
        ASSERT_TRUE(watch.Watch(file));
        EXPECT_FALSE(watch.Changed());
        c.act(root);
        EXPECT_EQ(watch.Changed(), c.changed);
        // A change stays said until the next Watch.
        if (c.changed) {
            EXPECT_TRUE(watch.Changed());
        }
    }
}

TEST(NameWatch, SaysChangedWhenItWatchesNothing) {
    phxtest::TempHome home;
    NameWatch watch;
    EXPECT_TRUE(watch.Changed());
    EXPECT_FALSE(watch.Watch(home.home() + "missing/rows.csv"));
    EXPECT_TRUE(watch.Changed());
    Touch(home.home() + "rows.csv");
    ASSERT_TRUE(watch.Watch(home.home() + "rows.csv"));
    EXPECT_FALSE(watch.Changed());
    watch.Clear();
    EXPECT_TRUE(watch.Changed());
}

}  // namespace
