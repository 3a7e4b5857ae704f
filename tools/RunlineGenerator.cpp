#include "tools/RunlineGenerator.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kTolerance = 1e-9;  // relative
constexpr double kShortSegment = 0.001;

// floor(q * (1 + tolerance)) as a count, saturated.
std::uint64_t TolerantFloor(double q) {
    const double f = std::floor(q * (1 + kTolerance));
    if (!(f >= 0)) return 0;
    if (f >= 1.8e19) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(f);
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    return a > max - b ? max : a + b;
}

TPointD LeftNormal(const TPointD& a, const TPointD& b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double w = std::hypot(dx, dy);
    if (w < kShortSegment) return {0, 0};
    return {-dy / w, dx / w};
}

// Crosses at t = i * s for i = 0 .. n - 1 along a segment of length w.
std::uint64_t CrossesOnSegment(double w, double s) {
    if (w < kShortSegment) return 0;
    return SaturatingAdd(TolerantFloor(w / s), 1);
}

}  // namespace

std::uint64_t CountRunlines(const std::vector<TPointD>& route, double spacing, double length,
                            bool perpendicular) {
    if (route.size() < 2) return 0;
    if (!perpendicular) {
        const std::uint64_t k = TolerantFloor(length / spacing);
        return k > std::numeric_limits<std::uint64_t>::max() / 2
                   ? std::numeric_limits<std::uint64_t>::max()
                   : 2 * k;
    }
    std::uint64_t n = 0;
    for (std::size_t i = 0; i + 1 < route.size(); ++i) {
        const double w = std::hypot(route[i + 1].X - route[i].X, route[i + 1].Y - route[i].Y);
        n = SaturatingAdd(n, CrossesOnSegment(w, spacing));
    }
    return n;
}

RunlineSet GenerateRunlineSet(const std::vector<TPointD>& route, double spacing, double length,
                              bool perpendicular) {
    RunlineSet set;
    if (route.size() < 2) return set;
    set.Wanted = CountRunlines(route, spacing, length, perpendicular);
    if (set.TooMany()) return set;
    set.Lines.reserve(static_cast<std::size_t>(set.Wanted));
    const std::size_t n = route.size();

    if (perpendicular) {
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const TPointD& p = route[i];
            const double dx = route[i + 1].X - p.X, dy = route[i + 1].Y - p.Y;
            const double w = std::hypot(dx, dy);
            const std::uint64_t count = CrossesOnSegment(w, spacing);
            const TPointD m = LeftNormal(p, route[i + 1]);
            for (std::uint64_t j = 0; j < count; ++j) {
                // t from the index, never summed: no drift over many steps.
                const double t = static_cast<double>(j) * spacing;
                const TPointD q{p.X + dx * t / w, p.Y + dy * t / w};
                set.Lines.push_back({{q.X + length * m.X, q.Y + length * m.Y},
                                     {q.X - length * m.X, q.Y - length * m.Y}});
            }
        }
        return set;
    }

    std::vector<TPointD> normals(n);
    normals[0] = LeftNormal(route[0], route[1]);
    normals[n - 1] = LeftNormal(route[n - 2], route[n - 1]);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const TPointD a = LeftNormal(route[i - 1], route[i]);
        const TPointD b = LeftNormal(route[i], route[i + 1]);
        TPointD mean{(a.X + b.X) / 2, (a.Y + b.Y) / 2};
        const double len = std::hypot(mean.X, mean.Y);
        if (len > kShortSegment) mean = {mean.X / len, mean.Y / len};
        normals[i] = mean;
    }
    const std::uint64_t k = set.Wanted / 2;
    for (std::uint64_t j = 1; j <= k; ++j) {
        const double g = static_cast<double>(j) * spacing;
        std::vector<TPointD> left(n), right(n);
        for (std::size_t i = 0; i < n; ++i) {
            left[i] = {route[i].X + g * normals[i].X, route[i].Y + g * normals[i].Y};
            right[i] = {route[i].X - g * normals[i].X, route[i].Y - g * normals[i].Y};
        }
        set.Lines.push_back(std::move(left));
        set.Lines.push_back(std::move(right));
    }
    return set;
}
