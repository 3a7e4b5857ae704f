// The map canvas's drawing without its widget: a thin front over the parts
// that own their state, with the names every caller uses. TPlovanCanvas (the
// widget) derives from it; tests build drawings with it headless.
//
//   TCanvasView        the world rectangle, client size and transforms
//                      (CanvasView.h); the view operations below forward to it
//   TShapeStore        layers, shapes in drawing order, ids, fonts, culling
//                      index (ShapeStore.h)
//   TCanvasSelection   the selected ids, polygon selection, hit test
//                      (CanvasSelection.h)
//   overlays, commands, tiles, DXF blocks: plain data carried as fields
//                      (CanvasOverlayData.h, CanvasCommandState.h,
//                      CanvasTileState.h, DxfBlocks.h)
//
// The fields the other canvas code reads keep their names: FWorldLeft ..
// FWorldBottom, FShapes, FLayers, FShapeCount, FNextShapeId, FNextLayerId,
// FSelection, FFonts and FCurrentFont are read-only views of the parts'
// state; only their operations change it. FCurrentLayer may be written.
//
// Ids: layer ids start at 0 and are never reused; shape ids start at 1 and
// restart at 1 only when every shape is cleared (ClearLayer(-1)). Every add
// operation returns the new shape's id; a refused add consumes no id. Every
// property is read and written by id: unknown ids give neutral defaults and
// setters on unknown ids do nothing. Nothing here reports an error.
//
// "Redraw" marks the back buffer for rebuilding and invalidates the control
// (Redraw); a few overlay changes only invalidate (Invalidate); "redraw and
// repaint" also paints at once (Repaint); a view change marks the back buffer
// and asks for a paint (ViewChanged). Headless, these count their calls.
// Everything runs on the GUI thread.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "canvas/CanvasCommandState.h"
#include "canvas/CanvasOverlayData.h"
#include "canvas/CanvasSelection.h"
#include "canvas/CanvasTileState.h"
#include "canvas/CanvasView.h"
#include "canvas/DxfBlocks.h"
#include "canvas/PlovanShape.h"
#include "canvas/ShapeStore.h"

class TCanvasModel;

// Published events (Button 1 left, 2 right, 4 middle; Shift bits 1 Shift,
// 2 Ctrl, 4 Alt; X, Y world).
using TPlovanShapeSelectedEvent =
    std::function<void(TCanvasModel* Sender, short ShapeType, std::int32_t ShapeNumber)>;
using TPlovanWorldMouseMoveEvent = std::function<void(TCanvasModel* Sender, short Shift, double X,
                                                      double Y, double Magnitude, double Angle)>;
using TPlovanWorldMouseDownEvent = std::function<void(TCanvasModel* Sender, short Button,
                                                      short Shift, short Action, double X, double Y)>;
using TPlovanDrawBeginEvent =
    std::function<void(TCanvasModel* Sender, short ShapeType, double X, double Y)>;
// The control's standard input events, raised before the canvas's own
// handling (X, Y client pixels; a key handler may set Key to 0 to swallow it).
using TPlovanMouseEvent =
    std::function<void(TCanvasModel* Sender, short Button, short Shift, int X, int Y)>;
using TPlovanMouseMoveEvent = std::function<void(TCanvasModel* Sender, short Shift, int X, int Y)>;
using TPlovanKeyEvent = std::function<void(TCanvasModel* Sender, int& Key, short Shift)>;
using TPlovanNotifyEvent = std::function<void(TCanvasModel* Sender)>;

