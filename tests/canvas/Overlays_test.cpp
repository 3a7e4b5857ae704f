// The survey overlays on rendered frames: measure line, soundings and their
// thinning, number labels, the depth/speed box with its texts and corners,
// and the position box with its fix-quality colours and hit test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <limits>

#include "canvas/CanvasOverlayGeometry.h"
#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"
#include "foundation/DisplayValues.h"
#include "foundation/SurveyState.h"

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)) & 0xFFFFFF; }

int Count(const QImage& image, TColor colour, int x1 = 0, int y1 = 0, int x2 = -1, int y2 = -1) {
    if (x2 < 0) x2 = image.width() - 1;
    if (y2 < 0) y2 = image.height() - 1;
    int n = 0;
    for (int y = std::max(0, y1); y <= std::min(y2, image.height() - 1); ++y)
        for (int x = std::max(0, x1); x <= std::min(x2, image.width() - 1); ++x)
            n += At(image, x, y) == colour;
    return n;
}

// 400 x 400 pixels over 0..1000 m: 2.5 m a pixel; the scale bar stays in
// the bottom right corner.
struct Canvas400 : TPlovanCanvas {
    Canvas400() {
        resize(400, 400);
        SetView(0, 1000, 1000, 0);
    }
};

class Overlays : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetSurveyState();
        ResetDisplayValues();
    }
    void TearDown() override {
        ResetSurveyState();
        ResetDisplayValues();
    }
};

}  // namespace

TEST_F(Overlays, SettersInvalidateAndNeverMarkTheBackBuffer) {
    Canvas400 canvas;
    canvas.renderFrame();
    ASSERT_FALSE(canvas.FNeedsRedraw);
    const std::function<void()> setters[] = {
        [&] { canvas.BeginMeasure(1, 2); },
        [&] { canvas.UpdateMeasure(3, 4, 5, 6); },
        [&] { canvas.EndMeasure(); },
        [&] { canvas.AddSounding(1, 1, 3); },
        [&] { canvas.ClearSoundings(); },
        [&] { canvas.SetSoundingStyle(true, 5, "Arial", 10, clRed); },
        [&] { canvas.AddNumberLabel(1, 1, 7); },
        [&] { canvas.ClearNumberLabels(); },
        [&] { canvas.SetDepth(1, 2, true); },
        [&] { canvas.SetSpeed(3, true); },
        [&] { canvas.CycleDepthSpeedDisplayMode(); },
        [&] { canvas.CycleGGAOverlayPosition(); },
        [&] { canvas.SetHeadingValid(false); },
    };
    for (const auto& set : setters) {
        const int invalidates = canvas.FInvalidateCount, redraws = canvas.FRedrawCount;
        set();
        EXPECT_EQ(canvas.FInvalidateCount, invalidates + 1);
        EXPECT_EQ(canvas.FRedrawCount, redraws);
        EXPECT_FALSE(canvas.FNeedsRedraw);
    }
}

TEST_F(Overlays, MeasureStoresTheCallersValuesOnlyWhileMeasuring) {
    TCanvasModel model;
    model.UpdateMeasure(5, 5, 9, 9);
    EXPECT_EQ(model.FMeasureEndX, 0);
    model.BeginMeasure(10, 20);
    EXPECT_EQ(model.FMeasuring, 1);
    EXPECT_EQ(model.FMeasureEndX, 10);
    EXPECT_EQ(model.FMeasureDistance, 0);
    model.UpdateMeasure(30, 40, 123.4, 270);
    EXPECT_EQ(model.FMeasureEndY, 40);
    EXPECT_EQ(model.FMeasureDistance, 123.4);
    EXPECT_EQ(model.FMeasureBearing, 270);
    model.EndMeasure();
    EXPECT_EQ(model.FMeasuring, 0);
}

