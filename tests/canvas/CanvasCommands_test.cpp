// The canvas's mouse and key commands on the headless model: one pixel is
// one metre (1000 x 1000 pixels over 0..1000 by 0..1000), so a click at
// pixel (px, py) is the world point (px, 1000 - py).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"

namespace {

using namespace CanvasInput;

// Notes every canvas event with its arguments, in order.
struct Recorder {
    std::vector<std::string> events;

    static std::string Num(double v) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6g", v);
        return text;
    }

    void Attach(TCanvasModel& c) {
        c.OnShapeNumberSelected = [this](TCanvasModel*, short type, std::int32_t id) {
            events.push_back("select " + std::to_string(type) + " " + std::to_string(id));
        };
        c.OnWorldMouseDown = [this](TCanvasModel*, short b, short s, short a, double x, double y) {
            events.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " +
                             std::to_string(a) + " " + Num(x) + " " + Num(y));
        };
        c.OnDrawBegin = [this](TCanvasModel*, short type, double x, double y) {
            events.push_back("begin " + std::to_string(type) + " " + Num(x) + " " + Num(y));
        };
        c.OnDrawEnd = [this](TCanvasModel*, short type, double x, double y) {
            events.push_back("end " + std::to_string(type) + " " + Num(x) + " " + Num(y));
        };
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& e : events) n += e.rfind(prefix, 0) == 0;
        return n;
    }
};

class CanvasCommandsTest : public ::testing::Test {
  protected:
    TCanvasModel c;
    Recorder rec;

    void SetUp() override {
        c.SetClientSize(1000, 1000);
        c.SetView(0, 1000, 1000, 0);
        rec.Attach(c);
    }
    void Click(int px, int py, int shift = 0) {
        c.MouseDown(ButtonLeft, shift, px, py);
        c.MouseUp(ButtonLeft, shift, px, py);
    }
    void RightClick(int px, int py) {
        c.MouseDown(ButtonRight, 0, px, py);
        c.MouseUp(ButtonRight, 0, px, py);
    }
    int Shapes() const { return c.FShapeCount; }
    const TPlovanShape* Last() const { return c.FShapes.empty() ? nullptr : c.FShapes.back(); }
};

TEST_F(CanvasCommandsTest, PolylineOfThreeClicksEndsWithTheRightClick) {
    c.FCommand = 5;
    Click(100, 900);
    Click(200, 900);
    Click(200, 800);
    EXPECT_EQ(Shapes(), 0);  // the shape joins only at the end
    RightClick(300, 300);
    ASSERT_EQ(Shapes(), 1);
    const auto* p = dynamic_cast<const TPlovanPolyline*>(Last());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->FShapeType, 5);
    EXPECT_EQ(p->Count(), 3);
    EXPECT_DOUBLE_EQ(p->GetY(2), 200);
    EXPECT_EQ(rec.Count("begin"), 1);
    EXPECT_EQ(rec.Count("end"), 1);
    EXPECT_EQ(rec.events.back(), "end 5 300 700");
    // The right click that ended the command is no world click.
    EXPECT_EQ(rec.Count("down 2"), 0);
    EXPECT_EQ(c.FCommand, 0);
    EXPECT_EQ(c.GetDrawnPolyline().size(), 3u);

    // The next left click is swallowed: no selection, no event past the down.
    const std::size_t before = rec.events.size();
    Click(100, 900);
    EXPECT_EQ(c.FSkipClick, 0);
    EXPECT_EQ(rec.events.size(), before + 1);
    EXPECT_EQ(c.GetSelectedCount(), 0);
}

TEST_F(CanvasCommandsTest, OneVertexIsDiscardedAndItsIdNeverUsed) {
    c.FCommand = 6;
    Click(100, 100);
    ASSERT_NE(c.FTempShape, nullptr);
    const int takenId = c.FTempShape->FId;
    RightClick(100, 100);
    EXPECT_EQ(Shapes(), 0);
    EXPECT_EQ(c.FEndedShapeId, -1);
    EXPECT_TRUE(c.GetDrawnPolyline().empty());
    const int next = c.AddPoint(1, 1, 0);
    EXPECT_EQ(next, takenId + 1);
}

