// The shape classes: drawing recipes on offscreen images, hit tests against
// Boost.Geometry, bounding boxes and transforms.
#include "canvas/PlovanShape.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/segment.hpp>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <utility>

#include "canvas/CanvasModel.h"
#include "canvas/GdiCanvas.h"
#include "canvas/ProjectFile.h"
#include "tests/canvas/PixelProbe.h"

#if defined(__SANITIZE_ADDRESS__)
#define PHX_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PHX_TEST_ASAN 1
#endif
#endif
#if defined(PHX_TEST_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace bg = boost::geometry;
using BPoint = bg::model::d2::point_xy<double>;
using BSegment = bg::model::segment<BPoint>;

using namespace pixelprobe;

namespace {

// A 100 x 100 image showing the world 0..100 by 0..100: world (x, y) is
// pixel (floor(x + 0.5), floor(100 - y + 0.5)).
QImage Render(TPlovanShape& shape, int size = 100) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    GdiCanvas canvas(image);
    shape.Draw(canvas, 0, size, size, 0, size, size);
    return image;
}

std::unique_ptr<TPlovanPolyline> MakePolyline(std::initializer_list<TPointD> pts, int type,
                                              std::uint8_t closed = 0) {
    auto p = std::make_unique<TPlovanPolyline>(0, closed);
    p->FShapeType = type;
    for (const TPointD& v : pts) p->AddPoint(v.X, v.Y);
    return p;
}

}  // namespace

// ---- Drawing ----

TEST(PlovanShapeDraw, PointPixelsByPenWidth) {
    // The point maps to pixel (10, 10).
    const struct {
        int width;
        PixelSet expected;
    } cases[] = {
        {0, {{10, 10}}},
        {1, {{10, 10}, {11, 10}, {10, 11}, {11, 11}}},
        {2, Box(9, 9, 11, 11)},
        {3, Box(8, 8, 12, 12)},
        {-1, {{10, 10}}},  // h = 0: the one-pixel square
        {-3, {}},          // h = -1: an empty square
    };
    for (const auto& c : cases) {
        TPlovanPoint p(10, 90, 0);
        p.FWidth = c.width;
        p.FColor = 0x00AA00;
        const QImage image = Render(p);
        EXPECT_EQ(Ink(image), c.expected) << "width " << c.width;
        for (auto [x, y] : c.expected) EXPECT_EQ(At(image, x, y), 0x00AA00);
    }
}

TEST(PlovanShapeDraw, WidePointIsAFilledCircle) {
    for (int width : {4, 5, 9}) {
        TPlovanPoint p(50, 50, 0);
        p.FWidth = width;
        const PixelSet ink = Ink(Render(p));
        const double r = (width + 1) / 2;
        ASSERT_TRUE(ink.count({50, 50})) << width;
        for (auto [x, y] : ink) EXPECT_LE(std::hypot(x + 0.5 - 50, y + 0.5 - 50), r + 1.0);
        EXPECT_NEAR(static_cast<double>(ink.size()), kShapePi * r * r, 2 * kShapePi * r + 2)
            << width;
    }
}

TEST(PlovanShapeDraw, SelectedShapesAreRedAndHiddenOnesAbsent) {
    TPlovanPoint p(10, 90, 0);
    p.FSelected = 1;
    EXPECT_EQ(At(Render(p), 10, 10), clRed);
    p.FVisible = 0;
    EXPECT_TRUE(Ink(Render(p)).empty());
    p.FVisible = 2;  // only 1 means visible
    EXPECT_TRUE(Ink(Render(p)).empty());
}

TEST(PlovanShapeDraw, LineIsExactAndLeavesOutItsEnd) {
    TPlovanLine line(10, 90, 20, 90, 0);  // pixels (10, 10) to (20, 10)
    EXPECT_EQ(Ink(Render(line)), Box(10, 10, 19, 10));
    TPlovanLine back(20, 90, 10, 90, 0);
    EXPECT_EQ(Ink(Render(back)), Box(11, 10, 20, 10));
}

