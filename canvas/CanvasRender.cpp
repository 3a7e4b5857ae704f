// The paint cycle of the map canvas: the back buffer with the grid and the
// shape pass, then the overlays of each frame.
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <typeinfo>
#include <vector>

#include "canvas/GdiCanvas.h"
#include "canvas/PixelDrawing.h"
#include "canvas/PlovanCanvas.h"
#include "canvas/ShapeDrawing.h"

using pixeldraw::ClippedLine;
using pixeldraw::kClipMarginPx;
using pixeldraw::PinnedPixel;
using pixeldraw::PixelMap;
using viewmath::RoundPixel;

namespace {

// A shape of exactly class T, or of a class derived from it.
template <class T>
T* As(TPlovanShape* s) {
    if (typeid(*s) == typeid(T)) return static_cast<T*>(s);
    return dynamic_cast<T*>(s);
}

// Shapes are scattered over the heap and each is read once a pass: the
// pass asks for the shape this many places ahead while it works on one.
constexpr std::size_t kAhead = 8;

// trunc(v) as an integer that any difference of two such values keeps
// exact; far-off values are pinned.
int64_t TruncCell(double v) {
    if (!(v == v)) return 0;
    return static_cast<int64_t>(std::clamp(std::trunc(v), -1e15, 1e15));
}

// The pixels a point or a short one-pixel line paints, known exactly: the
// square of `side` pixels from (x, y); side 0 when they are not known (the
// shape is always drawn), with `empty` when it paints nothing at all.
struct Footprint {
    int32_t x = 0, y = 0;
    uint8_t side = 0;
    bool empty = false;
};

// As TPlovanPoint::Draw paints it: a pixel, a 2 x 2 block, a 3 x 3 or a
// 5 x 5 square; larger dots are round.
Footprint PointFootprint(const TPlovanPoint& p, const shapedraw::ViewMap& m) {
    if (p.FWidth < 0 || p.FWidth > 3) return {};
    static constexpr int8_t kSide[] = {1, 2, 3, 5}, kOffset[] = {0, 0, -1, -2};
    return {m.X(p.X) + kOffset[p.FWidth], m.Y(p.Y) + kOffset[p.FWidth], uint8_t(kSide[p.FWidth]),
            false};
}

// A one-pixel line leaves out its end pixel: to a neighbouring pixel it
// paints its first pixel alone, to its own first pixel nothing.
Footprint LineFootprint(const TPlovanLine& line, const shapedraw::ViewMap& m) {
    // A box 2 pixels wide or high holds no such line: most lines end here.
    if (line.FWidth > 1 || (line.FMaxX - line.FMinX) * m.sx >= 2 ||
        (line.FMaxY - line.FMinY) * m.sy >= 2)
        return {};
    const double x1 = line.X1, y1 = line.Y1, x2 = line.X2, y2 = line.Y2;
    const int ax = m.X(x1), ay = m.Y(y1), bx = m.X(x2), by = m.Y(y2);
    const int64_t dx = int64_t{bx} - ax, dy = int64_t{by} - ay;
    if (dx == 0 && dy == 0) return {0, 0, 0, true};
    if (dx < -1 || dx > 1 || dy < -1 || dy > 1) return {};
    return {ax, ay, 1, false};
}

// Sutherland-Hodgman clipping of a closed ring to a box.
std::vector<TPointD> ClipRing(std::vector<TPointD> ring, double xmin, double ymin, double xmax,
                              double ymax) {
    auto clipEdge = [&](auto inside, auto cross) {
        std::vector<TPointD> out;
        out.reserve(ring.size() + 4);
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const TPointD& a = ring[i];
            const TPointD& b = ring[(i + 1) % ring.size()];
            const bool ia = inside(a), ib = inside(b);
            if (ia) out.push_back(a);
            if (ia != ib) out.push_back(cross(a, b));
        }
        ring.swap(out);
    };
    auto atX = [](double x) {
        return [x](const TPointD& a, const TPointD& b) {
            const double t = (x - a.X) / (b.X - a.X);
            return TPointD{x, a.Y + t * (b.Y - a.Y)};
        };
    };
    auto atY = [](double y) {
        return [y](const TPointD& a, const TPointD& b) {
            const double t = (y - a.Y) / (b.Y - a.Y);
            return TPointD{a.X + t * (b.X - a.X), y};
        };
    };
    clipEdge([&](const TPointD& p) { return p.X >= xmin; }, atX(xmin));
    clipEdge([&](const TPointD& p) { return p.X <= xmax; }, atX(xmax));
    clipEdge([&](const TPointD& p) { return p.Y >= ymin; }, atY(ymin));
    clipEdge([&](const TPointD& p) { return p.Y <= ymax; }, atY(ymax));
    return ring;
}

}  // namespace