TEST_F(CanvasCommandsTest, TheVertexShapeTakesItsIdAtTheFirstClickAndItsLayersPen) {
    const int layer = c.AddLayer("route");
    c.SetLayerColor(layer, 0x123456);
    c.SetLayerWidth(layer, 3);
    c.SetLayerFillColor(layer, 0x00FF00);
    c.SetLayerFillStyle(layer, bsSolid);
    c.FCommand = 6;
    Click(100, 100);
    const int id = c.FTempShape->FId;
    c.AddPoint(5, 5, 0);  // drawn meanwhile: gets the following id
    Click(200, 100);
    Click(200, 200);
    RightClick(0, 0);
    EXPECT_EQ(c.FEndedShapeId, id);
    const TPlovanShape* s = c.FindShape(id);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->FLayerId, layer);
    EXPECT_EQ(s->FColor, 0x123456u);
    EXPECT_EQ(s->FWidth, 3);
    EXPECT_EQ(s->FFillColor, 0x00FF00u);
    EXPECT_EQ(s->FFillStyle, bsSolid);
    EXPECT_EQ(dynamic_cast<const TPlovanPolyline*>(s)->Closed, 1);
    EXPECT_EQ(s, Last());
}

TEST_F(CanvasCommandsTest, ClicksAtTheSamePointAddOneVertex) {
    c.FCommand = 5;
    // A point off the whole metres, clicked twice.
    c.SetView(0.1, 1000.1, 1000.1, 0.1);
    Click(333, 333);
    Click(333, 333);
    Click(400, 333);
    ASSERT_NE(c.FTempShape, nullptr);
    EXPECT_EQ(c.FTempShape->Count(), 2);
}

TEST_F(CanvasCommandsTest, RectanglesRepeatUntilTheRightClick) {
    c.FCommand = 1;
    Click(100, 100);
    Click(200, 200);
    EXPECT_EQ(Shapes(), 1);
    EXPECT_EQ(c.FCommand, 1);
    EXPECT_EQ(c.FDrawing, 1);
    EXPECT_EQ(c.FHasStartPoint, 0);
    Click(300, 300);
    Click(400, 400);
    EXPECT_EQ(Shapes(), 2);
    EXPECT_EQ(rec.Count("begin 1"), 2);
    RightClick(0, 0);
    EXPECT_EQ(rec.Count("end 1"), 1);
    EXPECT_EQ(c.FCommand, 0);
    EXPECT_EQ(c.GetShapeType(Last()->FId), 1);
}

// What the completing click adds, by command and second point.
TEST_F(CanvasCommandsTest, CompletingClicksAddOnlyShapesWithExtent) {
    struct Case {
        int command;
        int px, py;  // second click; the first is at (100, 100)
        int shapes;
    } cases[] = {
        {1, 100, 200, 1},                      // rectangle: differs in y only
        {1, 100, 100, 0},  {4, 200, 100, 0},   // ellipse on one horizontal line
        {4, 200, 200, 1},  {19, 100, 100, 0},  // circle of radius 0
        {19, 130, 140, 1},
    };
    for (const Case& k : cases) {
        TCanvasModel m;
        m.SetClientSize(1000, 1000);
        m.SetView(0, 1000, 1000, 0);
        m.FCommand = k.command;
        m.MouseDown(ButtonLeft, 0, 100, 100);
        m.MouseDown(ButtonLeft, 0, k.px, k.py);
        EXPECT_EQ(m.FShapeCount, k.shapes) << k.command << " " << k.px << "," << k.py;
        EXPECT_EQ(m.FHasStartPoint, 0);
        if (k.command == 19 && k.shapes == 1) {
            EXPECT_DOUBLE_EQ(dynamic_cast<const TPlovanCircle*>(m.FShapes.back())->Radius, 50);
        }
    }
}

