#include "tools/SvpProfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/SvpProcessing.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SvpProfile, ColumnsMustBeWhollyValid) {
    struct Case {
        Lines lines;
        bool valid;
    } cases[] = {
        {{"1500.00", " 1501.5 "}, true},
        {{}, false},
        {{""}, false},
        {{"1500.00", ""}, false},
        {{"1500.00", "abc"}, false},
        {{"1300.00"}, false},
        {{"1700"}, false},
        {{"1300.01", "1699.99"}, true},
        {{"nan"}, false},
        {{"1e400"}, false},
        {{"1500,00"}, false},
    };
    for (const Case& c : cases) {
        TSvpProfile profile;
        EXPECT_EQ(profile.SetColumn(c.lines), c.valid) << (c.lines.empty() ? "" : c.lines[0]);
        EXPECT_EQ(profile.HasColumn(), c.valid);
    }
}

TEST(SvpProfile, SwitchNeedsAColumn) {
    TSvpProfile profile;
    EXPECT_FALSE(profile.SetInUse(true));
    EXPECT_FALSE(profile.InUse());
    EXPECT_FALSE(profile.Lookup(3).inUse);
    ASSERT_TRUE(profile.SetColumn({"1500.00"}));
    EXPECT_TRUE(profile.SetInUse(true));
    EXPECT_TRUE(profile.InUse());
    EXPECT_TRUE(profile.SetInUse(false));
    EXPECT_FALSE(profile.Lookup(0).inUse);
}

TEST(SvpProfile, LookupRoundsToTheLineAndHoldsTheLastBelow) {
    TSvpProfile profile;
    Lines column;
    for (int k = 0; k <= 10; ++k) column.push_back(std::to_string(1500 + k) + ".00");
    ASSERT_TRUE(profile.SetColumn(column));
    ASSERT_TRUE(profile.SetInUse(true));
    struct Case {
        double raw;
        double sv;
        bool beyond;
    } cases[] = {
        {7.5, 1508, false},    {7.49, 1507, false},
        {0.0001, 1500, false}, {10.0, 1510, false},
        {10.49, 1510, false},  {10.5, 1510, true},
        {5000, 1510, true},    {1e300, 1510, true},
        {-3, 1500, false},     {std::numeric_limits<double>::quiet_NaN(), 1500, false},
    };
    for (const Case& c : cases) {
        const TSvpLookup got = profile.Lookup(c.raw);
        EXPECT_TRUE(got.inUse);
        EXPECT_EQ(got.soundVelocity, c.sv) << c.raw;
        EXPECT_EQ(got.beyondColumn, c.beyond) << c.raw;
    }
}

TEST(SvpProfile, InvalidColumnKeepsTheOldOne) {
    TSvpProfile profile;
    ASSERT_TRUE(profile.SetColumn({"1500.00", "1510.00"}));
    ASSERT_TRUE(profile.SetInUse(true));
    EXPECT_FALSE(profile.SetColumn({"1500.00", "15"}));
    EXPECT_FALSE(profile.SetColumn({}));
    EXPECT_EQ(profile.Lookup(1).soundVelocity, 1510);
    EXPECT_EQ(profile.ColumnLines(), (Lines{"1500.00", "1510.00"}));
}

// The depth correction the pipeline applies: raw x sv / 1500 + draft.
double Corrected(const TSvpProfile& profile, double raw, double draft) {
    return raw * profile.Lookup(raw).soundVelocity / 1500 + draft;
}

TEST(SvpProfile, CastsCorrectDepths) {
    Lines constant;
    for (int d = 0; d <= 20; ++d) constant.push_back("t 1530.0," + std::to_string(d));
    const TSvpExtraction e =
        ExtractSamples(constant, kSvpDefaultSearchString, true, [](double, int) { return true; });
    const TSvpColumnBuild built = BuildSvColumn(AverageByMetre(e.extracted, 20), 20);
    ASSERT_EQ(built.status, TSvpColumnBuild::Done);
    TSvpProfile profile;
    ASSERT_TRUE(profile.SetColumn(built.column));
    ASSERT_TRUE(profile.SetInUse(true));
    EXPECT_NEAR(Corrected(profile, 12.5, 0.5), 13.25, 1e-12);

    // v = 1500 + k per metre: line 10 is the mean of 1500 .. 1510.
    Lines rising;
    for (int k = 0; k <= 10; ++k)
        rising.push_back(std::to_string(k) + "," + std::to_string(1500 + k) + ".00,1");
    const TSvpColumnBuild r = BuildSvColumn(rising, 10);
    ASSERT_EQ(r.status, TSvpColumnBuild::Done);
    EXPECT_EQ(r.column[10], "1505.00");
}

}  // namespace
