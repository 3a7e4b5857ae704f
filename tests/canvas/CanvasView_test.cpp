// The view's invariant, driven directly and through everyone who sets a view:
// the rectangle stays finite with both spans within the limits, and a
// refused change leaves it as it was.
#include "canvas/CanvasView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"

namespace {

using viewmath::kMaxViewSpan;
using viewmath::kMinViewSpan;
using viewmath::ViewRect;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Within the limits to the resolution of the edges (far out, the spacing of
// doubles exceeds a millimetre and rounds the widest span too).
void ExpectSane(const ViewRect& v) {
    ASSERT_TRUE(viewmath::AllFinite(v.left, v.right, v.top, v.bottom));
    auto ulp = [](double a, double b) {
        const double m = std::max(std::fabs(a), std::fabs(b));
        return std::nextafter(m, kInf) - m;
    };
    const double rx = 2 * ulp(v.left, v.right), ry = 2 * ulp(v.top, v.bottom);
    EXPECT_GE(v.width(), kMinViewSpan / 2);
    EXPECT_LE(v.width(), kMaxViewSpan + rx);
    EXPECT_GE(v.height(), kMinViewSpan / 2);
    EXPECT_LE(v.height(), kMaxViewSpan + ry);
}

}  // namespace

TEST(CanvasView, SetClampsSpansAboutTheirCentresAndRefusesNonFiniteEdges) {
    TCanvasView view;
    EXPECT_EQ(view.Rect(), (ViewRect{0, 1000, 1000, 0}));
    EXPECT_EQ(view.ClientWidth(), 400);
    EXPECT_EQ(view.ClientHeight(), 300);

    const struct {
        ViewRect in, out;
    } cases[] = {
        {{10, 20, 40, 30}, {10, 20, 40, 30}},                              // kept exactly
        {{7, 7, 3, 3}, {7 - 5e-4, 7 + 5e-4, 3 + 5e-4, 3 - 5e-4}},          // zero spans
        {{20, 10, 30, 40}, {15 - 5e-4, 15 + 5e-4, 35 + 5e-4, 35 - 5e-4}},  // negative spans
        {{-1e12, 1e12, 1e9, -1e9}, {-5e7, 5e7, 5e7, -5e7}},                // too wide
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(view.Set(c.in));
        EXPECT_NEAR(view.Rect().left, c.out.left, 1e-9);
        EXPECT_NEAR(view.Rect().right, c.out.right, 1e-9);
        EXPECT_NEAR(view.Rect().top, c.out.top, 1e-9);
        EXPECT_NEAR(view.Rect().bottom, c.out.bottom, 1e-9);
    }
    const ViewRect kept = view.Rect();
    for (const ViewRect& bad :
         {ViewRect{kNaN, 1, 1, 0}, ViewRect{0, kInf, 1, 0}, ViewRect{0, 1, -kInf, 0},
          ViewRect{0, 1, 1, kNaN}, ViewRect{1e300, 1e300, 1e300, 1e300}}) {
        EXPECT_FALSE(view.Set(bad));
        EXPECT_EQ(view.Rect(), kept);
    }
}

TEST(CanvasView, NoSequenceOfOperationsLeavesTheLimits) {
    TCanvasView view;
    std::mt19937 rng(16);
    std::uniform_int_distribution<int> op(0, 5);
    std::uniform_real_distribution<double> unit(-1, 1);
    auto wild = [&] {
        const double e = std::pow(10.0, 14 * (unit(rng) + 1) - 6);  // 1e-6 .. 1e22
        return unit(rng) * e;
    };
    for (int i = 0; i < 20000; ++i) {
        switch (op(rng)) {
            case 0:
                view.ZoomAt(unit(rng) * 2, wild(), wild());
                break;
            case 1:
                view.Pan(wild(), wild());
                break;
            case 2:
                view.CenterOn(wild(), wild());
                break;
            case 3:
                view.SetClientSize(static_cast<int>(unit(rng) * 3000),
                                   static_cast<int>(unit(rng) * 3000));
                view.FitAspect();
                break;
            case 4: {
                const double x = wild(), y = wild();
                view.ShowBox(unit(rng) > -0.8, x, y, x + std::fabs(wild()), y + std::fabs(wild()));
                break;
            }
            default:
                view.Set({wild(), wild(), wild(), wild()});
        }
        ExpectSane(view.Rect());
        if (HasFailure()) FAIL() << "after operation " << i;
    }
}

TEST(CanvasView, TheModelAndTheProjectReaderSetTheViewUnderTheSameRule) {
    TCanvasModel model;
    model.SetView(5, 7, 5, 7);  // no span at all
    EXPECT_NEAR(model.GetViewWidth(), kMinViewSpan, 1e-12);
    EXPECT_NEAR(model.FWorldLeft + model.FWorldRight, 10, 1e-12);
    model.SetView(kNaN, 1, 2, 0);
    EXPECT_NEAR(model.GetViewWidth(), kMinViewSpan, 1e-12);  // refused, kept

    // A project file's view goes through the same door.
    vlm::LoadProjectText(model, "WORLD 100 100 4000000 4000000\n", 1);
    EXPECT_NEAR(model.FWorldLeft, 100 - kMinViewSpan / 2, 1e-9);
    EXPECT_NEAR(model.GetViewHeight(), kMinViewSpan, 1e-6);
    vlm::LoadProjectText(model, "WORLD -1e12 1e12 0 10\n", 1);
    EXPECT_DOUBLE_EQ(model.GetViewWidth(), kMaxViewSpan);
    EXPECT_DOUBLE_EQ(model.GetViewHeight(), 10);
    ExpectSane(model.View().Rect());
}
