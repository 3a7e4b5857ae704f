// The canvas model's selection, polygon selection, hit testing, order,
// transforms by id, vertex editing, queries and view mapping. Boost.Geometry
// is the independent oracle for the point-in-polygon rule.
#include <gtest/gtest.h>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <random>

#include "canvas/CanvasModel.h"
#include "canvas/ViewMath.h"

namespace bg = boost::geometry;
using BPoint = bg::model::d2::point_xy<double>;
using BPolygon = bg::model::polygon<BPoint, false, false>;  // any order, open

namespace {

using Ids = std::vector<std::int32_t>;

BPolygon ToBoost(const std::vector<TFloatPoint>& poly) {
    BPolygon b;
    for (const TFloatPoint& p : poly) bg::append(b.outer(), BPoint(p.X, p.Y));
    return b;
}

// A concave "U" with a notch from the top.
const std::vector<TFloatPoint> kU = {{0, 0}, {100, 0}, {100, 100}, {70, 100},
                                     {70, 30}, {30, 30}, {30, 100}, {0, 100}};

}  // namespace

TEST(CanvasModelSelect, PointInPolygonAgreesWithBoost) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coord(-20, 120);
    const std::vector<std::vector<TFloatPoint>> polygons = {
        kU,
        {{0, 0}, {100, 0}, {50, 80}},
        {{10, 10}, {90, 10}, {10, 90}, {90, 90}},  // self-crossing bow tie
        {{50, 0}, {61, 35}, {98, 35}, {68, 57}, {79, 91}, {50, 70}, {21, 91}, {32, 57}, {2, 35}, {39, 35}},
    };
    for (const auto& poly : polygons) {
        const BPolygon b = ToBoost(poly);
        const bool simple = &poly != &polygons[2];
        if (simple) {
            ASSERT_TRUE(bg::is_valid(b));
        }
        for (int i = 0; i < 4000; ++i) {
            const double x = coord(rng), y = coord(rng);
            const bool inside = TCanvasModel::PointInPolygon(x, y, poly);
            if (simple) {
                EXPECT_EQ(inside, bg::within(BPoint(x, y), b)) << x << "," << y;
            } else {
                // Even-odd on the bow tie: inside exactly one of its two triangles.
                const bool low = bg::within(BPoint(x, y), ToBoost({{10, 10}, {90, 10}, {50, 50}}));
                const bool high = bg::within(BPoint(x, y), ToBoost({{10, 90}, {50, 50}, {90, 90}}));
                EXPECT_EQ(inside, low || high) << x << "," << y;
            }
        }
    }
    EXPECT_FALSE(TCanvasModel::PointInPolygon(0, 0, {}));
    EXPECT_FALSE(TCanvasModel::PointInPolygon(1, 1, {{1, 1}}));
}

TEST(CanvasModelSelect, SelectionIsAMultisetInOrder) {
    TCanvasModel m;
    const int a = m.AddPoint(0, 0, 0);
    const int b = m.AddPoint(1, 0, 0);
    EXPECT_TRUE(m.GetSelectedIds().empty());
    m.SelectShape(a, true);
    m.SelectShape(b, true);
    m.SelectShape(a, true);
    EXPECT_EQ(m.GetSelectedIds(), (Ids{a, b, a}));
    EXPECT_EQ(m.GetSelectionCount(), 3);
    EXPECT_EQ(m.GetSelectedCount(), 2);
    m.UnselectShape(a);
    EXPECT_EQ(m.GetSelectedIds(), (Ids{b}));
    EXPECT_EQ(m.GetShapeSelected(a), 0);
    m.SelectShape(a, false);  // replaces the selection
    EXPECT_EQ(m.GetSelectedIds(), (Ids{a}));
    EXPECT_EQ(m.GetShapeSelected(b), 0);
    m.SelectShape(99, false);  // unknown: clears, adds nothing
    EXPECT_TRUE(m.GetSelectedIds().empty());
    m.SelectShape(a, true);
    m.SelectAll();  // appends without emptying first
    EXPECT_EQ(m.GetSelectedIds(), (Ids{a, a, b}));
    const int redraws = m.FRedrawCount;
    m.ClearSelection();  // no redraw
    EXPECT_EQ(m.FRedrawCount, redraws);
    EXPECT_EQ(m.GetSelectedCount(), 0);
    m.SelectAll();
    m.UnselectAll();
    EXPECT_EQ(m.FRedrawCount, redraws + 2);
    EXPECT_EQ(m.GetSelectionCount(), 0);
}

