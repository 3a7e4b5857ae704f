#include "tools/SvpGraph.h"

#include <gtest/gtest.h>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <cmath>
#include <random>

#include "platform/VclText.h"

namespace {

using Lines = std::vector<std::string>;

// 600 x 500 pixels fitted to SVs 1495 .. 1540 and depths 0 .. 200.
TSvpGraph Fitted() {
    TSvpGraph graph;
    graph.SetSize(600, 500);
    graph.LoadPoints({"0,1495.00,1", "100,1520.00,2", "200,1540.00,3"});
    return graph;
}

TEST(SvpGraph, Conversions) {
    const TSvpGraph graph = Fitted();
    EXPECT_EQ(graph.SvToX(1517.5), 320);
    EXPECT_EQ(graph.DepthToY(100), 240);
    EXPECT_DOUBLE_EQ(graph.XToSv(320), 1517.5);
    EXPECT_DOUBLE_EQ(graph.YToDepth(240), 100);
    EXPECT_EQ(graph.SvToX(graph.svMin), 60);
    EXPECT_EQ(graph.DepthToY(0), 20);
    // Degenerate sizes and ranges, and values far off the plot.
    TSvpGraph flat;
    flat.SetSize(80, 60);
    EXPECT_EQ(flat.XToSv(500), flat.svMin);
    EXPECT_EQ(flat.YToDepth(500), flat.depthMin);
    flat.svMin = flat.svMax = 1500;
    EXPECT_EQ(flat.SvToX(1e9), 60);
    EXPECT_LT(graph.SvToX(1e300), 2'000'000);
    EXPECT_GT(graph.SvToX(-1e300), -2'000'000);
}

TEST(SvpGraph, LoadAndWriteBack) {
    TSvpGraph graph;
    graph.LoadPoints({"0,1500.00,1", "1,1501", "junk", ""});
    ASSERT_EQ(graph.points.size(), 2u);
    EXPECT_EQ(graph.points[1].hits, 1);
    EXPECT_EQ(graph.WritePoints(), (Lines{"0,1500.00,1", "1,1501.00,1"}));
    EXPECT_FALSE(graph.modified);
    // No points: 1300 .. 1700 m/s over 0 .. 100 m.
    graph.LoadPoints({});
    EXPECT_EQ(graph.svMin, 1300);
    EXPECT_EQ(graph.svMax, 1700);
    EXPECT_EQ(graph.depthMax, 100);
}

TEST(SvpGraph, DeletingAPointLeavesNoGap) {
    TSvpGraph graph;
    graph.SetSize(600, 500);
    graph.LoadPoints({"0,1500.00,1", "1,1510.00,1", "2,1520.00,1"});
    graph.SelectOnly(1);
    graph.DeleteSelected();
    EXPECT_TRUE(graph.modified);
    EXPECT_EQ(graph.WritePoints(), (Lines{"0,1500.00,1", "2,1520.00,1"}));
}

TEST(SvpGraph, DragStaysInsideTheRangeAndMovesSvOnly) {
    TSvpGraph graph = Fitted();
    const int x = graph.SvToX(1520), y = graph.DepthToY(100);
    ASSERT_TRUE(graph.Press(x + 7, y - 7));
    EXPECT_EQ(graph.dragIndex, 1);
    ASSERT_TRUE(graph.DragTo(graph.SvToX(1530)));
    const double inside = graph.points[1].sv;
    EXPECT_NEAR(inside, 1530, 0.1);
    // 1750 is beyond the plot's own range: widen the view to reach it.
    graph.svMax = 1800;
    EXPECT_FALSE(graph.DragTo(graph.SvToX(1750)));
    EXPECT_EQ(graph.points[1].sv, inside);
    EXPECT_EQ(graph.points[1].depth, 100);
    graph.EndDrag();
    EXPECT_EQ(graph.dragIndex, -1);
    EXPECT_FALSE(graph.Press(x + 8, y));  // 8 px off: a lasso starts
    EXPECT_TRUE(graph.lassoActive);
}

TEST(SvpGraph, LassoNeedsThreePointsAndThreePixelSteps) {
    TSvpGraph graph = Fitted();
    graph.SelectOnly(0);
    graph.Press(300, 100);
    EXPECT_FALSE(graph.ExtendLasso(303, 97));  // not more than 3 px
    EXPECT_TRUE(graph.ExtendLasso(304, 100));
    EXPECT_FALSE(graph.EndLasso());  // two positions: the selection stays
    EXPECT_EQ(graph.SelectedCount(), 1);
    EXPECT_TRUE(graph.points[0].selected);
    // A box round the middle point.
    const int x = graph.SvToX(1520), y = graph.DepthToY(100);
    graph.Press(x - 20, y - 20);
    graph.ExtendLasso(x + 20, y - 20);
    graph.ExtendLasso(x + 20, y + 20);
    graph.ExtendLasso(x - 20, y + 20);
    EXPECT_TRUE(graph.EndLasso());
    EXPECT_EQ(graph.SelectedCount(), 1);
    EXPECT_TRUE(graph.points[1].selected);
}

TEST(SvpGraph, PointInLassoAgreesWithBoostGeometry) {
    namespace bg = boost::geometry;
    using Point = bg::model::d2::point_xy<double>;
    using Polygon = bg::model::polygon<Point, false, false>;
    std::mt19937 random(24);
    std::uniform_int_distribution<int> coordinate(0, 800);
    int insideCount = 0, compared = 0;
    for (int shape = 0; shape < 200; ++shape) {
        // A star-shaped lasso round a centre: simple, in either turning sense.
        std::uniform_real_distribution<double> radius(20, 300);
        const int corners = 3 + shape % 20;
        std::vector<TSvpPixel> lasso;
        Polygon polygon;
        for (int k = 0; k < corners; ++k) {
            const double angle = 2 * M_PI * k / corners;
            const double r = radius(random);
            const TSvpPixel p{400 + static_cast<int>(r * std::cos(angle)),
                              400 + static_cast<int>(r * std::sin(angle))};
            lasso.push_back(p);
            bg::append(polygon.outer(), Point(p.x, p.y));
        }
        if (shape % 2) std::reverse(lasso.begin(), lasso.end());
        bg::correct(polygon);
        bg::model::linestring<Point> ring(polygon.outer().begin(), polygon.outer().end());
        ring.push_back(polygon.outer().front());
        for (int n = 0; n < 200; ++n) {
            const Point p(coordinate(random), coordinate(random));
            if (bg::distance(p, ring) < 2) continue;  // integer crossing rounds near edges
            const bool expected = bg::within(p, polygon);
            ASSERT_EQ(
                TSvpGraph::PointInLasso(static_cast<int>(p.x()), static_cast<int>(p.y()), lasso),
                expected)
                << shape << " " << p.x() << "," << p.y();
            insideCount += expected;
            ++compared;
        }
    }
    EXPECT_GT(insideCount, compared / 10);
    EXPECT_FALSE(TSvpGraph::PointInLasso(1, 1, {{0, 0}, {10, 10}}));
}

TEST(SvpGraph, WheelZoomKeepsTheValueUnderTheCursorAndItsLimits) {
    TSvpGraph graph = Fitted();
    const int x = 200, y = 150;
    const double sv = graph.XToSv(x), depth = graph.YToDepth(y);
    const double span = graph.svMax - graph.svMin;
    graph.Zoom(x, y, 120);
    EXPECT_NEAR(graph.svMax - graph.svMin, 0.9 * span, 1e-9);
    EXPECT_NEAR(graph.XToSv(x), sv, 1e-9);
    EXPECT_NEAR(graph.YToDepth(y), depth, 1e-9);
    for (int i = 0; i < 200; ++i) graph.Zoom(x, y, 120);
    EXPECT_DOUBLE_EQ(graph.svMax - graph.svMin, 5);
    EXPECT_DOUBLE_EQ(graph.depthMax - graph.depthMin, 5);
    for (int i = 0; i < 500; ++i) graph.Zoom(x, y, -120);
    EXPECT_DOUBLE_EQ(graph.svMax - graph.svMin, 1000);
    EXPECT_DOUBLE_EQ(graph.depthMax - graph.depthMin, 20000);
    EXPECT_LE(graph.SvGridLines().size(), 101u);
    EXPECT_LE(graph.DepthGridLines().size(), 101u);
}

TEST(SvpGraph, GridSteps) {
    TSvpGraph graph;
    graph.SetSize(600, 500);
    struct Case {
        double range, step;
    } cases[] = {{150, 10},  {200, 10},   {300, 50},     {500, 50},
                 {600, 100}, {5000, 100}, {20000, 1000}, {2e9, 1e8}};
    for (const Case& c : cases) {
        graph.depthMin = 0;
        graph.depthMax = c.range;
        EXPECT_EQ(graph.DepthGridStep(), c.step) << c.range;
        EXPECT_LE(graph.DepthGridLines().size(), 101u);
    }
    // A typed SV of 1e9 fits the view to it: at most 100 lines.
    graph.LoadPoints({"0,1500.00,1", "1,1000000000,1"});
    EXPECT_GE(graph.SvGridStep(), 1e7);
    EXPECT_LE(graph.SvGridLines().size(), 101u);
    graph.LoadPoints({"0,1500.00,1"});
    EXPECT_EQ(graph.SvGridStep(), 10);
    for (const TSvpGridLine& line : graph.SvGridLines()) {
        EXPECT_EQ(std::fmod(line.value, 10), 0);
        EXPECT_GE(line.pixel, 60);
        EXPECT_LE(line.pixel, 580);
    }
}

TEST(SvpGraph, GridRowsAndReading) {
    TSvpGraph graph;
    graph.LoadPoints({"0,1500.004,1", "1,1501"});
    EXPECT_EQ(graph.GridRows()[1], (TSvpGridRow{"1", "1501.00", "1"}));
    EXPECT_EQ(graph.NewRow(), (TSvpGridRow{"2", "1501.00", "0"}));
    graph.ReadGrid({{"0", "1500", "x"}, {"3", "1510.5", "4"}});
    EXPECT_TRUE(graph.modified);
    EXPECT_EQ(graph.WritePoints(), (Lines{"0,1500.00,1", "3,1510.50,4"}));
    // A bad cell stops with the conversion error; the rows before it stay.
    EXPECT_THROW(graph.ReadGrid({{"5", "1500", "1"}, {"6", "abc", "1"}, {"7", "1500", "1"}}),
                 platform::EConvertError);
    ASSERT_EQ(graph.points.size(), 1u);
    EXPECT_EQ(graph.points[0].depth, 5);
    TSvpGraph empty;
    EXPECT_EQ(empty.NewRow(), (TSvpGridRow{"0", "1500.00", "0"}));
}

TEST(SvpGraph, PositionText) {
    const TSvpGraph graph = Fitted();
    EXPECT_EQ(graph.PositionText(320, 240),
              "SV: 1517.5 m/s  Depth: 100.0 m  (Drag point to edit SV)");
}

}  // namespace