TEST(PlovanShapeDraw, FillOnlyRectangleIsExact) {
    TPlovanRectangle r(30, 70, 10, 90, 0);  // corners in any order
    r.FWidth = 0;
    r.FFillStyle = bsSolid;
    r.FFillColor = 0x123456;
    const QImage image = Render(r);
    EXPECT_EQ(Ink(image), Box(10, 10, 29, 29));
    EXPECT_EQ(At(image, 10, 10), 0x123456);

    r.FSelected = 1;  // selected: outlined in red
    const QImage selected = Render(r);
    EXPECT_EQ(At(selected, 10, 10), clRed);
    EXPECT_EQ(At(selected, 15, 15), 0x123456);
}

TEST(PlovanShapeDraw, RectangleOutlineAndRoundedCorners) {
    TPlovanRectangle r(10, 90, 30, 70, 0);
    const QImage plain = Render(r);
    EXPECT_EQ(BoundsOf(Ink(plain)).maxX, 29);
    EXPECT_EQ(At(plain, 10, 10), clBlack);
    EXPECT_EQ(At(plain, 20, 20), clWhite);  // clear brush by default

    TPlovanRectangle rounded(10, 90, 50, 50, 0, 1);
    EXPECT_EQ(rounded.FShapeType, ShapeType::RoundRect);
    rounded.Radius = 10;  // 10 world units = 10 pixels of corner diameter
    const QImage image = Render(rounded);
    EXPECT_EQ(At(image, 10, 10), clWhite);  // the corner is cut
    EXPECT_EQ(At(image, 30, 10), clBlack);
}

TEST(PlovanShapeDraw, OutOfRangeStoredValuesDrawSafelyAndStay) {
    // Values as a project file or a setter may bring them.
    TPlovanRectangle r(10, 90, 90, 10, 0);
    r.FFillStyle = 200;
    r.FFillColor = clRed;
    const QImage image = Render(r);
    EXPECT_EQ(At(image, 50, 50), clWhite);  // an unknown brush draws clear
    EXPECT_EQ(At(image, 10, 50), clBlack);
    EXPECT_EQ(r.FFillStyle, 200);

    TPlovanLine wide(100, 300, 500, 300, 0);
    wide.FWidth = 1000000;
    const Bounds b = BoundsOf(Ink(Render(wide, 600)));
    EXPECT_NEAR(b.maxY - b.minY + 1, 255, 2);  // the drawn width is at most 255
    EXPECT_EQ(wide.FWidth, 1000000);

    // A point's width is its drawn size: the same bound holds, also at the
    // very end of the integer range.
    for (int width : {1000000, std::numeric_limits<int>::max()}) {
        TPlovanPoint dot(300, 300, 0);
        dot.FWidth = width;
        const Bounds d = BoundsOf(Ink(Render(dot, 600)));
        EXPECT_NEAR(d.maxX - d.minX + 1, 256, 2) << width;
        EXPECT_NEAR(d.maxY - d.minY + 1, 256, 2) << width;
        EXPECT_EQ(dot.FWidth, width);
    }
}

TEST(PlovanShapeDraw, CircleAndEllipse) {
    TPlovanCircle c(50, 50, 20, 0);
    c.FFillStyle = bsSolid;
    c.FFillColor = clRed;
    const QImage image = Render(c);
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_NEAR(b.minX, 30, 1);
    EXPECT_NEAR(b.maxX, 69, 1);
    EXPECT_EQ(At(image, 50, 50), clRed);

    TPlovanEllipse e(80, 60, 20, 40, 0);  // stored order, not normalised
    const Bounds eb = BoundsOf(Ink(Render(e)));
    EXPECT_NEAR(eb.minX, 20, 1);
    EXPECT_NEAR(eb.maxX, 79, 1);
    EXPECT_NEAR(eb.minY, 40, 1);
    EXPECT_NEAR(eb.maxY, 59, 1);
}

TEST(PlovanShapeDraw, ThreePointArcPolylineIsOneCurveThroughItsEnds) {
    auto arc = MakePolyline({{10, 10}, {50, 90}, {90, 10}}, ShapeType::Arc);
    const PixelSet ink = Ink(Render(*arc));
    EXPECT_TRUE(ink.count({10, 90}) || ink.count({11, 89}) || ink.count({10, 89}));
    EXPECT_FALSE(ink.count({50, 10}));  // the middle point is a control point
    // The Bezier with C1 = C2 = P0 + 2/3 (P1 - P0) peaks at 3/4 * 2/3 of the height.
    EXPECT_NEAR(BoundsOf(ink).minY, 90 - 80 * 0.5, 2);

    auto four = MakePolyline({{10, 10}, {50, 90}, {60, 90}, {90, 10}}, ShapeType::Arc);
    const PixelSet plain = Ink(Render(*four));
    EXPECT_TRUE(plain.count({50, 10}));  // a plain polyline through its vertices
}

