// Pure arithmetic of the map view: span limits, the 1-2-5 steps of the grid
// and the scale bar, grid line ranges by integer index, pixel rounding that
// never overflows, segment clipping in world or pixel doubles, and the colour
// a shape is drawn in against the background.
//
// World coordinates are metres (x east, y north); pixels count from the
// top-left corner of the control, y down. Colours are 0x00BBGGRR integers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace viewmath {

// The narrowest and the widest view span the canvas keeps. Below a
// millimetre the doubles of projected coordinates (millions of metres) no
// longer resolve a pixel; above 1e8 m the view is larger than the earth.
inline constexpr double kMinViewSpan = 1e-3;
inline constexpr double kMaxViewSpan = 1e8;

// The visible world rectangle.
struct ViewRect {
    double left = 0, right = 1000, top = 1000, bottom = 0;
    double width() const { return right - left; }
    double height() const { return top - bottom; }
    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

bool AllFinite(double a, double b, double c = 0, double d = 0);

// The pixel of world x (or y) in a view over `size` pixels: floor(v + 0.5)
// of size / span * offset, saturated at the int range (NaN gives the
// minimum); a span of exactly 0 counts as 1.
int WorldToPixelX(const ViewRect& view, int width, double x);
int WorldToPixelY(const ViewRect& view, int height, double y);
// The world point of a pixel; a size of 0 or less counts as 1.
void PixelToWorld(const ViewRect& view, int width, int height, int px, int py, double& x,
                  double& y);

// A span held within kMinViewSpan..kMaxViewSpan; a span that is not
// positive becomes the minimum.
double ClampSpan(double span);

// Both spans clamped about their centres. A rectangle with a non-finite edge
// is returned unchanged: callers refuse such views before they get here.
ViewRect ClampViewSpans(const ViewRect& view);

// p times 1, 2, 5 or 10, p = 10^floor(log10(target)), by the thresholds 1.5,
// 3.5 and 7.5 of target/p. 0 when target is not a positive finite number.
double NiceStep(double target);

// The automatic grid step of a view `viewWidth` wide: NiceStep(width / 4).
double AutoGridStep(double viewWidth);

// Grid lines k*step for k = first .. first+count-1, the lines from
// step*floor(lo/step) up to hi. Empty when the step is not positive, the
// edges are not finite, or more than `maxLines` lines would be drawn, so a
// tiny step can never stall a paint.
struct GridRange {
    int64_t first = 0;
    int64_t count = 0;
};
std::optional<GridRange> GridLines(double lo, double hi, double step, int64_t maxLines);

// The label of a grid line: "0.#" for steps of 1 or more, "0.###" below.
std::string GridLabel(double value, double step);

// The scale bar for a view `viewWidth` wide over `widthPx` pixels (a size of
// 0 counts as 1): the rounded length in metres, its bar length in pixels
// (clamped to 30..150) and its label ("2.0 km", "500 m", "20 cm").
struct ScaleBar {
    double niceMetres = 0;
    int lengthPx = 0;
    std::string label;
};
ScaleBar ScaleBarFor(double viewWidth, int widthPx);
std::string ScaleBarLabel(double niceMetres);

// floor(v + 0.5) as an int, saturated at the int range; NaN gives 0.
int RoundPixel(double v);

// Liang-Barsky clipping of the segment (x0, y0)-(x1, y1) to the box
// xmin..xmax by ymin..ymax, in place. False when nothing of it lies inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin,
                 double xmax, double ymax);

// 299 R + 587 G + 114 B of a 0x00BBGGRR colour (0 .. 255 000).
int Luminance(uint32_t colour);

// The colour a shape of colour `c` is drawn in on background `b`: unchanged
// when the colours differ by at least 60 in the sum of their component
// differences (a light colour on a light background included); else white
// on a background darker than luminance 129 000 and black on a lighter one.
uint32_t ContrastColor(uint32_t c, uint32_t background);

}  // namespace viewmath
