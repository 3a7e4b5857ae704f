// Pixel probes on rendered frames of the map canvas: background, grid, scale
// bar, the shape pass (culling, decimation, declutter, visibility, contrast,
// the drawn-shape cap) and long lines that reach far beyond the view.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <memory>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)) & 0xFFFFFF; }

// How many pixels of column x, rows y0..y1-1, have the colour.
int CountInColumn(const QImage& image, int x, int y0, int y1, TColor colour) {
    int n = 0;
    for (int y = y0; y < y1; ++y) n += At(image, x, y) == colour;
    return n;
}

bool NearPixel(const QImage& image, int x, int y, TColor colour, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (At(image, x + dx, y + dy) == colour) return true;
    return false;
}

// A 400 x 400 canvas showing 0..1000 in both directions (2.5 m a pixel).
struct Canvas400 : TPlovanCanvas {
    Canvas400() {
        resize(400, 400);
        SetView(0, 1000, 1000, 0);
    }
};

// A solid-filled rectangle without an outline.
int AddFilledBox(TPlovanCanvas& c, double x1, double y1, double x2, double y2, TColor colour,
                 int layer = 0) {
    const int id = c.AddRectangle(x1, y1, x2, y2, layer);
    c.SetShapeFillColor(id, colour);
    c.SetShapeFillStyle(id, bsSolid);
    c.SetShapeWidth(id, 0);
    return id;
}

}  // namespace

TEST(Render, BackgroundAndItsSetter) {
    Canvas400 canvas;
    QImage frame = canvas.renderFrame();
    ASSERT_EQ(frame.size(), QSize(400, 400));
    EXPECT_EQ(At(frame, 10, 10), clWhite);
    EXPECT_FALSE(canvas.FNeedsRedraw);

    const int repaints = canvas.FRepaintCount;
    canvas.SetBackgroundColor(clWhite);  // the current colour: nothing happens
    EXPECT_EQ(canvas.FRepaintCount, repaints);
    EXPECT_FALSE(canvas.FNeedsRedraw);

    canvas.SetBackgroundColor(0x123456);
    EXPECT_EQ(canvas.FRepaintCount, repaints + 1);
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 10, 10), 0x123456);
    EXPECT_EQ(At(frame, 399, 0), 0x123456);
}

TEST(Render, BackBufferIsRebuiltOnlyWhenNeeded) {
    Canvas400 canvas;
    const int id = AddFilledBox(canvas, 100, 100, 300, 300, 0x0000FF);
    QImage frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 80, 320), 0x0000FF);  // world (200, 200)

    // A change that nobody announced stays unseen: the frame comes from the
    // back buffer.
    canvas.FindShape(id)->FFillColor = 0x00FF00;
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 80, 320), 0x0000FF);

    canvas.Redraw();
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 80, 320), 0x00FF00);

    // A new size rebuilds too.
    canvas.FindShape(id)->FFillColor = 0xFF0000;
    canvas.resize(300, 400);
    frame = canvas.renderFrame();
    EXPECT_EQ(frame.size(), QSize(300, 400));
    EXPECT_EQ(At(frame, 80, 320), 0xFF0000);
}

TEST(Render, GridLinesByStepAndManualSpacing) {
    Canvas400 canvas;
    canvas.FGridVisible = 1;
    canvas.Redraw();
    QImage frame = canvas.renderFrame();
    // Automatic step 200 m = 80 px: dotted lines at x = 80, 160, 240, 320.
    for (int x : {80, 160, 240, 320}) EXPECT_GE(CountInColumn(frame, x, 0, 350, clSilver), 60) << x;
    // Between them only the crossings with the horizontal lines.
    for (int x : {40, 100, 200, 300}) EXPECT_LE(CountInColumn(frame, x, 0, 350, clSilver), 6) << x;

    // The manual spacing takes effect once the automatic step is off.
    canvas.FGridSpacingX = 100;
    canvas.FGridSpacingY = 100;
    canvas.Redraw();
    frame = canvas.renderFrame();
    EXPECT_LE(CountInColumn(frame, 40, 0, 350, clSilver), 6);
    canvas.SetGridAutoScale(false);
    frame = canvas.renderFrame();
    EXPECT_GE(CountInColumn(frame, 40, 0, 350, clSilver), 60);
    EXPECT_GE(CountInColumn(frame, 120, 0, 350, clSilver), 60);

    // A spacing that would draw more lines than half the pixels: no grid at
    // all, and the paint returns.
    canvas.FGridSpacingX = 1e-9;
    canvas.FGridSpacingY = 1e-9;
    canvas.Redraw();
    frame = canvas.renderFrame();
    for (int x : {40, 80, 120}) EXPECT_EQ(CountInColumn(frame, x, 0, 350, clSilver), 0);
}