TEST(PlovanShapeDraw, SplineOfTwoVerticesIsStraight) {
    auto spline = MakePolyline({{10, 50}, {90, 50}}, ShapeType::Spline);
    const PixelSet ink = Ink(Render(*spline));
    ASSERT_FALSE(ink.empty());
    for (auto [x, y] : ink) EXPECT_EQ(y, 50);
    EXPECT_NEAR(BoundsOf(ink).minX, 10, 1);
    EXPECT_NEAR(BoundsOf(ink).maxX, 90, 1);
}

TEST(PlovanShapeDraw, FarOffCurvesComputeTheirControlPointsWithoutOverflow) {
    // Ends a million million pixels away along the diagonal: the pixel ends
    // are pinned, and a spline's reflected neighbours lie beyond the
    // integer range. The curve still crosses the view on the diagonal.
    for (int type : {ShapeType::Spline, ShapeType::Arc}) {
        auto curve = type == ShapeType::Spline
                         ? MakePolyline({{-1e12, 1e12 + 100}, {1e12, 100 - 1e12}}, type)
                         : MakePolyline({{-1e12, 1e12 + 100}, {50, 50}, {1e12, 100 - 1e12}}, type);
        const PixelSet ink = Ink(Render(*curve));
        bool nearCentre = false;
        for (auto [x, y] : ink) nearCentre |= std::abs(x - 50) <= 1 && std::abs(y - 50) <= 1;
        EXPECT_TRUE(nearCentre) << type;
    }
}

TEST(PlovanShapeDraw, SplinePassesThroughItsVertices) {
    auto spline = MakePolyline({{10, 50}, {40, 80}, {70, 20}, {90, 50}}, ShapeType::Spline);
    const QImage image = Render(*spline);
    for (auto [x, y] : {std::pair{40, 20}, std::pair{70, 80}}) {
        bool near = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) near |= At(image, x + dx, y + dy) != clWhite;
        EXPECT_TRUE(near) << x << "," << y;
    }
}

TEST(PlovanShapeDraw, PolygonFillsOnlyWhenClosedWithMoreThanTwoVertices) {
    auto closed = MakePolyline({{10, 90}, {90, 90}, {10, 10}}, ShapeType::Polygon, 1);
    closed->FFillStyle = bsSolid;
    closed->FFillColor = clRed;
    EXPECT_EQ(At(Render(*closed), 25, 25), clRed);
    EXPECT_EQ(At(Render(*closed), 10, 50), clBlack);  // closing edge

    auto open = MakePolyline({{10, 90}, {90, 90}, {10, 10}}, ShapeType::Polyline, 0);
    open->FFillStyle = bsSolid;
    open->FFillColor = clRed;
    const QImage image = Render(*open);
    EXPECT_EQ(At(image, 25, 25), clWhite);
    EXPECT_EQ(At(image, 10, 50), clWhite);

    auto single = MakePolyline({{10, 90}}, ShapeType::Polyline);
    EXPECT_TRUE(Ink(Render(*single)).empty());
}

TEST(PlovanShapeDraw, ThreePointArcShapeIsTwoSegments) {
    TPlovanArc arc(10, 90, 50, 90, 50, 50, 0);
    EXPECT_EQ(arc.FShapeType, ShapeType::Arc);
    PixelSet expected = Box(10, 10, 49, 10);
    for (auto p : Box(50, 10, 50, 49)) expected.insert(p);
    EXPECT_EQ(Ink(Render(arc)), expected);
}

namespace {

QImage RenderText(TPlovanText& t) {
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    GdiCanvas canvas(image);
    t.Draw(canvas, 0, 300, 200, 0, 300, 200);
    return image;
}

int CountColour(const QImage& image, TColor colour) {
    int n = 0;
    for (auto [x, y] : Ink(image)) n += At(image, x, y) == colour;
    return n;
}

}  // namespace