TEST(CanvasModelSelect, SelectByLayer) {
    TCanvasModel m;
    const int l1 = m.AddLayer(QStringLiteral("one"));
    const int l2 = m.AddLayer(QStringLiteral("two"));
    const int a = m.AddPoint(0, 0, l1);
    const int b = m.AddPoint(0, 0, l2);
    const int c = m.AddPoint(0, 0, l1);
    m.SelectLayer(l1, false);
    EXPECT_EQ(m.GetSelectedIds(), (Ids{a, c}));
    m.SelectLayer(l2, true);
    EXPECT_EQ(m.GetSelectedIds(), (Ids{a, c, b}));
    m.UnselectLayer(l1);
    EXPECT_EQ(m.GetSelectedIds(), (Ids{b}));
    EXPECT_EQ(m.GetShapeSelected(a), 0);
    m.SelectLayers({l1, 12});
    EXPECT_EQ(m.GetSelectedIds(), (Ids{a, c}));
    EXPECT_EQ(m.GetShapeSelected(b), 0);
    m.SelectLayer(l2, false);
    EXPECT_EQ(m.GetSelectedIds(), (Ids{b}));
}

TEST(CanvasModelSelect, SelectInPolygonUsesEachClassesTestPoints) {
    TCanvasModel m;
    // Polygon: the square 0..100.
    const std::vector<TFloatPoint> square = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    const int bigRect = m.AddRectangle(-50, -50, 150, 150, 0);  // centre inside only
    const int cornerRect = m.AddRectangle(90, 90, 200, 200, 0);  // one corner inside
    const int outRect = m.AddRectangle(200, 200, 300, 300, 0);
    const int bigCircle = m.AddCircle(150, 50, 60, 0);            // overlaps, centre outside
    const int circle = m.AddCircle(50, 50, 500, 0);               // centre inside
    const int lineEnd = m.AddLine(-10, -10, 10, 10, 0);
    const int lineAcross = m.AddLine(-10, 50, 110, 50, 0);        // crosses, ends outside
    const int ellipse = m.AddEllipse(-100, 0, 120, 20, 0);        // box centre (10, 10)
    const int text = m.AddText(0, QStringLiteral("t"), 50, 50, 0);
    const int textOut = m.AddText(0, QStringLiteral("t"), -1, 50, 0);
    const int arc = m.AddArc(-10, -10, 50, 150, 150, -10, 0);     // no point inside
    const int arcIn = m.AddArc(-10, -10, 50, 50, 150, -10, 0);
    const int poly = m.AddPolyline({{-10, -10}, {50, 50}, {150, 150}}, 0, false);
    const int point = m.AddPoint(99, 1, 0);
    const int selLayer = m.AddLayer(QStringLiteral("Plovan_SelectPoly"));
    const int selPoly = m.AddPolyline({{0, 0}, {100, 0}, {100, 100}, {0, 100}}, selLayer, true);
    m.SelectShape(outRect, true);
    m.SelectInPolygon(square);
    const Ids expected = {bigRect, cornerRect, circle, lineEnd, ellipse, text, arcIn, poly, point};
    EXPECT_EQ(m.GetSelectedIds(), expected);
    for (int id : {outRect, bigCircle, lineAcross, textOut, arc, selPoly})
        EXPECT_EQ(m.GetShapeSelected(id), 0) << id;

    const int redraws = m.FRedrawCount;
    m.SelectInPolygon({{0, 0}, {100, 0}});  // too few vertices: only clears
    EXPECT_TRUE(m.GetSelectedIds().empty());
    EXPECT_EQ(m.GetSelectedCount(), 0);
    EXPECT_EQ(m.FRedrawCount, redraws + 1);
}