TEST(Render, GridLabelsAtTheEdges) {
    Canvas400 canvas;
    canvas.SetBackgroundColor(0x808080);
    canvas.FGridVisible = 1;
    canvas.Redraw();
    const QImage frame = canvas.renderFrame();
    // The x label "200" sits in a white box at the bottom, centred on x = 80;
    // the y label of y = 800 (row 80) in a white box at the left edge.
    int white = 0;
    for (int x = 60; x < 100; ++x) white += At(frame, x, 396) == clWhite;
    EXPECT_GE(white, 4);
    EXPECT_EQ(At(frame, 40, 396), 0x808080);
    EXPECT_EQ(At(frame, 3, 80), clWhite);
    // No label for x = 0 (pixel 0 is left of 5).
    EXPECT_EQ(At(frame, 1, 396), 0x808080);
}

TEST(Render, GridBelowOrAboveTheShapes) {
    Canvas400 canvas;
    canvas.FGridVisible = 1;
    AddFilledBox(canvas, -100, -100, 1100, 1100, 0xFF0000);
    QImage frame = canvas.renderFrame();
    EXPECT_EQ(CountInColumn(frame, 160, 0, 350, clSilver), 0);
    canvas.FGridOnTop = 1;
    canvas.Redraw();
    frame = canvas.renderFrame();
    EXPECT_GE(CountInColumn(frame, 160, 0, 350, clSilver), 60);
}

// The grid over the shapes looks as over an empty drawing wherever the
// shapes paint nothing: neither a turned text nor a solid fill drawn last
// lends it its font or its brush (which would fill the gaps of the dots).
TEST(Render, GridOnTopHasItsOwnFontAndPen) {
    const auto turnedText = [](TPlovanCanvas& c) {
        const int id = c.AddText(0, QStringLiteral("turned"), 500, 500, 0);
        c.RotateShape(id, 90, 500, 500);
    };
    const auto filledBox = [](TPlovanCanvas& c) { AddFilledBox(c, 600, 100, 700, 150, 0x00FF00); };
    for (const auto& addShapes : {std::function<void(TPlovanCanvas&)>(turnedText),
                                  std::function<void(TPlovanCanvas&)>(filledBox)}) {
        const auto frame = [&](bool grid, bool shapes) {
            Canvas400 c;
            c.FGridVisible = grid ? 1 : 0;
            c.FGridOnTop = 1;
            if (shapes) addShapes(c);
            return c.renderFrame();
        };
        const QImage both = frame(true, true), gridOnly = frame(true, false);
        const QImage shapesOnly = frame(false, true), empty = frame(false, false);
        int compared = 0;
        for (int y = 0; y < 400; ++y) {
            for (int x = 0; x < 400; ++x) {
                if (At(shapesOnly, x, y) != At(empty, x, y)) continue;  // a shape's pixel
                ++compared;
                ASSERT_EQ(At(both, x, y), At(gridOnly, x, y)) << x << "," << y;
            }
        }
        EXPECT_GT(compared, 150000);
    }
}

