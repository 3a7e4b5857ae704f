// The map view that the main window keeps from one run to the next in the
// settings section "CANVAS": the visible world rectangle (metres) and three
// display choices of the canvas.
//
// A view that cannot be shown is never restored: one edge stored as text that
// is not a number, an edge that is not finite or farther than 1e10 m from the
// origin, or a span (right - left, top - bottom) outside 1 mm .. 1e8 m gives
// the whole default view (left 0, right 1000, top 1000, bottom 0). Such a view
// would otherwise blank or stall the canvas at every start.
#pragma once

#include "platform/IniFile.h"

struct CanvasViewSettings {
    double PlanWorldLeft = 0.0;
    double PlanWorldRight = 1000.0;
    double PlanWorldTop = 1000.0;
    double PlanWorldBottom = 0.0;
    bool GridAutoScale = true;
    int DepthSpeedDisplayMode = 0;  // corner of the depth/speed box, 0..3
    int GGAOverlayPosition = 0;     // corner of the position box, 0..3
};

inline constexpr const char* kCanvasSection = "CANVAS";

// True when the canvas can show this rectangle (see above).
bool IsUsableView(double left, double right, double top, double bottom);

// Reads the seven keys; a missing key gives its default.
CanvasViewSettings ReadCanvasViewSettings(const platform::IniFile& ini);

// Writes the seven keys in one write of the file; reals as the class library writes them ('.', up to
// 15 significant digits), the flag as "1" or "0".
void WriteCanvasViewSettings(platform::IniFile& ini, const CanvasViewSettings& view);
