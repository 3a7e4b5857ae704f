// The culling index of the shape pass: the ranges it hands out must cover
// every shape whose box meets the view (checked against a plain scan of
// random drawings), stay in drawing order, and follow changes of the list.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "canvas/PlovanShape.h"
#include "canvas/ShapeIndex.h"

namespace {

struct Drawing {
    std::vector<std::unique_ptr<TPlovanShape>> owned;
    std::vector<TPlovanShape*> shapes;
    TPlovanShape* Add(double x1, double y1, double x2, double y2) {
        owned.push_back(std::make_unique<TPlovanLine>(x1, y1, x2, y2, 0));
        shapes.push_back(owned.back().get());
        return shapes.back();
    }
};

bool Meets(const TPlovanShape& s, double l, double r, double b, double t) {
    return !(s.FMaxX < l || s.FMinX > r || s.FMaxY < b || s.FMinY > t);
}

// Positions visited by the index, checking order and disjointness.
std::vector<bool> Visited(const TShapeIndex& index, std::size_t n, double l, double r, double b,
                          double t) {
    std::vector<bool> seen(n, false);
    std::size_t previousEnd = 0;
    bool first = true;
    index.ForEachRangeInView(l, r, b, t, [&](std::size_t from, std::size_t to) {
        EXPECT_LT(from, to);
        EXPECT_LE(to, n);
        if (!first) {
            EXPECT_GT(from, previousEnd);  // maximal ranges never touch
        }
        first = false;
        previousEnd = to;
        for (std::size_t i = from; i < to; ++i) seen[i] = true;
    });
    return seen;
}

}  // namespace

TEST(RenderIndex, CoversEveryShapeThatMeetsTheView) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (int trial = 0; trial < 40; ++trial) {
        Drawing d;
        const int n = 1 + static_cast<int>(u(rng) * 3000);
        // Half the trials along a track (coherent runs), half scattered.
        double x = 0, y = 0;
        for (int i = 0; i < n; ++i) {
            if (trial % 2 == 0) {
                x += (u(rng) - 0.3) * 5;
                y += (u(rng) - 0.5) * 5;
            } else {
                x = u(rng) * 1000;
                y = u(rng) * 1000;
            }
            const double len = u(rng) < 0.01 ? 800 : u(rng) * 4;
            d.Add(x, y, x + len, y + len * (u(rng) - 0.5));
        }
        if (trial % 5 == 0) d.shapes[n / 2]->FMinX = std::numeric_limits<double>::quiet_NaN();
        TShapeIndex index;
        index.Refresh(d.shapes);
        ASSERT_FALSE(index.IsStale(d.shapes));
        for (int view = 0; view < 30; ++view) {
            const double l = u(rng) * 1200 - 600, w = u(rng) * 300;
            const double b = u(rng) * 1200 - 600, h = u(rng) * 300;
            const std::vector<bool> seen = Visited(index, d.shapes.size(), l, l + w, b, b + h);
            for (int i = 0; i < n; ++i) {
                const TPlovanShape& s = *d.shapes[i];
                const bool nan = std::isnan(s.FMinX);
                if (Meets(s, l, l + w, b, b + h) || nan) {
                    ASSERT_TRUE(seen[i]) << "trial " << trial << " shape " << i;
                }
            }
        }
    }
}

TEST(RenderIndex, ZoomedInViewsVisitFewRuns) {
    Drawing d;
    for (int i = 0; i < 64 * 100; ++i) d.Add(i, 0, i + 1, 1);  // a straight track
    TShapeIndex index;
    index.Refresh(d.shapes);
    EXPECT_EQ(index.RunCount(), 100u);
    std::size_t visited = 0;
    index.ForEachRangeInView(3000, 3010, -5, 5,
                             [&](std::size_t from, std::size_t to) { visited += to - from; });
    EXPECT_LE(visited, 2 * TShapeIndex::kRunLength);
    EXPECT_GE(visited, 1u);
}

TEST(RenderIndex, StaleWhenMarkedOrWhenTheListChanges) {
    Drawing d;
    d.Add(0, 0, 1, 1);
    TShapeIndex index;
    EXPECT_TRUE(index.IsStale(d.shapes));
    index.Refresh(d.shapes);
    EXPECT_FALSE(index.IsStale(d.shapes));

    d.Add(500, 500, 501, 501);  // appended
    EXPECT_TRUE(index.IsStale(d.shapes));
    index.Refresh(d.shapes);
    std::size_t visited = 0;
    index.ForEachRangeInView(499, 502, 499, 502, [&](std::size_t f, std::size_t t) { visited += t - f; });
    EXPECT_EQ(visited, 2u);

    // A shape moved in place needs the mark (the canvas sets it on redraw).
    auto* line = static_cast<TPlovanLine*>(d.shapes[0]);
    line->Move(2000, 2000);
    index.MarkStale();
    EXPECT_TRUE(index.IsStale(d.shapes));
    index.Refresh(d.shapes);
    visited = 0;
    index.ForEachRangeInView(-10, 10, -10, 10, [&](std::size_t f, std::size_t t) { visited += t - f; });
    EXPECT_EQ(visited, 0u);

    d.shapes.clear();
    index.Refresh(d.shapes);
    EXPECT_EQ(index.RunCount(), 0u);
    index.ForEachRangeInView(-1e9, 1e9, -1e9, 1e9, [&](std::size_t, std::size_t) { FAIL(); });
}