// ---------------------------------------------------------------------------
// Paint cycle

QImage TPlovanCanvas::renderFrame() {
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) return {};
    if (FNeedsRedraw || FBackBuffer.width() != w || FBackBuffer.height() != h) RebuildBackBuffer();
    QImage frame = FBackBuffer;  // painting detaches the copy
    GdiCanvas canvas(frame);
    DrawRubberBand(canvas);
    DrawMeasureLine(canvas);
    DrawSoundings(canvas);
    DrawNumberLabels(canvas);
    DrawDepthSpeedBox(canvas);
    DrawOverlayHook(canvas);
    DrawPositionStatus(canvas);
    DrawScaleBar(canvas);
    return frame;
}

void TPlovanCanvas::RebuildBackBuffer() {
    const int w = width(), h = height();
    if (w <= 0 || h <= 0) return;
    if (FBackBuffer.width() != w || FBackBuffer.height() != h ||
        FBackBuffer.format() != QImage::Format_RGB32)
        FBackBuffer = QImage(w, h, QImage::Format_RGB32);
    {
        GdiCanvas canvas(FBackBuffer);
        canvas.SetBrushColor(FBackgroundColor);
        canvas.SetBrushStyle(bsSolid);
        canvas.FillRect(0, 0, w, h);
        DrawMapBackground(canvas);
        if (FGridOnTop == 0) DrawGrid(canvas);
        DrawShapes(canvas);
        if (FGridOnTop == 1) DrawGrid(canvas);
    }
    FNeedsRedraw = false;
}

void TPlovanCanvas::DrawOverlayHook(GdiCanvas&) {}

TColor TPlovanCanvas::ContrastColor(TColor colour) const {
    return static_cast<TColor>(viewmath::ContrastColor(static_cast<uint32_t>(colour),
                                                       static_cast<uint32_t>(FBackgroundColor)));
}

// ---------------------------------------------------------------------------
// Shapes

