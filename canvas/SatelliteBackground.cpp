// The satellite tiles under the drawing, drawn into the back buffer after the
// background fill and before the grid. Empty until the tile drawing is
// written; the paint cycle already calls it in its place.
#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

void TPlovanCanvas::DrawMapBackground(GdiCanvas&) {}
