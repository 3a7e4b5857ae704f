// The survey overlays drawn on every frame after the back buffer: measure
// line, soundings, number labels, depth/speed box and position box. They
// stay empty until their drawing is written; the paint cycle already calls
// them in their places.
#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

void TPlovanCanvas::DrawMeasureLine(GdiCanvas&) {}
void TPlovanCanvas::DrawSoundings(GdiCanvas&) {}
void TPlovanCanvas::DrawNumberLabels(GdiCanvas&) {}
void TPlovanCanvas::DrawDepthSpeedBox(GdiCanvas&) {}
void TPlovanCanvas::DrawPositionStatus(GdiCanvas&) {}