class TCanvasModel : public TCanvasOverlayData,
                     public TCanvasCommandState,
                     public TCanvasTileState,
                     public TDxfBlockTable {
    // The parts come first: the read-only fields below refer into them.
    mutable TCanvasView FView;  // its client size is refreshed from ClientWidth/Height
    TShapeStore FStore;
    TCanvasSelection FSelect{FStore};

public:
    // One layer "Default" (id 0, current) and the font entry 0 ("Arial", 10).
    TCanvasModel();
    virtual ~TCanvasModel();
    TCanvasModel(const TCanvasModel&) = delete;
    TCanvasModel& operator=(const TCanvasModel&) = delete;

    // ---- Layer table ----
    // Id of the first layer named exactly `name`, else a new layer; either
    // becomes FCurrentLayer. No redraw.
    int AddLayer(const QString& name);
    int FindLayer(const QString& name) const;  // -1 when none
    TCanvasLayer* FindLayerById(int id) const;  // null when none
    TPlovanShape* FindShape(int id) const;      // null when none

    int GetLayerTag(int id) const;
    void SetLayerTag(int id, int value);
    TColor GetLayerColor(int id) const;
    void SetLayerColor(int id, TColor value);  // recolours the layer's shapes
    int GetLayerWidth(int id) const;
    void SetLayerWidth(int id, int value);  // rewrites the layer's shapes
    int GetLayerStyle(int id) const;
    void SetLayerStyle(int id, int value);
    TColor GetLayerFillColor(int id) const;
    void SetLayerFillColor(int id, TColor value);
    TColor GetLayerAuxColor(int id) const;
    void SetLayerAuxColor(int id, TColor value);
    std::uint8_t GetLayerFillStyle(int id) const;
    void SetLayerFillStyle(int id, std::uint8_t value);
    int GetLayerAuxValue(int id) const;
    void SetLayerAuxValue(int id, int value);
    std::uint8_t GetLayerVisible(int id) const;
    void SetLayerVisible(int id, std::uint8_t value);
    // flag 1 moves every shape of fromLayer to toLayer; any flag redraws.
    void MoveLayerShapes(int fromLayer, int toLayer, int flag);

    // ---- Shape properties by id ----
    int GetShapeType(int id) const;
    int GetShapeWidth(int id) const;
    void SetShapeWidth(int id, int value);
    TColor GetShapeColor(int id) const;
    void SetShapeColor(int id, TColor value);
    int GetShapeStyle(int id) const;
    void SetShapeStyle(int id, int value);
    TColor GetShapeFillColor(int id) const;
    void SetShapeFillColor(int id, TColor value);
    std::uint8_t GetShapeFillStyle(int id) const;
    void SetShapeFillStyle(int id, std::uint8_t value);
    int GetShapeAuxValue(int id) const;
    void SetShapeAuxValue(int id, int value);
    int GetShapeLayer(int id) const;  // -1 when none
    int GetLayerOfShape(int id) const { return GetShapeLayer(id); }
    int ShapeLayerOf(int id) const { return GetShapeLayer(id); }
    std::uint8_t GetShapeSelected(int id) const;
    QString GetShapeLabel(int id) const;
    void SetShapeLabel(int id, const QString& value);
    QString GetShapeName(int id) const;
    void SetShapeName(int id, const QString& value);  // stores only, no redraw
    int GetShapeTag(int id) const;
    void SetShapeTag(int id, int value);
    int GetTextHAlign(int id) const;  // texts only; others 0
    void SetTextHAlign(int id, int value);
    int GetTextVAlign(int id) const;
    void SetTextVAlign(int id, int value);
    int GetPointSize(int id) const;  // points only; others 0
    void SetPointSize(int id, int value);

    int GetSelectionCount() const { return static_cast<int>(FSelection.size()); }
    // The kept soundings, oldest first.
    const std::vector<TSounding>& GetSoundings() const { return FSoundings; }
    bool GetMapVisible() const { return FMapVisible != 0; }

    // ---- Overlays (CanvasOverlayData.h): each setter only invalidates ----
    // Measure line in world metres; distance and bearing as the caller
    // computed them. UpdateMeasure does nothing unless measuring.
    void BeginMeasure(double x, double y);
    void UpdateMeasure(double x, double y, double distance, double bearing);
    void EndMeasure();
    // Dropped when a kept sounding lies closer than FSoundingMinSpacing
    // (strictly); above kMaxSoundings the oldest kSoundingsDroppedAtCap go.
    static constexpr std::size_t kMaxSoundings = 10000;
    static constexpr std::size_t kSoundingsDroppedAtCap = 1000;
    void AddSounding(double x, double y, double z);
    void ClearSoundings();
    void SetSoundingStyle(bool visible, double minSpacing, const QString& fontName, int fontSize,
                          TColor fontColor);
    void AddNumberLabel(double x, double y, std::int32_t n);
    void ClearNumberLabels();
    void SetDepth(double depth1, double depth2, bool valid);
    void SetSpeed(double speedKnots, bool valid);
    // Corners 0..3 (CanvasOverlayData.h): the next one, 3 wraps to 0.
    void CycleDepthSpeedDisplayMode();
    void CycleGGAOverlayPosition();
    void SetHeadingValid(bool flag);
    // The client pixel lies on the position box (its text measured with the
    // box's font); false while the box has no text.
    bool PositionBoxHit(int px, int py) const;

    // ---- Adding shapes (an unknown layer falls back to "Default") ----
    int AddLine(double x1, double y1, double x2, double y2, int layerId);
    int AddCircle(double cx, double cy, double radius, int layerId);
    int AddRectangle(double x1, double y1, double x2, double y2, int layerId);
    int AddPoint(double x, double y, int layerId);
    int AddEllipse(double x1, double y1, double x2, double y2, int layerId);
    int AddArc(double x1, double y1, double x2, double y2, double x3, double y3, int layerId);
    int AddText(int layerId, const QString& text, double x, double y, int fontIndex);
    // -1 and nothing added with fewer than 2 points.
    int AddPolyline(const std::vector<TPointD>& points, int layerId, bool closed);

    // Takes a shape built elsewhere (the drawing files, a finished mouse
    // command) and puts it on top of the drawing. It keeps its FId when that
    // is positive and not in use; otherwise it gets FNextShapeId. Returns the
    // id. No redraw.
    int AppendShape(std::unique_ptr<TPlovanShape> shape);
    // Takes shapes a reader built, on top of the drawing, as
    // TShapeStore::AppendBuilt does (their ids already given in sequence from
    // FNextShapeId, their layers counted). No redraw.
    void AppendBuiltShapes(const std::vector<TPlovanShape*>& shapes,
                           const TShapeStore::LayerTallies& tallies) {
        FStore.AppendBuilt(shapes, tallies);
    }
    void ReserveShapes(std::size_t count) { FStore.ReserveShapes(count); }
    // Reserves the next shape id (a shape being drawn takes its id early).
    int TakeNextShapeId() { return FStore.TakeNextShapeId(); }

    // ---- Deleting ----
    // -1: every shape, the selection, any drawing in progress; ids restart at
    // 1. Otherwise the shapes of that layer. Redraw and repaint.
    void ClearLayer(int layerId);
    // Shapes of the layers named exactly `name`. Redraw and repaint.
    void ClearLayerByName(const QString& name);
    void DeleteShape(int id);
    void DeleteSelectedShapes();
    void DeleteSelection();
    void RemoveSelectedShapes();
    // Every shape and every layer; FNextLayerId 0, FNextShapeId 1; cancels a
    // drawing in progress and empties the selection. No layer is added and
    // nothing is redrawn (a project load in replace mode).
    void RemoveAllShapesAndLayers();

    // ---- Selecting ----
    void SelectShape(int id, bool add);
    void UnselectShape(int id);
    void SelectLayer(int layerId, bool add);
    void UnselectLayer(int layerId);
    void SelectAll();
    void UnselectAll();
    void ClearSelection();  // no redraw
    void SelectLayers(const std::vector<int>& layerIds);
    void SelectInPolygon(const std::vector<TFloatPoint>& polygon);
    void SelectInPolygonOnLayers(const std::vector<TFloatPoint>& polygon,
                                 const std::vector<int>& layerIds);
    // Even-odd rule.
    static bool PointInPolygon(double x, double y, const std::vector<TFloatPoint>& polygon) {
        return TCanvasSelection::PointInPolygon(x, y, polygon);
    }
    // Topmost visible shape within 3 pixels (or its pen width when that is 4
    // or more) of the world point; -1 when none.
    int ShapeAtPoint(double x, double y) const;
    int HitTestShapes(double x, double y) const { return ShapeAtPoint(x, y); }
    // FSelection in order (an id selected twice appears twice).
    std::vector<std::int32_t> GetSelectedIds() const { return FSelection; }
    int GetSelectedCount() const;  // shapes whose flag is set

    // ---- Order and transforms (unknown ids do nothing) ----
    void SetShapeLayer(int id, int layerId);
    void BringToFront(int id);
    void SendToBack(int id);
    void ChangeOrder(int id, int direction);
    void MoveShape(int id, double dx, double dy);
    void ScaleShape(int id, double cx, double cy, double sx, double sy);
    void RotateShape(int id, double angle, double cx, double cy);
    // axis 0 mirrors x about cx, 1 mirrors y about cy.
    void MirrorShape(int id, int axis, double cx, double cy);
    void MoveSelection(double dx, double dy);

    // ---- Polyline vertices (any TPlovanPolyline) ----
    int GetPolylinePointCount(int id) const;
    double GetPolylineX(int id, int index) const;
    double GetPolylineY(int id, int index) const;
    void SetPolylinePoint(int id, int index, double x, double y);
    void InsertPolylinePoint(int id, int index, double x, double y);
    void DeletePolylinePoint(int id, int index);

    // ---- Queries returning plain values ----
    std::vector<std::int32_t> GetShapeIds() const;
    std::vector<std::int32_t> GetLayerShapeIds(int layerId) const;
    bool GetShapeEndPoints(int id, double& x1, double& y1, double& x2, double& y2) const;
    bool GetPointXY(int id, double& x, double& y) const;
    bool GetTextInfo(int id, double& x, double& y, std::string& text) const;  // UTF-8
    // The most recent polyline of the route or selection-polygon layer (of
    // any layer when neither exists); empty when none.
    std::vector<TPointD> GetRoutePolyline() const;

    // ---- Fonts and text defaults ----
    // "name[,size[,styles]]"; "TXT" becomes "Arial". Returns the new index.
    int AddFont(const QString& spec);
    void ResetTextDefaults() { FDefaultTextHAlign = 0; }

    // ---- Drawing state ----
    // Ends a drawing command without finishing it: the shape being drawn is
    // deleted, the command flags cleared; FCommand stays.
    void ResetDrawingState();
    // Escape: as ResetDrawingState, then invalidate.
    void CancelDrawing();

    // ---- Mouse and key commands (CanvasCommands.cpp) ----
    // The command state machine on client pixels: Button 1 left, 2 right,
    // 4 middle; Shift bits 1 Shift, 2 Ctrl, 4 Alt; Key a virtual-key code,
    // 0 for a key that has none (its events are raised, nothing else).
    void MouseDown(int button, int shift, int px, int py);
    void MouseMove(int shift, int px, int py);
    void MouseUp(int button, int shift, int px, int py);
    void KeyDown(int key, int shift);
    void KeyUp(int key, int shift);  // raises OnKeyUp only
    // A left press and release on the control (the widget tells which).
    void Click();
    void DblClick();
    // What the command that ended last drew: the vertices of the vertex
    // shape it added, else the points of its line chain; empty when it drew
    // neither (or the shape is gone).
    std::vector<TPointD> GetDrawnPolyline() const;

    // ---- View (world metres, y up; client pixels, y down) ----
    // Every operation refuses non-finite arguments (the view stays as it
    // was) and keeps both spans within 1 mm .. 1e8 m (TCanvasView).
    double GetViewWidth() const { return FView.Width(); }
    double GetViewHeight() const { return FView.Height(); }
    // The resize rule: grows one span so the view has the control's aspect.
    void Resize();
    // The drawing's visible shapes plus 5 %, fitted to the control; 0..1000
    // when there is nothing sane to show.
    void ZoomExtents();
    // Zoom about the world point (x, y): +0.2 shrinks the spans to 80 %,
    // -0.2 grows them to 120 % (the factor 1 - f is kept within 0.1..10).
    void ZoomAt(double factor, double x, double y);
    void Pan(double dx, double dy);
    void CenterOn(double x, double y);
    void SetView(double left, double top, double right, double bottom);
    // One wheel step at a client pixel: delta > 0 zooms in by 10 %, < 0 out;
    // 0 does nothing.
    void WheelAt(int px, int py, int delta);
    void WorldToScreen(double x, double y, int& px, int& py) const;
    void ScreenToWorld(int px, int py, double& x, double& y) const;
    int WorldXToScreen(double x) const;
    int WorldYToScreen(double y) const;
    // The view with the control's client size as it is now.
    const TCanvasView& View() const;
    // The rectangle the last view operation chose, which the shown one is
    // fitted from (TCanvasView): the view to keep from one run to the next.
    const viewmath::ViewRect& ChosenView() const { return FView.Chosen(); }

    // ---- Project file ----
    bool SaveProject(const QString& fileName, int unused = -1);
    bool LoadProject(const QString& fileName, int unused1 = -1, int unused2 = -1, int mode = 0);

    // ---- Others ----
    void About();
    int Reserved1() { return -1; }
    int Reserved2() { return 0; }
    int Reserved3() { return 0; }
    int Reserved4() { return 0; }
    void Reserved5() {}
    void Reserved6() {}
    void Reserved7() {}

    // ---- Control hooks (the widget overrides them) ----
    // Marks the back buffer for rebuilding and invalidates.
    virtual void Redraw();
    // Schedules a paint of the overlays (no rebuild).
    virtual void Invalidate();
    // Paints at once.
    virtual void Repaint();
    virtual void RestoreDefaultCursor();
    virtual void SetCommandCursor(TCanvasCursor cursor);
    // The view changed, the drawing did not: marks the back buffer.
    virtual void ViewChanged();
    // Client size in pixels.
    virtual int ClientWidth() const { return FClientWidth; }
    virtual int ClientHeight() const { return FClientHeight; }
    // Headless client size (the widget uses its own).
    void SetClientSize(int width, int height) {
        FClientWidth = width;
        FClientHeight = height;
    }

    // While above 0, Repaint only schedules a paint: the map tick's changes
    // join the next paint instead of painting at once.
    int FRepaintsDeferred = 0;

    // Headless call counters (tests read them).
    int FRedrawCount = 0;
    int FInvalidateCount = 0;
    int FRepaintCount = 0;

    // ---- View, read-only ----
    const double& FWorldLeft = FView.Rect().left;
    const double& FWorldRight = FView.Rect().right;
    const double& FWorldTop = FView.Rect().top;
    const double& FWorldBottom = FView.Rect().bottom;

    // ---- Layers and shapes, read-only but for FCurrentLayer ----
    const std::vector<std::unique_ptr<TCanvasLayer>>& FLayers = FStore.Layers();
    const std::int32_t& FNextLayerId = FStore.NextLayerId();
    std::int32_t& FCurrentLayer = FStore.CurrentLayer;
    const TShapeStore::ShapeList& FShapes = FStore.Shapes();  // drawing order, last on top
    const std::int32_t& FNextShapeId = FStore.NextShapeId();
    const std::int32_t& FShapeCount = FStore.ShapeCount();
    const std::vector<std::int32_t>& FSelection = FSelect.Ids();

    // ---- Text ----
    const std::vector<TCanvasFont>& FFonts = FStore.Fonts();
    const std::int16_t& FCurrentFont = FStore.CurrentFont();
    std::int32_t FDefaultTextHAlign = 0;  // given to new texts

    // ---- Display ----
    TColor FBackgroundColor = clWhite;
    QImage FBackBuffer;  // Format_RGB32
    bool FNeedsRedraw = true;
    std::uint8_t FGridVisible = 0;
    std::uint8_t FGridAutoScale = 1;
    double FGridSpacingX = 100;
    double FGridSpacingY = 100;
    TColor FGridColor = clSilver;
    std::int32_t FGridOnTop = 0;
    std::uint8_t FFollowVessel = 1;

    // ---- Events ----
    TPlovanShapeSelectedEvent OnShapeNumberSelected;
    TPlovanWorldMouseMoveEvent OnWorldMouseMove;
    TPlovanWorldMouseDownEvent OnWorldMouseDown;
    TPlovanDrawBeginEvent OnDrawBegin;
    TPlovanDrawBeginEvent OnDrawEnd;
    TPlovanNotifyEvent OnClick;
    TPlovanNotifyEvent OnDblClick;
    TPlovanMouseEvent OnMouseDown;
    TPlovanMouseMoveEvent OnMouseMove;
    TPlovanMouseEvent OnMouseUp;
    TPlovanKeyEvent OnKeyDown;
    TPlovanKeyEvent OnKeyUp;
    // Before the view keeps the control's aspect (Resize).
    TPlovanNotifyEvent OnResize;

protected:
    TShapeStore& Store() { return FStore; }
    // Marks the back buffer and invalidates, as Redraw, after a change the
    // store has already told its culling index of.
    void DrawingChanged();
    // Steps of the commands (CanvasCommands.cpp).
    // A tool picked while a command was in progress: ends that command as
    // Escape does, so the new tool starts clean.
    void EndCommandOfChangedTool();
    void StartCommand(double x, double y);
    void ClearStartPoint();
    void BeginVertexShape(double x, double y);
    void LeftClickCommand(int px, int py, double x, double y);
    void ZoomToWindow(double x, double y);
    // Appends a new shape with the next id and redraws; returns the id.
    int AddNew(std::unique_ptr<TPlovanShape> shape);
    // Stores a plain property through a data member or setter and redraws;
    // nothing for a null record.
    template <class R, class M, class T>
    void SetById(R* record, M member, const T& value) {
        if (AssignById(record, member, value)) Redraw();
    }
    // Stores a view the TCanvasView rules accept and marks the change; true
    // when it did.
    bool ApplyView(const viewmath::ViewRect& view);

    int FClientWidth = 400;
    int FClientHeight = 300;
};
