#include "canvas/CanvasView.h"

#include <algorithm>

using viewmath::AllFinite;
using viewmath::ViewRect;

namespace {

// The client's width over its height, a size of 0 or less counting as 1.
double AspectOf(int width, int height) {
    return static_cast<double>(std::max(width, 1)) / std::max(height, 1);
}

// Grows the narrower span of `v` about its centre to the aspect `a`.
void GrowToAspect(ViewRect& v, double a) {
    const double dx = v.right - v.left, dy = v.top - v.bottom;
    if (dx / (dy > 0 ? dy : 1) > a) {
        const double cy = (v.top + v.bottom) / 2, half = dx / a / 2;
        v.bottom = cy - half;
        v.top = cy + half;
    } else {
        const double cx = (v.left + v.right) / 2, half = dy * a / 2;
        v.left = cx - half;
        v.right = cx + half;
    }
}

}  // namespace

bool TCanvasView::Set(const ViewRect& view) {
    if (!Show(view)) return false;
    FChosen = FRect;
    return true;
}

bool TCanvasView::Show(const ViewRect& view) {
    if (!AllFinite(view.left, view.right, view.top, view.bottom)) return false;
    const ViewRect v = viewmath::ClampViewSpans(view);
    // Far out (beyond about 1e12 m) a millimetre is below the resolution of a
    // double: such a view would have no width at all.
    if (!(v.width() >= viewmath::kMinViewSpan / 2) || !(v.height() >= viewmath::kMinViewSpan / 2))
        return false;
    FRect = v;
    return true;
}

bool TCanvasView::FitAspect() {
    if (FClientWidth <= 0 || FClientHeight <= 0) return false;
    ViewRect v = FChosen;
    GrowToAspect(v, static_cast<double>(FClientWidth) / FClientHeight);
    return Show(v);
}

bool TCanvasView::ShowBox(bool any, double minX, double minY, double maxX, double maxY) {
    const ViewRect fallback{0, 1000, 1000, 0};
    if (!any || maxX - minX == 0 || maxY - minY == 0) return Set(fallback);
    const double gx = (maxX - minX) * 0.05, gy = (maxY - minY) * 0.05;
    ViewRect v{minX - gx, maxX + gx, maxY + gy, minY - gy};
    GrowToAspect(v, AspectOf(FClientWidth, FClientHeight));
    return Set(v) || Set(fallback);
}

bool TCanvasView::ZoomAt(double factor, double x, double y) {
    if (!AllFinite(factor, x, y)) return false;
    double s = 1 - factor;
    if (s <= 0) s = 0.1;
    if (s > 10) s = 10;
    double w = FRect.width();
    if (!(w > 0)) w = 1;
    double h = FRect.height();
    if (!(h > 0)) h = 1;
    const double w2 = viewmath::ClampSpan(s * w);
    const double h2 = viewmath::ClampSpan(w2 / AspectOf(FClientWidth, FClientHeight));
    const double rx = (x - FRect.left) / w;
    const double ry = (y - FRect.bottom) / h;
    return Set({x - w2 * rx, x + w2 * (1 - rx), y + h2 * (1 - ry), y - h2 * ry});
}

bool TCanvasView::Pan(double dx, double dy) {
    if (!AllFinite(dx, dy)) return false;
    const ViewRect chosen{FChosen.left + dx, FChosen.right + dx, FChosen.top + dy,
                          FChosen.bottom + dy};
    if (!Show({FRect.left + dx, FRect.right + dx, FRect.top + dy, FRect.bottom + dy})) return false;
    FChosen = chosen;
    return true;
}

bool TCanvasView::CenterOn(double x, double y) {
    if (!AllFinite(x, y)) return false;
    const double hw = FRect.width() / 2, hh = FRect.height() / 2;
    const double cw = FChosen.width() / 2, ch = FChosen.height() / 2;
    if (!Show({x - hw, x + hw, y + hh, y - hh})) return false;
    FChosen = {x - cw, x + cw, y + ch, y - ch};
    return true;
}

int TCanvasView::WorldXToScreen(double x) const {
    return viewmath::WorldToPixelX(FRect, FClientWidth, x);
}

int TCanvasView::WorldYToScreen(double y) const {
    return viewmath::WorldToPixelY(FRect, FClientHeight, y);
}

void TCanvasView::ScreenToWorld(int px, int py, double& x, double& y) const {
    viewmath::PixelToWorld(FRect, FClientWidth, FClientHeight, px, py, x, y);
}

double TCanvasView::UnitsPerPixel() const {
    return FRect.width() / (FClientWidth > 0 ? FClientWidth : 1);
}
