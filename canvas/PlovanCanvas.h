// The map and drawing control: the canvas model (layers, shapes, ids) shown
// in a widget with pan and zoom, a back buffer and the survey overlays.
//
// View: the world rectangle FWorldLeft..FWorldRight by FWorldBottom..FWorldTop
// (metres, y up) is stretched over the client area; the view operations
// (Resize, ZoomExtents, ZoomAt, Pan, CenterOn, SetView, WheelAt) are the
// model's, over TCanvasView. Every one refuses non-finite arguments and keeps
// both spans within 1 mm .. 1e8 m, so a view saved at close is always usable
// at the next start. A client size of 0 counts as 1 in every division.
//
// Rendering: the drawing (background, map background, grid, shapes) goes into
// the back buffer only when FNeedsRedraw is set or the size changed; each
// frame copies it and adds the overlays. renderFrame() makes the whole frame
// as an image (empty at zero size); paintEvent only shows it, so tests and
// screenshots read frames headless.
//
// The shape pass culls through a run index over the drawing order, decimates
// points closer than 3 pixels, cuts shapes under half a pixel, leaves out
// points and short one-pixel segments whose every pixel a newer shape paints
// (the frame stays the same) and then draws at most kMaxDrawnShapes shapes;
// when more would be drawn, the oldest shapes are left out first, and the
// layers tagged as live (Tag 1, the vessel) are always drawn. Texts come
// last, at most one per 60 x 60 pixel cell.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/TileFetcher.h"
#include "canvas/ViewMath.h"
#include "platform/GuiWake.h"

class GdiCanvas;

class TPlovanCanvas : public QWidget, public TCanvasModel {
    Q_OBJECT

public:
    explicit TPlovanCanvas(QWidget* parent = nullptr);
    // The tile server, TLS, time-outs and back-off of the satellite tiles.
    TPlovanCanvas(QWidget* parent, tiles::TileFetcherOptions tileOptions);
    ~TPlovanCanvas() override;

    // ---- Satellite tiles ----
    static void LatLonToTile(double latitudeDeg, double longitudeDeg, int zoom, int& column,
                             int& row, double& pixelX, double& pixelY);
    static void TileToLatLon(int column, int row, int zoom, double& latitudeDeg,
                             double& longitudeDeg);
    // The tile's image, owned by the canvas, or null while it is not at hand.
    const QImage* GetTile(int zoom, int column, int row);
    // An equal value does nothing; a change redraws.
    void SetMapVisible(bool visible);
    void SetMapCacheDir(const QString& folder);
    // Cancels the queued and running fetches and their back-off, empties the
    // memory and redraws; the files stay.
    void ClearTileCache();
    // SetMapCacheDir's folder, else AppDataDir() + "Plovan/PHX/MapCache/";
    // UTF-8, ending with '/'.
    std::string TileCacheFolder() const;
    // Null until a tile was first asked of the network.
    tiles::TileFetcher* TileFetcherInUse() const { return FTileFetcher.get(); }
    const tiles::TileFetcherOptions& TileOptions() const { return FTileOptions; }
    // Takes the tiles that arrived into memory; one redraw when there were
    // any. Runs by itself on the GUI thread after each arrival.
    void TakeArrivedTiles();

    // ---- Drawing files (by UTF-8 path) ----
    // Every DXF entity the reader knows into the layer "_dxf_" + the file's
    // name (DxfReader.h); true when at least one shape was made.
    bool LoadDXF(const QString& fileName);
    // The drawing as an R12 DXF file (DxfWriter.h); true when it is in place.
    bool ExportDXF(const QString& fileName) const;
    // The x y z points of the file as depth-coloured points or grid cells on
    // `layerId` (XyzImport.h); true when at least one point was read.
    bool ImportXYZ(const QString& fileName, int layerId, double zmin, double zmax);

