// The satellite tiles under the drawing, drawn into the back buffer after the
// background fill and before the grid. Each tile is drawn onto the
// quadrilateral of its four corners as the survey's projection places them,
// so neighbours share their edges and the imagery sits where the grid puts
// it, under Transverse Mercator or Lambert alike.
#include <QPainter>
#include <QPolygonF>
#include <QTransform>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"
#include "canvas/TileLayout.h"
#include "canvas/TileMath.h"
#include "foundation/SurveyState.h"

void TPlovanCanvas::DrawMapBackground(GdiCanvas& canvas) {
    // Whatever this paint does not ask for is dropped from the queue, also
    // when it asks for nothing at all.
    std::set<std::string> wanted;
    DrawMapTiles(canvas, wanted);
    if (FTileFetcher) FTileFetcher->KeepOnly(wanted);
}

void TPlovanCanvas::DrawMapTiles(GdiCanvas& canvas, std::set<std::string>& wanted) {
    if (!GetMapVisible()) return;
    // The placement needs no position, but without one the surveyor is told
    // why the imagery has not come yet.
    if (g_Survey.MapLatitude == 0 && g_Survey.MapLongitude == 0) {
        canvas.SetFontName(QStringLiteral("Arial"));
        canvas.SetFontSize(12);
        canvas.SetFontColor(clRed);
        canvas.SetBrushStyle(bsClear);
        canvas.TextOut(10, 10, QStringLiteral("MAP: Waiting for GPS position..."));
        return;
    }

    const viewmath::ViewRect view{FWorldLeft, FWorldRight, FWorldTop, FWorldBottom};
    const TMapProjection projection = FMapProjection ? FMapProjection() : TMapProjection{};
    int zoom = -1;
    const std::optional<tiles::TileRange> range = tiles::ChooseTiles(view, projection, &zoom);
    if (zoom >= 0) FTileZoom = zoom;
    if (!range) return;

    // Corner pixels in doubles, shared by the tiles that meet there.
    const int w = width(), h = height();
    const double dx = view.right - view.left, dy = view.top - view.bottom;
    const double sx = w / (dx == 0 ? 1 : dx), sy = h / (dy == 0 ? 1 : dy);
    const int columns = static_cast<int>(range->x1 - range->x0 + 1);
    const int rows = static_cast<int>(range->y1 - range->y0 + 1);
    std::vector<std::optional<QPointF>> corners(static_cast<std::size_t>((columns + 1) * (rows + 1)));
    const auto cornerAt = [&](int i, int j) -> std::optional<QPointF>& {
        return corners[static_cast<std::size_t>(i * (rows + 1) + j)];
    };
    for (int i = 0; i <= columns; ++i) {
        for (int j = 0; j <= rows; ++j) {
            double lat = 0, lon = 0, e = 0, n = 0;
            tiles::TileToLatLon(static_cast<double>(range->x0 + i), static_cast<double>(range->y0 + j),
                                range->zoom, lat, lon);
            if (projection.ToWorld(lat, lon, e, n) && std::isfinite(e) && std::isfinite(n))
                cornerAt(i, j) = QPointF((e - view.left) * sx, (view.top - n) * sy);
        }
    }

    const QPolygonF square({QPointF(0, 0), QPointF(tiles::kTilePixels, 0),
                            QPointF(tiles::kTilePixels, tiles::kTilePixels),
                            QPointF(0, tiles::kTilePixels)});
    QPainter& painter = canvas.Painter();
    painter.save();
    // Nearest-pixel stretching, as a GDI stretch draws: smooth filtering
    // costs several times as much for a full view.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    FTileCache.BeginPaint();
    FTilesWanted = &wanted;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            const auto& nw = cornerAt(i, j);
            const auto& ne = cornerAt(i + 1, j);
            const auto& se = cornerAt(i + 1, j + 1);
            const auto& sw = cornerAt(i, j + 1);
            if (!nw || !ne || !se || !sw) continue;
            const QPolygonF quad({*nw, *ne, *se, *sw});
            // Nothing to ask for when the tile misses the client area.
            if (!quad.boundingRect().intersects(QRectF(0, 0, w, h))) continue;
            // Over one tile the projection is all but affine: the tile is
            // drawn as the parallelogram of three corners (a fast blit)
            // unless the fourth corner strays by half a pixel or more.
            const QPointF east = *ne - *nw, south = *sw - *nw;
            const QPointF stray = *nw + east + south - *se;
            QTransform transform(east.x() / tiles::kTilePixels, east.y() / tiles::kTilePixels,
                                 south.x() / tiles::kTilePixels, south.y() / tiles::kTilePixels,
                                 nw->x(), nw->y());
            if (std::abs(stray.x()) >= 0.5 || std::abs(stray.y()) >= 0.5) {
                if (!QTransform::quadToQuad(square, quad, transform)) continue;
            }
            const int column = static_cast<int>(tiles::WrapColumn(range->x0 + i, range->zoom));
            const QImage* tile = GetTile(range->zoom, column, static_cast<int>(range->y0 + j));
            if (!tile) continue;
            painter.setTransform(transform);
            painter.drawImage(QPointF(0, 0), *tile);
        }
    }
    FTilesWanted = nullptr;
    FTileCache.EndPaint();
    painter.restore();
}