TEST_F(Overlays, MeasureLineBelowTwoPixelsDrawsNothingAndAtTwoNoCircle) {
    Canvas400 canvas;
    const QImage empty = canvas.renderFrame();
    // Start at pixel (100, 100) = world (250, 750).
    canvas.BeginMeasure(250, 750);
    canvas.UpdateMeasure(252.5, 750, 2.5, 90);  // one pixel
    EXPECT_EQ(canvas.renderFrame(), empty);

    canvas.UpdateMeasure(255, 750, 5, 90);  // exactly two pixels
    QImage frame = canvas.renderFrame();
    // The yellow text box (over the dot), no circle.
    EXPECT_GT(Count(frame, 0x00FFFF, 60, 60, 140, 120), 50);
    EXPECT_EQ(Count(frame, clRed), 0);
    EXPECT_GT(Count(frame, clBlack, 60, 60, 140, 120), 20);

    // Sixty pixels down: a red circle of radius 60 around the start, the
    // blue cross at the end.
    canvas.UpdateMeasure(250, 600, 150, 180);
    frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 100, 40), clRed);
    EXPECT_EQ(At(frame, 40, 100), clRed);
    EXPECT_EQ(At(frame, 93, 160), 0xFF0000);
    EXPECT_EQ(At(frame, 107, 160), 0xFF0000);
    EXPECT_EQ(At(frame, 100, 167), 0xFF0000);
    EXPECT_GT(Count(frame, 0x800000, 60, 100, 140, 150), 10);  // the navy bearing
    canvas.EndMeasure();
    EXPECT_EQ(canvas.renderFrame(), empty);
}

// A measure 9.5 km long held with the right button while the wheel zooms
// in as far as the view goes (1 mm over 400 pixels): its ends lie billions
// of pixels apart, beyond any integer, and what shows is still right.
TEST_F(Overlays, AMeasureZoomedFarInDrawsWhatShows) {
    const struct {
        const char* name;
        QPoint wheelAt;       // the zoom keeps this pixel's world point
        bool circleAtTheEnd;  // the far start's circle runs through the end
        bool boxInTheMiddle;  // the texts' box at the middle shows
    } cases[] = {{"at the end", {390, 200}, true, false},
                 {"in the middle", {200, 200}, false, true}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Canvas400 canvas;
        canvas.SetView(0, 10000, 10000, 0);  // 25 m a pixel
        canvas.show();
        const auto mouse = [&](QEvent::Type type, QPoint at) {
            QMouseEvent event(type, QPointF(at), canvas.mapToGlobal(QPointF(at)), Qt::RightButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::RightButton,
                              Qt::NoModifier);
            QApplication::sendEvent(&canvas, &event);
        };
        mouse(QEvent::MouseButtonPress, {10, 200});
        mouse(QEvent::MouseMove, {390, 200});
        ASSERT_EQ(canvas.FMeasuring, 1);
        for (int notch = 0; notch < 250; ++notch) {
            QWheelEvent wheel(QPointF(k.wheelAt), canvas.mapToGlobal(QPointF(k.wheelAt)), {},
                              {0, 120}, Qt::RightButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&canvas, &wheel);
        }
        ASSERT_LT(canvas.GetViewWidth(), 0.01);
        const QImage frame = canvas.renderFrame();
        // The line along row 200 across the view, its end's cross.
        EXPECT_EQ(At(frame, 5, 200), 0xFF0000u);
        EXPECT_EQ(At(frame, k.circleAtTheEnd ? 380 : 300, 200), 0xFF0000u);
        if (k.circleAtTheEnd) {
            EXPECT_EQ(At(frame, 390, 195), 0xFF0000u);
            EXPECT_NE(At(frame, 399, 200), 0xFF0000u);  // nothing beyond the end's cross
            // The circle about the far start: all but straight through the end.
            EXPECT_GT(Count(frame, clRed, 388, 0, 391, 180), 150);
            EXPECT_EQ(Count(frame, clRed, 0, 0, 385, 399), 0);
        } else {
            EXPECT_EQ(Count(frame, clRed), 0);
        }
        EXPECT_EQ(Count(frame, 0x00FFFF) > 100, k.boxInTheMiddle);
        if (k.boxInTheMiddle) {
            EXPECT_GT(Count(frame, 0x00FFFF, 150, 160, 250, 200), 100);
        }
        mouse(QEvent::MouseButtonRelease, {390, 200});
    }
}

TEST_F(Overlays, SoundingSpacingIsStrictlyLess) {
    TCanvasModel model;
    model.SetSoundingStyle(true, 10, "Arial", 12, clBlack);
    model.AddSounding(0, 0, 5);
    model.AddSounding(9.99, 0, 6);  // closer than 10: dropped
    ASSERT_EQ(model.GetSoundings().size(), 1u);
    model.AddSounding(6, 8, 7);  // exactly 10 away: kept
    ASSERT_EQ(model.GetSoundings().size(), 2u);
    EXPECT_EQ(model.GetSoundings()[1].Z, 7);
    model.ClearSoundings();
    EXPECT_TRUE(model.GetSoundings().empty());
}

