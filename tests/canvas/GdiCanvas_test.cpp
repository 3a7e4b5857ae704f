// Pixel tests of the GDI-style drawing adapter on offscreen images.
#include "canvas/GdiCanvas.h"
#include "tests/canvas/PixelProbe.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <limits>
#include <set>
#include <utility>

using namespace pixelprobe;

namespace {

constexpr TColor kBlue = 0xFF0000;
constexpr TColor kGreen = 0x00FF00;
constexpr TColor kYellow = 0x00FFFF;

QImage WhiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

}  // namespace

TEST(GdiFonts, WindowsNamesResolveToInstalledMetricCompatibleFamilies) {
    const QStringList families = QFontDatabase::families();
    ASSERT_TRUE(families.contains(QStringLiteral("Liberation Sans")))
        << "fonts-liberation2 is not installed";
    ASSERT_TRUE(families.contains(QStringLiteral("Liberation Mono")));
    ASSERT_TRUE(families.contains(QStringLiteral("Liberation Serif")));
    const struct {
        const char* windows;
        const char* family;
    } cases[] = {{"Arial", "Liberation Sans"},        {"Tahoma", "Liberation Sans"},
                 {"Arial Black", "Liberation Sans"},  {"Consolas", "Liberation Mono"},
                 {"Courier New", "Liberation Mono"},  {"Times New Roman", "Liberation Serif"}};
    for (const auto& c : cases) {
        const QFont font = MakeGdiFont(QString::fromLatin1(c.windows), 10, 0);
        EXPECT_EQ(QFontInfo(font).family().toStdString(), c.family) << c.windows;
    }
    EXPECT_TRUE(QFontInfo(MakeGdiFont(QStringLiteral("Consolas"), 10, 0)).fixedPitch());
    EXPECT_TRUE(QFontInfo(MakeGdiFont(QStringLiteral("Arial"), 10, fsBold | fsItalic)).bold());
    EXPECT_TRUE(QFontInfo(MakeGdiFont(QStringLiteral("Arial"), 10, fsBold | fsItalic)).italic());
}

TEST(GdiFonts, PointSizesBecomePixelSizesAndAreClamped) {
    const struct {
        int points, pixels;
    } cases[] = {{10, 13}, {8, 11}, {12, 16}, {9, 12}, {72, 96}, {0, 1}, {-5, 1}, {5000, 1333}};
    for (const auto& c : cases)
        EXPECT_EQ(MakeGdiFont(QStringLiteral("Arial"), c.points, 0).pixelSize(), c.pixels)
            << c.points;
}

TEST(GdiFonts, MulDivRoundsHalfAwayFromZero) {
    const struct {
        int a, b, c, result;
    } cases[] = {{10, 96, 72, 13}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {5, 1, -2, -3},
                 {1, 1, 3, 0},     {2, 1, 3, 1}, {7, 0, 5, 0},   {1, 1, 0, -1}};
    for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result) << c.a << "," << c.c;
}

TEST(GdiCanvas, ColoursAreBgrIntegers) {
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ToQColor(0x12345678), QColor(0x78, 0x56, 0x34));  // top byte ignored
    EXPECT_EQ(FromRgb(qRgb(1, 2, 3)), 0x030201);
}

TEST(GdiCanvas, FillRectExcludesRightAndBottomEdges) {
    QImage image = WhiteImage(12, 12);
    {
        GdiCanvas c(image);
        c.SetBrushColor(clRed);
        c.SetBrushStyle(bsSolid);
        c.FillRect(2, 3, 6, 8);
    }
    EXPECT_EQ(Ink(image), Box(2, 3, 5, 7));
    EXPECT_EQ(At(image, 2, 3), clRed);
}

