#include "canvas/PixelDrawing.h"

#include <algorithm>
#include <cmath>

#include "canvas/CanvasModel.h"
#include "canvas/ViewMath.h"

namespace pixeldraw {

using viewmath::RoundPixel;

PixelMap::PixelMap(const TCanvasModel& m, int w, int h) : left(m.FWorldLeft), top(m.FWorldTop) {
    const double dx = m.FWorldRight - m.FWorldLeft, dy = m.FWorldTop - m.FWorldBottom;
    sx = w / (dx == 0 ? 1 : dx);
    sy = h / (dy == 0 ? 1 : dy);
}

void ClippedLine(GdiCanvas& canvas, double x0, double y0, double x1, double y1, int w, int h) {
    if (!viewmath::ClipSegment(x0, y0, x1, y1, -kClipMarginPx, -kClipMarginPx, w + kClipMarginPx,
                               h + kClipMarginPx))
        return;
    canvas.MoveTo(RoundPixel(x0), RoundPixel(y0));
    canvas.LineTo(RoundPixel(x1), RoundPixel(y1));
}

int PinnedPixel(double v, int size) {
    return RoundPixel(std::clamp(v, -kClipMarginPx, size + kClipMarginPx));
}

void ClippedCircle(GdiCanvas& canvas, double cx, double cy, double r, int w, int h) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !(r >= 0) || !std::isfinite(r)) return;
    canvas.SetBrushStyle(bsClear);
    const auto fits = [](double lo, double hi, int size) {
        return lo >= -kClipMarginPx && hi <= size + kClipMarginPx;
    };
    if (fits(cx - r, cx + r, w) && fits(cy - r, cy + r, h)) {
        canvas.Ellipse(RoundPixel(cx - r), RoundPixel(cy - r), RoundPixel(cx + r),
                       RoundPixel(cy + r));
        return;
    }
    // The outline meets the client area only between the nearest and the
    // farthest of its points from the centre.
    const double nearest =
        std::hypot(std::clamp(cx, 0.0, double(w)) - cx, std::clamp(cy, 0.0, double(h)) - cy);
    const double farthest = std::hypot(std::max(std::fabs(cx), std::fabs(cx - w)),
                                       std::max(std::fabs(cy), std::fabs(cy - h)));
    if (r < nearest - 1 || r > farthest + 1) return;
    // The centre lies far outside (a circle around a centre inside would
    // have fitted): the client area is seen from it within less than a half
    // turn, about the direction of its middle.
    const double toMiddle = std::atan2(h / 2.0 - cy, w / 2.0 - cx);
    double from = 0, to = 0;
    for (const double x : {0.0, double(w)}) {
        for (const double y : {0.0, double(h)}) {
            const double a = std::remainder(std::atan2(y - cy, x - cx) - toMiddle, 2 * M_PI);
            from = std::min(from, a);
            to = std::max(to, a);
        }
    }
    constexpr int kChords = 256;
    double px = cx + r * std::cos(toMiddle + from), py = cy + r * std::sin(toMiddle + from);
    for (int i = 1; i <= kChords; ++i) {
        const double a = toMiddle + from + (to - from) * i / kChords;
        const double nx = cx + r * std::cos(a), ny = cy + r * std::sin(a);
        ClippedLine(canvas, px, py, nx, ny, w, h);
        px = nx, py = ny;
    }
}

}  // namespace pixeldraw
