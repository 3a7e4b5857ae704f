// The widget shell of the map canvas and its view operations.
#include "canvas/PlovanCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/HandlerGuard.h"

using viewmath::AllFinite;
using viewmath::ViewRect;

TPlovanCanvas::TPlovanCanvas(QWidget* parent) : QWidget(parent) {
    resize(400, 300);
    setFocusPolicy(Qt::StrongFocus);
    // Every paint covers the whole client area with the back buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPlovanCanvas::~TPlovanCanvas() = default;

// ---------------------------------------------------------------------------
// Hooks of the model

void TPlovanCanvas::Redraw() {
    TCanvasModel::Redraw();  // invalidates too
    FShapeIndex.MarkStale();
}

void TPlovanCanvas::Invalidate() {
    TCanvasModel::Invalidate();
    ScheduleUpdate();
}

void TPlovanCanvas::ScheduleUpdate() {
    // One pending paint covers every change until it runs: asking Qt again
    // for each of a million shapes a file adds costs more than reading them.
    // A hidden canvas is painted whole when it is shown.
    if (FUpdatePending || !isVisible()) return;
    FUpdatePending = true;
    update();
}

void TPlovanCanvas::Repaint() {
    TCanvasModel::Repaint();
    repaint();
}

void TPlovanCanvas::RestoreDefaultCursor() {
    TCanvasModel::RestoreDefaultCursor();
    unsetCursor();
}

// ---------------------------------------------------------------------------
// View

bool TPlovanCanvas::ApplyView(const ViewRect& view) {
    if (!AllFinite(view.left, view.right, view.top, view.bottom)) return false;
    const ViewRect v = viewmath::ClampViewSpans(view);
    // Far out (beyond about 1e12 m) a millimetre is below the resolution of a
    // double: such a view would have no width at all.
    if (!(v.width() >= viewmath::kMinViewSpan / 2) || !(v.height() >= viewmath::kMinViewSpan / 2))
        return false;
    FWorldLeft = v.left;
    FWorldRight = v.right;
    FWorldTop = v.top;
    FWorldBottom = v.bottom;
    ViewChanged();
    return true;
}

void TPlovanCanvas::ViewChanged() {
    FNeedsRedraw = true;
    ScheduleUpdate();
}

void TPlovanCanvas::Resize() {
    // Edges written from outside (a damaged settings file) that are not
    // numbers give way to the default view before anything is kept.
    if (!AllFinite(FWorldLeft, FWorldRight, FWorldTop, FWorldBottom)) {
        FWorldLeft = FWorldBottom = 0;
        FWorldRight = FWorldTop = 1000;
    }
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) {
        ViewChanged();  // a control of zero size keeps its view
        return;
    }
    const double a = static_cast<double>(w) / h;
    const double dx = FWorldRight - FWorldLeft;
    const double dy = FWorldTop - FWorldBottom;
    ViewRect v = View();
    if (dx / (dy > 0 ? dy : 1) > a) {
        const double cy = (FWorldTop + FWorldBottom) / 2, half = dx / a / 2;
        v.bottom = cy - half;
        v.top = cy + half;
    } else {
        const double cx = (FWorldLeft + FWorldRight) / 2, half = dy * a / 2;
        v.left = cx - half;
        v.right = cx + half;
    }
    if (!ApplyView(v)) ViewChanged();
}