void TPlovanCanvas::DrawShapes(GdiCanvas& canvas) {
    FLastDrawnCount = 0;
    // Layer visibility and liveness by id, looked up once per shape.
    constexpr uint8_t kVisible = 1, kLive = 2;
    const int layerSlots = std::max(FNextLayerId, 0) + 1;
    std::vector<uint8_t> layerState(static_cast<std::size_t>(layerSlots), 0);
    for (const auto& layer : FLayers) {
        if (layer->Id < 0 || layer->Id >= layerSlots) continue;
        if (layer->Visible == 1) layerState[layer->Id] |= kVisible;
        if (layer->Tag == 1) layerState[layer->Id] |= kLive;
    }

    const int w = width() < 2 ? 1 : width();
    const int h = height() < 2 ? 1 : height();
    const double left = FWorldLeft, right = FWorldRight, top = FWorldTop, bottom = FWorldBottom;
    const double d = (right - left > 0 ? right - left : 1) / w;  // world size of a pixel
    const shapedraw::ViewMap pixels(left, right, top, bottom, w, h);  // as the shapes draw

    // The picks of shapes are kept from frame to frame: a full view lists
    // most of the drawing, and a fresh list each frame costs its pages anew.
    std::vector<ShapePick>& shapes = FShapePicks;
    shapes.clear();
    std::vector<ShapePick> texts;
    const int columns = w / 60 + 2, rows = h / 60 + 2;
    std::vector<uint8_t> cells(static_cast<std::size_t>(columns) * rows, 0);
    int64_t lastPx = -9999, lastPy = -9999;
    bool anyFootprint = false;

    Store().CullingIndex().ForEachRangeInView(left, right, bottom, top, [&](std::size_t first,
                                                                            std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            if (i + kAhead < last) __builtin_prefetch(FShapes[i + kAhead]);
            TPlovanShape* s = FShapes[i];
            if (s->FVisible != 1) continue;
            const int layer = s->FLayerId;
            if (layer < 0 || layer >= layerSlots || !(layerState[layer] & kVisible)) continue;
            if (s->FMaxX < left || s->FMinX > right || s->FMaxY < bottom || s->FMinY > top)
                continue;
            const bool live = layerState[layer] & kLive;
            const auto index = static_cast<uint32_t>(i);
            Footprint paints;
            switch (s->FShapeType) {
                case ShapeType::Line:
                    if (const auto* line = As<TPlovanLine>(s)) {
                        paints = LineFootprint(*line, pixels);
                        if (paints.empty && !live) continue;  // it paints nothing
                    }
                    break;
                case ShapeType::Rectangle:
                    break;
                case ShapeType::Text: {
                    const auto* t = As<TPlovanText>(s);
                    const double x = t ? t->X : s->FMinX, y = t ? t->Y : s->FMaxY;
                    const int64_t col = std::clamp<int64_t>(TruncCell((x - left) / d) / 60, 0,
                                                            columns - 1);
                    const int64_t row =
                        std::clamp<int64_t>(TruncCell((top - y) / d) / 60, 0, rows - 1);
                    uint8_t& cell = cells[static_cast<std::size_t>(row * columns + col)];
                    if (!cell) {
                        cell = 1;
                        texts.push_back({index, 0, 0, live, false});
                    }
                    continue;
                }
                case ShapeType::Point: {
                    const auto* p = As<TPlovanPoint>(s);
                    const double x = p ? p->X : (s->FMinX + s->FMaxX) / 2;
                    const double y = p ? p->Y : (s->FMinY + s->FMaxY) / 2;
                    const int64_t px = TruncCell((x - left) / d), py = TruncCell((top - y) / d);
                    if (std::abs(px - lastPx) <= 2 && std::abs(py - lastPy) <= 2) continue;
                    lastPx = px;
                    lastPy = py;
                    if (p) paints = PointFootprint(*p, pixels);
                    break;
                }
                default:
                    if (s->FMaxX - s->FMinX < d / 2 && s->FMaxY - s->FMinY < d / 2) continue;
                    break;
            }
            shapes.push_back({index, 0, 0, live, false});
            if (paints.side == 0) continue;
            // The part of it within the client, by its first pixel and size.
            const int x0 = std::max(paints.x, 0), x1 = std::min(paints.x + paints.side, w);
            const int y0 = std::max(paints.y, 0), y1 = std::min(paints.y + paints.side, h);
            if (x0 >= x1 || y0 >= y1) {  // it paints no pixel of the client
                shapes.back().dropped = !live;
                continue;
            }
            shapes.back().at = static_cast<uint32_t>(y0) * static_cast<uint32_t>(w) + x0;
            shapes.back().size = static_cast<uint8_t>((x1 - x0) << 4 | (y1 - y0));
            anyFootprint = true;
        }
    });

    // Pixels painted over: newest shape first, a point or a short line whose
    // every pixel a newer shape paints is left out. What it would paint is
    // painted over anyway, so the frame is the one all of them make; and as
    // the newest shapes stay, the cap below (which leaves out the oldest)
    // never takes the shape that stood in for the ones left out here.
    if (anyFootprint) {
        const std::size_t words = (static_cast<std::size_t>(w) * h + 63) / 64;
        FPaintedPixels.assign(words, 0);  // one bitmap, kept from frame to frame
        for (auto it = shapes.rbegin(); it != shapes.rend(); ++it) {
            if (it->size == 0) continue;
            bool paintedOver = true;
            const int across = it->size >> 4, down = it->size & 15;
            for (int y = 0; y < down; ++y) {
                for (int x = 0; x < across; ++x) {
                    const std::size_t at = it->at + static_cast<std::size_t>(y) * w + x;
                    uint64_t& word = FPaintedPixels[at / 64];
                    const uint64_t bit = uint64_t{1} << (at % 64);
                    paintedOver &= (word & bit) != 0;
                    word |= bit;
                }
            }
            if (paintedOver && !it->live) it->dropped = true;
        }
    }

    // The cap: live layers always, then the newest shapes first.
    std::size_t liveCount = 0, total = 0;
    for (const std::vector<ShapePick>* pass : {&shapes, &texts}) {
        for (const ShapePick& p : *pass) {
            total += !p.dropped;
            liveCount += p.live;
        }
    }
    const std::size_t allowed =
        liveCount >= static_cast<std::size_t>(kMaxDrawnShapes) ? 0 : kMaxDrawnShapes - liveCount;
    std::size_t toDrop = total - liveCount > allowed ? total - liveCount - allowed : 0;
    for (std::size_t a = 0, b = 0; toDrop > 0 && (a < shapes.size() || b < texts.size());) {
        const bool takeShape =
            b == texts.size() || (a < shapes.size() && shapes[a].index < texts[b].index);
        ShapePick& p = takeShape ? shapes[a++] : texts[b++];
        if (!p.live && !p.dropped) {
            p.dropped = true;
            --toDrop;
        }
    }

    ShapePass pass;
    pass.w = w;
    pass.h = h;
    const double mx = kClipMarginPx * (right - left) / w, my = kClipMarginPx * (top - bottom) / h;
    pass.clipLeft = left - mx;
    pass.clipRight = right + mx;
    pass.clipBottom = bottom - my;
    pass.clipTop = top + my;
    for (const std::vector<ShapePick>* picks : {&shapes, &texts}) {
        for (std::size_t k = 0; k < picks->size(); ++k) {
            const ShapePick& p = (*picks)[k];
            if (k + kAhead < picks->size()) __builtin_prefetch(FShapes[(*picks)[k + kAhead].index]);
            if (p.dropped) continue;
            DrawOneShape(canvas, *FShapes[p.index], pass);
            ++FLastDrawnCount;
        }
    }
    // A view zoomed in from a full one lists a few shapes: the room of the
    // full list goes back.
    if (shapes.capacity() > 4 * shapes.size() + 4096) std::vector<ShapePick>().swap(shapes);
}