TEST(CanvasModelSelect, SelectInPolygonAgreesWithBoostOnAScatter) {
    TCanvasModel m;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> coord(-30, 130);
    std::vector<std::pair<int, std::vector<BPoint>>> shapes;
    for (int i = 0; i < 300; ++i) {
        const double x = coord(rng), y = coord(rng), x2 = coord(rng), y2 = coord(rng);
        switch (i % 3) {
            case 0: shapes.push_back({m.AddPoint(x, y, 0), {BPoint(x, y)}}); break;
            case 1: shapes.push_back({m.AddLine(x, y, x2, y2, 0), {BPoint(x, y), BPoint(x2, y2)}}); break;
            default: {
                const int id = m.AddPolyline({{x, y}, {x2, y2}, {y, x}}, 0, false);
                // The oracle sees the stored float vertices.
                std::vector<BPoint> v;
                for (int k = 0; k < 3; ++k) v.emplace_back(m.GetPolylineX(id, k), m.GetPolylineY(id, k));
                shapes.push_back({id, v});
            }
        }
    }
    m.SelectInPolygon(kU);
    const BPolygon u = ToBoost(kU);
    Ids expected;
    for (const auto& [id, pts] : shapes)
        if (std::any_of(pts.begin(), pts.end(), [&](const BPoint& p) { return bg::within(p, u); }))
            expected.push_back(id);
    EXPECT_EQ(m.GetSelectedIds(), expected);
    EXPECT_GT(expected.size(), 30u);
}

TEST(CanvasModelSelect, SelectInPolygonOnLayers) {
    TCanvasModel m;
    const int a = m.AddLayer(QStringLiteral("a"));
    const int b = m.AddLayer(QStringLiteral("b"));
    const std::vector<TFloatPoint> square = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    const int cornerRect = m.AddRectangle(90, 90, 200, 200, a);  // centre outside
    const int centreRect = m.AddRectangle(-50, -50, 150, 150, a);
    const int line = m.AddLine(-10, -10, 10, 10, a);
    const int otherLayer = m.AddPoint(50, 50, b);
    const int text = m.AddText(a, QStringLiteral("abc"), 95, 50, 0);  // box centre (104, 50)
    const int circle = m.AddCircle(50, 50, 20, a);
    m.SelectInPolygonOnLayers(square, {a});
    EXPECT_EQ(m.GetSelectedIds(), (Ids{centreRect, line, circle}));
    for (int id : {cornerRect, otherLayer, text}) EXPECT_EQ(m.GetShapeSelected(id), 0);
    m.SelectInPolygonOnLayers(square, {});
    EXPECT_TRUE(m.GetSelectedIds().empty());
    m.SelectShape(line, true);
    m.SelectInPolygonOnLayers({{0, 0}, {1, 1}}, {a, b});
    EXPECT_TRUE(m.GetSelectedIds().empty());
    m.SelectInPolygonOnLayers(square, {a, b});
    EXPECT_EQ(m.GetSelectedIds(), (Ids{centreRect, line, otherLayer, circle}));
}

TEST(CanvasModelSelect, ShapeAtPointFindsTheTopmostWithinThreePixels) {
    TCanvasModel m;  // 400 pixels over 1000 m: 2.5 m a pixel, tolerance 7.5 m
    EXPECT_EQ(m.ShapeAtPoint(0, 0), -1);
    const int bottom = m.AddLine(0, 100, 1000, 100, 0);
    const int top = m.AddLine(500, 0, 500, 1000, 0);
    const int circle = m.AddCircle(200, 500, 100, 0);
    const int wide = m.AddPoint(800, 800, 0);
    m.SetShapeWidth(wide, 10);  // tolerance 10 pixels = 25 m
    const int hiddenLayer = m.AddLayer(QStringLiteral("hidden"));
    const int onHidden = m.AddPoint(800, 300, hiddenLayer);
    m.SetLayerVisible(hiddenLayer, 0);  // the layer flag is not consulted
    const struct {
        double x, y;
        int id;
    } cases[] = {
        {300, 107.4, bottom}, {300, 107.6, -1}, {500, 100, top},    {503, 100, top},
        {200, 500, -1},       {200, 405, circle}, {820, 815, wide}, {830, 830, -1},
        {805, 300, onHidden},
    };
    for (const auto& c : cases) EXPECT_EQ(m.ShapeAtPoint(c.x, c.y), c.id) << c.x << "," << c.y;
    EXPECT_EQ(m.HitTestShapes(300, 105), bottom);
    m.FindShape(top)->FVisible = 0;
    EXPECT_EQ(m.ShapeAtPoint(500, 100), bottom);
    m.SetClientSize(0, 0);  // no size: taken as one pixel, 3000 m of tolerance
    EXPECT_EQ(m.ShapeAtPoint(300, 2000), onHidden);
}

