#include "canvas/ViewMath.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>

#include "platform/VclText.h"

namespace viewmath {

bool AllFinite(double a, double b, double c, double d) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

namespace {

int SaturatedFloor(double v) {
    const double r = std::floor(v);
    if (!(r > -2147483648.0)) return INT_MIN;
    if (r > 2147483647.0) return INT_MAX;
    return static_cast<int>(r);
}

}  // namespace

int WorldToPixelX(const ViewRect& view, int width, double x) {
    double dx = view.right - view.left;
    if (dx == 0) dx = 1;
    return SaturatedFloor(width / dx * (x - view.left) + 0.5);
}

int WorldToPixelY(const ViewRect& view, int height, double y) {
    double dy = view.top - view.bottom;
    if (dy == 0) dy = 1;
    return SaturatedFloor(height / dy * (view.top - y) + 0.5);
}

void PixelToWorld(const ViewRect& view, int width, int height, int px, int py, double& x,
                  double& y) {
    const double w = width > 0 ? width : 1;
    const double h = height > 0 ? height : 1;
    x = px * ((view.right - view.left) / w) + view.left;
    y = view.top - py * ((view.top - view.bottom) / h);
}

double ClampSpan(double span) {
    if (!(span >= kMinViewSpan)) return kMinViewSpan;  // also NaN and negative spans
    return std::min(span, kMaxViewSpan);
}

ViewRect ClampViewSpans(const ViewRect& view) {
    if (!AllFinite(view.left, view.right, view.top, view.bottom)) return view;
    auto clampAxis = [](double& low, double& high) {
        const double span = high - low;
        if (span == ClampSpan(span)) return;
        const double centre = low / 2 + high / 2, half = ClampSpan(span) / 2;
        low = centre - half;
        high = centre + half;
    };
    ViewRect out = view;
    clampAxis(out.left, out.right);
    clampAxis(out.bottom, out.top);
    return out;
}

double NiceStep(double target) {
    if (!(target > 0) || !std::isfinite(target)) return 0;
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    const double m = target / p;
    if (m < 1.5) return p;
    if (m < 3.5) return 2 * p;
    if (m < 7.5) return 5 * p;
    return 10 * p;
}

double AutoGridStep(double viewWidth) { return NiceStep(viewWidth * 0.25); }

std::optional<GridRange> GridLines(double lo, double hi, double step, int64_t maxLines) {
    if (!(step > 0) || !AllFinite(lo, hi, step)) return std::nullopt;
    // Beyond 2^53 line indices stop being exact integers.
    constexpr double kIndexLimit = 9007199254740992.0;
    const double a = std::floor(lo / step);
    const double b = std::floor(hi / step);
    if (!(std::fabs(a) < kIndexLimit) || !(std::fabs(b) < kIndexLimit)) return std::nullopt;
    const auto first = static_cast<int64_t>(a);
    auto last = static_cast<int64_t>(b);
    // Division rounding may put the last index one off the "x <= hi" rule.
    while (last >= first && static_cast<double>(last) * step > hi) --last;
    while (static_cast<double>(last + 1) * step <= hi) ++last;
    const int64_t count = std::max<int64_t>(0, last - first + 1);
    if (count > maxLines) return std::nullopt;
    return GridRange{first, count};
}

std::string GridLabel(double value, double step) {
    return platform::FormatFloat(step >= 1 ? "0.#" : "0.###", value);
}

std::string ScaleBarLabel(double nice) {
    using platform::FloatFormat;
    if (nice >= 1000) return platform::FloatToStrF(nice / 1000, FloatFormat::Fixed, 10, 1) + " km";
    if (nice >= 1) return platform::FloatToStrF(nice, FloatFormat::Fixed, 10, 0) + " m";
    return platform::FloatToStrF(nice * 100, FloatFormat::Fixed, 10, 0) + " cm";
}

ScaleBar ScaleBarFor(double viewWidth, int widthPx) {
    ScaleBar bar;
    const double u = viewWidth / std::max(widthPx, 1);
    bar.niceMetres = NiceStep(150 * u);
    const double n = u > 0 ? std::trunc(bar.niceMetres / u) : 150;
    bar.lengthPx = static_cast<int>(std::clamp(std::isfinite(n) ? n : 150.0, 30.0, 150.0));
    bar.label = ScaleBarLabel(bar.niceMetres);
    return bar;
}

int RoundPixel(double v) {
    const double r = std::floor(v + 0.5);
    if (!(r == r)) return 0;
    if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(r);
}

bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin,
                 double xmax, double ymax) {
    if (!AllFinite(x0, y0, x1, y1)) return false;
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0, t1 = 1;
    // One edge: p*t <= q keeps the part inside that edge.
    auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double t = q / p;
        if (p < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
        return true;
    };
    if (!edge(-dx, x0 - xmin) || !edge(dx, xmax - x0) || !edge(-dy, y0 - ymin) ||
        !edge(dy, ymax - y0))
        return false;
    const double ax = x0, ay = y0;
    if (t1 < 1) {
        x1 = ax + t1 * dx;
        y1 = ay + t1 * dy;
    }
    if (t0 > 0) {
        x0 = ax + t0 * dx;
        y0 = ay + t0 * dy;
    }
    return true;
}

int Luminance(uint32_t colour) {
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return 299 * r + 587 * g + 114 * b;
}

uint32_t ContrastColor(uint32_t c, uint32_t background) {
    // A colour that stands apart from the background is the one chosen: a
    // yellow float track stays yellow on white, though both are light.
    auto component = [](uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); };
    int distance = 0;
    for (int shift : {0, 8, 16}) distance += std::abs(component(c, shift) - component(background, shift));
    if (distance >= 60) return c;
    return Luminance(background) < 129000 ? 0xFFFFFF : 0;
}

}  // namespace viewmath