TEST_F(CanvasCommandsTest, LineChainAddsLinesAndKeepsItsPoints) {
    c.FCommand = 3;
    Click(100, 900);
    Click(200, 900);
    Click(200, 900);  // no line of length 0
    Click(200, 800);
    EXPECT_EQ(Shapes(), 2);
    RightClick(0, 0);
    const std::vector<TPointD> points = c.GetDrawnPolyline();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[0].X, 100);
    EXPECT_DOUBLE_EQ(points[2].Y, 200);
    // A new command forgets them (the first click after the end is swallowed).
    c.FCommand = 5;
    Click(10, 10);
    EXPECT_EQ(c.GetDrawnPolyline().size(), 3u);
    Click(10, 10);
    EXPECT_TRUE(c.GetDrawnPolyline().empty());
}

TEST_F(CanvasCommandsTest, ArcOfThreeClicksJoinsWithoutAnEndEvent) {
    c.FCommand = 10;
    Click(100, 900);
    Click(150, 850);
    EXPECT_EQ(Shapes(), 0);
    Click(200, 900);
    ASSERT_EQ(Shapes(), 1);
    EXPECT_EQ(Last()->FShapeType, 10);
    EXPECT_EQ(c.FTempShape, nullptr);
    EXPECT_EQ(c.FDrawing, 1);
    EXPECT_EQ(c.FHasStartPoint, 0);
    EXPECT_EQ(rec.Count("end"), 0);
    EXPECT_EQ(c.FCommand, 10);
}

TEST_F(CanvasCommandsTest, PointIsPlacedAndEndsAtOnce) {
    const int layer = c.AddLayer("user");
    c.FCurrentLayer = layer;
    c.FCommand = 17;
    Click(250, 750);
    ASSERT_EQ(Shapes(), 1);
    EXPECT_EQ(Last()->FLayerId, layer);
    EXPECT_EQ(rec.Count("begin"), 0);
    EXPECT_EQ(rec.events.back(), "end 17 250 250");
    EXPECT_EQ(c.FCommand, 0);
    c.FCommand = 17;
    c.FKeepCommand = 1;
    Click(300, 700);
    EXPECT_EQ(c.FCommand, 17);
}

TEST_F(CanvasCommandsTest, EscapeCancelsTheShapeAndKeepsTheMode) {
    c.FCommand = 5;
    Click(100, 100);
    Click(200, 200);
    c.KeyDown(KeyEscape, 0);
    EXPECT_EQ(c.FCommand, 5);
    EXPECT_EQ(c.FTempShape, nullptr);
    EXPECT_EQ(c.FDrawing, 0);
    EXPECT_EQ(c.FHasStartPoint, 0);
    EXPECT_EQ(Shapes(), 0);
    EXPECT_EQ(rec.Count("end"), 0);
    EXPECT_EQ(c.FCursor, TCanvasCursor::Default);
}

// A tool's whole gesture (its clicks, then a right click that ends it when
// it still runs) on the model, and what it left: the shapes it added, the
// view and the canvas events it raised.
struct ToolGesture {
    int command;
    int clicks;
    int added;  // shapes the gesture adds

    struct Result {
        std::vector<std::string> shapes;  // type and box of each added shape
        std::vector<std::string> events;
        std::array<double, 4> view;  // left, right, top, bottom
    };

    static std::string Describe(const TPlovanShape& s) {
        const auto* p = dynamic_cast<const TPlovanPolyline*>(&s);
        return std::to_string(s.FShapeType) + " " + Recorder::Num(s.FMinX) + " " +
               Recorder::Num(s.FMinY) + " " + Recorder::Num(s.FMaxX) + " " +
               Recorder::Num(s.FMaxY) + (p ? " n" + std::to_string(p->Count()) : "");
    }