TEST(CanvasModelSelect, OrderAndTransformsById) {
    TCanvasModel m;
    const int a = m.AddPoint(0, 0, 0);
    const int b = m.AddPoint(0, 0, 0);
    const int c = m.AddPoint(0, 0, 0);
    m.BringToFront(a);
    EXPECT_EQ(m.GetShapeIds(), (Ids{b, c, a}));
    m.SendToBack(c);
    EXPECT_EQ(m.GetShapeIds(), (Ids{c, b, a}));
    m.ChangeOrder(b, 1);
    EXPECT_EQ(m.GetShapeIds(), (Ids{c, a, b}));
    m.ChangeOrder(b, -3);
    EXPECT_EQ(m.GetShapeIds(), (Ids{b, c, a}));
    const int redraws = m.FRedrawCount;
    m.ChangeOrder(b, 0);
    EXPECT_EQ(m.FRedrawCount, redraws);

    const int line = m.AddLine(0, 0, 10, 0, 0);
    double x1, y1, x2, y2;
    m.MirrorShape(line, 0, 5, 0);
    ASSERT_TRUE(m.GetShapeEndPoints(line, x1, y1, x2, y2));
    EXPECT_EQ(x1, 10);
    EXPECT_EQ(x2, 0);
    m.MirrorShape(line, 1, 0, 3);
    m.GetShapeEndPoints(line, x1, y1, x2, y2);
    EXPECT_EQ(y1, 6);
    m.MirrorShape(line, 7, 100, 100);  // any other axis: unchanged
    m.GetShapeEndPoints(line, x1, y1, x2, y2);
    EXPECT_EQ(x1, 10);
    EXPECT_EQ(y1, 6);
    m.ScaleShape(line, 0, 0, 2, 3);  // centre first, then factors
    m.GetShapeEndPoints(line, x1, y1, x2, y2);
    EXPECT_EQ(x1, 20);
    EXPECT_EQ(y1, 18);
    m.RotateShape(line, 90, 0, 0);
    m.GetShapeEndPoints(line, x1, y1, x2, y2);
    EXPECT_NEAR(x1, -18, 1e-9);
    EXPECT_NEAR(y1, 20, 1e-9);

    const int circle = m.AddCircle(10, 10, 5, 0);
    m.MirrorShape(circle, 0, 0, 0);
    auto* cs = dynamic_cast<TPlovanCircle*>(m.FindShape(circle));
    EXPECT_EQ(cs->Radius, 5);  // a mirror keeps the radius
    EXPECT_EQ(cs->X, -10);
    m.ScaleShape(circle, 0, 0, -2, -2);
    EXPECT_EQ(cs->Radius, 10);

    m.SelectShape(a, true);
    m.SelectShape(a, true);  // twice in the list, moved once
    m.MoveSelection(5, 7);
    double px, py;
    ASSERT_TRUE(m.GetPointXY(a, px, py));
    EXPECT_EQ(px, 5);
    EXPECT_EQ(py, 7);
    m.GetPointXY(b, px, py);
    EXPECT_EQ(px, 0);
    m.MoveShape(b, -1, -2);
    m.GetPointXY(b, px, py);
    EXPECT_EQ(py, -2);
    m.SetShapeLayer(b, 12345);  // a layer that does not exist
    EXPECT_EQ(m.GetShapeLayer(b), 12345);
}

