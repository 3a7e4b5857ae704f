// The polyline, polygon, spline and three-point arc of vertex lists.
#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanShape.h"
#include "canvas/ShapeDrawing.h"

using namespace shapedraw;

TPlovanPolyline::TPlovanPolyline(std::int32_t layerId, std::uint8_t closed) : Closed(closed) {
    FShapeType = ShapeType::Polyline + closed;
    FLayerId = layerId;
}

namespace {

QPoint Truncated(double x, double y) {
    auto t = [](double v) {
        const double r = std::trunc(v);
        return r > 1e9 ? 1000000000 : (r < -1e9 ? -1000000000 : static_cast<int>(r));
    };
    return QPoint(t(x), t(y));
}

}  // namespace

void TPlovanPolyline::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                           int width, int height) {
    if (FVisible != 1) return;
    const int n = Count();
    if (n < 2) return;
    const ViewMap m(left, right, top, bottom, width, height);
    PenFor(canvas, *this);
    BrushFor(canvas, *this);
    std::vector<QPoint> pix(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) pix[i] = QPoint(m.X(Points[i].X), m.Y(Points[i].Y));

    if (FShapeType == ShapeType::Arc && n == 3) {
        const QPoint p0 = pix[0], p1 = pix[1], p2 = pix[2];
        const QPoint bez[4] = {p0,
                               Truncated(p0.x() + 2.0 / 3.0 * (p1.x() - p0.x()),
                                         p0.y() + 2.0 / 3.0 * (p1.y() - p0.y())),
                               Truncated(p2.x() + 2.0 / 3.0 * (p1.x() - p2.x()),
                                         p2.y() + 2.0 / 3.0 * (p1.y() - p2.y())),
                               p2};
        canvas.PolyBezier(bez, 4);
        return;
    }
    if (FShapeType == ShapeType::Spline) {
        std::vector<QPoint> bez;
        bez.reserve(static_cast<std::size_t>(3 * (n - 1) + 1));
        bez.push_back(pix[0]);
        // The neighbours in doubles: the reflection of a pinned far-off
        // vertex lies beyond the integer range.
        auto at = [&pix](int k) { return QPointF(pix[static_cast<std::size_t>(k)]); };
        for (int i = 0; i + 1 < n; ++i) {
            const QPointF pi = at(i), pj = at(i + 1);
            const QPointF before = i > 0 ? at(i - 1) : 2.0 * at(0) - at(1);
            const QPointF after = i + 2 < n ? at(i + 2) : 2.0 * at(n - 1) - at(n - 2);
            bez.push_back(Truncated(pi.x() + (pj.x() - before.x()) / 6.0,
                                    pi.y() + (pj.y() - before.y()) / 6.0));
            bez.push_back(Truncated(pj.x() - (after.x() - pi.x()) / 6.0,
                                    pj.y() - (after.y() - pi.y()) / 6.0));
            bez.push_back(pix[static_cast<std::size_t>(i + 1)]);
        }
        canvas.PolyBezier(bez.data(), static_cast<int>(bez.size()));
        return;
    }
    if (n > 2 && Closed == 1)
        canvas.Polygon(pix.data(), n);
    else
        canvas.Polyline(pix.data(), n);
}

bool TPlovanPolyline::HitTest(double x, double y, double tolerance) const {
    // No segment comes nearer than the box does (the box is kept with the
    // vertices); this spares the segments of every far-away track.
    if (x < FMinX - tolerance || x > FMaxX + tolerance || y < FMinY - tolerance ||
        y > FMaxY + tolerance)
        return false;
    for (std::size_t i = 1; i < Points.size(); ++i) {
        const double x1 = Points[i - 1].X, y1 = Points[i - 1].Y;
        const double x2 = Points[i].X, y2 = Points[i].Y;
        if (x1 == x2 && y1 == y2) continue;
        if (SegmentDistance(x, y, x1, y1, x2, y2) <= tolerance) return true;
    }
    return false;
}

void TPlovanPolyline::UpdateBounds() {
    if (Points.empty()) return;
    double minX = Points[0].X, maxX = minX, minY = Points[0].Y, maxY = minY;
    for (const TPointD& p : Points) {
        minX = std::min(minX, p.X);
        maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    FMinX = minX;
    FMaxX = maxX;
    FMinY = minY;
    FMaxY = maxY;
}

void TPlovanPolyline::AddPoint(double x, double y) {
    Points.push_back(TPointD{x, y});
    // Growing the box gives what a full UpdateBounds would, without making
    // a long polyline quadratic to build.
    if (Points.size() == 1) {
        FMinX = FMaxX = x;
        FMinY = FMaxY = y;
    } else {
        FMinX = std::min(FMinX, x);
        FMaxX = std::max(FMaxX, x);
        FMinY = std::min(FMinY, y);
        FMaxY = std::max(FMaxY, y);
    }
}

double TPlovanPolyline::GetX(int i) const { return i >= 0 && i < Count() ? Points[i].X : 0.0; }

double TPlovanPolyline::GetY(int i) const { return i >= 0 && i < Count() ? Points[i].Y : 0.0; }

void TPlovanPolyline::SetPoint(int i, double x, double y) {
    if (i < 0 || i >= Count()) return;
    Points[i] = TPointD{x, y};
    UpdateBounds();
}

void TPlovanPolyline::Move(double dx, double dy) {
    for (TPointD& p : Points) {
        p.X += dx;
        p.Y += dy;
    }
    UpdateBounds();
}

void TPlovanPolyline::Scale(double sx, double sy, double cx, double cy) {
    for (TPointD& p : Points) ScalePoint(p.X, p.Y, sx, sy, cx, cy);
    UpdateBounds();
}

void TPlovanPolyline::Rotate(double angle, double cx, double cy) {
    const double a = angle * kShapePi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    for (TPointD& p : Points) RotatePoint(p.X, p.Y, c, s, cx, cy);
    UpdateBounds();
}
