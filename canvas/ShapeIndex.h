// The culling index of the map drawing: the shape list is cut into runs of
// kRunLength consecutive shapes, and each run keeps the union of its shapes'
// bounding boxes. Survey data arrives in order along the track and imported
// charts in file order, so consecutive shapes lie close together and a
// zoomed-in view meets only a few runs; the rendering then visits the shapes
// of those runs only.
//
// The index reads nothing but the bounding boxes. It is brought up to date
// from the first run that changed: everything after MarkStale, the runs from
// a position on after MarkChangedFrom (a deletion or a reorder there), and
// the runs of shapes appended since the last refresh; so a survey that adds
// a point and clears a few shapes at the top of the drawing costs a run or
// two, not the whole drawing. A shape whose box holds a NaN is never culled
// (its run meets every view), as the per-shape test would not cull it either.
#pragma once

#include <cstddef>
#include <vector>

class TPlovanShape;

class TShapeIndex {
public:
    static constexpr std::size_t kRunLength = 64;

    void MarkStale() { FValid = 0; }
    // The shapes from `position` on are not the ones the index saw.
    void MarkChangedFrom(std::size_t position) {
        if (position < FValid) FValid = position;
    }
    bool IsStale(const std::vector<TPlovanShape*>& shapes) const;
    // Rebuilds the run boxes from the first changed run when IsStale.
    void Refresh(const std::vector<TPlovanShape*>& shapes);

    // Calls visit(first, last) for each maximal range [first, last) of shape
    // positions whose runs meet the view box, in drawing order. The index
    // must be fresh for `shapes`.
    template <class Visit>
    void ForEachRangeInView(double left, double right, double bottom, double top,
                            Visit&& visit) const {
        const std::size_t runs = FRuns.size();
        std::size_t r = 0;
        while (r < runs) {
            while (r < runs && Outside(FRuns[r], left, right, bottom, top)) ++r;
            if (r == runs) break;
            const std::size_t start = r;
            while (r < runs && !Outside(FRuns[r], left, right, bottom, top)) ++r;
            const std::size_t last = r * kRunLength < FSize ? r * kRunLength : FSize;
            visit(start * kRunLength, last);
        }
    }

    std::size_t RunCount() const { return FRuns.size(); }

private:
    struct Box {
        double minX, minY, maxX, maxY;
    };
    static bool Outside(const Box& b, double left, double right, double bottom, double top) {
        return b.maxX < left || b.minX > right || b.maxY < bottom || b.minY > top;
    }

    std::vector<Box> FRuns;
    std::size_t FSize = 0;   // shapes the runs describe
    std::size_t FValid = 0;  // of them, the leading ones still in place
};
