#include "tools/RunlineGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using Route = std::vector<TPointD>;

void ExpectPoint(const TPointD& p, double x, double y, double tol = 1e-9) {
    EXPECT_NEAR(p.X, x, tol);
    EXPECT_NEAR(p.Y, y, tol);
}

TPointD Mid(const std::vector<TPointD>& line) {
    return {(line.front().X + line.back().X) / 2, (line.front().Y + line.back().Y) / 2};
}

double DistanceToPolyline(const TPointD& p, const Route& line) {
    double best = INFINITY;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        best = std::min(
            best, SegmentDistance(p.X, p.Y, line[i].X, line[i].Y, line[i + 1].X, line[i + 1].Y));
    return best;
}

TEST(RunlineGenerator, CrossLinesOfAStraightRoute) {
    const RunlineSet set = GenerateRunlineSet({{0, 0}, {25, 0}}, 10, 100, true);
    ASSERT_EQ(set.Lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(set.Lines[i].size(), 2u);
        // Left of the direction of travel first.
        ExpectPoint(set.Lines[i][0], 10.0 * i, 100);
        ExpectPoint(set.Lines[i][1], 10.0 * i, -100);
    }

    const RunlineSet slant = GenerateRunlineSet({{0, 0}, {30, 40}}, 10, 100, true);
    ASSERT_EQ(slant.Lines.size(), 6u);  // 0, 10, .. 50: the end of the segment too
    ExpectPoint(slant.Lines[0][0], -80, 60);
    ExpectPoint(slant.Lines[0][1], 80, -60);
    ExpectPoint(Mid(slant.Lines[5]), 30, 40);
}

TEST(RunlineGenerator, ParallelCopiesOnBothSides) {
    const RunlineSet set = GenerateRunlineSet({{0, 0}, {25, 0}}, 10, 100, false);
    ASSERT_EQ(set.Lines.size(), 20u);
    for (int j = 1; j <= 10; ++j) {
        ExpectPoint(set.Lines[2 * j - 2][0], 0, 10.0 * j);
        ExpectPoint(set.Lines[2 * j - 2][1], 25, 10.0 * j);
        ExpectPoint(set.Lines[2 * j - 1][1], 25, -10.0 * j);
    }
    EXPECT_TRUE(GenerateRunlineSet({{0, 0}, {25, 0}}, 10, 5, false).Lines.empty());
}

TEST(RunlineGenerator, SpacingsThatDoNotAddUpExactly) {
    // t = 0.1 * 3 is 0.30000000000000004, a little past the end.
    EXPECT_EQ(GenerateRunlineSet({{0, 0}, {0.3, 0}}, 0.1, 1, true).Lines.size(), 4u);
    // 0.3 / 0.1 is 2.9999999999999996.
    EXPECT_EQ(GenerateRunlineSet({{0, 0}, {5, 0}}, 0.1, 0.3, false).Lines.size(), 6u);
    // Many steps from the index, never summed: the last one is at the end.
    const RunlineSet many = GenerateRunlineSet({{0, 0}, {1000, 0}}, 0.02, 1, true);
    ASSERT_EQ(many.Lines.size(), 50001u);
    EXPECT_FALSE(many.TooMany());
    ExpectPoint(Mid(many.Lines.back()), 1000, 0, 1e-9);
}

TEST(RunlineGenerator, ShortAndTurningSegments) {
    // A zero-length first segment: no cross lines there, no normal at the
    // first vertex.
    const Route zero{{0, 0}, {0, 0}, {100, 0}};
    EXPECT_EQ(GenerateRunlineSet(zero, 50, 10, true).Lines.size(), 3u);
    const RunlineSet copies = GenerateRunlineSet(zero, 10, 10, false);
    ASSERT_EQ(copies.Lines.size(), 2u);
    ExpectPoint(copies.Lines[0][0], 0, 0);
    ExpectPoint(copies.Lines[0][1], 0, 10);
    ExpectPoint(copies.Lines[0][2], 100, 10);

    // A hairpin: the two normals cancel at the turn.
    const Route hairpin{{0, 0}, {100, 0}, {0, 0}};
    const RunlineSet turn = GenerateRunlineSet(hairpin, 10, 10, false);
    ASSERT_EQ(turn.Lines.size(), 2u);
    ExpectPoint(turn.Lines[0][0], 0, 10);
    ExpectPoint(turn.Lines[0][1], 100, 0);
    ExpectPoint(turn.Lines[0][2], 0, -10);
    EXPECT_EQ(GenerateRunlineSet(hairpin, 10, 10, true).Lines.size(), 22u);

    EXPECT_TRUE(GenerateRunlineSet({{5, 5}}, 10, 100, true).Lines.empty());
    EXPECT_EQ(CountRunlines({{5, 5}}, 10, 100, false), 0u);
}

