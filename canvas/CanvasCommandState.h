// The state of the mouse and keyboard commands of the canvas: the command
// mode, a drawing in progress with the shape being drawn, and the pan and
// dynamic zoom. The canvas model carries it as its own fields and owns the
// shape being drawn; it joins the drawing only when its command finishes.
#pragma once

#include <cstdint>

#include "canvas/PlovanShape.h"

struct TCanvasCommandState {
    TCanvasCommandState() = default;
    ~TCanvasCommandState() { delete FTempShape; }
    TCanvasCommandState(const TCanvasCommandState&) = delete;
    TCanvasCommandState& operator=(const TCanvasCommandState&) = delete;

    std::int32_t FCommand = 0;
    std::uint8_t FKeepCommand = 0;  // 0: a finished command returns FCommand to 0
    std::uint8_t FAllowKeyDelete = 0;
    std::uint8_t FDrawing = 0;
    std::uint8_t FHasStartPoint = 0;
    std::uint8_t FSkipClick = 0;
    // First (or last placed) point and current mouse point, world metres.
    double FStartX = 0, FStartY = 0, FCurrentX = 0, FCurrentY = 0;
    std::uint8_t FPanning = 0;
    std::uint8_t FDynamicZooming = 0;
    std::int32_t FAnchorX = 0, FAnchorY = 0;  // pixels
    double FLastDownX = 0, FLastDownY = 0;    // world point of the last mouse-down
    TPlovanPolyline* FTempShape = nullptr;    // owned; the vertex shape being drawn
};
