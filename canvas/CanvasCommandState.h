// The state of the mouse and keyboard commands of the canvas: the command
// mode, a drawing in progress with the shape being drawn, and the pan and
// dynamic zoom. The canvas model carries it as its own fields and owns the
// shape being drawn; it joins the drawing only when its command finishes.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas/PlovanShape.h"

// Codes of the command input: buttons and shift bits as the canvas events
// report them, keys as virtual-key codes.
namespace CanvasInput {
constexpr int ButtonLeft = 1, ButtonRight = 2, ButtonMiddle = 4;
constexpr int ShiftShift = 1, ShiftCtrl = 2, ShiftAlt = 4;
constexpr int KeyEscape = 27, KeyDelete = 46;
}  // namespace CanvasInput

// The cursor a command asks for.
enum class TCanvasCursor { Default, Cross, SizeAll };

struct TCanvasCommandState {
    TCanvasCommandState() = default;
    ~TCanvasCommandState() { delete FTempShape; }
    TCanvasCommandState(const TCanvasCommandState&) = delete;
    TCanvasCommandState& operator=(const TCanvasCommandState&) = delete;

    std::int32_t FCommand = 0;
    // The command mode the drawing in progress belongs to. A tool picked
    // meanwhile (FCommand written from outside) ends that drawing at the
    // next input, as Escape would, and its rubber band is not drawn.
    std::int32_t FCommandInProgress = 0;
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

    // What the command that ended last drew, for its listeners: the id of the
    // vertex shape it added to the drawing (-1 when it added none or the
    // shape was discarded), and the points of a line chain (start first).
    std::int32_t FEndedShapeId = -1;
    std::vector<TPointD> FLineChainPoints;

    // The client pixel of the last mouse event over the canvas.
    std::int32_t FMouseX = 0, FMouseY = 0;
    TCanvasCursor FCursor = TCanvasCursor::Default;
};
