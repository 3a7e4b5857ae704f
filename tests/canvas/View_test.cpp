// The view transform of the map canvas: resize rule, extents, zoom about a
// point, pan, centring, the wheel, and the limits that keep a view usable.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWheelEvent>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "canvas/PlovanCanvas.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct View {
    double left, right, top, bottom;
};

View ViewOf(const TPlovanCanvas& c) {
    return {c.FWorldLeft, c.FWorldRight, c.FWorldTop, c.FWorldBottom};
}

void ExpectView(const TPlovanCanvas& c, View v, double tol = 1e-6) {
    EXPECT_NEAR(c.FWorldLeft, v.left, tol);
    EXPECT_NEAR(c.FWorldRight, v.right, tol);
    EXPECT_NEAR(c.FWorldTop, v.top, tol);
    EXPECT_NEAR(c.FWorldBottom, v.bottom, tol);
}

// Continuous pixel position of a world point (before rounding).
double PixelX(const TPlovanCanvas& c, double x) {
    return c.width() / (c.FWorldRight - c.FWorldLeft) * (x - c.FWorldLeft);
}
double PixelY(const TPlovanCanvas& c, double y) {
    return c.height() / (c.FWorldTop - c.FWorldBottom) * (c.FWorldTop - y);
}

}  // namespace

TEST(View, FirstResizeOfANewCanvasKeepsTheYSpan) {
    TPlovanCanvas canvas;
    ASSERT_EQ(canvas.width(), 400);
    ASSERT_EQ(canvas.height(), 300);
    canvas.Resize();
    ExpectView(canvas, {-166.6666667, 1166.6666667, 1000, 0}, 1e-6);
    int px = -1, py = -1;
    canvas.WorldToScreen(canvas.FWorldLeft, canvas.FWorldTop, px, py);
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
    canvas.WorldToScreen(canvas.FWorldRight, canvas.FWorldBottom, px, py);
    EXPECT_EQ(px, 400);
    EXPECT_EQ(py, 300);
}

TEST(View, ResizeGrowsOneSpanToTheControlsAspect) {
    struct Case {
        int w, h;
        View start, expected;
    } cases[] = {
        {400, 300, {0, 1000, 1000, 0}, {-166.6666667, 1166.6666667, 1000, 0}},
        {300, 400, {0, 1000, 1000, 0}, {0, 1000, 1166.6666667, -166.6666667}},
        {1000, 100, {0, 100, 100, 0}, {-450, 550, 100, 0}},
        {500, 500, {10, 30, 5, 1}, {10, 30, 13, -7}},
        // A flat view (no height) takes its height from the width.
        {200, 100, {0, 100, 50, 50}, {0, 100, 75, 25}},
    };
    for (const auto& c : cases) {
        TPlovanCanvas canvas;
        canvas.resize(c.w, c.h);
        canvas.SetView(c.start.left, c.start.top, c.start.right, c.start.bottom);
        canvas.Resize();
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        ExpectView(canvas, c.expected, 1e-6);
        EXPECT_NEAR(canvas.GetViewWidth() / canvas.GetViewHeight(),
                    static_cast<double>(c.w) / c.h, 1e-9);
    }
}