    Result Run(TCanvasModel& c, Recorder& rec) const {
        const int points[][2] = {{600, 600}, {700, 650}, {650, 750}};
        const int before = c.FShapeCount;
        const std::size_t eventsBefore = rec.events.size();
        for (int i = 0; i < clicks; ++i) {
            c.MouseDown(ButtonLeft, 0, points[i][0], points[i][1]);
            c.MouseMove(0, points[i][0], points[i][1] - 50);  // a dynamic zoom's drag
            c.MouseUp(ButtonLeft, 0, points[i][0], points[i][1]);
        }
        c.MouseDown(ButtonRight, 0, 900, 900);
        c.MouseUp(ButtonRight, 0, 900, 900);
        Result r{{}, {}, {c.FWorldLeft, c.FWorldRight, c.FWorldTop, c.FWorldBottom}};
        for (int i = before; i < c.FShapeCount; ++i) r.shapes.push_back(Describe(*c.FShapes[i]));
        r.events.assign(rec.events.begin() + static_cast<std::ptrdiff_t>(eventsBefore),
                        rec.events.end());
        return r;
    }
};

TCanvasModel& Fresh(TCanvasModel& c, Recorder& rec) {
    c.SetClientSize(1000, 1000);
    c.SetView(0, 1000, 1000, 0);
    rec.Attach(c);
    return c;
}

// Every pair of tools: a command left half-way, then another tool picked
// (its button writes FCommand only). The first command ends as Escape ends
// it: nothing of it joins the drawing, no end event; the new tool then does
// exactly what it does on a fresh canvas.
TEST(CanvasToolChange, EveryPairOfToolsStartsTheNewToolClean) {
    // Select, rectangle, line chain, ellipse, polyline, polygon, spline,
    // arc, point, circle, zoom window, dynamic zoom; the clicks that leave
    // each half-way (select, point and dynamic zoom have no half-way: they
    // are done).
    const struct {
        ToolGesture tool;
        int halfClicks;
    } tools[] = {{{0, 1, 0}, 1},  {{1, 2, 1}, 1},  {{3, 2, 1}, 1},  {{4, 2, 1}, 1},
                 {{5, 3, 1}, 2},  {{6, 3, 1}, 2},  {{8, 3, 1}, 2},  {{10, 3, 1}, 2},
                 {{17, 1, 1}, 1}, {{19, 2, 1}, 1}, {{-3, 2, 0}, 1}, {{-4, 1, 0}, 1}};
    for (const auto& to : tools) {
        TCanvasModel fresh;
        Recorder freshRec;
        Fresh(fresh, freshRec).FCommand = to.tool.command;
        const ToolGesture::Result expected = to.tool.Run(fresh, freshRec);
        ASSERT_EQ(expected.shapes.size(), static_cast<std::size_t>(to.tool.added));

        for (const auto& from : tools) {
            if (from.tool.command == to.tool.command) continue;
            SCOPED_TRACE(std::to_string(from.tool.command) + " -> " +
                         std::to_string(to.tool.command));
            TCanvasModel c;
            Recorder rec;
            Fresh(c, rec).FCommand = from.tool.command;
            const int half[][2] = {{100, 100}, {150, 120}};
            for (int i = 0; i < from.halfClicks; ++i) {
                c.MouseDown(ButtonLeft, 0, half[i][0], half[i][1]);
                c.MouseUp(ButtonLeft, 0, half[i][0], half[i][1]);
            }
            const int before = c.FShapeCount;
            const std::size_t eventsBefore = rec.events.size();

            c.FCommand = to.tool.command;
            c.MouseMove(0, 500, 500);
            // Ended as Escape ends it: nothing added, no end event.
            EXPECT_EQ(c.FShapeCount, before);
            EXPECT_EQ(rec.events.size(), eventsBefore);
            EXPECT_EQ(c.FTempShape, nullptr);
            EXPECT_EQ(c.FDrawing, 0);
            EXPECT_EQ(c.FHasStartPoint, 0);
            const ToolGesture::Result got = to.tool.Run(c, rec);
            EXPECT_EQ(c.FShapeCount, before + to.tool.added);
            EXPECT_EQ(got.shapes, expected.shapes);
            EXPECT_EQ(got.events, expected.events);
            EXPECT_EQ(got.view, expected.view);
            EXPECT_EQ(c.FTempShape, nullptr);
            EXPECT_EQ(c.FDrawing, 0);
        }
    }
}