TEST(GdiCanvas, RectangleOutlineAndInterior) {
    QImage image = WhiteImage(12, 12);
    {
        GdiCanvas c(image);
        c.SetPenColor(clBlack);
        c.SetBrushColor(kBlue);
        c.SetBrushStyle(bsSolid);
        c.Rectangle(8, 6, 2, 2);  // corners in either order
    }
    PixelSet frame, inside;
    for (auto p : Box(2, 2, 7, 5)) {
        const bool edge = p.first == 2 || p.first == 7 || p.second == 2 || p.second == 5;
        (edge ? frame : inside).insert(p);
    }
    for (auto [x, y] : frame) EXPECT_EQ(At(image, x, y), clBlack) << x << "," << y;
    for (auto [x, y] : inside) EXPECT_EQ(At(image, x, y), kBlue) << x << "," << y;
    EXPECT_EQ(Ink(image), Box(2, 2, 7, 5));
}

TEST(GdiCanvas, RectangleWithClearPenIsOnePixelSmaller) {
    QImage image = WhiteImage(12, 12);
    {
        GdiCanvas c(image);
        c.SetPenStyle(psClear);
        c.SetBrushColor(kGreen);
        c.SetBrushStyle(bsSolid);
        c.Rectangle(2, 2, 8, 6);
    }
    EXPECT_EQ(Ink(image), Box(2, 2, 6, 4));
}

TEST(GdiCanvas, LinesLeaveOutTheirLastPixel) {
    const struct {
        int x1, y1, x2, y2;
        PixelSet expected;
    } cases[] = {
        {1, 1, 6, 1, Box(1, 1, 5, 1)},
        {6, 1, 1, 1, Box(2, 1, 6, 1)},
        {3, 2, 3, 8, Box(3, 2, 3, 7)},
        {1, 1, 5, 5, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {2, 2, 2, 2, {}},
    };
    for (const auto& t : cases) {
        QImage image = WhiteImage(10, 10);
        {
            GdiCanvas c(image);
            c.MoveTo(t.x1, t.y1);
            c.LineTo(t.x2, t.y2);
            EXPECT_EQ(c.PenPos(), QPoint(t.x2, t.y2));
        }
        EXPECT_EQ(Ink(image), t.expected) << t.x1 << "," << t.y1 << " -> " << t.x2 << "," << t.y2;
    }
}

TEST(GdiCanvas, FarOffLinesAreClippedToTheImage) {
    QImage image = WhiteImage(10, 10);
    {
        GdiCanvas c(image);
        c.MoveTo(-1000000000, 4);
        c.LineTo(1000000000, 4);
        c.MoveTo(5, -1000000000);
        c.LineTo(5, 1000000000);
    }
    PixelSet expected = Box(0, 4, 9, 4);
    for (auto p : Box(5, 0, 5, 9)) expected.insert(p);
    EXPECT_EQ(Ink(image), expected);
}

TEST(GdiCanvas, ExtremeCoordinatesAreSafe) {
    constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    QImage image = WhiteImage(10, 10);
    {
        GdiCanvas c(image);
        c.SetBrushColor(kGreen);
        c.SetBrushStyle(bsSolid);
        c.SetPenStyle(psClear);
        c.Rectangle(lo, lo, hi, hi);
        c.RoundRect(lo, lo, hi, hi, lo, hi);
        c.Ellipse(lo, lo, hi, hi);
        c.FillRect(lo, lo, hi, hi);
        c.MoveTo(lo, lo);
        c.SetPenStyle(psSolid);
        c.LineTo(hi, hi);
    }
    EXPECT_EQ(At(image, 5, 3), kGreen);
    EXPECT_EQ(At(image, 4, 4), clBlack);  // the diagonal crosses the image
}

TEST(GdiCanvas, PolylineLeavesOutOnlyTheFinalPixel) {
    QImage image = WhiteImage(10, 10);
    {
        GdiCanvas c(image);
        const QPoint pts[] = {{1, 1}, {5, 1}, {5, 5}};
        c.Polyline(pts, 3);
    }
    PixelSet expected = Box(1, 1, 5, 1);
    for (auto p : Box(5, 2, 5, 4)) expected.insert(p);
    EXPECT_EQ(Ink(image), expected);
}

TEST(GdiCanvas, XorPenInvertsAndASecondPassRestores) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(QColor(10, 100, 200));
    const QImage before = image.copy();
    {
        GdiCanvas c(image);
        c.SetPenMode(pmXor);
        c.SetPenColor(clWhite);
        c.SetBrushStyle(bsClear);
        c.Rectangle(2, 2, 12, 12);
        EXPECT_EQ(c.Pixel(2, 2), FromRgb(qRgb(255 - 10, 255 - 100, 255 - 200)));
        EXPECT_EQ(qAlpha(image.pixel(2, 2)), 255);  // still a valid RGB32 pixel
        EXPECT_EQ(c.Pixel(5, 5), FromRgb(qRgb(10, 100, 200)));  // inside untouched
        c.MoveTo(0, 15);
        c.LineTo(19, 15);
        c.Rectangle(2, 2, 12, 12);
        c.MoveTo(0, 15);
        c.LineTo(19, 15);
    }
    EXPECT_EQ(image, before);

    // Fills, text and single pixels copy whatever the pen mode.
    QImage other(20, 20, QImage::Format_RGB32);
    other.fill(Qt::white);
    {
        GdiCanvas c(other);
        c.SetPenMode(pmXor);
        c.SetBrushColor(clRed);
        c.FillRect(0, 0, 5, 5);
        c.FillRect(0, 0, 5, 5);
        c.SetPixel(10, 10, clRed);
        c.SetPixel(10, 10, clRed);
    }
    EXPECT_EQ(At(other, 2, 2), clRed);
    EXPECT_EQ(At(other, 10, 10), clRed);
}