void TPlovanCanvas::ZoomExtents() {
    const ViewRect fallback{0, 1000, 1000, 0};
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const TPlovanShape* s : FShapes) {
        if (s->FVisible != 1) continue;
        // Boxes beyond 1e15 m are garbage from a file, not a drawing.
        if (!(s->FMinX >= -1e15 && s->FMaxX <= 1e15 && s->FMinY >= -1e15 && s->FMaxY <= 1e15 &&
              s->FMinX <= s->FMaxX && s->FMinY <= s->FMaxY))
            continue;
        if (!any) {
            minX = s->FMinX, minY = s->FMinY, maxX = s->FMaxX, maxY = s->FMaxY;
            any = true;
        } else {
            minX = std::min(minX, s->FMinX);
            minY = std::min(minY, s->FMinY);
            maxX = std::max(maxX, s->FMaxX);
            maxY = std::max(maxY, s->FMaxY);
        }
    }
    if (!any || maxX - minX == 0 || maxY - minY == 0) {
        ApplyView(fallback);
        return;
    }
    const double gx = (maxX - minX) * 0.05, gy = (maxY - minY) * 0.05;
    ViewRect v{minX - gx, maxX + gx, maxY + gy, minY - gy};
    const double vw = v.right - v.left, vh = v.top - v.bottom;
    const double m = vw / (vh > 0 ? vh : 1);
    const double a = static_cast<double>(std::max(width(), 1)) / std::max(height(), 1);
    if (m > a) {
        const double cy = (v.top + v.bottom) / 2, half = vw / a / 2;
        v.bottom = cy - half;
        v.top = cy + half;
    } else {
        const double cx = (v.left + v.right) / 2, half = vh * a / 2;
        v.left = cx - half;
        v.right = cx + half;
    }
    if (!ApplyView(v)) ApplyView(fallback);
}

void TPlovanCanvas::ZoomAt(double factor, double x, double y) {
    if (!AllFinite(factor, x, y)) return;
    double s = 1 - factor;
    if (s <= 0) s = 0.1;
    if (s > 10) s = 10;
    double w = FWorldRight - FWorldLeft;
    if (!(w > 0)) w = 1;
    double h = FWorldTop - FWorldBottom;
    if (!(h > 0)) h = 1;
    const double aspect = static_cast<double>(std::max(width(), 1)) / std::max(height(), 1);
    // The new height follows from the new width and the control's aspect.
    const double w2 = viewmath::ClampSpan(s * w);
    const double h2 = viewmath::ClampSpan(w2 / aspect);
    const double rx = (x - FWorldLeft) / w;
    const double ry = (y - FWorldBottom) / h;
    ApplyView({x - w2 * rx, x + w2 * (1 - rx), y + h2 * (1 - ry), y - h2 * ry});
}

void TPlovanCanvas::Pan(double dx, double dy) {
    if (!AllFinite(dx, dy)) return;
    ApplyView({FWorldLeft + dx, FWorldRight + dx, FWorldTop + dy, FWorldBottom + dy});
}

void TPlovanCanvas::CenterOn(double x, double y) {
    if (!AllFinite(x, y)) return;
    const double hw = (FWorldRight - FWorldLeft) / 2, hh = (FWorldTop - FWorldBottom) / 2;
    ApplyView({x - hw, x + hw, y + hh, y - hh});
}

void TPlovanCanvas::SetView(double left, double top, double right, double bottom) {
    ApplyView({left, right, top, bottom});
}

void TPlovanCanvas::WheelAt(int px, int py, int delta) {
    if (delta == 0) return;
    double x = 0, y = 0;
    ScreenToWorld(px, py, x, y);
    ZoomAt(delta > 0 ? 0.1 : -0.1, x, y);
}

// ---------------------------------------------------------------------------
// Settings of the drawing

void TPlovanCanvas::SetBackgroundColor(TColor colour) {
    if (colour == FBackgroundColor) return;
    FBackgroundColor = colour;
    FNeedsRedraw = true;
    Invalidate();
    Repaint();
}

void TPlovanCanvas::SetGridAutoScale(bool on) {
    FGridAutoScale = on ? 1 : 0;
    ViewChanged();
}

// ---------------------------------------------------------------------------
// Widget events

void TPlovanCanvas::paintEvent(QPaintEvent*) {
    FUpdatePending = false;
    platform::GuardHandler([this] {
        const QImage frame = renderFrame();
        if (frame.isNull()) return;
        QPainter painter(this);
        painter.drawImage(0, 0, frame);
    });
}

void TPlovanCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    platform::GuardHandler([this] { Resize(); });
}

void TPlovanCanvas::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();  // a sideways scroll is not a zoom
        return;
    }
    const QPoint at = event->position().toPoint();
    platform::GuardHandler([&] { WheelAt(at.x(), at.y(), delta); });
    event->accept();
}