// The band of a command the new tool ended is gone at once.
TEST_F(CanvasCommandsTest, ToolChangeEndsTheDrawingAtTheNextInput) {
    c.FCommand = 5;
    Click(100, 100);
    Click(200, 200);
    c.FCommand = 1;
    c.KeyDown('A', 0);
    EXPECT_EQ(c.FTempShape, nullptr);
    EXPECT_EQ(c.FDrawing, 0);
    EXPECT_EQ(c.FCommand, 1);  // the new tool stays chosen
    EXPECT_EQ(c.FCursor, TCanvasCursor::Default);
    EXPECT_EQ(rec.Count("end"), 0);
}

TEST_F(CanvasCommandsTest, DeleteKeyOnlyWhenAllowed) {
    const int id = c.AddRectangle(90, 90, 110, 110, 0);
    Click(100, 900);
    ASSERT_EQ(c.GetSelectedCount(), 1);
    c.KeyDown(KeyDelete, 0);
    EXPECT_NE(c.FindShape(id), nullptr);
    c.FAllowKeyDelete = 1;
    c.KeyDown(KeyDelete, 0);
    EXPECT_EQ(c.FindShape(id), nullptr);
}

TEST_F(CanvasCommandsTest, ClickSelectionClearsUnlessShiftOrCtrl) {
    const int a = c.AddRectangle(90, 90, 110, 110, 0);
    const int b = c.AddRectangle(290, 90, 310, 110, 0);
    Click(100, 900);
    EXPECT_EQ(rec.events.back(), "select 1 " + std::to_string(a));
    Click(300, 900, ShiftCtrl);
    EXPECT_EQ(c.GetSelectedCount(), 2);
    Click(600, 400, ShiftCtrl);  // empty space with Ctrl keeps it
    EXPECT_EQ(c.GetSelectedCount(), 2);
    Click(300, 900, ShiftShift);
    EXPECT_EQ(c.GetSelectedCount(), 2);
    Click(600, 400);  // empty space clears it
    EXPECT_EQ(c.GetSelectedCount(), 0);
    EXPECT_TRUE(c.FSelection.empty());
    Click(300, 900);
    EXPECT_EQ(c.GetSelectedIds(), std::vector<std::int32_t>{b});
    // No click selection while another command is chosen.
    c.FCommand = 3;
    Click(100, 900);
    EXPECT_EQ(c.GetSelectedIds(), std::vector<std::int32_t>{b});
}

TEST_F(CanvasCommandsTest, WorldMouseDownCodes) {
    c.MouseDown(ButtonMiddle, ShiftCtrl | ShiftAlt, 10, 20);
    EXPECT_EQ(rec.events.back(), "down 4 6 0 10 980");
    c.MouseUp(ButtonMiddle, 0, 10, 20);
    c.FCommand = -4;
    c.MouseDown(ButtonLeft, ShiftShift, 10, 20);
    EXPECT_EQ(rec.events.back(), "down 1 1 -4 10 980");
}

TEST_F(CanvasCommandsTest, RightDragMeasuresWithBearingFromNorth) {
    c.MouseDown(ButtonRight, 0, 0, 1000);  // world (0, 0)
    EXPECT_EQ(c.FMeasuring, 1);
    c.MouseMove(0, 10, 990);  // world (10, 10)
    EXPECT_NEAR(c.FMeasureDistance, 14.1421356, 1e-6);
    EXPECT_NEAR(c.FMeasureBearing, 45.0, 1e-9);
    EXPECT_DOUBLE_EQ(c.FMeasureEndX, 10);
    c.MouseMove(0, 0, 1010);  // due south
    EXPECT_NEAR(c.FMeasureBearing, 180.0, 1e-9);
    c.MouseMove(0, -10, 1000);  // due west
    EXPECT_NEAR(c.FMeasureBearing, 270.0, 1e-9);
    c.MouseUp(ButtonRight, 0, -10, 1000);
    EXPECT_EQ(c.FMeasuring, 0);
    // The measure start is no mouse-down point.
    EXPECT_DOUBLE_EQ(c.FLastDownX, 0);
    EXPECT_DOUBLE_EQ(c.FLastDownY, 0);
}

