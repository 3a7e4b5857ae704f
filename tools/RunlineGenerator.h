// Survey lines along a route, in world metres (x east, y north).
//
// Perpendicular: cross lines of half length L on both sides of the route, at
// the start of every segment and then every s metres along it (t = i * s
// while t <= w, measured afresh from each segment's start), each from
// Q + L * m to Q - L * m with m the segment's left unit normal. A segment
// whose length is a multiple of s also gets one at its end. Segments shorter
// than 1 mm are skipped.
//
// Parallel: k = floor(L / s) pairs of offset copies of the route, at
// g = j * s (j = 1 .. k), the left copy first. Each vertex moves along its
// own unit normal: the left normal of the first and last segment at the
// ends, the normalised mean of the two segments' left normals between them
// (a normal of 1 mm or less is used as it is; a segment shorter than 1 mm
// gives none). At a bend the copy therefore comes closer than g.
//
// Both comparisons (t <= w and the quotient L / s) allow a relative
// tolerance of 1e-9, so spacings such as 0.1 in 0.3 give the end line.
// Nothing is generated when more than kMaxRunlines lines would be: the
// result says how many that would have been.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas/PlovanShape.h"

inline constexpr std::uint64_t kMaxRunlines = 100000;

struct RunlineSet {
    std::vector<std::vector<TPointD>> Lines;  // in the order they are added
    std::uint64_t Wanted = 0;                 // lines the settings ask for
    bool TooMany() const { return Wanted > kMaxRunlines; }
};

// Lines the settings ask for, without making them; saturates at UINT64_MAX.
// spacing and length must be positive and finite.
std::uint64_t CountRunlines(const std::vector<TPointD>& route, double spacing, double length,
                            bool perpendicular);

// The lines, or none with Wanted set when they are too many or the route
// has fewer than 2 points.
RunlineSet GenerateRunlineSet(const std::vector<TPointD>& route, double spacing, double length,
                              bool perpendicular);
