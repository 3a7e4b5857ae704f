// A day's survey at full extent: more sub-pixel track segments and points
// than the drawn-shape cap, whose oldest shapes must still show.
#include <gtest/gtest.h>

#include <QImage>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)) & 0xFFFFFF; }

}  // namespace

TEST(RenderDecimation, TheMorningsTrackShowsBeyondTheCap) {
    TPlovanCanvas canvas;
    canvas.resize(400, 400);
    canvas.SetView(0, 10000, 10000, 0);  // 25 m a pixel
    const int morning = canvas.AddLayer("morning");
    const int afternoon = canvas.AddLayer("afternoon");
    canvas.SetLayerColor(morning, clRed);
    canvas.SetLayerColor(afternoon, 0xFF0000);
    // 300 000 segments of 1.6 cm along y = 2000, then as many points along
    // y = 8000: together more than the cap.
    const int n = TPlovanCanvas::kMaxDrawnShapes * 3 / 5;
    for (int i = 0; i < n; ++i) {
        const double x = 5000.0 * i / n;
        canvas.AddLine(x, 2000, x + 5000.0 / n, 2000, morning);
    }
    for (int i = 0; i < n; ++i) canvas.AddPoint(5000.0 * i / n, 8000, afternoon);
    const QImage frame = canvas.renderFrame();
    EXPECT_LT(canvas.LastDrawnShapeCount(), 5000);
    // Row 320 (y = 2000) is red from its start, row 80 (y = 8000) blue.
    for (const int px : {1, 10, 67, 150, 195}) {
        EXPECT_EQ(At(frame, px, 320), clRed) << px;
        EXPECT_TRUE(At(frame, px, 80) == 0xFF0000 || At(frame, px + 1, 80) == 0xFF0000 ||
                    At(frame, px, 79) == 0xFF0000)
            << px;
    }
    EXPECT_NE(At(frame, 250, 320), clRed);
}