// Magnitude and Angle from the last mouse-down, by quadrant.
TEST_F(CanvasCommandsTest, MouseMoveReportsMagnitudeAndAngle) {
    double magnitude = -1, angle = -1;
    short shift = -1;
    c.OnWorldMouseMove = [&](TCanvasModel*, short s, double, double, double m, double a) {
        shift = s;
        magnitude = m;
        angle = a;
    };
    Click(500, 500);  // world (500, 500)
    const struct {
        int px, py;
        double angle;
    } cases[] = {{510, 490, 45}, {490, 490, 135}, {490, 510, -135}, {510, 510, -45},
                 {500, 500, 0},  {500, 480, 90},  {480, 500, 180}};
    for (const auto& k : cases) {
        c.MouseMove(ShiftAlt, k.px, k.py);
        const double dx = k.px - 500, dy = 500 - k.py;
        EXPECT_NEAR(magnitude, std::hypot(dx, dy), 1e-9) << k.px << "," << k.py;
        EXPECT_NEAR(angle, k.angle, 1e-9) << k.px << "," << k.py;
        EXPECT_EQ(shift, ShiftAlt);
    }
}

TEST_F(CanvasCommandsTest, PanMovesByTheWholeDifferenceBeyondTwoPixels) {
    const struct {
        int dx;
        double left;
    } cases[] = {{2, 0}, {3, -3}, {4, -4}, {-3, 3}};
    for (const auto& k : cases) {
        c.SetView(0, 1000, 1000, 0);
        c.MouseDown(ButtonMiddle, 0, 500, 500);
        EXPECT_EQ(c.FCursor, TCanvasCursor::SizeAll);
        c.MouseMove(0, 500 + k.dx, 500);
        EXPECT_NEAR(c.FWorldLeft, k.left, 1e-9) << k.dx;
        EXPECT_NEAR(c.FWorldTop, 1000, 1e-9);
        c.MouseUp(ButtonMiddle, 0, 500 + k.dx, 500);
        EXPECT_EQ(c.FPanning, 0);
        EXPECT_EQ(c.FCursor, TCanvasCursor::Default);
    }
    // Vertical: the drawing follows the mouse down.
    c.SetView(0, 1000, 1000, 0);
    c.MouseDown(ButtonMiddle, 0, 500, 500);
    c.MouseMove(0, 500, 510);
    EXPECT_NEAR(c.FWorldTop, 1010, 1e-9);
    c.MouseMove(0, 500, 512);  // 2 pixels from the new anchor
    EXPECT_NEAR(c.FWorldTop, 1010, 1e-9);
    c.MouseUp(ButtonLeft, 0, 500, 512);  // a left release ends a pan too
    EXPECT_EQ(c.FPanning, 0);
}

TEST_F(CanvasCommandsTest, DynamicZoomBeyondThreePixels) {
    const struct {
        int dy;        // upwards
        double width;  // view width after the move
    } cases[] = {{2, 1000}, {3, 1000}, {4, 960}, {-4, 1040}, {50, 500}};
    for (const auto& k : cases) {
        c.SetView(0, 1000, 1000, 0);
        c.FCommand = -4;
        c.MouseDown(ButtonLeft, 0, 200, 500);
        EXPECT_EQ(c.FDynamicZooming, 1);
        c.MouseMove(0, 200, 500 - k.dy);
        EXPECT_NEAR(c.GetViewWidth(), k.width, 1e-9) << k.dy;
        EXPECT_NEAR(c.FWorldLeft + c.FWorldRight, 1000, 1e-9);  // about the centre
        c.MouseUp(ButtonLeft, 0, 200, 500 - k.dy);
        EXPECT_EQ(c.FDynamicZooming, 0);
    }
}

