// The border band of a window without a frame: the 6 pixels along each edge
// in which a press resizes the window as a frame would, and the cursor each
// part of the band shows. Coordinates are client pixels, (0, 0) top-left.
#pragma once

#include <Qt>

// The system's hit codes for the parts of a frame.
enum BorderHit {
    htNone = 0,  // inside, away from the band
    htLeft = 10,
    htRight = 11,
    htTop = 12,
    htTopLeft = 13,
    htTopRight = 14,
    htBottom = 15,
    htBottomLeft = 16,
    htBottomRight = 17,
};

inline constexpr int kBorderBand = 6;

// The part of the band that (x, y) lies in on a client of width w and
// height h; corners before edges.
BorderHit BorderHitAt(int x, int y, int w, int h);

// The window edges a resize from that part moves (none for htNone).
Qt::Edges EdgesOf(BorderHit hit);

// The sizing cursor of that part (the arrow for htNone).
Qt::CursorShape CursorOf(BorderHit hit);
