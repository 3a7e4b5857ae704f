#include "canvas/ShapeIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "canvas/PlovanShape.h"

namespace {

// The classes whose hit test (within the tolerance of a line, a rim, a box,
// a segment or a point) holds inside their box grown by the tolerance.
// Texts are hit to the right of their box and flat ellipses beyond it.
bool HitWithinBox(int type) {
    switch (type) {
        case ShapeType::Rectangle:
        case ShapeType::RoundRect:
        case ShapeType::Line:
        case ShapeType::Polyline:
        case ShapeType::Polygon:
        case ShapeType::Spline:
        case ShapeType::Arc:
        case ShapeType::Point:
        case ShapeType::Circle:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool TShapeIndex::IsStale(const std::vector<TPlovanShape*>& shapes) const {
    return FValid < FSize || shapes.size() != FSize;
}

void TShapeIndex::Refresh(const std::vector<TPlovanShape*>& shapes) {
    if (!IsStale(shapes)) return;
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::size_t n = shapes.size();
    const std::size_t firstRun = std::min({FValid, FSize, n}) / kRunLength;
    FRuns.resize((n + kRunLength - 1) / kRunLength);
    if (firstRun == 0) FMaxPenWidth = 0;
    for (std::size_t r = firstRun; r < FRuns.size(); ++r) {
        Box box{kInf, kInf, -kInf, -kInf, false};
        bool unknown = false;
        const std::size_t end = std::min(n, (r + 1) * kRunLength);
        for (std::size_t i = r * kRunLength; i < end; ++i) {
            const TPlovanShape& s = *shapes[i];
            box.minX = std::min(box.minX, s.FMinX);
            box.minY = std::min(box.minY, s.FMinY);
            box.maxX = std::max(box.maxX, s.FMaxX);
            box.maxY = std::max(box.maxY, s.FMaxY);
            // NaN compares false everywhere; such a box must never be culled.
            unknown |= std::isnan(s.FMinX + s.FMinY + s.FMaxX + s.FMaxY);
            box.reachesOut |= !HitWithinBox(s.FShapeType);
            FMaxPenWidth = std::max(FMaxPenWidth, s.FWidth);
        }
        if (unknown) box = Box{-kInf, -kInf, kInf, kInf, box.reachesOut};
        FRuns[r] = box;
    }
    FSize = n;
    FValid = n;
}