TEST(PlovanShapeDraw, TextColours) {
    TPlovanText t(20, 150, QStringLiteral("WWW"), 0, 0);
    t.Height = 36;
    t.Bold = 1;
    t.FColor = clWhite;
    t.FSelected = 1;
    EXPECT_GT(CountColour(RenderText(t), clRed), 20);  // selected white text: red

    t.FSelected = 0;
    t.FColor = 0xF0F0F0;  // sum 720: too light, drawn black
    EXPECT_EQ(t.TextColor(), clBlack);
    EXPECT_GT(CountColour(RenderText(t), clBlack), 20);

    t.FColor = 0xC8C8CB;  // sum 603
    EXPECT_EQ(t.TextColor(), clBlack);
    t.FColor = 0xC8C8CA;  // sum 602
    EXPECT_EQ(t.TextColor(), 0xC8C8CA);
}

TEST(PlovanShapeDraw, TextAlignmentUsesTheFontMetrics) {
    const QFontMetrics fm(MakeGdiFont(QStringLiteral("Arial"), 20, 0));
    const int w = fm.horizontalAdvance(QStringLiteral("Hello")), h = fm.height();
    // Anchor (100, 100) is pixel (100, 100).
    const struct {
        int hAlign, vAlign, left, top;
    } cases[] = {{0, 0, 100, 100}, {2, 0, 100 - w, 100}, {1, 0, 100 - w / 2, 100},
                 {0, 2, 100, 100 - h}, {0, 1, 100, 100 - h / 2}};
    for (const auto& c : cases) {
        TPlovanText t(100, 100, QStringLiteral("Hello"), 0, 0);
        t.Height = 20;
        t.HAlign = c.hAlign;
        t.VAlign = c.vAlign;
        const Bounds b = BoundsOf(Ink(RenderText(t)));
        EXPECT_GE(b.minX, c.left) << c.hAlign << c.vAlign;
        EXPECT_LE(b.minX, c.left + 3) << c.hAlign << c.vAlign;
        EXPECT_LE(b.maxX, c.left + w) << c.hAlign << c.vAlign;
        EXPECT_GE(b.minY, c.top) << c.hAlign << c.vAlign;
        EXPECT_LE(b.maxY, c.top + h) << c.hAlign << c.vAlign;
    }
}

TEST(PlovanShapeDraw, TextSizeIsClampedAndFarTextsSkipped) {
    TPlovanText small(20, 150, QStringLiteral("Hello"), 0, 0);
    small.Height = 1;  // drawn at 4 points
    TPlovanText four(20, 150, QStringLiteral("Hello"), 0, 0);
    four.Height = 4;
    EXPECT_EQ(BoundsOf(Ink(RenderText(small))).maxX, BoundsOf(Ink(RenderText(four))).maxX);

    TPlovanText huge(0, 200, QStringLiteral("H"), 0, 0);
    huge.Height = 1e6;  // drawn at 72 points
    const QFontMetrics fm(MakeGdiFont(QStringLiteral("Arial"), 72, 0));
    EXPECT_LE(BoundsOf(Ink(RenderText(huge))).maxY, fm.height());

    TPlovanText empty(20, 150, QString(), 0, 0);
    EXPECT_TRUE(Ink(RenderText(empty)).empty());
    TPlovanText far(-600, 150, QStringLiteral("Hello"), 0, 0);  // px -600 < -500
    EXPECT_TRUE(Ink(RenderText(far)).empty());
}

TEST(PlovanShapeDraw, RotatedTextRunsUpwards) {
    TPlovanText t(100, 20, QStringLiteral("Hello"), 0, 0);  // pixel (100, 180)
    t.Height = 20;
    t.Angle = 90;
    const Bounds b = BoundsOf(Ink(RenderText(t)));
    const QFontMetrics fm(MakeGdiFont(QStringLiteral("Arial"), 20, 0));
    EXPECT_LE(b.maxY, 180);  // the start of the text, less the side bearing
    EXPECT_GE(b.maxY, 175);
    EXPECT_NEAR(b.minY, 180 - fm.horizontalAdvance(QStringLiteral("Hello")), 3);
    EXPECT_GE(b.minX, 99);
    EXPECT_LE(b.maxX, 100 + fm.height());
}

// ---- Hit tests ----