// Resizing fits the view last chosen, not the view the last resize made: a
// control that passes through other shapes and comes back shows the chosen
// view again (moved by any pan or centring on the way), and ChosenView
// keeps it unwidened.
TEST(View, ResizesThroughOtherShapesComeBackToTheChosenView) {
    const double third = 1000.0 / 6;  // 166.67 m
    struct Case {
        const char* name;
        std::function<void(TPlovanCanvas&)> atWide;  // done while the control is 800 x 300
        View back;                                   // the view at 400 x 400 again
        View chosen;
    } cases[] = {
        {"nothing", [](TPlovanCanvas&) {}, {0, 1000, 1000, 0}, {0, 1000, 1000, 0}},
        {"pan",
         [](TPlovanCanvas& c) { c.Pan(10, -20); },
         {10, 1010, 980, -20},
         {10, 1010, 980, -20}},
        {"centre",
         [](TPlovanCanvas& c) { c.CenterOn(5000, 6000); },
         {4500, 5500, 6500, 5500},
         {4500, 5500, 6500, 5500}},
        // The zoom chooses what it shows: 1333 x 500 m about the centre.
        {"zoom",
         [](TPlovanCanvas& c) { c.ZoomAt(0.5, 500, 500); },
         {-third, 1000 + third, 1000 + third, -third},
         {-third, 1000 + third, 750, 250}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TPlovanCanvas canvas;
        canvas.resize(400, 400);
        canvas.SetView(0, 1000, 1000, 0);
        canvas.Resize();
        for (const QSize size : {QSize(800, 300), QSize(300, 800), QSize(800, 300)}) {
            canvas.resize(size);
            canvas.Resize();
        }
        c.atWide(canvas);
        canvas.resize(400, 400);
        canvas.Resize();
        ExpectView(canvas, c.back);
        const viewmath::ViewRect& chosen = canvas.ChosenView();
        EXPECT_NEAR(chosen.left, c.chosen.left, 1e-6);
        EXPECT_NEAR(chosen.right, c.chosen.right, 1e-6);
        EXPECT_NEAR(chosen.top, c.chosen.top, 1e-6);
        EXPECT_NEAR(chosen.bottom, c.chosen.bottom, 1e-6);
    }
}

TEST(View, ZeroSizeControlKeepsItsViewAndPaintsNothing) {
    TPlovanCanvas canvas;
    canvas.SetView(0, 1000, 1000, 0);
    for (QSize size : {QSize(0, 0), QSize(0, 300), QSize(400, 0)}) {
        canvas.resize(size);
        canvas.Resize();
        ExpectView(canvas, {0, 1000, 1000, 0});
        EXPECT_TRUE(canvas.renderFrame().isNull());
        // Zooming at zero size counts the size as 1 and stays finite.
        TPlovanCanvas other;
        other.resize(size);
        other.SetView(0, 1000, 1000, 0);
        other.ZoomAt(0.2, 500, 500);
        EXPECT_TRUE(std::isfinite(other.FWorldLeft) && std::isfinite(other.FWorldRight) &&
                    std::isfinite(other.FWorldTop) && std::isfinite(other.FWorldBottom));
        other.ZoomExtents();
        EXPECT_TRUE(std::isfinite(other.GetViewHeight()));
    }
}

TEST(View, ZoomExtentsCases) {
    struct Case {
        const char* name;
        void (*build)(TPlovanCanvas&);
        View expected;
    } cases[] = {
        {"empty drawing", [](TPlovanCanvas&) {}, {0, 1000, 1000, 0}},
        {"only shape at 1e16",
         [](TPlovanCanvas& c) { c.AddLine(1e16, 1e16, 1e16 + 10, 1e16 + 10, 0); },
         {0, 1000, 1000, 0}},
        {"horizontal line has zero height",
         [](TPlovanCanvas& c) { c.AddLine(0, 0, 100, 0, 0); }, {0, 1000, 1000, 0}},
        {"wide box fitted by height",
         [](TPlovanCanvas& c) { c.AddRectangle(0, 0, 100, 50, 0); },
         {-5, 105, 66.25, -16.25}},
        {"tall box fitted by width",
         [](TPlovanCanvas& c) { c.AddRectangle(0, 0, 30, 300, 0); },
         {-205, 235, 315, -15}},
        {"hidden shapes do not count",
         [](TPlovanCanvas& c) {
             c.AddRectangle(0, 0, 100, 50, 0);
             const int far = c.AddRectangle(5000, 5000, 6000, 6000, 0);
             c.FindShape(far)->FVisible = 0;
         },
         {-5, 105, 66.25, -16.25}},
        {"a shape on an invisible layer still counts",
         [](TPlovanCanvas& c) {
             const int layer = c.AddLayer("hidden");
             c.SetLayerVisible(layer, 0);
             c.AddRectangle(0, 0, 100, 50, layer);
         },
         {-5, 105, 66.25, -16.25}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TPlovanCanvas canvas;  // 400 x 300
        canvas.SetView(123, 456, 789, -10);
        c.build(canvas);
        canvas.ZoomExtents();
        ExpectView(canvas, c.expected, 1e-9);
    }
}

TEST(View, ZoomExtentsOfATinyDrawingKeepsTheMinimumSpan) {
    TPlovanCanvas canvas;
    canvas.AddRectangle(5e6, 4e6, 5e6 + 1e-7, 4e6 + 1e-7, 0);
    canvas.ZoomExtents();
    EXPECT_NEAR(canvas.GetViewWidth(), viewmath::kMinViewSpan, 1e-9);
    EXPECT_NEAR(canvas.GetViewHeight(), viewmath::kMinViewSpan, 1e-9);
    EXPECT_NEAR((canvas.FWorldLeft + canvas.FWorldRight) / 2, 5e6, 1e-6);
}

TEST(View, ZoomAtFactorLimits) {
    struct Case {
        double factor, scale;
    } cases[] = {{0.2, 0.8}, {-0.2, 1.2}, {2.0, 0.1}, {1.0, 0.1}, {-20, 10}, {-9, 10}, {0, 1}};
    for (const auto& c : cases) {
        TPlovanCanvas canvas;
        canvas.resize(400, 400);
        canvas.SetView(0, 1000, 1000, 0);
        canvas.ZoomAt(c.factor, 500, 500);
        SCOPED_TRACE(c.factor);
        EXPECT_NEAR(canvas.GetViewWidth(), 1000 * c.scale, 1e-9);
        EXPECT_NEAR(canvas.GetViewHeight(), 1000 * c.scale, 1e-9);
        EXPECT_NEAR(canvas.FWorldLeft + canvas.FWorldRight, 1000, 1e-9);
    }
}

TEST(View, ZoomAtKeepsTheWorldPointUnderTheCursor) {
    std::mt19937_64 rng(20261210);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int trial = 0; trial < 2000; ++trial) {
        TPlovanCanvas canvas;
        const int w = 50 + static_cast<int>(unit(rng) * 1500);
        const int h = 50 + static_cast<int>(unit(rng) * 1000);
        canvas.resize(w, h);
        const double cx = (unit(rng) - 0.5) * 1e7, cy = (unit(rng) - 0.5) * 1e7;
        const double span = std::pow(10.0, -1 + unit(rng) * 7);  // 0.1 m .. 1000 km
        const double hs = span * h / w;
        canvas.SetView(cx - span / 2, cy + hs / 2, cx + span / 2, cy - hs / 2);
        const double x = canvas.FWorldLeft + unit(rng) * canvas.GetViewWidth();
        const double y = canvas.FWorldBottom + unit(rng) * canvas.GetViewHeight();
        const double px = PixelX(canvas, x), py = PixelY(canvas, y);
        const double factor = (unit(rng) - 0.5) * 4;
        canvas.ZoomAt(factor, x, y);
        SCOPED_TRACE(testing::Message() << "trial " << trial << " factor " << factor);
        ASSERT_NEAR(PixelX(canvas, x), px, 1e-3);
        ASSERT_NEAR(PixelY(canvas, y), py, 1e-3);
    }
}

TEST(View, WheelStepsAtTheCursor) {
    TPlovanCanvas canvas;
    canvas.resize(400, 400);
    canvas.SetView(0, 1000, 1000, 0);
    double x = 0, y = 0;
    canvas.ScreenToWorld(100, 300, x, y);  // (250, 250)

    auto wheel = [&](QPoint angle) {
        QWheelEvent event(QPointF(100, 300), QPointF(100, 300), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&canvas, &event);
        return event.isAccepted();
    };
    // A sideways scroll (no vertical delta) changes nothing.
    wheel(QPoint(120, 0));
    ExpectView(canvas, {0, 1000, 1000, 0});

    EXPECT_TRUE(wheel(QPoint(0, 120)));
    EXPECT_NEAR(canvas.GetViewWidth(), 900, 1e-9);
    EXPECT_NEAR(canvas.GetViewHeight(), 900, 1e-9);
    // The point under the cursor stays there.
    double x2 = 0, y2 = 0;
    canvas.ScreenToWorld(100, 300, x2, y2);
    EXPECT_NEAR(x2, x, 1e-9);
    EXPECT_NEAR(y2, y, 1e-9);

    wheel(QPoint(0, -120));
    EXPECT_NEAR(canvas.GetViewWidth(), 990, 1e-9);
}

TEST(View, PanCenterOnAndSetView) {
    TPlovanCanvas canvas;
    canvas.SetView(0, 1000, 2000, 0);
    canvas.Pan(10, -20);
    ExpectView(canvas, {10, 2010, 980, -20});
    canvas.CenterOn(5e6, 4e6);
    ExpectView(canvas, {5e6 - 1000, 5e6 + 1000, 4e6 + 500, 4e6 - 500});
    canvas.SetView(1, 2, 3, 0);
    ExpectView(canvas, {1, 3, 2, 0}, 0);
}

TEST(View, NonFiniteArgumentsKeepTheView) {
    TPlovanCanvas canvas;
    canvas.SetView(0, 1000, 1000, 0);
    const View before = ViewOf(canvas);
    canvas.SetView(kNaN, 1000, 1000, 0);
    canvas.SetView(0, kInf, 1000, 0);
    canvas.ZoomAt(kNaN, 1, 1);
    canvas.ZoomAt(0.2, kInf, 1);
    canvas.Pan(kNaN, 0);
    canvas.Pan(0, -kInf);
    canvas.Pan(1e308, 0);  // a view no double resolves
    canvas.CenterOn(kNaN, 0);
    canvas.CenterOn(1e20, 0);
    canvas.WheelAt(0, 0, 0);
    ExpectView(canvas, before, 0);
}

TEST(View, AViewThatIsNotANumberIsRefused) {
    TPlovanCanvas canvas;
    canvas.resize(400, 400);
    canvas.SetView(kNaN, kInf, 1000, 0);  // as read from a damaged settings file
    canvas.Resize();
    ExpectView(canvas, {0, 1000, 1000, 0}, 0);
}

TEST(View, SpansStayBetweenAMillimetreAndAHundredThousandKilometres) {
    TPlovanCanvas canvas;
    canvas.resize(400, 400);
    canvas.SetView(5e6, 4e6 + 100, 5e6 + 100, 4e6);
    for (int i = 0; i < 1000; ++i) canvas.WheelAt(200, 200, 120);
    EXPECT_NEAR(canvas.GetViewWidth(), viewmath::kMinViewSpan, 1e-8);
    EXPECT_NEAR(canvas.GetViewHeight(), viewmath::kMinViewSpan, 1e-8);
    for (int i = 0; i < 1000; ++i) canvas.WheelAt(200, 200, -120);
    EXPECT_NEAR(canvas.GetViewWidth(), viewmath::kMaxViewSpan, 1e-6);
    EXPECT_NEAR(canvas.GetViewHeight(), viewmath::kMaxViewSpan, 1e-6);

    // A bad stored view comes back sane.
    canvas.SetView(7, 3, 7, 3);
    EXPECT_NEAR(canvas.GetViewWidth(), viewmath::kMinViewSpan, 1e-12);
    EXPECT_NEAR(canvas.FWorldLeft + canvas.FWorldRight, 14, 1e-12);
    canvas.SetView(-1e12, 1e12, 1e12, -1e12);
    EXPECT_DOUBLE_EQ(canvas.GetViewWidth(), viewmath::kMaxViewSpan);

    // With the grid on, the tiniest view still paints and returns.
    canvas.SetView(5e6, 4e6 + 1e-9, 5e6 + 1e-9, 4e6);
    canvas.FGridVisible = 1;
    EXPECT_FALSE(canvas.renderFrame().isNull());
}