void TPlovanCanvas::DrawOneShape(GdiCanvas& canvas, TPlovanShape& shape, ShapePass& pass) {
    const TColor original = shape.FColor;
    if (!pass.adjustedOnce || original != pass.lastColour) {
        pass.adjustedOnce = true;
        pass.lastColour = original;
        pass.lastAdjusted = ContrastColor(original);
    }
    // Written only when it changes: a store dirties the shape's memory,
    // which a full pass then writes back for every shape.
    const bool adjusted = pass.lastAdjusted != original;
    if (adjusted) shape.FColor = pass.lastAdjusted;
    if (shape.FMinX < pass.clipLeft || shape.FMaxX > pass.clipRight ||
        shape.FMinY < pass.clipBottom || shape.FMaxY > pass.clipTop)
        DrawClippedShape(canvas, shape, pass);
    else
        shape.Draw(canvas, FWorldLeft, FWorldRight, FWorldTop, FWorldBottom, pass.w, pass.h);
    if (adjusted) shape.FColor = original;
}

// A line or a polyline reaching far beyond the view: its visible part is cut
// out in world doubles and drawn through the shape's own recipe, so no pixel
// coordinate ever leaves the painter's range. Curves (splines, three-point
// arcs) and other shapes keep their own drawing.
void TPlovanCanvas::DrawClippedShape(GdiCanvas& canvas, TPlovanShape& shape,
                                     const ShapePass& pass) {
    const int w = pass.w, h = pass.h;
    const double xmin = pass.clipLeft, xmax = pass.clipRight;
    const double ymin = pass.clipBottom, ymax = pass.clipTop;
    auto draw = [&] { shape.Draw(canvas, FWorldLeft, FWorldRight, FWorldTop, FWorldBottom, w, h); };

    if (auto* line = As<TPlovanLine>(&shape)) {
        double x1 = line->X1, y1 = line->Y1, x2 = line->X2, y2 = line->Y2;
        if (!viewmath::ClipSegment(x1, y1, x2, y2, xmin, ymin, xmax, ymax)) return;
        std::swap(line->X1, x1), std::swap(line->Y1, y1);
        std::swap(line->X2, x2), std::swap(line->Y2, y2);
        draw();
        std::swap(line->X1, x1), std::swap(line->Y1, y1);
        std::swap(line->X2, x2), std::swap(line->Y2, y2);
        return;
    }
    auto* poly = As<TPlovanPolyline>(&shape);
    const bool curve = poly && (shape.FShapeType == ShapeType::Spline ||
                                (shape.FShapeType == ShapeType::Arc && poly->Count() == 3));
    if (!poly || curve || poly->Count() < 2) {
        draw();
        return;
    }
    std::vector<TPointD> original;
    original.swap(poly->Points);
    if (poly->Closed == 1 && original.size() > 2) {
        std::vector<TPointD> ring = ClipRing(original, xmin, ymin, xmax, ymax);
        if (ring.size() >= 3) {
            poly->Points = ring;
            draw();
        }
    } else {
        // An open polyline becomes the runs of its visible segments.
        std::vector<TPointD> run;
        auto flush = [&] {
            if (run.size() >= 2) {
                poly->Points = run;
                draw();
            }
            run.clear();
        };
        for (std::size_t i = 1; i < original.size(); ++i) {
            double x0 = original[i - 1].X, y0 = original[i - 1].Y;
            double x1 = original[i].X, y1 = original[i].Y;
            const double startX = x0, startY = y0;
            if (!viewmath::ClipSegment(x0, y0, x1, y1, xmin, ymin, xmax, ymax)) {
                flush();
                continue;
            }
            const bool joins = !run.empty() && x0 == startX && y0 == startY &&
                               run.back().X == x0 && run.back().Y == y0;
            if (!joins) {
                flush();
                run.push_back({x0, y0});
            }
            run.push_back({x1, y1});
        }
        flush();
    }
    poly->Points.swap(original);
}

