// The echogram: the last corrected high-frequency depths drawn as a water
// column over time, oldest at the left, depth growing downward, with a depth
// grid and the current depth in a yellow box. Depths are metres, 0 meaning
// "no depth"; rows are pixels from the top of the image.
#pragma once

#include <array>
#include <vector>

class GdiCanvas;

inline constexpr int kDepthHistorySize = 200;

// The depths drawn and the pixel row of each, oldest first. Only shifted,
// never cleared: it survives Stop and Start.
struct DepthHistory {
    std::array<double, kDepthHistorySize> depths{};
    std::array<double, kDepthHistorySize> rows{};
};

// The number of entries drawn for a stored data width: 1..200, whatever the
// settings file says.
int DrawnEntryCount(int dataWidth);

// The echogram timer's interval for a stored one: 0 or less runs at 100 ms
// (the timer carries the sounder watchdog, which must never stop), and the
// rest is held to 20..5000 ms.
int EchogramIntervalMs(int storedMs);

// The depth range drawn: with at least 4 positive entries that differ, their
// minimum and maximum widened by max(0.3, 10 %) (top never above 0);
// otherwise the defaults. span is bottom − top, or 1 when that is not
// positive.
struct EchogramRange {
    double top = 0, bottom = 50, span = 50;
};
EchogramRange RangeOf(const DepthHistory& history, int count, double defaultTop = 0,
                      double defaultBottom = 50);

// The grid: a step of 1, 2, 2.5, 5 or 10 times a power of ten near span / 4,
// the decimals of its labels (2 below 0.1, 1 below 1, else 0), and the
// multiples of the step from top to bottom.
struct EchogramGrid {
    double step = 1;
    int decimals = 0;
    std::vector<double> values;
};
EchogramGrid GridOf(const EchogramRange& range);

// Shifts the first `count` entries one place toward index 0 and stores
// `depth` last (count clamped to 1..200).
void PushDepth(DepthHistory& history, double depth, int count);

// One history step and the drawing of the whole image: background
// 0xFFF8F0, water columns 0xFFB464 with red bottom lines, the black profile,
// the dotted grid with labels, the current-depth line and yellow box.
// `count` is clamped to 1..200. Nothing happens on an empty image.
void DrawDepthHistory(GdiCanvas& canvas, DepthHistory& history, double depth, double top,
                      double bottom, int count);