TEST_F(Overlays, TheTenThousandAndFirstSoundingDropsTheOldestThousand) {
    TCanvasModel model;
    model.SetSoundingStyle(true, 0.5, "Arial", 12, clBlack);
    for (int i = 0; i < 10001; ++i) model.AddSounding(i, 0, i);
    ASSERT_EQ(model.GetSoundings().size(), 9001u);
    EXPECT_EQ(model.GetSoundings().front().Z, 1000);
    EXPECT_EQ(model.GetSoundings().back().Z, 10000);
}

TEST_F(Overlays, SoundingsAndLabelsAreDrawnCentredInTheirColours) {
    Canvas400 canvas;
    canvas.SetSoundingStyle(true, 1, "Arial", 12, 0x008000);
    canvas.AddSounding(250, 750, 12.345);  // pixel (100, 100)
    g_Display.EventLabelColor = clRed;
    canvas.AddNumberLabel(750, 250, 3);  // pixel (300, 300)
    QImage frame = canvas.renderFrame();
    EXPECT_GT(Count(frame, 0x008000, 80, 90, 120, 110), 10);
    EXPECT_EQ(Count(frame, 0x008000, 0, 120, 399, 399), 0);
    EXPECT_GT(Count(frame, clRed, 290, 285, 310, 315), 10);

    canvas.SetSoundingStyle(false, 1, "Arial", 12, 0x008000);
    canvas.ClearNumberLabels();
    frame = canvas.renderFrame();
    EXPECT_EQ(Count(frame, 0x008000), 0);
    EXPECT_EQ(Count(frame, clRed), 0);
}

TEST_F(Overlays, DepthAndSpeedTexts) {
    struct Case {
        double depth1, depth2;
        bool depthValid;
        double speed;
        bool speedValid;
        const char *large, *small, *speedLarge, *speedSmall;
    } cases[] = {
        {12.34, 12.38, true, 0, false, "12.3", "4m/12.38m", "", ""},
        {7.5, 0, true, 0, false, "7.5", "0m", "", ""},
        {0, 5, true, 0, false, "--.-", "m", "", ""},
        {7.25, 0, true, 0, false, "7.2", "5m", "", ""},
        {-1, 0, true, 4.26, true, "--.-", "m", "4.3", "kn"},
        {7.5, 0, false, 7.25, true, "", "", "7.3", "kn"},
        // No speed known: it reads like no depth.
        {0, 0, true, std::numeric_limits<double>::quiet_NaN(), true, "--.-", "m", "--.-", "kn"},
    };
    for (const Case& c : cases) {
        TCanvasOverlayData d;
        d.FDepth1 = c.depth1;
        d.FDepth2 = c.depth2;
        d.FDepthValid = c.depthValid;
        d.FSpeed = c.speed;
        d.FSpeedValid = c.speedValid;
        const TDepthSpeedTexts t = DepthSpeedTexts(d);
        EXPECT_EQ(t.depthLarge, c.large) << c.depth1;
        EXPECT_EQ(t.depthSmall, c.small) << c.depth1;
        EXPECT_EQ(t.speedLarge, c.speedLarge) << c.speed;
        EXPECT_EQ(t.speedSmall, c.speedSmall) << c.speed;
    }
}

TEST_F(Overlays, DepthSpeedBoxVisitsItsFourCorners) {
    Canvas400 canvas;
    g_Display.OverlayDepthColor = 0x800000;
    canvas.SetDepth(12.34, 0, true);  // large enough to stand out of the scale bar
    // Corner by corner: bottom left, bottom right, top right, top left.
    const QRect quadrants[] = {{0, 200, 200, 200}, {200, 200, 200, 200}, {200, 0, 200, 200},
                               {0, 0, 200, 200}};
    for (int k = 0; k < 5; ++k) {
        const QImage frame = canvas.renderFrame();
        const QRect q = quadrants[k % 4];
        EXPECT_EQ(canvas.FDepthSpeedDisplayMode, k % 4);
        EXPECT_GT(Count(frame, 0x800000, q.left(), q.top(), q.right(), q.bottom()), 20) << k;
        EXPECT_EQ(Count(frame, 0x800000), Count(frame, 0x800000, q.left(), q.top(), q.right(),
                                                 q.bottom()))
            << k;
        canvas.CycleDepthSpeedDisplayMode();
    }
    canvas.SetDepth(0, 0, false);
    EXPECT_EQ(Count(canvas.renderFrame(), 0x800000), 0);
}

