// Reading drawn pixels back from offscreen images in the canvas tests.
#pragma once

#include <QImage>
#include <algorithm>
#include <set>
#include <utility>

#include "canvas/GdiCanvas.h"

namespace pixelprobe {

using PixelSet = std::set<std::pair<int, int>>;

inline TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)); }

// Every pixel that is not white.
inline PixelSet Ink(const QImage& image) {
    PixelSet ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != clWhite) ink.insert({x, y});
    return ink;
}

// The pixels x1..x2 by y1..y2, both ends included.
inline PixelSet Box(int x1, int y1, int x2, int y2) {
    PixelSet s;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) s.insert({x, y});
    return s;
}

struct Bounds {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
};

inline Bounds BoundsOf(const PixelSet& s) {
    Bounds b;
    for (auto [x, y] : s) {
        b.minX = std::min(b.minX, x);
        b.maxX = std::max(b.maxX, x);
        b.minY = std::min(b.minY, y);
        b.maxY = std::max(b.maxY, y);
    }
    return b;
}

}  // namespace pixelprobe
