// The widget shell of the map canvas on the offscreen platform: painting
// shows the rendered frame, resizing keeps the aspect, the cursor resets,
// and the culling index follows every change the model announces.
#include "canvas/PlovanCanvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QResizeEvent>
#include <functional>

#include "canvas/GdiCanvas.h"
#include "tests/support/TempHome.h"

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)) & 0xFFFFFF; }

// World (x, y) of a 400 x 400 canvas over 0..1000 as a pixel.
QPoint Px(double x, double y) { return QPoint(static_cast<int>(x * 0.4), static_cast<int>((1000 - y) * 0.4)); }

struct Canvas400 : TPlovanCanvas {
    Canvas400() {
        resize(400, 400);
        SetView(0, 1000, 1000, 0);
    }
};

}  // namespace

TEST(PlovanCanvas, NewCanvasHasTheControlDefaults) {
    TPlovanCanvas canvas;
    EXPECT_EQ(canvas.size(), QSize(400, 300));
    EXPECT_EQ(canvas.ClientWidth(), 400);
    EXPECT_EQ(canvas.ClientHeight(), 300);
    EXPECT_EQ(canvas.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(canvas.FindLayer("Default"), 0);
}

TEST(PlovanCanvas, PaintShowsTheRenderedFrame) {
    Canvas400 canvas;
    canvas.SetBackgroundColor(0x336699);
    canvas.AddLine(100, 500, 900, 500, 0);
    const QImage frame = canvas.renderFrame();
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), frame.size());
    EXPECT_EQ(shown, frame);
    EXPECT_EQ(At(shown, 200, 200), clBlack);
}

TEST(PlovanCanvas, ShownCanvasKeepsTheAspectWhenResized) {
    TPlovanCanvas canvas;
    canvas.show();
    QApplication::processEvents();
    // The first resize of a 400 x 300 canvas keeps the y span.
    EXPECT_NEAR(canvas.FWorldLeft, -166.6666667, 1e-6);
    EXPECT_NEAR(canvas.FWorldRight, 1166.6666667, 1e-6);
    canvas.resize(800, 300);
    QApplication::processEvents();
    EXPECT_NEAR(canvas.GetViewWidth() / canvas.GetViewHeight(), 800.0 / 300.0, 1e-9);
    canvas.hide();
}

// Counts the paints a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST(PlovanCanvas, ChangesAfterAPaintAskForTheNextOne) {
    Canvas400 canvas;
    PaintCounter counter;
    canvas.installEventFilter(&counter);
    canvas.show();
    QApplication::processEvents();
    // A burst of changes is one paint; each later change brings another,
    // whether it changes the drawing, only the view or only an overlay.
    const std::function<void()> changes[] = {
        [&] {
            for (int i = 0; i < 1000; ++i) canvas.AddPoint(i, 500, 0);
        },
        [&] { canvas.AddLine(0, 0, 1000, 1000, 0); },
        [&] { canvas.Pan(10, 0); },
        [&] { canvas.Invalidate(); },
        [&] { canvas.Redraw(); },
    };
    for (const auto& change : changes) {
        const int before = counter.paints;
        change();
        QApplication::processEvents();
        EXPECT_EQ(counter.paints, before + 1);
    }
    // A change while hidden shows once the canvas is shown again.
    canvas.hide();
    canvas.AddLine(0, 1000, 1000, 0, 0);
    canvas.show();
    QApplication::processEvents();
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, canvas.renderFrame());
    const int before = counter.paints;
    canvas.AddPoint(1, 1, 0);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, before + 1);
    canvas.hide();
}

TEST(PlovanCanvas, RestoreDefaultCursor) {
    TPlovanCanvas canvas;
    canvas.setCursor(Qt::CrossCursor);
    canvas.RestoreDefaultCursor();
    EXPECT_EQ(canvas.cursor().shape(), Qt::ArrowCursor);
}

