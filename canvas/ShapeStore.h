// The drawing's records: the layer table, the shapes in drawing order (first
// drawn first, last on top) with their id index, the font table, and the run
// index the rendering culls with. Nothing here redraws; the canvas model
// decides that.
//
// Ids: layer ids start at 0 and are never reused; shape ids start at 1 and
// restart only through RestartShapeIds. The store owns every layer record and
// every shape.
//
// Invariants, kept by every member below: the id index finds exactly the
// shapes in the drawing list, and each id once; ShapeCount() equals the
// length of the list; the culling index is told of every change of the
// list's order or contents from the first position that changed (and made
// stale by ShapesChanged, for changes made to a shape in place). The layer
// tallies (LayerShapesOf) count each layer's shapes and know whether they
// all share one colour and one width. A stored shape's FId must not be
// written; its FLayerId, FColor and FWidth change only through the store's
// operations below (or the canvas model's setters, which call them).
// Everything runs on the GUI thread.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "canvas/PlovanShape.h"
#include "canvas/ShapeIndex.h"

struct TCanvasLayer {
    std::int32_t Id = 0;
    QString Name;  // compared exactly (case-sensitive)
    std::uint8_t Visible = 1;
    std::uint8_t Locked = 0;  // set by the DXF import; nothing tests it
    std::int32_t Tag = 0;     // caller's value
    TColor PenColor = clBlack;
    std::int32_t PenWidth = 1;
    std::int32_t Style = 0;  // copied into new polylines; never drawn
    TColor FillColor = clWhite;
    TColor AuxColor = clWhite;
    std::uint8_t FillStyle = bsClear;
    std::int32_t AuxValue = 0;
};

struct TCanvasFont {
    QString Name;
    std::int32_t Size = 10;  // points
    std::uint8_t Bold = 0;
    std::uint8_t Italic = 0;
};

// A plain property of a record found by id: the value, or `fallback` when
// the record is null. `member` is a data member or a getter.
template <class R, class M, class T>
T ValueById(const R* record, M member, T fallback) {
    return record ? static_cast<T>(std::invoke(member, *record)) : fallback;
}

// Stores `value` through a data member or a setter; false (nothing stored)
// when the record is null.
template <class R, class M, class T>
bool AssignById(R* record, M member, const T& value) {
    if (!record) return false;
    if constexpr (std::is_member_object_pointer_v<M>)
        record->*member = value;
    else
        (record->*member)(value);
    return true;
}

// What the store knows of one layer's shapes without looking at them.
struct TLayerShapes {
    std::int32_t count = 0;
    std::optional<TColor> colour;    // every shape of the layer has it
    std::optional<std::int32_t> width;
};

class TShapeStore {
  public:
    using ShapeList = std::vector<TPlovanShape*>;

    // One layer "Default" (id 0, current) and the font entry 0 ("Arial", 10).
    TShapeStore();
    ~TShapeStore();
    TShapeStore(const TShapeStore&) = delete;
    TShapeStore& operator=(const TShapeStore&) = delete;

    // ---- Layers ----
    const std::vector<std::unique_ptr<TCanvasLayer>>& Layers() const { return FLayers; }
    const std::int32_t& NextLayerId() const { return FNextLayerId; }
    // Id of the first layer named exactly `name`, else a new layer; either
    // becomes the current layer.
    int AddLayer(const QString& name);
    int FindLayer(const QString& name) const;   // -1 when none
    TCanvasLayer* FindLayerById(int id) const;  // null when none
    // The layer an add operation puts its shape on: `id`, else "Default"
    // (found or made, and made current).
    TCanvasLayer& ResolveLayer(int id);
    // The layer that receives shapes drawn with the mouse; any id.
    std::int32_t CurrentLayer = 0;