TEST(CanvasModelSelect, PolylineVertexEditing) {
    TCanvasModel m;
    const int id = m.AddPolyline({{0, 0}, {10, 0}}, 0, false);
    EXPECT_EQ(m.GetPolylinePointCount(id), 2);
    m.InsertPolylinePoint(id, 2, 20, 5);  // index = count appends
    EXPECT_EQ(m.GetPolylinePointCount(id), 3);
    EXPECT_EQ(m.GetPolylineY(id, 2), 5);
    EXPECT_EQ(m.FindShape(id)->FMaxX, 20);
    m.InsertPolylinePoint(id, 4, 30, 5);  // count + 1: nothing
    m.InsertPolylinePoint(id, -1, 30, 5);
    EXPECT_EQ(m.GetPolylinePointCount(id), 3);
    m.InsertPolylinePoint(id, 0, -5, -5);
    EXPECT_EQ(m.GetPolylineX(id, 0), -5);
    EXPECT_EQ(m.FindShape(id)->FMinY, -5);
    int redraws = m.FRedrawCount;
    m.SetPolylinePoint(id, 9, 1, 1);  // invalid index still redraws
    EXPECT_EQ(m.FRedrawCount, redraws + 1);
    m.SetPolylinePoint(id, 1, 4500000.3, 1);
    EXPECT_EQ(m.GetPolylineX(id, 1), 4500000.3);
    m.DeletePolylinePoint(id, 1);
    m.DeletePolylinePoint(id, 3);
    EXPECT_EQ(m.GetPolylinePointCount(id), 3);
    EXPECT_EQ(m.FindShape(id)->FMaxX, 20);
    EXPECT_EQ(m.GetPolylineX(id, 3), 0);
    EXPECT_EQ(m.GetPolylineX(id, -1), 0);

    const int line = m.AddLine(0, 0, 1, 1, 0);  // not a polyline
    redraws = m.FRedrawCount;
    m.InsertPolylinePoint(line, 0, 1, 1);
    m.DeletePolylinePoint(line, 0);
    EXPECT_EQ(m.FRedrawCount, redraws);
    EXPECT_EQ(m.GetPolylinePointCount(line), 0);
}

TEST(CanvasModelSelect, PlainValueQueries) {
    TCanvasModel m;
    const int l = m.AddLayer(QStringLiteral("L"));
    const int line = m.AddLine(1, 2, 3, 4, l);
    const int poly = m.AddPolyline({{5, 6}, {0, 0}, {7, 8}}, 0, false);
    const int arcPoly = m.AddPolyline({{5, 6}, {7, 8}}, 0, false);
    m.FindShape(arcPoly)->FShapeType = ShapeType::Arc;
    const int point = m.AddPoint(9, 10, 0);
    const int text = m.AddText(0, QStringLiteral("Ölçü 5 m"), 11, 12, 0);
    double x1, y1, x2, y2;
    ASSERT_TRUE(m.GetShapeEndPoints(line, x1, y1, x2, y2));
    EXPECT_EQ(std::vector<double>({x1, y1, x2, y2}), std::vector<double>({1, 2, 3, 4}));
    ASSERT_TRUE(m.GetShapeEndPoints(poly, x1, y1, x2, y2));
    EXPECT_EQ(std::vector<double>({x1, y1, x2, y2}), std::vector<double>({5, 6, 7, 8}));
    EXPECT_TRUE(m.GetShapeEndPoints(arcPoly, x1, y1, x2, y2));
    EXPECT_FALSE(m.GetShapeEndPoints(point, x1, y1, x2, y2));
    m.DeletePolylinePoint(poly, 0);
    m.DeletePolylinePoint(poly, 0);
    EXPECT_FALSE(m.GetShapeEndPoints(poly, x1, y1, x2, y2));  // one vertex left
    EXPECT_FALSE(m.GetPointXY(line, x1, y1));
    std::string s;
    ASSERT_TRUE(m.GetTextInfo(text, x1, y1, s));
    EXPECT_EQ(s, "Ölçü 5 m");
    EXPECT_EQ(x1, 11);
    EXPECT_FALSE(m.GetTextInfo(point, x1, y1, s));
    EXPECT_EQ(m.GetLayerShapeIds(l), (Ids{line}));
    EXPECT_EQ(m.GetLayerShapeIds(0), (Ids{poly, arcPoly, point, text}));
}

