// The shape pass leaves out points and short segments whose pixels newer
// shapes paint: the frame must be the one every shape makes, and the
// drawn-shape cap must not blank a pixel such a shape stood in for.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <string>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)) & 0xFFFFFF; }

// A small linear congruential generator: the same drawing on every library.
struct Random {
    uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
    int Below(int n) { return static_cast<int>(Next() * n); }
};

// The frame, and the frame with every layer live (live layers are never
// left out, so it is the paint of every shape).
struct Frames {
    QImage dedup, full;
    int dedupCount = 0, fullCount = 0;
};

Frames PaintBothWays(TPlovanCanvas& canvas) {
    Frames f;
    f.dedup = canvas.renderFrame();
    f.dedupCount = canvas.LastDrawnShapeCount();
    for (const auto& layer : canvas.FLayers) canvas.SetLayerTag(layer->Id, 1);
    f.full = canvas.renderFrame();
    f.fullCount = canvas.LastDrawnShapeCount();
    return f;
}

std::string FirstDifference(const QImage& a, const QImage& b) {
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (At(a, x, y) != At(b, x, y))
                return std::to_string(x) + "," + std::to_string(y) + ": " +
                       std::to_string(At(a, x, y)) + " instead of " + std::to_string(At(b, x, y));
    return {};
}

}  // namespace

// A dense random drawing on interleaved layers, with a view whose x and y
// scales differ (2 m and 0.5 m a pixel), in a corner and along the edges:
// points of every width, short segments in every direction (of no length, to
// a neighbouring pixel, a little longer, wide), longer lines, filled boxes,
// selected shapes. Every pixel of the de-duplicated frame is the full
// frame's.
TEST(RenderPaintedOver, LeavingShapesOutChangesNoPixel) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        TPlovanCanvas canvas;
        canvas.resize(200, 160);
        canvas.SetView(0, 80, 400, 0);  // 2 m a pixel in x, 0.5 m in y
        const TColor colours[] = {0x0000C0, 0x00A000, 0xC00000, 0x808000};
        int layers[4];
        for (int i = 0; i < 4; ++i) {
            layers[i] = canvas.AddLayer(QString::fromLatin1("layer %1").arg(i));
            canvas.SetLayerColor(layers[i], colours[i]);
        }
        Random rnd{seed};
        // Most of it in a corner of 30 x 30 pixels, so that shapes meet; a
        // part along the client's edges, half out of it.
        bool edge = false;
        const auto x = [&] {
            if (edge) return rnd.Below(2) ? rnd.Next() * 6 - 2 : 396 + rnd.Next() * 6;
            return 100 + rnd.Next() * 60;
        };
        const auto y = [&] {
            if (edge) return rnd.Below(2) ? rnd.Next() * 1.5 - 0.5 : 79 + rnd.Next() * 1.5;
            return 20 + rnd.Next() * 15;
        };
        for (int i = 0; i < 4000; ++i) {
            edge = rnd.Below(5) == 0;
            const int layer = layers[rnd.Below(4)];
            const int kind = rnd.Below(10);
            int id = 0;
            if (kind < 5) {
                id = canvas.AddPoint(x(), y(), layer);
                canvas.SetShapeWidth(id, rnd.Below(6));
            } else if (kind < 9) {
                // Up to 1.5 pixels each way, or up to 4.
                const double reach = kind < 8 ? 1.5 : 4;
                const double x1 = x(), y1 = y();
                const double dx = (rnd.Next() * 2 - 1) * reach * 2;
                const double dy = (rnd.Next() * 2 - 1) * reach * 0.5;
                id = canvas.AddLine(x1, y1, x1 + (rnd.Below(4) ? dx : 0), y1 + dy, layer);
                if (rnd.Below(8) == 0) canvas.SetShapeWidth(id, 2);
            } else if (rnd.Below(3) == 0) {
                const double x1 = x(), y1 = y();
                id = canvas.AddRectangle(x1, y1, x1 + 6, y1 + 2, layer);
                canvas.SetShapeFillColor(id, 0x00C0C0);
                canvas.SetShapeFillStyle(id, bsSolid);
            } else {
                id = canvas.AddLine(rnd.Next() * 400, rnd.Next() * 80, x(), y(), layer);
            }
            if (rnd.Below(40) == 0) canvas.SelectShape(id, true);
            if (rnd.Below(50) == 0) canvas.SetShapeColor(id, 0x404040);
        }
        const Frames f = PaintBothWays(canvas);
        EXPECT_LT(f.dedupCount, f.fullCount * 3 / 4);  // shapes were left out
        EXPECT_EQ(FirstDifference(f.dedup, f.full), "");
    }
}

// Segments to the north-east and north-west of one pixel, on a layer drawn
// over by another layer between them: each paints its first pixel only, and
// the last one painted shows.
TEST(RenderPaintedOver, ShortSegmentsPaintTheirFirstPixel) {
    TPlovanCanvas canvas;
    canvas.resize(100, 100);
    canvas.SetView(0, 100, 100, 0);  // a metre a pixel
    const int track = canvas.AddLayer("track");
    const int marks = canvas.AddLayer("marks");
    canvas.SetLayerColor(track, 0x0000C0);
    canvas.SetLayerColor(marks, 0x00A000);
    // Pixel (50, 50) is the world point (50, 50); to the pixel up and right.
    canvas.AddLine(50, 50, 51, 51, track);
    canvas.AddLine(51, 51, 50, 50, track);  // back again: paints (51, 49)
    canvas.AddPoint(50, 50, marks);         // width 1: pixels 50..51 by 50..51
    canvas.SetShapeWidth(canvas.FShapes.back()->FId, 1);
    canvas.AddLine(50, 50, 49, 51, track);  // north-west: paints (50, 50) again
    const Frames f = PaintBothWays(canvas);
    EXPECT_EQ(At(f.dedup, 50, 50), 0x0000C0u);  // the newest segment, over the mark
    EXPECT_EQ(At(f.dedup, 51, 49), 0x0000C0u);
    EXPECT_EQ(At(f.dedup, 51, 50), 0x00A000u);
    EXPECT_EQ(FirstDifference(f.dedup, f.full), "");
}

// An old point's pixel, then more shapes than the cap, then a newer point of
// its layer on the same pixel: the cap leaves out the oldest shapes, the
// newer point still shows.
TEST(RenderPaintedOver, TheCapNeverBlanksAPixelANewerShapePaints) {
    TPlovanCanvas canvas;
    canvas.resize(400, 400);
    canvas.SetView(0, 1000, 1000, 0);  // 2.5 m a pixel
    const int soundings = canvas.AddLayer("soundings");
    canvas.SetLayerColor(soundings, 0x0000C0);
    canvas.AddPoint(100, 900, soundings);  // pixel (40, 40)
    canvas.AddPoint(500, 500, soundings);  // elsewhere: no decimation of the last one
    for (int i = 0; i < TPlovanCanvas::kMaxDrawnShapes; ++i) canvas.AddLine(700, 700, 710, 700, 0);
    canvas.AddPoint(100, 900, soundings);
    const QImage frame = canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), TPlovanCanvas::kMaxDrawnShapes);
    EXPECT_EQ(At(frame, 40, 40), 0x0000C0u);
    EXPECT_EQ(At(frame, 200, 200), clWhite);  // the second point was the oldest left
}