TEST(PlovanShapeHitTest, LineAndPolylineAgreeWithBoostSegmentDistance) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-50, 150), tol(0.1, 20);
    const TPointD verts[] = {{0, 0}, {100, 20}, {100, 20}, {40, 90}, {-10, 60}};
    auto poly = std::make_unique<TPlovanPolyline>(0, 1);
    for (const TPointD& v : verts) poly->AddPoint(v.X, v.Y);
    TPlovanLine line(0, 0, 100, 20, 0);
    for (int i = 0; i < 3000; ++i) {
        const double x = coord(rng), y = coord(rng), t = tol(rng);
        const BPoint p(x, y);
        const double dLine = bg::distance(p, BSegment(BPoint(0, 0), BPoint(100, 20)));
        EXPECT_NEAR(SegmentDistance(x, y, 0, 0, 100, 20), dLine, 1e-9);
        if (std::abs(dLine - t) > 1e-9) {
            EXPECT_EQ(line.HitTest(x, y, t), dLine <= t);
        }
        double dPoly = 1e300;  // open chain: no closing segment
        for (std::size_t k = 1; k < std::size(verts); ++k)
            dPoly = std::min(dPoly, bg::distance(p, BSegment(BPoint(verts[k - 1].X, verts[k - 1].Y),
                                                             BPoint(verts[k].X, verts[k].Y))));
        if (std::abs(dPoly - t) > 1e-6) {
            EXPECT_EQ(poly->HitTest(x, y, t), dPoly <= t) << x << "," << y;
        }
    }
    EXPECT_FALSE(poly->HitTest(-5, 30, 2));  // on the closing segment only
    auto single = std::make_unique<TPlovanPolyline>();
    single->AddPoint(5, 5);
    EXPECT_FALSE(single->HitTest(5, 5, 10));
    TPlovanLine dot(5, 5, 5, 5, 0);
    EXPECT_TRUE(dot.HitTest(7, 5, 2));
    EXPECT_FALSE(dot.HitTest(7.1, 5, 2));
}

