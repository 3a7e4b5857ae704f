#include "navigation/CanvasViewSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/DayPaths.h"
#include "tests/support/TempHome.h"

namespace {

struct StoredView {
    const char* left;
    const char* right;
    const char* top;
    const char* bottom;
};

void Store(const StoredView& v) {
    platform::IniFile ini(SettingsFilePath());
    const std::pair<const char*, const char*> keys[] = {{"PlanWorldLeft", v.left},
                                                        {"PlanWorldRight", v.right},
                                                        {"PlanWorldTop", v.top},
                                                        {"PlanWorldBottom", v.bottom}};
    for (const auto& [key, value] : keys) {
        if (value) ini.WriteString("CANVAS", key, value);
    }
}

}  // namespace

TEST(CanvasViewSettings, MissingSectionGivesTheDefaults) {
    phxtest::TempHome home;
    const CanvasViewSettings view = ReadCanvasViewSettings(platform::IniFile(SettingsFilePath()));
    EXPECT_EQ(view.PlanWorldLeft, 0.0);
    EXPECT_EQ(view.PlanWorldRight, 1000.0);
    EXPECT_EQ(view.PlanWorldTop, 1000.0);
    EXPECT_EQ(view.PlanWorldBottom, 0.0);
    EXPECT_TRUE(view.GridAutoScale);
    EXPECT_EQ(view.DepthSpeedDisplayMode, 0);
    EXPECT_EQ(view.GGAOverlayPosition, 0);
}

TEST(CanvasViewSettings, WriteThenReadGivesTheSameValues) {
    phxtest::TempHome home;
    CanvasViewSettings saved;
    saved.PlanWorldLeft = 500100.0;
    saved.PlanWorldRight = 500600.0;
    saved.PlanWorldTop = 4500321.125;
    saved.PlanWorldBottom = 4499950.0625;
    saved.GridAutoScale = false;
    saved.DepthSpeedDisplayMode = 3;
    saved.GGAOverlayPosition = 2;
    {
        platform::IniFile ini(SettingsFilePath());
        WriteCanvasViewSettings(ini, saved);
    }
    platform::IniFile::DropCachedModels();
    const std::string text = phxtest::ReadAll(SettingsFilePath());
    EXPECT_NE(text.find("PlanWorldLeft=500100\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PlanWorldTop=4500321.125\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("GridAutoScale=0\r\n"), std::string::npos) << text;
    const CanvasViewSettings back = ReadCanvasViewSettings(platform::IniFile(SettingsFilePath()));
    EXPECT_EQ(back.PlanWorldLeft, saved.PlanWorldLeft);
    EXPECT_EQ(back.PlanWorldRight, saved.PlanWorldRight);
    EXPECT_EQ(back.PlanWorldTop, saved.PlanWorldTop);
    EXPECT_EQ(back.PlanWorldBottom, saved.PlanWorldBottom);
    EXPECT_FALSE(back.GridAutoScale);
    EXPECT_EQ(back.DepthSpeedDisplayMode, 3);
    EXPECT_EQ(back.GGAOverlayPosition, 2);
}

// A view that cannot be shown, as a faulty run may have stored it, comes back
// as the whole default view; a sane one comes back unchanged.
TEST(CanvasViewSettings, StoredViewTable) {
    struct Case {
        StoredView stored;
        bool kept;
    };
    const Case cases[] = {
        {{"500100", "500600", "4500400", "4500100"}, true},
        {{"-250.5", "250.5", "10", "-10"}, true},
        {{"500100", nullptr, nullptr, nullptr}, false},     // right 1000 < left: negative span
        {{"100", "100", "1000", "0"}, false},               // zero width
        {{"0", "1000", "500", "500"}, false},               // zero height
        {{"0", "0.0001", "0.0001", "0"}, false},            // below 1 mm
        {{"0", "1e9", "1e9", "0"}, false},                  // beyond 1e8 m
        {{"1e11", "1.0000000001e11", "1000", "0"}, false},  // far off the earth
        {{"0", "abc", "1000", "0"}, false},                 // one edge not a number
        {{"nan", "1000", "1000", "0"}, false},
        {{"0", "inf", "1000", "0"}, false},
        {{"0", "1e400", "1000", "0"}, false},
        {{"0", "1000", "0", "1000"}, false},  // upside down
    };
    for (const Case& c : cases) {
        phxtest::TempHome home;
        Store(c.stored);
        const CanvasViewSettings view =
            ReadCanvasViewSettings(platform::IniFile(SettingsFilePath()));
        const std::string label = std::string(c.stored.left ? c.stored.left : "-") + " " +
                                  (c.stored.right ? c.stored.right : "-");
        if (c.kept) {
            EXPECT_EQ(view.PlanWorldLeft, platform::ParseFloat(c.stored.left).value()) << label;
            EXPECT_EQ(view.PlanWorldBottom, platform::ParseFloat(c.stored.bottom).value()) << label;
        } else {
            EXPECT_EQ(view.PlanWorldLeft, 0.0) << label;
            EXPECT_EQ(view.PlanWorldRight, 1000.0) << label;
            EXPECT_EQ(view.PlanWorldTop, 1000.0) << label;
            EXPECT_EQ(view.PlanWorldBottom, 0.0) << label;
        }
    }
}

TEST(CanvasViewSettings, UsableViewLimits) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(IsUsableView(0, 0.001, 0.001, 0));
    EXPECT_TRUE(IsUsableView(-5e7, 5e7, 5e7, -5e7));
    EXPECT_FALSE(IsUsableView(0, 1000, inf, 0));
    EXPECT_FALSE(IsUsableView(std::nan(""), 1000, 1000, 0));
    EXPECT_FALSE(IsUsableView(1000, 0, 1000, 0));
}
