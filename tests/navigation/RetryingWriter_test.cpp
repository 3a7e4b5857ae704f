// A writer of day files through an outage: items held in order up to the
// cap and counted as lost beyond it, one report when the outage begins and
// one when it ends, the folders made again before the second try.
#include "navigation/RetryingWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Target {
    bool works = false;
    int folderRemakes = 0;
    std::vector<std::string> written, reports;

    RetryingWriter Writer(size_t capBytes) {
        return RetryingWriter(
            "Event lines",
            [this](const std::string&, const std::deque<std::string>& items, std::string& why) {
                if (!works) {
                    why = "No such file or directory";
                    return false;
                }
                written.insert(written.end(), items.begin(), items.end());
                return true;
            },
            RetryingWriter::Hooks{[this] { return ++folderRemakes > 0; },
                                  [this](const std::string& t) { reports.push_back(t); }},
            capBytes);
    }
};

TEST(RetryingWriter, HoldsUpToTheCapCountsTheRestAndReportsEachEndOnce) {
    Target target;
    RetryingWriter writer = target.Writer(10);  // two items of 3 bytes and a line end each
    EXPECT_FALSE(writer.Write("/day/LOG/Events.log", "abc"));
    EXPECT_FALSE(writer.Write("/day/LOG/Events.log", "def"));
    EXPECT_FALSE(writer.Write("/day/LOG/Events.log", "ghi"));  // past the cap
    EXPECT_FALSE(writer.Retry("/day/LOG/Events.log"));
    EXPECT_EQ(writer.Held(), 2u);
    EXPECT_EQ(writer.Lost(), 1u);
    EXPECT_EQ(target.folderRemakes, 4);  // once per write that failed
    ASSERT_EQ(target.reports.size(), 1u);
    EXPECT_EQ(target.reports[0],
              "Event lines cannot be written to Events.log: No such file or directory. They are "
              "held until the file can be written.");

    target.works = true;
    EXPECT_TRUE(writer.Write("/day/LOG/Events.log", "jkl"));
    EXPECT_EQ(target.written, (std::vector<std::string>{"abc", "def", "jkl"}));
    ASSERT_EQ(target.reports.size(), 2u);
    EXPECT_EQ(target.reports[1], "Event lines written again to Events.log: 3 held written, 1 lost.");
    EXPECT_EQ(writer.Held(), 0u);
    EXPECT_EQ(writer.Lost(), 0u);
    EXPECT_TRUE(writer.Retry("/day/LOG/Events.log"));
    EXPECT_EQ(target.reports.size(), 2u);
}

}  // namespace