TEST(Render, ScaleBarFrameAndFill) {
    Canvas400 canvas;
    canvas.SetBackgroundColor(0x808080);
    const QImage frame = canvas.renderFrame();
    // 1000 m over 400 px: 500 m, bar 150 px (clamped). Frame 225..384 by
    // 352..384, bar 230..379 by 357..364, the left 75 px black.
    EXPECT_EQ(At(frame, 224, 370), 0x808080);
    EXPECT_EQ(At(frame, 225, 370), clBlack);  // frame edge
    EXPECT_EQ(At(frame, 227, 382), clWhite);  // inside the frame
    EXPECT_EQ(At(frame, 384, 370), clBlack);
    EXPECT_EQ(At(frame, 385, 370), 0x808080);
    EXPECT_EQ(At(frame, 240, 361), clBlack);  // black half
    EXPECT_EQ(At(frame, 304, 361), clBlack);
    EXPECT_EQ(At(frame, 306, 361), clWhite);  // white half
    EXPECT_EQ(At(frame, 378, 361), clWhite);
    EXPECT_EQ(At(frame, 379, 361), clBlack);  // outline
    EXPECT_EQ(At(frame, 350, 357), clBlack);
    // The scale bar is an overlay: the back buffer has none of it.
    EXPECT_EQ(At(canvas.FBackBuffer, 240, 361), 0x808080);
}

TEST(Render, CullingLeavesTheFrameUntouched) {
    Canvas400 empty;
    const QImage blank = empty.renderFrame();

    Canvas400 canvas;
    AddFilledBox(canvas, 2000, 2000, 2100, 2100, 0x0000FF);
    canvas.AddLine(-500, -500, -10, 1500, 0);
    canvas.AddPoint(500, 1100, 0);  // box 497..503 by 1097..1103
    EXPECT_EQ(canvas.renderFrame(), blank);
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 0);

    AddFilledBox(canvas, 990, 990, 1100, 1100, 0x0000FF);  // a corner shows
    const QImage frame = canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 1);
    EXPECT_EQ(At(frame, 399, 0), 0x0000FF);
    EXPECT_EQ(At(frame, 390, 10), clWhite);
}

TEST(Render, HiddenLayersAndShapesAreNeitherDrawnNorCounted) {
    Canvas400 canvas;
    const int layer = canvas.AddLayer("soundings");
    AddFilledBox(canvas, 100, 100, 900, 900, 0x0000FF, layer);
    const int hidden = AddFilledBox(canvas, 100, 100, 900, 900, 0x00FF00, 0);
    canvas.FindShape(hidden)->FVisible = 0;
    canvas.SetLayerVisible(layer, 0);
    const QImage frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 200, 200), clWhite);
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 0);
    // A shape naming a layer that does not exist is skipped too.
    const int orphan = AddFilledBox(canvas, 100, 100, 900, 900, 0x00FF00, 0);
    canvas.SetShapeLayer(orphan, 99);
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 0);
}

TEST(Render, PointDecimation) {
    struct Case {
        double dx, dy;
        int drawn;
    } cases[] = {{2, 2, 1}, {-2, 2, 1}, {0, 0, 1}, {3, 0, 2}, {0, 3, 2}, {-3, -3, 2}, {2.4, 0, 1}};
    for (const auto& c : cases) {
        TPlovanCanvas canvas;
        canvas.resize(400, 400);
        canvas.SetView(0, 400, 400, 0);  // one metre a pixel
        canvas.AddPoint(100.5, 100.5, 0);
        canvas.AddLine(50, 50, 60, 60, 0);  // other shapes do not reset the comparison
        canvas.AddPoint(100.5 + c.dx, 100.5 + c.dy, 0);
        canvas.renderFrame();
        EXPECT_EQ(canvas.LastDrawnShapeCount(), c.drawn + 1) << c.dx << "," << c.dy;
    }
}

TEST(Render, TinyShapesAreCut) {
    Canvas400 canvas;  // 2.5 m a pixel
    canvas.AddCircle(500, 500, 0.5, 0);       // 1 m box: under half a pixel
    canvas.AddCircle(600, 600, 0.6, 0);       // 1.2 m: still under 1.25 in both
    canvas.AddRectangle(700, 700, 700.1, 700.1, 0);  // rectangles are never cut
    canvas.AddCircle(300, 300, 1.0, 0);       // 2 m box: drawn
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 2);
}