TEST(GdiCanvas, DottedPenGapsTakeTheSolidBrushColour) {
    for (int style : {static_cast<int>(bsSolid), static_cast<int>(bsClear)}) {
        QImage image = WhiteImage(40, 5);
        {
            GdiCanvas c(image);
            c.SetPenStyle(psDot);
            c.SetBrushColor(kGreen);
            c.SetBrushStyle(style);
            c.MoveTo(0, 2);
            c.LineTo(39, 2);
        }
        std::set<TColor> colours;
        for (int x = 0; x < 38; ++x) colours.insert(At(image, x, 2));
        const TColor gap = style == bsSolid ? kGreen : clWhite;
        EXPECT_EQ(colours, (std::set<TColor>{clBlack, gap})) << "brush style " << style;
        EXPECT_EQ(At(image, 0, 2), clBlack);
    }
}

TEST(GdiCanvas, UnknownBrushOrdinalsDrawClear) {
    for (int ordinal : {8, 9, 200, -1}) {
        QImage image = WhiteImage(12, 12);
        {
            GdiCanvas c(image);
            c.SetBrushColor(clRed);
            c.SetBrushStyle(ordinal);
            EXPECT_EQ(c.BrushStyle(), bsClear);
            c.Rectangle(1, 1, 10, 10);
        }
        EXPECT_EQ(At(image, 5, 5), clWhite) << ordinal;
        EXPECT_EQ(At(image, 1, 1), clBlack) << ordinal;
    }
}

TEST(GdiCanvas, HatchBrushesPaintAPattern) {
    QImage image = WhiteImage(20, 20);
    {
        GdiCanvas c(image);
        c.SetPenStyle(psClear);
        c.SetBrushColor(clRed);
        c.SetBrushStyle(bsCross);
        c.FillRect(0, 0, 20, 20);
    }
    int red = 0;
    for (auto [x, y] : Ink(image)) red += At(image, x, y) == clRed;
    EXPECT_GT(red, 20);
    EXPECT_LT(red, 400 - 100);  // a pattern, not a solid fill
}