TEST(PlovanCanvas, CullingFollowsEveryAnnouncedChange) {
    Canvas400 canvas;
    canvas.SetView(0, 1000, 1000, 0);
    // Enough shapes for several index runs, all far from the view.
    for (int i = 0; i < 1000; ++i) canvas.AddPoint(5000 + i, 5000, 0);
    const int line = canvas.AddLine(5000, 5000, 5100, 5000, 0);
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 0);

    // A move brings the line into the view.
    canvas.MoveShape(line, -4500, -4500);  // 500..600 at y = 500
    QImage frame = canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 1);
    EXPECT_EQ(At(frame, Px(550, 500).x(), Px(550, 500).y()), clBlack);

    // A vertex moved into the view of one old shape among many.
    const int poly = canvas.AddPolyline({{9000, 9000}, {9100, 9100}}, 0, false);
    for (int i = 0; i < 200; ++i) canvas.AddPoint(7000 + i, 7000, 0);
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 1);
    canvas.SetPolylinePoint(poly, 0, 200, 200);
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 2);

    // Deleting, and clearing everything and adding as many new shapes in
    // other places.
    canvas.DeleteShape(line);
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), 1);
    const int before = static_cast<int>(canvas.FShapes.size());
    canvas.ClearLayer(-1);
    for (int i = 0; i < before; ++i) canvas.AddPoint(100 + (i % 100) * 8, 100 + (i / 100) * 8, 0);
    canvas.renderFrame();
    EXPECT_EQ(canvas.LastDrawnShapeCount(), before);
}

TEST(PlovanCanvas, ZeroSizeWidgetPaintsNothing) {
    TPlovanCanvas canvas;
    canvas.SetView(0, 1000, 1000, 0);
    canvas.resize(0, 0);
    QResizeEvent event(QSize(0, 0), QSize(400, 300));
    QApplication::sendEvent(&canvas, &event);
    EXPECT_TRUE(canvas.renderFrame().isNull());
    EXPECT_EQ(canvas.FWorldLeft, 0);
    EXPECT_EQ(canvas.FWorldRight, 1000);
    EXPECT_EQ(canvas.FWorldTop, 1000);
    EXPECT_EQ(canvas.FWorldBottom, 0);
    canvas.RebuildBackBuffer();  // refuses quietly
    EXPECT_TRUE(canvas.FBackBuffer.isNull() || canvas.FBackBuffer.width() != 0);
}

// The canvas's own file operations over real files: a drawing exported as
// DXF comes back through LoadDXF on its import layer, XYZ points land on the
// layer asked for, and files that are not there are refused.
TEST(PlovanCanvas, DrawingFileMembers) {
    phxtest::TempHome home;
    const QString dxf = QString::fromStdString(home.home() + "harbour.dxf");
    {
        TPlovanCanvas drawing;
        drawing.AddLine(500000, 4500000, 500010, 4500010, 0);
        drawing.AddPolyline({{500000, 4500000}, {500005, 4500002}, {500009, 4500007}}, 0, false);
        ASSERT_TRUE(drawing.ExportDXF(dxf));
        EXPECT_FALSE(drawing.ExportDXF(QString::fromStdString(home.home() + "none/out.dxf")));
    }
    TPlovanCanvas canvas;
    ASSERT_TRUE(canvas.LoadDXF(dxf));
    const int imported = canvas.FindLayer(QStringLiteral("_dxf_harbour.dxf"));
    ASSERT_GE(imported, 0);
    EXPECT_EQ(canvas.GetLayerShapeIds(imported).size(), 2u);
    EXPECT_FALSE(canvas.LoadDXF(QString::fromStdString(home.home() + "none.dxf")));

    const std::string xyz = home.home() + "points.xyz";
    phxtest::WriteAll(xyz, "500001 4500001 5.5\n500002 4500003 7.25\n");
    const int points = canvas.AddLayer(QStringLiteral("points"));
    ASSERT_TRUE(canvas.ImportXYZ(QString::fromStdString(xyz), points, 0, 0));
    EXPECT_EQ(canvas.GetLayerShapeIds(points).size(), 2u);
    EXPECT_FALSE(canvas.ImportXYZ(QString::fromStdString(home.home() + "none.xyz"), points, 0, 0));
}
