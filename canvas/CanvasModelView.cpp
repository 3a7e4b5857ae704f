// The view operations of the canvas model: each forwards to the view and
// marks the change when the view took it.
#include <algorithm>

#include "canvas/CanvasModel.h"

const TCanvasView& TCanvasModel::View() const {
    // The widget's size is Qt's to change, with no event while it is hidden,
    // so the view takes it afresh at every use.
    FView.SetClientSize(ClientWidth(), ClientHeight());
    return FView;
}

bool TCanvasModel::ApplyView(const viewmath::ViewRect& view) {
    if (!FView.Set(view)) return false;
    ViewChanged();
    return true;
}

void TCanvasModel::SetView(double left, double top, double right, double bottom) {
    ApplyView({left, right, top, bottom});
}

void TCanvasModel::Resize() {
    if (OnResize) OnResize(this);
    View();
    FView.FitAspect();
    ViewChanged();  // also at zero size, which keeps the view
}

void TCanvasModel::ZoomExtents() {
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
    View();
    if (FView.ShowBox(any, minX, minY, maxX, maxY)) ViewChanged();
}

void TCanvasModel::ZoomAt(double factor, double x, double y) {
    View();
    if (FView.ZoomAt(factor, x, y)) ViewChanged();
}

void TCanvasModel::Pan(double dx, double dy) {
    if (FView.Pan(dx, dy)) ViewChanged();
}

void TCanvasModel::CenterOn(double x, double y) {
    if (FView.CenterOn(x, y)) ViewChanged();
}

void TCanvasModel::WheelAt(int px, int py, int delta) {
    if (delta == 0) return;
    double x = 0, y = 0;
    ScreenToWorld(px, py, x, y);
    ZoomAt(delta > 0 ? 0.1 : -0.1, x, y);
}

void TCanvasModel::WorldToScreen(double x, double y, int& px, int& py) const {
    const TCanvasView& v = View();
    px = v.WorldXToScreen(x);
    py = v.WorldYToScreen(y);
}

int TCanvasModel::WorldXToScreen(double x) const { return View().WorldXToScreen(x); }

int TCanvasModel::WorldYToScreen(double y) const { return View().WorldYToScreen(y); }

void TCanvasModel::ScreenToWorld(int px, int py, double& x, double& y) const {
    View().ScreenToWorld(px, py, x, y);
}