TEST(GdiCanvas, DrawnPenWidthIsClampedButStoredAsGiven) {
    QImage image = WhiteImage(700, 700);
    {
        GdiCanvas c(image);
        c.SetPenWidth(100000);
        EXPECT_EQ(c.PenWidth(), 100000);
        c.MoveTo(100, 350);
        c.LineTo(600, 350);
    }
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_NEAR(b.maxY - b.minY + 1, 255, 2);

    QImage thin = WhiteImage(20, 5);
    {
        GdiCanvas c(thin);
        c.SetPenWidth(-40);
        c.MoveTo(1, 2);
        c.LineTo(11, 2);
    }
    EXPECT_EQ(Ink(thin), Box(1, 2, 10, 2));
}

TEST(GdiCanvas, WidePenCoversItsWidth) {
    QImage image = WhiteImage(40, 40);
    {
        GdiCanvas c(image);
        c.SetPenWidth(5);
        c.MoveTo(10, 20);
        c.LineTo(30, 20);
    }
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_NEAR(b.maxY - b.minY + 1, 5, 1);
    EXPECT_NEAR(b.minX, 10 - 2, 1);  // round ends
    EXPECT_NEAR(b.maxX, 30 + 2, 1);
}

TEST(GdiCanvas, EllipseStaysInsideItsBoxWithoutTheRightAndBottomEdges) {
    QImage image = WhiteImage(30, 30);
    {
        GdiCanvas c(image);
        c.SetBrushStyle(bsClear);
        c.Ellipse(5, 5, 25, 15);
    }
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_EQ(b.minX, 5);
    EXPECT_EQ(b.minY, 5);
    EXPECT_EQ(b.maxX, 24);
    EXPECT_EQ(b.maxY, 14);
    EXPECT_EQ(At(image, 15, 10), clWhite);  // clear brush
}

TEST(GdiCanvas, RoundRectCornerSizesAreDiameters) {
    QImage image = WhiteImage(50, 50);
    {
        GdiCanvas c(image);
        c.SetBrushColor(clRed);
        c.SetBrushStyle(bsSolid);
        c.RoundRect(0, 0, 40, 40, 20, 20);
    }
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_EQ(b.maxX, 39);
    EXPECT_EQ(b.maxY, 39);
    EXPECT_EQ(At(image, 20, 0), clBlack);  // straight edge
    EXPECT_EQ(At(image, 0, 20), clBlack);
    // Corner arcs of radius 10 about (10, 10): (2, 2) lies outside, (4, 4)
    // inside (a radius of 20 would leave (4, 4) outside).
    EXPECT_EQ(At(image, 2, 2), clWhite);
    EXPECT_EQ(At(image, 0, 0), clWhite);
    EXPECT_EQ(At(image, 5, 5), clRed);
    EXPECT_EQ(At(image, 20, 20), clRed);
}

TEST(GdiCanvas, TextOutPlacesTheTopLeftOfTheCellAndFillsItUnderASolidBrush) {
    QImage image = WhiteImage(200, 80);
    QSize cell;
    {
        GdiCanvas c(image);
        c.SetFontName(QStringLiteral("Arial"));
        c.SetFontSize(14);
        c.SetFontColor(clBlack);
        c.SetBrushColor(kYellow);
        c.SetBrushStyle(bsSolid);
        cell = c.TextExtent(QStringLiteral("Hg"));
        c.TextOut(20, 10, QStringLiteral("Hg"));
        const QFontMetrics fm(MakeGdiFont(QStringLiteral("Arial"), 14, 0));
        EXPECT_EQ(cell, QSize(fm.horizontalAdvance(QStringLiteral("Hg")), fm.height()));
        EXPECT_EQ(c.TextWidth(QStringLiteral("Hg")), cell.width());
    }
    EXPECT_EQ(BoundsOf(Ink(image)).minX, 20);
    EXPECT_EQ(BoundsOf(Ink(image)).minY, 10);
    EXPECT_EQ(BoundsOf(Ink(image)).maxX, 20 + cell.width() - 1);
    EXPECT_EQ(BoundsOf(Ink(image)).maxY, 10 + cell.height() - 1);
    EXPECT_EQ(At(image, 20, 10), kYellow);
    int dark = 0;
    for (auto [x, y] : Ink(image)) dark += qGray(image.pixel(x, y)) < 60;
    EXPECT_GT(dark, 10);  // the glyphs are there
}

