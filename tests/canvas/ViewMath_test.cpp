#include "canvas/ViewMath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace viewmath;

TEST(ViewMath, NiceStepThresholds) {
    struct Case {
        double target, step;
    } cases[] = {
        {250, 200},   {1.0, 1},      {1.49, 1},      {1.5, 2},     {3.49, 2},     {3.5, 5},
        {7.49, 5},    {7.5, 10},     {9.99, 10},     {375, 500},   {0.0003, 0.0002},
        {150000, 2e5}, {0, 0},       {-5, 0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(NiceStep(c.target), c.step, c.step * 1e-12) << c.target;
    }
    EXPECT_EQ(NiceStep(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(NiceStep(std::numeric_limits<double>::infinity()), 0);
    // The grid of a view 1000 wide steps by 200 (e = 250, m = 2.5).
    EXPECT_DOUBLE_EQ(AutoGridStep(1000), 200);
}

TEST(ViewMath, ScaleBarValuesLengthsAndLabels) {
    struct Case {
        double viewWidth;
        int widthPx;
        double nice;
        int lengthPx;
        const char* label;
    } cases[] = {
        {1000, 400, 500, 150, "500 m"},      // 500 / 2.5 = 200 px, clamped
        {800, 400, 200, 100, "200 m"},       // 200 / 2 = 100 px, fits
        {10000, 400, 5000, 150, "5.0 km"},
        {3000, 1000, 500, 150, "500 m"},      // 166 px, clamped
        {1, 500, 0.2, 100, "20 cm"},
        {1, 1000, 0.1, 100, "10 cm"},        // 0.15 / 0.1 rounds below 1.5
        {0.5, 1000, 0.1, 150, "10 cm"},      // 0.075 -> 0.1
        {1000, 0, 200000, 150, "200.0 km"},  // a size of 0 counts as 1 pixel
        {60, 1000, 10, 150, "10 m"},         // target 9: rounds up to 10
    };
    for (const auto& c : cases) {
        const ScaleBar bar = ScaleBarFor(c.viewWidth, c.widthPx);
        EXPECT_NEAR(bar.niceMetres, c.nice, c.nice * 1e-12) << c.viewWidth << "/" << c.widthPx;
        EXPECT_EQ(bar.lengthPx, c.lengthPx) << c.viewWidth << "/" << c.widthPx;
        EXPECT_EQ(bar.label, c.label) << c.viewWidth << "/" << c.widthPx;
    }
    EXPECT_EQ(ScaleBarLabel(1500), "1.5 km");
    EXPECT_EQ(ScaleBarLabel(0.05), "5 cm");
}

TEST(ViewMath, GridLinesByIndex) {
    struct Case {
        double lo, hi, step;
        int64_t first, count;
    } cases[] = {
        {0, 1000, 200, 0, 6},            // both edges carry a line
        {-166.667, 1166.667, 200, -1, 7},
        {0, 0.3, 0.1, 0, 3},             // 3 * 0.1 exceeds 0.3 in doubles
        {-0.5, 0.5, 1, -1, 2},           // the first line may lie left of lo
        {5e6, 5e6 + 1000, 100, 50000, 11},
        {10, 5, 1, 10, 0},               // an empty range draws nothing
    };
    for (const auto& c : cases) {
        const auto r = GridLines(c.lo, c.hi, c.step, 1000);
        ASSERT_TRUE(r.has_value()) << c.lo << ".." << c.hi;
        EXPECT_EQ(r->first, c.first) << c.lo << ".." << c.hi;
        EXPECT_EQ(r->count, c.count) << c.lo << ".." << c.hi;
        for (int64_t k = 0; k < r->count; ++k) {
            EXPECT_LE(static_cast<double>(r->first + k) * c.step, c.hi);
        }
    }
    // The refusals that keep a paint from stalling.
    EXPECT_FALSE(GridLines(0, 1000, 1e-9, 200).has_value());  // too many lines
    EXPECT_FALSE(GridLines(0, 1000, 0, 200).has_value());
    EXPECT_FALSE(GridLines(0, 1000, -10, 200).has_value());
    EXPECT_FALSE(GridLines(1e300, 1e300 + 1, 1, 200).has_value());
    EXPECT_FALSE(GridLines(0, std::numeric_limits<double>::infinity(), 1, 200).has_value());
    EXPECT_TRUE(GridLines(0, 1000, 5, 201).has_value());   // exactly at the cap
    EXPECT_FALSE(GridLines(0, 1000, 5, 200).has_value());  // 201 lines
}

TEST(ViewMath, GridLabels) {
    EXPECT_EQ(GridLabel(200, 200), "200");
    EXPECT_EQ(GridLabel(4500000, 100), "4500000");
    EXPECT_EQ(GridLabel(1234.56, 1), "1234.6");
    EXPECT_EQ(GridLabel(-0.25, 0.05), "-0.25");
    EXPECT_EQ(GridLabel(0.125, 0.025), "0.125");
    EXPECT_EQ(GridLabel(0, 0.5), "0");
}

TEST(ViewMath, RoundPixelNeverOverflows) {
    EXPECT_EQ(RoundPixel(2.5), 3);
    EXPECT_EQ(RoundPixel(2.49), 2);
    EXPECT_EQ(RoundPixel(-2.5), -2);
    EXPECT_EQ(RoundPixel(-2.51), -3);
    EXPECT_EQ(RoundPixel(1e300), INT_MAX);
    EXPECT_EQ(RoundPixel(-1e300), INT_MIN);
    EXPECT_EQ(RoundPixel(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundPixel(std::numeric_limits<double>::infinity()), INT_MAX);
}

TEST(ViewMath, ClipSegment) {
    struct Case {
        double x0, y0, x1, y1;
        bool visible;
        double cx0, cy0, cx1, cy1;
    } cases[] = {
        {-1e12, 50, 1e12, 50, true, 0, 50, 100, 50},     // long horizontal line
        {50, 1e15, 50, -1e15, true, 50, 100, 50, 0},     // long vertical line
        {-100, -100, 200, 200, true, 0, 0, 100, 100},    // diagonal through corners
        {10, 10, 20, 30, true, 10, 10, 20, 30},          // inside, unchanged
        {-10, 120, 120, -10, true, 10, 100, 100, 10},
        {-50, -1, 150, -1, false, 0, 0, 0, 0},           // below the box
        {200, 0, 300, 100, false, 0, 0, 0, 0},
        {150, 50, 150, 50, false, 0, 0, 0, 0},           // a point outside
    };
    for (const auto& c : cases) {
        double x0 = c.x0, y0 = c.y0, x1 = c.x1, y1 = c.y1;
        ASSERT_EQ(ClipSegment(x0, y0, x1, y1, 0, 0, 100, 100), c.visible) << c.x0 << "," << c.y0;
        if (!c.visible) continue;
        EXPECT_NEAR(x0, c.cx0, 1e-6);
        EXPECT_NEAR(y0, c.cy0, 1e-6);
        EXPECT_NEAR(x1, c.cx1, 1e-6);
        EXPECT_NEAR(y1, c.cy1, 1e-6);
    }
    double nan = std::numeric_limits<double>::quiet_NaN(), a = 0, b = 0, d = 0;
    EXPECT_FALSE(ClipSegment(nan, a, b, d, 0, 0, 100, 100));
}

TEST(ViewMath, ContrastColorRules) {
    struct Case {
        uint32_t colour, background, drawn;
    } cases[] = {
        {0x000000, 0x000000, 0xFFFFFF},  // dark on dark
        {0xFFFFFF, 0xFFFFFF, 0x000000},  // light on light
        {0x808080, 0x7F7F7F, 0xFFFFFF},  // distance 3, background luminance 127 000
        {0x808080, 0x818181, 0x000000},  // luminance 129 000
        {0x0000FF, 0xFFFFFF, 0x0000FF},  // red on white keeps its colour
        {0x00FF00, 0x000000, 0x00FF00},
        {0x102030, 0x0F1F2F, 0xFFFFFF},  // both dark
        {0x404040, 0x424242, 0xFFFFFF},  // close colours, darker background
        {0xC0C0C0, 0xC2C2C2, 0x000000},  // close colours, lighter background
        {0x00FFFF, 0xFFFFFF, 0x00FFFF},  // a yellow track on white: light, yet apart
        {0x800000, 0x000000, 0x800000},  // navy on black: dark, yet apart
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContrastColor(c.colour, c.background), c.drawn)
            << std::hex << c.colour << " on " << c.background;
    }
    EXPECT_EQ(Luminance(0xFFFFFF), 255000);
    EXPECT_EQ(Luminance(0x0000FF), 299 * 255);
    EXPECT_EQ(Luminance(0xFF0000), 114 * 255);
}

TEST(ViewMath, SpanClamps) {
    EXPECT_EQ(ClampSpan(5), 5);
    EXPECT_EQ(ClampSpan(1e-9), kMinViewSpan);
    EXPECT_EQ(ClampSpan(0), kMinViewSpan);
    EXPECT_EQ(ClampSpan(-3), kMinViewSpan);
    EXPECT_EQ(ClampSpan(1e12), kMaxViewSpan);
    EXPECT_EQ(ClampSpan(std::numeric_limits<double>::quiet_NaN()), kMinViewSpan);

    const ViewRect tiny{5e6, 5e6 + 1e-9, 4e6 + 1e-9, 4e6};
    const ViewRect t = ClampViewSpans(tiny);
    EXPECT_NEAR(t.width(), kMinViewSpan, 1e-9);
    EXPECT_NEAR(t.height(), kMinViewSpan, 1e-9);
    EXPECT_NEAR((t.left + t.right) / 2, 5e6, 1e-6);
    EXPECT_NEAR((t.top + t.bottom) / 2, 4e6, 1e-6);

    const ViewRect huge{-1e10, 1e10, 50, -50};
    const ViewRect h = ClampViewSpans(huge);
    EXPECT_DOUBLE_EQ(h.width(), kMaxViewSpan);
    EXPECT_DOUBLE_EQ(h.left, -kMaxViewSpan / 2);
    EXPECT_EQ(h.top, 50);
    EXPECT_EQ(h.bottom, -50);

    const ViewRect sane{0, 1000, 1000, 0};
    EXPECT_EQ(ClampViewSpans(sane), sane);
}
