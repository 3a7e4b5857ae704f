// The map view as a value: the visible world rectangle, the client size it is
// stretched over, the transforms between them and the rules every change of
// the rectangle follows.
//
// World coordinates are metres (x east, y north); pixels count from the
// top-left corner of the client area, y down. The rectangle starts as
// 0..1000 by 0..1000 on 400 x 300 pixels.
//
// Invariant: the rectangle is finite and both spans lie within
// viewmath::kMinViewSpan .. kMaxViewSpan (far out, where a double no longer
// resolves a millimetre, at least half the minimum, and the edges round the
// widest span to their own spacing). Every change clamps the spans about
// their centres and refuses a rectangle with a non-finite edge, keeping the
// old one. The operations return true when they stored a new rectangle.
//
// The chosen rectangle is the one the last view operation asked for, before
// any fitting to the client's aspect: the aspect rule always fits that one,
// so a client that passes through other shapes (a window being placed,
// maximised, resized and back) shows the same rectangle again once it has
// its old shape; panning and centring move it with the view.
//
// The client size is any pair of integers; a size of 0 or less counts as 1
// wherever it divides.
#pragma once

#include "canvas/ViewMath.h"

class TCanvasView {
  public:
    const viewmath::ViewRect& Rect() const { return FRect; }
    const viewmath::ViewRect& Chosen() const { return FChosen; }
    double Width() const { return FRect.width(); }
    double Height() const { return FRect.height(); }

    int ClientWidth() const { return FClientWidth; }
    int ClientHeight() const { return FClientHeight; }
    void SetClientSize(int width, int height) {
        FClientWidth = width;
        FClientHeight = height;
    }

    // Stores the rectangle, which also becomes the chosen one.
    bool Set(const viewmath::ViewRect& view);
    // The aspect rule: the chosen rectangle with one span grown about its
    // centre to the client's aspect. A client of zero size keeps the
    // rectangle.
    bool FitAspect();
    // The box (minX, minY, maxX, maxY) plus 5 % each way, fitted to the
    // client's aspect; 0..1000 when the box is empty, flat or not usable.
    bool ShowBox(bool any, double minX, double minY, double maxX, double maxY);
    // Zoom about (x, y): +0.2 shrinks the spans to 80 %, -0.2 grows them to
    // 120 % (1 - factor is kept within 0.1..10); the new height follows from
    // the new width and the client's aspect.
    bool ZoomAt(double factor, double x, double y);
    bool Pan(double dx, double dy);
    bool CenterOn(double x, double y);

    // World to client pixel, floor(v + 0.5) saturated at the int range.
    int WorldXToScreen(double x) const;
    int WorldYToScreen(double y) const;
    void ScreenToWorld(int px, int py, double& x, double& y) const;
    // World units across one pixel horizontally.
    double UnitsPerPixel() const;

  private:
    // Set without choosing.
    bool Show(const viewmath::ViewRect& view);

    viewmath::ViewRect FRect;
    viewmath::ViewRect FChosen;
    int FClientWidth = 400;
    int FClientHeight = 300;
};
