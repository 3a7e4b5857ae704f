// Drawing at pixel positions held in doubles, for overlays and clipped
// shapes whose ends may lie far beyond the client area: lines are clipped in
// doubles to the client area grown by a margin before they become integer
// pixels, positions are pinned to it, and circles too large for the painter
// are drawn as the part of their outline near the client area. No integer
// pixel ever leaves the painter's range, whatever the view.
#pragma once

#include "canvas/GdiCanvas.h"

class TCanvasModel;

namespace pixeldraw {

// Far enough out that a clipped end never shows, well inside the painter's
// coordinate range.
constexpr double kClipMarginPx = 1e6;

// The client mapping of the view in doubles (rounding comes after
// clipping); a span of exactly 0 counts as 1. X and Y give what
// WorldToScreen rounds.
struct PixelMap {
    double left, top, sx, sy;
    PixelMap(const TCanvasModel& m, int w, int h);
    double X(double x) const { return (x - left) * sx; }
    double Y(double y) const { return (top - y) * sy; }
};

// A line between pixel positions, clipped to the client area grown by the
// margin; nothing when no part of it is there or an end is not finite.
void ClippedLine(GdiCanvas& canvas, double x0, double y0, double x1, double y1, int w, int h);

// The pixel nearest v within the client size grown by the margin.
int PinnedPixel(double v, int size);

// The outline of the circle of radius r around (cx, cy) with the current
// pen and a clear inside: an ellipse when it fits the margin, else short
// chords along the part of it that meets the client area.
void ClippedCircle(GdiCanvas& canvas, double cx, double cy, double r, int w, int h);

}  // namespace pixeldraw
