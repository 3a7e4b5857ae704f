#include "tools/LiveValue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using tools::LiveValue;

struct Step {
    const char* text;
    std::optional<double> after;  // the value once the text is taken
};

// Each table types its texts in order into one value, as a surveyor does.
void Type(LiveValue& value, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        value.Take(step.text);
        EXPECT_EQ(value.Get(), step.after) << "after \"" << step.text << "\"";
    }
}

}  // namespace

TEST(LiveValue, AnyFiniteNumberKeepsTheLastValidText) {
    LiveValue draft;
    Type(draft, {{"", std::nullopt},
                 {"1", 1},
                 {"15", 15},
                 {"1530", 1530},
                 {"0,5", 1530},
                 {"1e3", 1000},
                 {"nan", 1000},
                 {"inf", 1000},
                 {"1O", 1000},
                 {"1.", 1},
                 {"-0.25", -0.25},
                 {" 2.5 ", 2.5},
                 {"0x10", 2.5},
                 {"1e400", 2.5},
                 {"", 2.5}});
}

TEST(LiveValue, SoundVelocityRangeSkipsTheDigitsOnTheWay) {
    LiveValue sv(1300, 1700);
    Type(sv, {{"1", std::nullopt},
              {"15", std::nullopt},
              {"153", std::nullopt},
              {"1530", 1530},
              {"1299.9", 1530},
              {"1300", 1300},
              {"1700", 1700},
              {"1700.1", 1700},
              {"1.5e3", 1500}});
}

TEST(LiveValue, WholeValuesTakeDigitsOnly) {
    LiveValue width(0, 99, true);
    Type(width, {{"", std::nullopt},
                 {"3", 3},
                 {"2.5", 3},
                 {"1e1", 3},
                 {"0x5", 3},
                 {"-1", 3},
                 {"100", 3},
                 {"99", 99},
                 {"+0", 0}});
    EXPECT_EQ(width.GetInt(), 0);
}

TEST(LiveValue, ABurstOfTextsPolledBetweenKeysNeverYieldsAnInvalidValue) {
    LiveValue sv(1300, 1700);
    const std::string keys = "1530,.5e-x9O \t1700.1";
    std::string text;
    for (int round = 0; round < 200; ++round) {
        text.push_back(keys[static_cast<size_t>(round * 7) % keys.size()]);
        if (text.size() > 6) text.erase(0, 3);
        sv.Take(text);
        const std::optional<double> value = sv.Get();
        if (value) {
            EXPECT_GE(*value, 1300);
            EXPECT_LE(*value, 1700);
        }
    }
}
