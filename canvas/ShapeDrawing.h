// Drawing helpers the shape classes share: the pixel mapping of every Draw
// (floor(v + 0.5), saturated at +-1e9 so that far-away shapes cannot
// overflow), the point transforms, and the pen and brush of a shape.
#pragma once

#include <cmath>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanShape.h"

namespace shapedraw {

// floor(v + 0.5) as a pixel coordinate, saturated so that far-away shapes
// cannot overflow the integer.
inline int Pixel(double v) {
    const double r = std::floor(v + 0.5);
    if (!(r > -1e9)) return -1000000000;
    if (r > 1e9) return 1000000000;
    return static_cast<int>(r);
}

struct ViewMap {
    double left, top, sx, sy;
    ViewMap(double l, double r, double t, double b, int w, int h)
        : left(l), top(t), sx(w / (r - l)), sy(h / (t - b)) {}
    int X(double x) const { return Pixel((x - left) * sx); }
    int Y(double y) const { return Pixel((top - y) * sy); }
};

inline void RotatePoint(double& x, double& y, double cosA, double sinA, double cx, double cy) {
    const double dx = x - cx, dy = y - cy;
    x = cx + dx * cosA - dy * sinA;
    y = cy + dx * sinA + dy * cosA;
}

inline void ScalePoint(double& x, double& y, double sx, double sy, double cx, double cy) {
    x = sx * (x - cx) + cx;
    y = sy * (y - cy) + cy;
}

inline void PenFor(GdiCanvas& canvas, const TPlovanShape& s) {
    canvas.SetPenStyle(psSolid);
    canvas.SetPenColor(s.PenColor());
    canvas.SetPenWidth(s.FWidth);
}

inline void BrushFor(GdiCanvas& canvas, const TPlovanShape& s) {
    canvas.SetBrushColor(s.FFillColor);
    canvas.SetBrushStyle(s.FFillStyle);
}

}  // namespace shapedraw