    // ---- Rendering ----
    static constexpr int kMaxDrawnShapes = 500000;
    // The current frame: back buffer (rebuilt when needed) plus overlays.
    QImage renderFrame();
    // Draws the drawing into FBackBuffer now.
    void RebuildBackBuffer();
    void SetBackgroundColor(TColor colour);
    // Manual grid steps (FGridSpacingX/Y) take effect only while this is off.
    void SetGridAutoScale(bool on);
    TColor ContrastColor(TColor colour) const;
    // Shapes drawn by the last rebuild (texts included).
    int LastDrawnShapeCount() const { return FLastDrawnCount; }

    // ---- Hooks of the model ----
    void Invalidate() override;
    void Repaint() override;
    void RestoreDefaultCursor() override;
    void SetCommandCursor(TCanvasCursor cursor) override;
    // Marks the back buffer and asks for a paint.
    void ViewChanged() override;
    int ClientWidth() const override { return width(); }
    int ClientHeight() const override { return height(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Mouse and keys go to the model's commands (CanvasInput.cpp).
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

    // Into the back buffer.
    void DrawMapBackground(GdiCanvas& canvas);
    void DrawGrid(GdiCanvas& canvas);
    void DrawShapes(GdiCanvas& canvas);
    // On the frame, in this order.
    void DrawRubberBand(GdiCanvas& canvas);
    void DrawMeasureLine(GdiCanvas& canvas);
    void DrawSoundings(GdiCanvas& canvas);
    void DrawNumberLabels(GdiCanvas& canvas);
    void DrawDepthSpeedBox(GdiCanvas& canvas);
    void DrawOverlayHook(GdiCanvas& canvas);
    void DrawPositionStatus(GdiCanvas& canvas);
    void DrawScaleBar(GdiCanvas& canvas);

private:
    // Asks Qt for a paint unless one is already pending.
    void ScheduleUpdate();
    // What the shape pass works out once for all its shapes: the client
    // size it draws for, the view grown by the clip margin, and the colour
    // adjusted to the background last (consecutive shapes mostly share one).
    struct ShapePass {
        int w = 1, h = 1;
        double clipLeft = 0, clipRight = 0, clipBottom = 0, clipTop = 0;
        bool adjustedOnce = false;
        TColor lastColour = 0, lastAdjusted = 0;
    };
    // Draws one shape with its colour adjusted to the background and long
    // lines and polylines clipped to the view grown by a margin.
    void DrawOneShape(GdiCanvas& canvas, TPlovanShape& shape, ShapePass& pass);
    void DrawClippedShape(GdiCanvas& canvas, TPlovanShape& shape, const ShapePass& pass);

    // The background's tiles; the keys it asked the fetcher for go to `wanted`.
    void DrawMapTiles(GdiCanvas& canvas, std::set<std::string>& wanted);
    // Marks the back buffer and asks for a paint; the shapes are unchanged.
    void BackgroundChanged();

    // A shape the pass lists (its position in FShapes), with the pixels it
    // paints when they are known exactly: `size` columns (high 4 bits) by
    // rows (low 4 bits) of the client from pixel `at` (y * width + x); no
    // size when they are not known.
    struct ShapePick {
        std::uint32_t index;
        std::uint32_t at;
        std::uint8_t size;
        bool live;
        bool dropped;
    };

    int FLastDrawnCount = 0;
    // The shapes the last pass listed and the pixels it has seen painted,
    // one bit each; kept so that a rebuild allocates them only as they grow.
    std::vector<ShapePick> FShapePicks;
    std::vector<std::uint64_t> FPaintedPixels;
    bool FUpdatePending = false;  // a paint was asked for and has not run yet
    bool FClickArmed = false;     // a left press whose release may be a click

    tiles::TileFetcherOptions FTileOptions;
    // The fetcher's worker wakes the GUI thread through it: it outlives the fetcher.
    std::unique_ptr<platform::GuiWake> FTileWake;
    // Its worker is stopped with it, before the widget goes.
    std::unique_ptr<tiles::TileFetcher> FTileFetcher;
    std::set<std::string>* FTilesWanted = nullptr;  // the requests of the paint under way
};