// ---------------------------------------------------------------------------
// Grid

void TPlovanCanvas::DrawGrid(GdiCanvas& canvas) {
    if (FGridVisible != 1) return;
    const double left = FWorldLeft, right = FWorldRight, top = FWorldTop, bottom = FWorldBottom;
    if (!(right - left > 0) || !(top - bottom > 0)) return;
    double sx = FGridSpacingX, sy = FGridSpacingY;
    if (FGridAutoScale || sx <= 0 || sy <= 0) sx = sy = viewmath::AutoGridStep(right - left);
    const int w = width(), h = height();
    // More lines than half the pixels would be a grey smear; a tiny step
    // must not stall the paint either.
    const auto columns = viewmath::GridLines(left, right, sx, w / 2);
    const auto rows = viewmath::GridLines(bottom, top, sy, h / 2);
    if (!columns || !rows) return;

    const PixelMap map(*this, w, h);
    const int pxLeft = RoundPixel(map.X(left)), pxRight = RoundPixel(map.X(right));
    const int pyTop = RoundPixel(map.Y(top)), pyBottom = RoundPixel(map.Y(bottom));
    auto columnX = [&](int64_t k) { return static_cast<double>(columns->first + k) * sx; };
    auto rowY = [&](int64_t k) { return static_cast<double>(rows->first + k) * sy; };

    // The grid's own pen, whatever the shapes left: the gaps of its dots
    // show what lies beneath (a solid brush would fill them).
    canvas.SetPenMode(pmCopy);
    canvas.SetPenColor(FGridColor);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(psDot);
    canvas.SetBrushStyle(bsClear);
    for (int64_t k = 0; k < columns->count; ++k) {
        const int px = RoundPixel(map.X(columnX(k)));
        canvas.MoveTo(px, pyTop);
        canvas.LineTo(px, pyBottom);
    }
    for (int64_t k = 0; k < rows->count; ++k) {
        const int py = RoundPixel(map.Y(rowY(k)));
        canvas.MoveTo(pxLeft, py);
        canvas.LineTo(pxRight, py);
    }

    canvas.SetPenStyle(psSolid);
    canvas.SetFontName(QStringLiteral("Tahoma"));
    canvas.SetFontSize(8);
    canvas.SetFontStyle(0);
    canvas.SetFontOrientation(0);  // a text drawn before may have turned it
    canvas.SetFontColor(clBlack);
    canvas.SetBrushColor(clWhite);
    canvas.SetBrushStyle(bsSolid);
    for (int64_t k = 0; k < columns->count; ++k) {
        const int px = RoundPixel(map.X(columnX(k)));
        if (px < 5 || px > w - 50) continue;
        const QString text = QString::fromStdString(viewmath::GridLabel(columnX(k), sx));
        const int tw = canvas.TextWidth(text), th = canvas.TextHeight(text);
        canvas.FillRect(px - tw / 2 - 2, h - th - 4, px + tw / 2 + 2, h - 2);
        canvas.TextOut(px - tw / 2, h - th - 3, text);
    }
    for (int64_t k = 0; k < rows->count; ++k) {
        const int py = RoundPixel(map.Y(rowY(k)));
        if (py < 15 || py > h - 20) continue;
        const QString text = QString::fromStdString(viewmath::GridLabel(rowY(k), sy));
        const int tw = canvas.TextWidth(text), th = canvas.TextHeight(text);
        canvas.FillRect(2, py - th / 2 - 1, tw + 6, py + th / 2 + 1);
        canvas.TextOut(4, py - th / 2, text);
    }
    canvas.SetBrushStyle(bsClear);
}