TEST(Render, OneTextPerCellFirstWins) {
    TPlovanCanvas canvas;
    canvas.resize(400, 400);
    canvas.SetView(0, 400, 400, 0);  // one metre a pixel
    const int first = canvas.AddText(0, "first", 10, 390, 0);
    canvas.AddText(0, "second", 40, 370, 0);  // same 60 x 60 cell
    canvas.AddText(0, "third", 70, 390, 0);   // next column
    canvas.SetShapeColor(first, 0x0000FF);
    const QImage frame = canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 2);
    // The first text is there, in red (its edges may be smoothed).
    bool red = false;
    for (int y = 10; y < 30 && !red; ++y)
        for (int x = 10; x < 40 && !red; ++x) {
            const QRgb p = frame.pixel(x, y);
            red = qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
        }
    EXPECT_TRUE(red);

    // Anchors far right of the view fall into the last column.
    for (double x : {500.0, 650.0}) {
        auto text = std::make_unique<TPlovanText>(x, 200, QStringLiteral("far"), 0, 0);
        text->Height = 300;  // a box wide enough to reach into the view
        text->UpdateBounds();
        canvas.AppendShape(std::move(text));
    }
    canvas.Redraw();
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 3);
}

TEST(Render, ColoursAgainstTheBackground) {
    struct Case {
        TColor shape, background, drawn;
    } cases[] = {
        {clBlack, clBlack, clWhite},
        {clWhite, clWhite, clBlack},
        {0x808080, 0x7F7F7F, clWhite},
        {0x808080, 0x818181, clBlack},
        {0x0000FF, clWhite, 0x0000FF},
    };
    for (const auto& c : cases) {
        Canvas400 canvas;
        canvas.SetBackgroundColor(c.background);
        const int id = canvas.AddPoint(500, 500, 0);
        canvas.SetShapeColor(id, c.shape);
        const QImage frame = canvas.renderFrame();
        EXPECT_EQ(At(frame, 200, 200), c.drawn) << std::hex << c.shape << " on " << c.background;
        EXPECT_EQ(canvas.GetShapeColor(id), c.shape);  // the stored colour stays
    }
}

TEST(Render, LongLinesWithFarEndsShowTheirVisiblePart) {
    // y = 500 + (x - 500) / 2 with ends a billion kilometres away; in view
    // it passes world (100, 300), (500, 500) and (900, 700).
    auto y = [](double x) { return 500 + (x - 500) / 2; };
    const double far = 1e12;
    Canvas400 lines;
    lines.AddLine(-far, y(-far), far, y(far), 0);
    Canvas400 polylines;
    polylines.AddPolyline({{-far, y(-far)}, {500, 500}, {far, y(far)}}, 0, false);
    // A wedge whose edge is the same line.
    Canvas400 polygons;
    const int wedge =
        polygons.AddPolyline({{-far, y(-far)}, {far, y(far)}, {far, y(-far)}}, 0, true);
    polygons.SetShapeFillColor(wedge, 0xFF0000);
    polygons.SetShapeFillStyle(wedge, bsSolid);
    for (TPlovanCanvas* canvas : {static_cast<TPlovanCanvas*>(&lines),
                                  static_cast<TPlovanCanvas*>(&polylines)}) {
        const QImage frame = canvas->renderFrame();
        EXPECT_TRUE(NearPixel(frame, 40, 280, clBlack));
        EXPECT_TRUE(NearPixel(frame, 200, 200, clBlack));
        EXPECT_TRUE(NearPixel(frame, 360, 120, clBlack));
        EXPECT_EQ(At(frame, 200, 100), clWhite);
    }
    const QImage frame = polygons.renderFrame();
    EXPECT_EQ(At(frame, 300, 300), 0xFF0000);  // below the line: inside
    EXPECT_EQ(At(frame, 100, 100), clWhite);   // above: outside
    EXPECT_TRUE(NearPixel(frame, 200, 200, clBlack));
}