TEST(PlovanShapeHitTest, ShapeTable) {
    TPlovanPoint point(10, 10, 0);
    TPlovanCircle circle(0, 0, 10, 0);
    TPlovanRectangle rect(0, 0, 10, -5, 0);
    TPlovanEllipse ellipse(-10, -5, 10, 5, 0);
    TPlovanText text(0, 0, QStringLiteral("abcd"), 0, 0);
    TPlovanArc arc(0, 0, 5, 10, 10, 0, 0);
    TPlovanEllipse flat(0, 0, 10, 0, 0);
    const struct {
        const TPlovanShape* shape;
        double x, y, t;
        bool hit;
    } cases[] = {
        {&point, 13, 14, 5, true},   {&point, 13, 14.1, 5, false},
        {&circle, 0, 0, 3, false},   {&circle, 10, 0, 0.5, true},  {&circle, 0, 12.5, 3, true},
        {&circle, 7, 0, 2.9, false},
        {&rect, 5, -2, 0, true},     {&rect, 11, -2, 1, true},     {&rect, 11.1, -2, 1, false},
        {&ellipse, 10, 0, 0.1, true},{&ellipse, 0, 0, 1, false},   {&ellipse, 0, 5.4, 1, true},
        {&flat, 5, 0, 100, false},
        // text: X <= x <= X + 2t + 0.8 t L and Y - 3t <= y <= Y + t
        {&text, 0, 0, 1, true},      {&text, 5.2, 0, 1, true},     {&text, 5.3, 0, 1, false},
        {&text, -0.1, 0, 1, false},  {&text, 1, -3, 1, true},      {&text, 1, 1.1, 1, false},
        {&arc, 11, 11, 1, true},     {&arc, 11.1, 5, 1, false},    {&arc, 5, -1, 1, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shape->HitTest(c.x, c.y, c.t), c.hit)
            << "type " << c.shape->FShapeType << " at " << c.x << "," << c.y;
}

// ---- Bounds and transforms ----

TEST(PlovanShapeBounds, EveryClass) {
    TPlovanPoint point(10, 20, 0);
    TPlovanLine line(5, 8, -1, 2, 0);
    TPlovanCircle circle(1, 2, 3, 0);
    TPlovanRectangle rect(4, -4, -2, 6, 0);
    TPlovanText text(10, 20, QStringLiteral("abc"), 0, 0);
    TPlovanArc arc(0, 5, 7, -3, 2, 9, 0);
    auto poly = MakePolyline({{3, 4}, {-1, 9}, {6, 2}}, ShapeType::Polyline);
    const struct {
        const TPlovanShape* shape;
        double minX, minY, maxX, maxY;
    } cases[] = {
        {&point, 7, 17, 13, 23},  {&line, -1, 2, 5, 8},    {&circle, -2, -1, 4, 5},
        {&rect, -2, -4, 4, 6},    {&text, 0, 10, 10 + 18 + 10, 30},
        {&arc, 0, -3, 7, 9},      {poly.get(), -1, 2, 6, 9},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(c.shape->FMinX, c.minX) << c.shape->FShapeType;
        EXPECT_DOUBLE_EQ(c.shape->FMinY, c.minY) << c.shape->FShapeType;
        EXPECT_DOUBLE_EQ(c.shape->FMaxX, c.maxX) << c.shape->FShapeType;
        EXPECT_DOUBLE_EQ(c.shape->FMaxY, c.maxY) << c.shape->FShapeType;
    }
    TPlovanPolyline empty;
    empty.FMinX = 42;
    empty.UpdateBounds();
    EXPECT_EQ(empty.FMinX, 42);  // unchanged without vertices
}

TEST(PlovanShapeTransform, MoveScaleRotate) {
    TPlovanLine line(0, 0, 10, 0, 0);
    line.Rotate(90, 0, 0);
    EXPECT_NEAR(line.X2, 0, 1e-12);
    EXPECT_NEAR(line.Y2, 10, 1e-12);
    EXPECT_NEAR(line.FMaxY, 10, 1e-12);
    line.Move(1, 2);
    EXPECT_NEAR(line.X1, 1, 1e-12);
    EXPECT_NEAR(line.FMinY, 2, 1e-12);
    line.Scale(2, 3, 1, 2);
    EXPECT_NEAR(line.Y2, 32, 1e-12);

    TPlovanRectangle rect(0, 0, 10, 5, 0);
    rect.Rotate(45, 3, 3);
    EXPECT_EQ(rect.X2, 10);
    EXPECT_EQ(rect.Y2, 5);

    TPlovanText text(5, 5, QStringLiteral("a"), 0, 0);
    text.Rotate(30, 0, 0);
    EXPECT_EQ(text.Angle, 30);
    EXPECT_EQ(text.X, 5);
    text.Scale(2, 2, 0, 0);
    EXPECT_EQ(text.X, 10);
    EXPECT_EQ(text.Height, 10);

    TPlovanPoint p(1, 0, 0);
    p.Rotate(180, 0, 0);
    EXPECT_NEAR(p.X, -1, 1e-12);
    EXPECT_NEAR(p.FMinX, -4, 1e-12);

    TPlovanArc arc(0, 0, 1, 1, 2, 0, 0);
    arc.Scale(-1, 1, 0, 0);
    EXPECT_EQ(arc.X3, -2);
    EXPECT_EQ(arc.FMinX, -2);
}

TEST(PlovanShapeTransform, CircleRadiusSurvivesAMirror) {
    const struct {
        double sx, sy, radius;
    } cases[] = {{-1, 1, 10}, {1, -1, 10}, {-1, -1, 10}, {2, 4, 30}, {-2, 4, 30}, {0.5, 0.5, 5}};
    for (const auto& c : cases) {
        TPlovanCircle circle(5, 0, 10, 0);
        circle.Scale(c.sx, c.sy, 0, 0);
        EXPECT_DOUBLE_EQ(circle.Radius, c.radius) << c.sx << "," << c.sy;
        EXPECT_DOUBLE_EQ(circle.X, 5 * c.sx);
        EXPECT_DOUBLE_EQ(circle.FMaxY - circle.FMinY, 2 * c.radius);
    }
}

// At projected coordinates a vertex keeps what a float would round to the
// next half metre.
TEST(PlovanShapeTransform, PolylineVerticesKeepTheirDoubles) {
    TPlovanPolyline p;
    p.AddPoint(4500000.3, 500000.3);
    EXPECT_EQ(p.GetX(0), 4500000.3);
    EXPECT_EQ(p.FMinX, 4500000.3);
    EXPECT_EQ(p.GetX(1), 0);
    EXPECT_EQ(p.GetY(-1), 0);
    p.AddPoint(0, 0);
    p.SetPoint(1, 10, 20);
    EXPECT_EQ(p.FMaxY, 500000.3);
    p.SetPoint(2, 99, 99);  // out of range: nothing
    EXPECT_EQ(p.Count(), 2);
    p.Move(0.3, 0);
    EXPECT_EQ(p.GetX(0), 4500000.3 + 0.3);
    p.Rotate(90, 0, 0);
    EXPECT_DOUBLE_EQ(p.GetX(1), -20.0);
    EXPECT_DOUBLE_EQ(p.GetY(1), 10.0 + 0.3);
}

TEST(PlovanShapeFields, CallerValuesDefaultUntilSet) {
    TPlovanPoint p;
    EXPECT_EQ(p.FName(), QString());
    EXPECT_EQ(p.FAuxColor(), clWhite);
    EXPECT_EQ(p.FTag(), 0);
    p.SetFName(QStringLiteral("buoy"));
    p.SetFTag(15);
    p.SetFAuxColor(0x123);
    p.SetFStyle(3);
    p.SetFAuxValue(-4);
    p.SetFLabel(QStringLiteral("lbl"));
    EXPECT_EQ(p.FName(), QStringLiteral("buoy"));
    EXPECT_EQ(p.FTag(), 15);
    EXPECT_EQ(p.FAuxColor(), 0x123);
    EXPECT_EQ(p.FStyle(), 3);
    EXPECT_EQ(p.FAuxValue(), -4);
    EXPECT_EQ(p.FLabel(), QStringLiteral("lbl"));
    TPlovanPoint other;
    EXPECT_EQ(other.FName(), QString());  // values belong to one shape

    TPlovanText t(0, 0, QStringLiteral("depth 5"), 2, 7);
    EXPECT_EQ(t.FLabel(), QStringLiteral("depth 5"));
    EXPECT_EQ(t.FontName, QStringLiteral("Arial"));
    EXPECT_EQ(t.Height, 10);
    EXPECT_EQ(t.FLayerId, 7);
    EXPECT_EQ(t.FontIndex, 2);
    EXPECT_EQ(t.FFillStyle, bsClear);
    EXPECT_EQ(t.FFillColor, clWhite);
    EXPECT_EQ(t.FVisible, 1);
    EXPECT_EQ(t.FWidth, 1);
}

// ---- Point memory ----

// Points come from a pool but for the address sanitizer, which must see each
// as a block of its own: its end guarded, its memory poisoned once deleted.
// The points made one by one, in room taken at once (as the project reader
// makes them on its threads, also through LoadProjectText here) and the
// room left unused all keep to that.
TEST(PlovanShapePoints, EveryWayOfMakingPointsIsSoundMemory) {
    std::vector<void*> room;
    TPlovanPoint::TakeRoom(3, room);
    ASSERT_EQ(room.size(), 3u);
    EXPECT_EQ(std::set<void*>(room.begin(), room.end()).size(), 3u);
    std::vector<TPlovanShape*> points;
    points.push_back(new TPlovanPoint(1, 2, 0));
    points.push_back(::new (room[0]) TPlovanPoint(3, 4, 0));
    points.push_back(::new (room[1]) TPlovanPoint(5, 6, 0));
    TPlovanPoint::ReturnRoom(room[2]);

    TCanvasModel model;
    vlm::LoadProjectText(model, "POINT 7 8 0 255 1 -3.5\nPOINT 9 10 0 255 1 -4\n", 0);
    ASSERT_EQ(model.FShapes.size(), 2u);
    EXPECT_EQ(static_cast<const TPlovanPoint*>(model.FShapes[1])->Z, -4);
    std::vector<void*> freed{room[2]};
    for (TPlovanShape* s : model.FShapes) freed.push_back(s);
    for (TPlovanShape* s : points) {
        EXPECT_EQ(s->FShapeType, ShapeType::Point);
        freed.push_back(s);
    }
#if defined(PHX_TEST_ASAN)
    for (TPlovanShape* s : points)
        EXPECT_TRUE(__asan_address_is_poisoned(reinterpret_cast<char*>(s) + sizeof(TPlovanPoint)))
            << "the end of a point is not guarded";
#endif
    for (TPlovanShape* s : points) delete s;
    model.ClearLayer(-1);
#if defined(PHX_TEST_ASAN)
    for (void* p : freed)
        EXPECT_TRUE(__asan_address_is_poisoned(p)) << "a deleted point is readable";
#endif
}
