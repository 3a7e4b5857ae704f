// The survey overlays drawn on every frame after the back buffer: measure
// line, soundings, number labels, depth/speed box and position box, and the
// satellite background drawn into the back buffer under the grid. They stay
// empty until their drawing is written; the paint cycle already calls them
// in their places.
#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

void TPlovanCanvas::DrawMapBackground(GdiCanvas&) {}
void TPlovanCanvas::DrawMeasureLine(GdiCanvas&) {}
void TPlovanCanvas::DrawSoundings(GdiCanvas&) {}
void TPlovanCanvas::DrawNumberLabels(GdiCanvas&) {}
void TPlovanCanvas::DrawDepthSpeedBox(GdiCanvas&) {}
void TPlovanCanvas::DrawPositionStatus(GdiCanvas&) {}