// The band's state is set by hand here, each mode being the one its
// drawing was started in.
TEST(Render, RubberBandIsAnXorOverlay) {
    Canvas400 canvas;
    canvas.FDrawing = 1;
    canvas.FHasStartPoint = 1;
    canvas.FCommand = canvas.FCommandInProgress = 3;
    canvas.FStartX = 100, canvas.FStartY = 500;
    canvas.FCurrentX = 900, canvas.FCurrentY = 500;
    QImage frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 200, 200), clBlack);  // white XOR white
    EXPECT_EQ(At(canvas.FBackBuffer, 200, 200), clWhite);

    canvas.FCommand = canvas.FCommandInProgress = 1;  // rectangle from (40, 200) to (360, 40)
    canvas.FCurrentY = 900;
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 40, 100), clBlack);
    EXPECT_EQ(At(frame, 200, 100), clWhite);

    canvas.FCommand = canvas.FCommandInProgress = 0;  // no band in select mode
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 200, 200), clWhite);
    EXPECT_EQ(At(frame, 40, 100), clWhite);

    // A tool picked while a line was drawn: that line's band is gone.
    canvas.FCommand = 3;
    canvas.FCommandInProgress = 5;
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 200, 200), clWhite);

    // A far-off end still draws the visible part.
    canvas.FCommand = canvas.FCommandInProgress = 3;
    canvas.FCurrentX = 1e13;
    canvas.FCurrentY = 500;
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 300, 200), clBlack);
    EXPECT_EQ(At(frame, 399, 200), clBlack);
}

TEST(Render, DrawnShapeCapKeepsLiveLayersAndTheNewestShapes) {
    Canvas400 canvas;
    const int vessel = canvas.AddLayer("~~Plovan Vessel");
    canvas.SetLayerTag(vessel, 1);
    AddFilledBox(canvas, 100, 100, 140, 140, 0xFF0000, vessel);  // the oldest shape
    AddFilledBox(canvas, 200, 200, 240, 240, 0x0000FF, 0);       // the oldest non-live
    // Lines of 4 pixels: longer than the segments their layer's pixels decimate.
    for (int i = 0; i < TPlovanCanvas::kMaxDrawnShapes; ++i) canvas.AddLine(700, 700, 710, 700, 0);
    AddFilledBox(canvas, 300, 300, 340, 340, 0x00FF00, 0);  // the newest
    const QImage frame = canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), TPlovanCanvas::kMaxDrawnShapes);
    EXPECT_EQ(At(frame, 48, 352), 0xFF0000);  // vessel drawn
    EXPECT_EQ(At(frame, 88, 312), clWhite);   // oldest left out
    EXPECT_EQ(At(frame, 128, 272), 0x00FF00); // newest drawn
}

TEST(Render, RubberBandOfVertexShapesAndCircles) {
    Canvas400 canvas;
    auto* temp = new TPlovanPolyline(0, 0);
    temp->AddPoint(100, 500);  // pixel (40, 200)
    temp->AddPoint(500, 500);  // pixel (200, 200)
    canvas.FTempShape = temp;  // owned by the canvas from here
    canvas.FDrawing = 1;
    canvas.FHasStartPoint = 1;
    canvas.FStartX = 500, canvas.FStartY = 500;
    canvas.FCurrentX = 500, canvas.FCurrentY = 900;  // pixel (200, 40)

    canvas.FCommand = canvas.FCommandInProgress = 5;
    QImage frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 120, 200), clBlack);  // through the vertices
    EXPECT_EQ(At(frame, 200, 120), clBlack);  // then to the mouse
    EXPECT_EQ(At(frame, 120, 120), clWhite);

    // A polygon also closes back to the first vertex.
    canvas.FCommand = canvas.FCommandInProgress = 6;
    frame = canvas.renderFrame();
    EXPECT_TRUE(NearPixel(frame, 120, 120, clBlack));

    canvas.FCommand = canvas.FCommandInProgress = 19;  // circle about the start through the mouse
    canvas.FCurrentX = 600, canvas.FCurrentY = 500;  // 100 m = 40 px
    frame = canvas.renderFrame();
    EXPECT_TRUE(NearPixel(frame, 160, 200, clBlack));
    EXPECT_TRUE(NearPixel(frame, 200, 160, clBlack));
    EXPECT_EQ(At(frame, 200, 200), clWhite);

    // A circle about a far-off start whose radius runs far beyond the
    // integer pixel range draws no rim in the view.
    canvas.FStartX = -1e15;
    canvas.FCurrentX = 1e15;
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 200, 200), clWhite);
    EXPECT_EQ(At(frame, 160, 200), clWhite);
}
