#include "canvas/ShapeIndex.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "canvas/PlovanShape.h"

namespace {

// The type codes (as bits) of the classes whose hit test (within the
// tolerance of a line, a rim, a box, a segment or a point) holds inside
// their box grown by the tolerance. Texts are hit to the right of their box
// and flat ellipses beyond it.
constexpr uint32_t kHitWithinBox =
    1u << ShapeType::Rectangle | 1u << ShapeType::RoundRect | 1u << ShapeType::Line |
    1u << ShapeType::Polyline | 1u << ShapeType::Polygon | 1u << ShapeType::Spline |
    1u << ShapeType::Arc | 1u << ShapeType::Point | 1u << ShapeType::Circle;

// The bit of a type code; bit 0 (no class) for codes beyond 31.
uint32_t TypeBit(int type) {
    const auto t = static_cast<uint32_t>(type);
    return t < 32 ? 1u << t : 1u;
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
    int widest = firstRun == 0 ? 0 : FMaxPenWidth;
    for (std::size_t r = firstRun; r < FRuns.size(); ++r) {
        Box box{kInf, kInf, -kInf, -kInf, false};
        bool unknown = false;
        uint32_t types = 0;
        const std::size_t end = std::min(n, (r + 1) * kRunLength);
        for (std::size_t i = r * kRunLength; i < end; ++i) {
            const TPlovanShape& s = *shapes[i];
            box.minX = std::min(box.minX, s.FMinX);
            box.minY = std::min(box.minY, s.FMinY);
            box.maxX = std::max(box.maxX, s.FMaxX);
            box.maxY = std::max(box.maxY, s.FMaxY);
            // NaN compares false everywhere; such a box must never be culled.
            unknown |= std::isnan(s.FMinX + s.FMinY + s.FMaxX + s.FMaxY);
            types |= TypeBit(s.FShapeType);
            widest = std::max(widest, s.FWidth);
        }
        box.reachesOut = (types & ~kHitWithinBox) != 0;
        if (unknown) box = Box{-kInf, -kInf, kInf, kInf, box.reachesOut};
        FRuns[r] = box;
    }
    FMaxPenWidth = widest;
    FSize = n;
    FValid = n;
}