TEST(GdiCanvas, TextOutWithAClearBrushLeavesTheBackground) {
    QImage image = WhiteImage(200, 80);
    QSize cell;
    {
        GdiCanvas c(image);
        c.SetFontSize(14);
        c.SetBrushColor(kYellow);
        c.SetBrushStyle(bsClear);
        cell = c.TextExtent(QStringLiteral("Hg"));
        c.TextOut(20, 10, QStringLiteral("Hg"));
    }
    const PixelSet ink = Ink(image);
    ASSERT_FALSE(ink.empty());
    const Bounds b = BoundsOf(ink);
    EXPECT_GE(b.minX, 20);
    EXPECT_GE(b.minY, 10);
    EXPECT_LE(b.maxX, 20 + cell.width());
    EXPECT_LE(b.maxY, 10 + cell.height());
    for (auto [x, y] : ink) EXPECT_NE(At(image, x, y), kYellow);
}

TEST(GdiCanvas, RotatedTextTurnsCounterClockwiseAboutItsTopLeft) {
    QImage image = WhiteImage(120, 160);
    QSize cell;
    {
        GdiCanvas c(image);
        c.SetFontSize(14);
        c.SetBrushColor(kYellow);
        c.SetBrushStyle(bsSolid);
        c.SetFontOrientation(900);
        cell = c.TextExtent(QStringLiteral("Hello"));
        c.TextOut(40, 140, QStringLiteral("Hello"));
    }
    // Turned by 90 degrees the cell runs upwards from (40, 140) and lies to
    // the right of x = 40 by its height.
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_NEAR(b.minX, 40, 1);
    EXPECT_NEAR(b.maxX, 40 + cell.height() - 1, 1);
    EXPECT_NEAR(b.maxY, 139, 1);
    EXPECT_NEAR(b.minY, 140 - cell.width(), 1);
}

TEST(GdiCanvas, PixelsOutsideTheImageAreIgnored) {
    QImage image = WhiteImage(4, 4);
    GdiCanvas c(image);
    c.SetPixel(-1, 0, clRed);
    c.SetPixel(4, 0, clRed);
    c.SetPixel(1, 2, clRed);
    EXPECT_EQ(c.Pixel(1, 2), clRed);
    EXPECT_EQ(c.Pixel(9, 9), -1);
    EXPECT_EQ(Ink(image), (PixelSet{{1, 2}}));
}

TEST(GdiCanvas, PolygonFillsWithTheBrushAndOutlinesWithThePen) {
    QImage image = WhiteImage(30, 30);
    {
        GdiCanvas c(image);
        c.SetBrushColor(kBlue);
        c.SetBrushStyle(bsSolid);
        const QPoint tri[] = {{2, 2}, {26, 2}, {2, 26}};
        c.Polygon(tri, 3);
    }
    EXPECT_EQ(At(image, 8, 8), kBlue);
    EXPECT_EQ(At(image, 2, 2), clBlack);
    EXPECT_EQ(At(image, 2, 20), clBlack);  // closing edge drawn
    EXPECT_EQ(At(image, 25, 25), clWhite);
}

TEST(GdiCanvas, BezierEndsAtItsEndPoints) {
    QImage image = WhiteImage(60, 60);
    {
        GdiCanvas c(image);
        const QPoint pts[] = {{5, 50}, {5, 5}, {50, 5}, {50, 50}};
        c.PolyBezier(pts, 4);
    }
    const Bounds b = BoundsOf(Ink(image));
    EXPECT_NEAR(b.minX, 5, 1);
    EXPECT_NEAR(b.maxX, 50, 1);
    EXPECT_NEAR(b.maxY, 50, 1);
    // The curve reaches 3/4 of the way to the control points: y = 50 - 0.75 * 45.
    EXPECT_NEAR(b.minY, 16, 1);
}
