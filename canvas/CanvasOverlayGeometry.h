// Where the overlays sit on the client area, shared by their drawing and the
// position box's hit test. Pixels, y down.
#pragma once

#include <QFont>
#include <QPoint>
#include <QString>

namespace overlay {

// "NO VALID POSITION RECEIVED" while there is none, else the status text of
// the last map tick (empty before it).
QString PositionBoxText();
// "Consolas" 12 bold.
QFont PositionBoxFont();
// Top-left corner of the position box's text for corner 0..3 (CanvasOverlayData.h).
QPoint PositionBoxOrigin(int corner, int width, int height, int textWidth, int textHeight);
// Top-left corner of the depth/speed texts, boxWidth being all four texts.
QPoint DepthSpeedOrigin(int corner, int width, int height, int boxWidth, int textHeight);
// Soundings and number labels are drawn only within these margins of the
// client area, tested before any text is measured.
bool OnScreen(int px, int py, int width, int height);

}  // namespace overlay