TEST(RunlineGenerator, TooManyLinesMakeNone) {
    struct Case {
        Route route;
        double s, L;
        bool perpendicular;
        std::uint64_t wanted;
    } cases[] = {
        {{{0, 0}, {99999, 0}}, 1, 10, true, 100000},
        {{{0, 0}, {100000, 0}}, 1, 10, true, 100001},
        {{{0, 0}, {10, 0}}, 1, 50000, false, 100000},
        {{{0, 0}, {10, 0}}, 1, 50001, false, 100002},
        {{{0, 0}, {100, 0}}, 1e-300, 10, true, UINT64_MAX},
        {{{0, 0}, {100, 0}}, 1e-300, 1e300, false, UINT64_MAX},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(CountRunlines(k.route, k.s, k.L, k.perpendicular), k.wanted);
        const RunlineSet set = GenerateRunlineSet(k.route, k.s, k.L, k.perpendicular);
        EXPECT_EQ(set.Wanted, k.wanted);
        EXPECT_EQ(set.TooMany(), k.wanted > kMaxRunlines);
        EXPECT_EQ(set.Lines.size(), set.TooMany() ? 0u : k.wanted);
    }
}

// The offsets, mitre vertices and interpolated points that Shapely gives
// (runline_oracle.py made the table).
TEST(RunlineGenerator, AgreesWithShapely) {
    std::ifstream file(std::string(PHX_TEST_DATA_DIR) + "/runline_oracle.table");
    ASSERT_TRUE(file.is_open());
    std::string text;
    int offsets = 0, mitres = 0, crosses = 0;
    const auto readPoints = [](std::istringstream& in, std::size_t n) {
        Route r(n);
        for (TPointD& p : r) in >> p.X >> p.Y;
        return r;
    };
    while (std::getline(file, text)) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream in(text);
        std::string kind, side;
        in >> kind;
        SCOPED_TRACE(text);
        if (kind == "offset") {
            std::size_t n = 0, m = 0;
            double g = 0;
            in >> n;
            const Route route = readPoints(in, n);
            in >> g >> side >> m;
            const Route expected = readPoints(in, m);
            const RunlineSet set = GenerateRunlineSet(route, g, g, false);
            ASSERT_EQ(set.Lines.size(), 2u);
            const Route& got = set.Lines[side == "L" ? 0 : 1];
            ASSERT_EQ(got.size(), n);
            // Shapely drops collinear vertices: the same line, the same ends.
            const double tol = 1e-9 * std::max(1.0, std::fabs(route[0].X) + std::fabs(route[0].Y));
            ExpectPoint(got.front(), expected.front().X, expected.front().Y, tol);
            ExpectPoint(got.back(), expected.back().X, expected.back().Y, tol);
            for (const TPointD& p : got) EXPECT_LE(DistanceToPolyline(p, expected), tol);
            ++offsets;
        } else if (kind == "mitre") {
            const Route route = readPoints(in, 3);
            double g = 0;
            TPointD mitre;
            in >> g >> side >> mitre.X >> mitre.Y;
            const double a = std::atan2(route[1].Y - route[0].Y, route[1].X - route[0].X);
            const double b = std::atan2(route[2].Y - route[1].Y, route[2].X - route[1].X);
            const double theta = std::remainder(b - a, 2 * kShapePi);
            const double k = std::cos(theta / 2);
            const RunlineSet set = GenerateRunlineSet(route, g, g, false);
            ASSERT_EQ(set.Lines.size(), 2u);
            const TPointD& got = set.Lines[side == "L" ? 0 : 1][1];
            ExpectPoint(got, route[1].X + (mitre.X - route[1].X) * k,
                        route[1].Y + (mitre.Y - route[1].Y) * k, 1e-9);
            EXPECT_NEAR(std::hypot(got.X - route[1].X, got.Y - route[1].Y), g, 1e-9);
            ++mitres;
        } else if (kind == "cross") {
            const Route route = readPoints(in, 2);
            double s = 0;
            std::size_t n = 0;
            in >> s >> n;
            const Route expected = readPoints(in, n);
            const RunlineSet set = GenerateRunlineSet(route, s, 50, true);
            ASSERT_EQ(set.Lines.size(), n);
            for (std::size_t i = 0; i < n; ++i) {
                const TPointD mid = Mid(set.Lines[i]);
                ExpectPoint(mid, expected[i].X, expected[i].Y, 1e-9);
                const double dx = set.Lines[i][0].X - set.Lines[i][1].X;
                const double dy = set.Lines[i][0].Y - set.Lines[i][1].Y;
                EXPECT_NEAR(std::hypot(dx, dy), 100, 1e-9);
                // Square to the segment.
                EXPECT_NEAR(dx * (route[1].X - route[0].X) + dy * (route[1].Y - route[0].Y), 0,
                            1e-6);
            }
            ++crosses;
        }
    }
    EXPECT_GT(offsets, 10);
    EXPECT_GT(mitres, 4);
    EXPECT_GT(crosses, 3);
}

}  // namespace