TEST_F(Overlays, PositionBoxColoursFollowTheFixQuality) {
    struct Case {
        bool noPosition;
        int quality;
        TColor box, font;
    } cases[] = {
        {false, 0, clRed, clWhite},     {false, 1, clRed, clWhite},
        {false, 2, 0xFFFF00, clBlack},  {false, 3, 0x00FFFF, clBlack},
        {false, 4, 0x00FF00, clBlack},  {false, 5, 0x00FFFF, clBlack},
        {false, 6, 0x00FFFF, clBlack},  {false, 7, 0x00FF00, clBlack},
        {false, 8, 0x00FFFF, clBlack},  {false, 9, 0x00FFFF, clBlack},
        {true, 4, clRed, clWhite},
    };
    Canvas400 canvas;
    g_Survey.PositionStatusText = "RTK Fix | Spd: 0.0 kn";
    for (const Case& c : cases) {
        g_Survey.NoValidPosition = c.noPosition;
        g_Survey.FixQuality = c.quality;
        const QImage frame = canvas.renderFrame();
        // Top left: the box from (2, 2); the text from (8, 8).
        EXPECT_EQ(At(frame, 5, 12), c.box) << c.quality;
        EXPECT_GT(Count(frame, c.font, 8, 8, 120, 24), 10) << c.quality;
    }
    g_Survey.NoValidPosition = true;
    const QImage frame = canvas.renderFrame();
    const QFontMetrics fm(overlay::PositionBoxFont());
    const int w = fm.horizontalAdvance(QStringLiteral("NO VALID POSITION RECEIVED"));
    EXPECT_EQ(At(frame, 8 + w + 3, 12), clRed);
    EXPECT_EQ(At(frame, 8 + w + 8, 12), clWhite);
}

TEST_F(Overlays, NoTextNoPositionBox) {
    Canvas400 canvas;
    const QImage frame = canvas.renderFrame();
    EXPECT_EQ(At(frame, 5, 12), clWhite);
    EXPECT_FALSE(canvas.PositionBoxHit(10, 10));
}

TEST_F(Overlays, HeadingNotValidPutsTheHeadingOnRed) {
    Canvas400 canvas;
    g_Survey.FixQuality = 4;
    g_Survey.PositionStatusText = "RTK Fix THdg: 45.0";
    canvas.SetHeadingValid(true);
    QImage frame = canvas.renderFrame();
    EXPECT_EQ(Count(frame, clRed, 0, 0, 399, 40), 0);
    canvas.SetHeadingValid(false);
    frame = canvas.renderFrame();
    const QFontMetrics fm(overlay::PositionBoxFont());
    const int a = fm.horizontalAdvance(QStringLiteral("RTK Fix "));
    EXPECT_EQ(At(frame, 8 + a - 1, 7), clRed);
    EXPECT_EQ(At(frame, 8 + a - 4, 12), 0x00FF00);
    EXPECT_GT(Count(frame, clWhite, 8 + a, 8, 8 + a + 60, 24), 10);
}

TEST_F(Overlays, PositionBoxCornersAndHitTest) {
    Canvas400 canvas;
    g_Survey.FixQuality = 4;
    // Long enough to stand out of the scale bar in the bottom right corner.
    const QString text = QStringLiteral("RTK Fix | Spd: 0.0 kn | SV: 12");
    g_Survey.PositionStatusText = text.toStdString();
    const QFontMetrics fm(overlay::PositionBoxFont());
    const int w = fm.horizontalAdvance(text), h = fm.height();
    struct Corner {
        int x, y;
    } origins[] = {{8, 8}, {400 - w - 8, 8}, {400 - w - 8, 400 - h - 10}, {8, 400 - h - 10}};
    for (int k = 0; k < 5; ++k) {
        const Corner o = origins[k % 4];
        EXPECT_EQ(canvas.FGGAOverlayPosition, k % 4);
        EXPECT_EQ(At(canvas.renderFrame(), o.x - 3, o.y + h / 2), 0x00FF00) << k;
        EXPECT_TRUE(canvas.PositionBoxHit(o.x - 6, o.y - 6));
        EXPECT_TRUE(canvas.PositionBoxHit(o.x + w + 6, o.y + h + 6));
        EXPECT_FALSE(canvas.PositionBoxHit(o.x - 7, o.y));
        EXPECT_FALSE(canvas.PositionBoxHit(o.x, o.y + h + 7));
        canvas.CycleGGAOverlayPosition();
    }
    // Corner 1: a double click on the top right box hits, the top left not.
    canvas.FGGAOverlayPosition = 1;
    EXPECT_TRUE(canvas.PositionBoxHit(400 - 20, 12));
    EXPECT_FALSE(canvas.PositionBoxHit(10, 12));
}
