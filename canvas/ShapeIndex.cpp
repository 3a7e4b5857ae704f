#include "canvas/ShapeIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "canvas/PlovanShape.h"

bool TShapeIndex::IsStale(const std::vector<TPlovanShape*>& shapes) const {
    return FValid < FSize || shapes.size() != FSize;
}

void TShapeIndex::Refresh(const std::vector<TPlovanShape*>& shapes) {
    if (!IsStale(shapes)) return;
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::size_t n = shapes.size();
    const std::size_t firstRun = std::min({FValid, FSize, n}) / kRunLength;
    FRuns.resize((n + kRunLength - 1) / kRunLength);
    for (std::size_t r = firstRun; r < FRuns.size(); ++r) {
        Box box{kInf, kInf, -kInf, -kInf};
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
        }
        if (unknown) box = Box{-kInf, -kInf, kInf, kInf};
        FRuns[r] = box;
    }
    FSize = n;
    FValid = n;
}