TEST(CanvasModelSelect, RoutePolylineChoice) {
    auto route = [](const TCanvasModel& m) {
        std::vector<double> flat;
        for (const TPointD& p : m.GetRoutePolyline()) {
            flat.push_back(p.X);
            flat.push_back(p.Y);
        }
        return flat;
    };
    TCanvasModel m;
    EXPECT_TRUE(m.GetRoutePolyline().empty());
    const int other = m.AddLayer(QStringLiteral("other"));
    m.AddPolyline({{1, 1}, {2, 2}}, other, false);
    const int newest = m.AddPolyline({{3, 3}, {4.3, 4}}, 0, true);
    m.AddLine(0, 0, 9, 9, 0);
    EXPECT_EQ(route(m), (std::vector<double>{3, 3, 4.3, 4}));  // any layer, newest first
    m.InsertPolylinePoint(newest, 0, 0, 0);
    m.DeletePolylinePoint(newest, 0);
    m.DeletePolylinePoint(newest, 0);  // one vertex: passed over
    EXPECT_EQ(route(m), (std::vector<double>{1, 1, 2, 2}));

    const int routeLayer = m.AddLayer(QStringLiteral("Plovan_Route"));
    EXPECT_TRUE(m.GetRoutePolyline().empty());  // only the route layers count now
    m.AddPolyline({{5, 5}, {6, 6}, {7, 7}}, routeLayer, false);
    m.AddPolyline({{8, 8}, {9, 9}}, other, false);
    EXPECT_EQ(route(m), (std::vector<double>{5, 5, 6, 6, 7, 7}));
    const int sel = m.AddLayer(QStringLiteral("Plovan_SelectPoly"));
    m.AddPolyline({{10, 10}, {11, 11}}, sel, true);
    EXPECT_EQ(route(m), (std::vector<double>{10, 10, 11, 11}));
}

TEST(CanvasModelSelect, WorldScreenMapping) {
    TCanvasModel m;  // 400 x 300 over 0..1000 by 0..1000
    int px, py;
    m.WorldToScreen(0, 1000, px, py);
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
    m.WorldToScreen(1000, 0, px, py);
    EXPECT_EQ(px, 400);
    EXPECT_EQ(py, 300);
    EXPECT_EQ(m.WorldXToScreen(1.25), 1);   // 0.5 rounds up
    EXPECT_EQ(m.WorldXToScreen(1.24), 0);
    EXPECT_EQ(m.WorldXToScreen(-1.26), -1);
    EXPECT_EQ(m.WorldYToScreen(500), 150);
    double x, y;
    m.ScreenToWorld(200, 150, x, y);
    EXPECT_DOUBLE_EQ(x, 500);
    EXPECT_DOUBLE_EQ(y, 500);
    // Views the canvas never holds, for the pixel arithmetic alone.
    using viewmath::ViewRect;
    const ViewRect flat{0, 0, 0, 0};  // zero spans are taken as 1
    EXPECT_EQ(viewmath::WorldToPixelX(flat, 400, 2), 800);
    EXPECT_EQ(viewmath::WorldToPixelY(flat, 300, -1), 300);
    const ViewRect hair{0, 1e-300, 0, 0};
    EXPECT_EQ(viewmath::WorldToPixelX(hair, 400, -1), std::numeric_limits<int>::min());  // saturated
    EXPECT_EQ(viewmath::WorldToPixelX(hair, 400, 1), std::numeric_limits<int>::max());
    viewmath::PixelToWorld({0, 100, 50, 0}, 0, -5, 10, 10, x, y);
    EXPECT_EQ(x, 1000);
    EXPECT_EQ(y, -450);
    // A client of no size maps through the model the same way.
    m.SetClientSize(0, -5);
    m.SetView(0, 50, 100, 0);
    m.ScreenToWorld(10, 10, x, y);
    EXPECT_EQ(x, 1000);
    EXPECT_EQ(y, -450);
}
