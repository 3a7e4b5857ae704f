// The culling index of the map drawing: the shape list is cut into runs of
// kRunLength consecutive shapes, and each run keeps the union of its shapes'
// bounding boxes. Survey data arrives in order along the track and imported
// charts in file order, so consecutive shapes lie close together and a
// zoomed-in view meets only a few runs; the rendering then visits the shapes
// of those runs only.
//
// The index reads the bounding boxes, the pen widths and the type codes
// (the click's hit test finds its candidates through it too). It is brought
// up to date from the first run that changed: everything after MarkStale,
// the runs from a position on after MarkChangedFrom (a deletion or a reorder
// there), and the runs of shapes appended since the last refresh; so a
// survey that adds a point and clears a few shapes at the top of the drawing
// costs a run or two, not the whole drawing. A shape whose box holds a NaN
// is never culled (its run meets every view), as the per-shape test would
// not cull it either.
#pragma once

#include <cstddef>
#include <limits>
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
    // The shapes at the head of the list the index still describes.
    std::size_t FreshCount() const { return FValid < FSize ? FValid : FSize; }
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

    // Calls visit(first, last) for the ranges [first, last) of shape
    // positions, from the top of the drawing down, whose runs may hold a
    // shape hit at (x, y) by a click `unitsPerPixel` world units a pixel
    // wide, until visit returns true. A shape is hit within 3 pixels, or its
    // pen width when wider, of its box; texts and ellipses reach further and
    // their runs are always visited. The index must be fresh.
    template <class Visit>
    void ForEachRangeNear(double x, double y, double unitsPerPixel, Visit&& visit) const {
        // Twice the widest tolerance, so that no rounding of it misses.
        double reach = 2 * (FMaxPenWidth > 3 ? FMaxPenWidth : 3) * unitsPerPixel;
        if (!(reach >= 0)) reach = std::numeric_limits<double>::infinity();
        for (std::size_t r = FRuns.size(); r-- > 0;) {
            const Box& b = FRuns[r];
            if (!b.reachesOut && Outside(b, x - reach, x + reach, y - reach, y + reach)) continue;
            const std::size_t last = (r + 1) * kRunLength < FSize ? (r + 1) * kRunLength : FSize;
            if (visit(r * kRunLength, last)) return;
        }
    }
    // A shape's pen changed in place to `width` pixels.
    void NoteWidth(int width) {
        if (width > FMaxPenWidth) FMaxPenWidth = width;
    }

    std::size_t RunCount() const { return FRuns.size(); }

private:
    struct Box {
        double minX, minY, maxX, maxY;
        bool reachesOut;  // holds a shape hit beyond its box grown by the tolerance
    };
    static bool Outside(const Box& b, double left, double right, double bottom, double top) {
        return b.maxX < left || b.minX > right || b.maxY < bottom || b.minY > top;
    }

    std::vector<Box> FRuns;
    std::size_t FSize = 0;   // shapes the runs describe
    std::size_t FValid = 0;  // of them, the leading ones still in place
    int FMaxPenWidth = 0;    // at least the widest pen of the shapes
};