TEST_F(CanvasCommandsTest, ZoomWindowKeepsTheControlsAspect) {
    c.SetClientSize(800, 400);    // a = 2
    c.SetView(0, 1000, 2000, 0);  // 2.5 m a pixel
    c.FCommand = -3;
    Click(100, 100);  // world (250, 750)
    EXPECT_EQ(rec.Count("begin"), 0);
    EXPECT_EQ(c.FCursor, TCanvasCursor::Cross);
    Click(300, 140);  // world (750, 650): w 500, h 100, wider than a
    EXPECT_NEAR(c.FWorldLeft, 250, 1e-9);
    EXPECT_NEAR(c.FWorldRight, 750, 1e-9);
    EXPECT_NEAR(c.FWorldTop, 825, 1e-9);
    EXPECT_NEAR(c.FWorldBottom, 575, 1e-9);
    EXPECT_EQ(c.FCommand, 0);
    EXPECT_EQ(c.FDrawing, 0);
    EXPECT_EQ(c.FCursor, TCanvasCursor::Default);

    c.SetView(0, 1000, 2000, 0);
    c.FCommand = -3;
    Click(100, 100);  // (250, 750)
    Click(140, 300);  // (350, 250): w 100, h 500, taller
    EXPECT_NEAR(c.GetViewHeight(), 500, 1e-9);
    EXPECT_NEAR(c.GetViewWidth(), 1000, 1e-9);
    EXPECT_NEAR(c.FWorldLeft, -200, 1e-9);
}

TEST_F(CanvasCommandsTest, ZoomWindowWithoutExtentEndsAndKeepsTheView) {
    c.FCommand = -3;
    Click(100, 100);
    Click(100, 500);  // no width
    EXPECT_DOUBLE_EQ(c.FWorldLeft, 0);
    EXPECT_DOUBLE_EQ(c.FWorldRight, 1000);
    EXPECT_EQ(c.FCommand, 0);
    EXPECT_EQ(c.FDrawing, 0);
    // A control of zero size counts as 1 x 1.
    c.SetClientSize(0, 0);
    c.FCommand = -3;
    c.MouseDown(ButtonLeft, 0, 0, 0);
    c.MouseDown(ButtonLeft, 0, 0, 0);
    EXPECT_TRUE(std::isfinite(c.FWorldLeft));
}

TEST_F(CanvasCommandsTest, MovesWhileDrawingOnlyInvalidate) {
    c.FCommand = 5;
    Click(100, 100);
    const int redraws = c.FRedrawCount, invalidates = c.FInvalidateCount;
    c.MouseMove(0, 300, 300);
    EXPECT_EQ(c.FRedrawCount, redraws);
    EXPECT_GT(c.FInvalidateCount, invalidates);
    EXPECT_DOUBLE_EQ(c.FCurrentX, 300);
    EXPECT_DOUBLE_EQ(c.FCurrentY, 700);
    EXPECT_EQ(c.FMouseX, 300);
}

TEST_F(CanvasCommandsTest, StandardEventsComeFirst) {
    std::vector<std::string> order;
    c.OnMouseDown = [&](TCanvasModel*, short b, short, int x, int y) {
        order.push_back("mouse " + std::to_string(b) + " " + std::to_string(x) + "," +
                        std::to_string(y));
    };
    c.OnWorldMouseDown = [&](TCanvasModel*, short, short, short, double, double) {
        order.push_back("world");
    };
    c.OnKeyDown = [&](TCanvasModel*, int& key, short) {
        order.push_back("key " + std::to_string(key));
        key = 0;  // swallowed: the canvas does not see it
    };
    c.OnDblClick = [&](TCanvasModel*) { order.push_back("dbl"); };
    c.MouseDown(ButtonLeft, 0, 3, 4);
    c.FCommand = 5;
    c.MouseDown(ButtonLeft, 0, 5, 5);
    c.KeyDown(KeyEscape, 0);
    EXPECT_NE(c.FTempShape, nullptr);
    c.DblClick();
    EXPECT_EQ(order, (std::vector<std::string>{"mouse 1 3,4", "world", "mouse 1 5,5", "world",
                                               "key 27", "dbl"}));
}

}  // namespace