    // ---- Shapes ----
    const ShapeList& Shapes() const { return FShapes; }
    const std::int32_t& ShapeCount() const { return FShapeCount; }
    const std::int32_t& NextShapeId() const { return FNextShapeId; }
    TPlovanShape* FindShape(int id) const;            // null when none
    int PositionOf(const TPlovanShape* shape) const;  // -1 when not stored
    // Puts a shape on top with the next id; returns the id.
    int AddNew(std::unique_ptr<TPlovanShape> shape);
    // Puts a shape built elsewhere on top: it keeps its FId when that is
    // positive and free, else takes the next id; later ids stay above it.
    // Returns the id, -1 for a null shape.
    int Append(std::unique_ptr<TPlovanShape> shape);
    int TakeNextShapeId() { return FNextShapeId++; }
    // Puts shapes built elsewhere on top, in the order given: they must hold
    // the ids NextShapeId(), NextShapeId() + 1, ... in that order, and
    // `tallies` must count them by layer as LayerShapesOf would (each layer
    // once). The shapes themselves are not read, so another thread may have
    // built them. All or nothing: when memory runs out nothing is taken and
    // the caller still owns every shape.
    using LayerTallies = std::vector<std::pair<std::int32_t, TLayerShapes>>;
    void AppendBuilt(const std::vector<TPlovanShape*>& shapes, const LayerTallies& tallies);
    // Room for about `count` more shapes in the drawing list and the id
    // table, so that shapes added in batches are not copied as they grow.
    void ReserveShapes(std::size_t count);
    // Deletes the shape; false when no shape has the id.
    bool Delete(int id);
    // Deletes every shape for which `doomed` is true, in one pass; true when
    // any went.
    bool DeleteWhere(const std::function<bool(const TPlovanShape&)>& doomed);
    // Deletes the shapes of one layer, looking only from the top of the
    // drawing down to the lowest of them; true when any went.
    bool DeleteLayerShapes(int layerId);

    // ---- Layer tallies ----
    // Null when no shape names the layer.
    const TLayerShapes* LayerShapesOf(int layerId) const;
    // Sets the colour (width) of every shape of the layer; false when they
    // all had it already, so nothing changed and nothing was visited.
    bool SetLayerShapesColour(int layerId, TColor colour);
    bool SetLayerShapesWidth(int layerId, std::int32_t width);
    // One shape's colour, width or layer, changed through the store.
    void SetShapeColour(TPlovanShape& shape, TColor colour);
    void SetShapeWidth(TPlovanShape& shape, std::int32_t width);
    void SetShapeLayer(TPlovanShape& shape, std::int32_t layerId);
    // Counts the tallies again from the shapes (after a bulk change).
    void RecountLayers();
    void DeleteAll();
    // With no shape left, ids start again at 1.
    void RestartShapeIds();
    // Every shape and every layer; layer ids start again at 0, shape ids at 1.
    void DeleteAllShapesAndLayers();
    // Z-order: false when no shape has the id.
    bool BringToFront(int id);
    bool SendToBack(int id);

    // ---- Fonts ----
    const std::vector<TCanvasFont>& Fonts() const { return FFonts; }
    const std::int16_t& CurrentFont() const { return FCurrentFont; }
    // "name[,size[,styles]]"; "TXT" becomes "Arial". Returns the new index,
    // which becomes the current font.
    int AddFont(const QString& spec);
    const TCanvasFont* FindFont(int index) const;  // null when none

    // ---- Culling index of the rendering ----
    void ShapesChanged() { FCulling.MarkStale(); }
    // The run index, rebuilt first when stale.
    const TShapeIndex& CullingIndex() {
        FCulling.Refresh(FShapes);
        return FCulling;
    }
    // As it is, without bringing it up to date.
    const TShapeIndex& CullingIndexAsIs() const { return FCulling; }

  private:
    void Count(const TPlovanShape& shape);
    void Uncount(const TPlovanShape& shape);
    void Index(TPlovanShape* shape);
    void GrowIdIndex(std::size_t size);
    void Unindex(const TPlovanShape* shape);
    void Push(TPlovanShape* shape);

    std::vector<std::unique_ptr<TCanvasLayer>> FLayers;  // creation order
    std::int32_t FNextLayerId = 0;
    ShapeList FShapes;  // owned
    std::int32_t FNextShapeId = 1;
    std::int32_t FShapeCount = 0;
    std::vector<TCanvasFont> FFonts;
    std::int16_t FCurrentFont = 0;
    // id -> shape: dense for the ids handed out in sequence, hashed beyond.
    std::vector<TPlovanShape*> FIdIndex;
    std::unordered_map<std::int32_t, TPlovanShape*> FIdOverflow;
    TShapeIndex FCulling;
    std::unordered_map<std::int32_t, TLayerShapes> FLayerShapes;
};