// ---------------------------------------------------------------------------
// Rubber band and scale bar

void TPlovanCanvas::DrawRubberBand(GdiCanvas& canvas) {
    // A tool picked meanwhile has ended the drawing, whose band goes with it.
    if (!FDrawing || !FHasStartPoint || FCommand != FCommandInProgress) return;
    const int w = width(), h = height();
    const PixelMap map(*this, w, h);
    const double sx = map.X(FStartX), sy = map.Y(FStartY);
    const double ex = map.X(FCurrentX), ey = map.Y(FCurrentY);
    canvas.SetPenMode(pmXor);
    canvas.SetPenColor(clWhite);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(psSolid);
    auto throughVertices = [&](bool closeBack) {
        const TPlovanPolyline* temp = FTempShape;
        if (!temp || temp->Count() < 1) return;
        double px = map.X(temp->GetX(0)), py = map.Y(temp->GetY(0));
        const double firstX = px, firstY = py;
        for (int i = 1; i < temp->Count(); ++i) {
            const double nx = map.X(temp->GetX(i)), ny = map.Y(temp->GetY(i));
            ClippedLine(canvas, px, py, nx, ny, w, h);
            px = nx, py = ny;
        }
        ClippedLine(canvas, px, py, ex, ey, w, h);
        if (closeBack) ClippedLine(canvas, ex, ey, firstX, firstY, w, h);
    };
    switch (FCommand) {
        case 1:
        case 4:
        case -3:
        case -1:
            canvas.SetBrushStyle(bsClear);
            canvas.Rectangle(PinnedPixel(sx, w), PinnedPixel(sy, h), PinnedPixel(ex, w),
                             PinnedPixel(ey, h));
            break;
        case 3:
            ClippedLine(canvas, sx, sy, ex, ey, w, h);
            break;
        case 5:
        case 8:
        case 10:
            throughVertices(false);
            break;
        case 6:
            throughVertices(true);
            break;
        case 19: {
            const double r = std::hypot(FCurrentX - FStartX, FCurrentY - FStartY);
            // Whole pixels as the mapping rounds them, kept in doubles: a
            // far-off centre or radius must not overflow the integers.
            const double cx = std::floor(sx + 0.5), cy = std::floor(sy + 0.5);
            const double o = std::fabs(std::floor(map.X(FStartX + r) + 0.5) - cx);
            pixeldraw::ClippedCircle(canvas, cx, cy, o, w, h);
            break;
        }
        default:
            break;
    }
    canvas.SetPenMode(pmCopy);
}

void TPlovanCanvas::DrawScaleBar(GdiCanvas& canvas) {
    const double span = FWorldRight - FWorldLeft;
    if (!(span > 0)) return;
    const int w = width(), h = height();
    const viewmath::ScaleBar bar = viewmath::ScaleBarFor(span, w);
    const int n = bar.lengthPx;

    canvas.SetPenMode(pmCopy);
    canvas.SetPenStyle(psSolid);
    canvas.SetPenColor(clBlack);
    canvas.SetPenWidth(1);
    canvas.SetBrushColor(clWhite);
    canvas.SetBrushStyle(bsSolid);
    canvas.Rectangle(w - n - 25, h - 48, w - 15, h - 15);

    const int x0 = w - n - 20, x1 = w - 20, y0 = h - 43, y1 = h - 35;
    canvas.SetBrushColor(clBlack);
    canvas.FillRect(x0, y0, x0 + n / 2, y1);
    canvas.SetBrushColor(clWhite);
    canvas.FillRect(x0 + n / 2, y0, x1, y1);
    canvas.SetBrushStyle(bsClear);
    canvas.Rectangle(x0, y0, x1, y1);

    canvas.SetFontName(QStringLiteral("Arial"));
    canvas.SetFontSize(8);
    canvas.SetFontStyle(0);
    canvas.SetFontColor(clBlack);
    const QString label = QString::fromStdString(bar.label);
    canvas.TextOut(x0 + (n - canvas.TextWidth(label)) / 2, h - 33, label);
}
