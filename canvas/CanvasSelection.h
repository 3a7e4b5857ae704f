// The selection of the drawing: the selected ids in selection order (an id
// selected twice appears twice), with the polygon selections and the hit
// test of a click. Nothing here redraws; the canvas model decides that.
//
// Invariant: the ids held are those of the stored shapes whose FSelected
// flag is set, and only this class sets the flag. Deleting shapes through
// the store breaks it until the caller says so (Forget, KeepStored or
// Reset), which the canvas model does on every delete.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas/ShapeStore.h"

class TCanvasView;

class TCanvasSelection {
  public:
    explicit TCanvasSelection(TShapeStore& store) : FStore(store) {}

    const std::vector<std::int32_t>& Ids() const { return FIds; }

    // Clears every shape's flag and the ids.
    void Clear();
    // Forgets the ids without touching flags (their shapes were deleted).
    void Reset() { FIds.clear(); }
    // Drops every occurrence of the id.
    void Forget(int id);
    // Drops the ids that no longer name a stored shape.
    void KeepStored();

    void Select(int id, bool add);
    void Unselect(int id);
    void SelectLayer(int layerId, bool add);
    void UnselectLayer(int layerId);
    void SelectAll();
    void SelectLayers(const std::vector<int>& layerIds);
    // Replaces the selection by the shapes with a test point inside the
    // polygon (3 or more vertices), skipping the selection-polygon layer.
    void SelectInPolygon(const std::vector<TFloatPoint>& polygon);
    // The same on the given layers only, with simpler test points.
    void SelectInPolygonOnLayers(const std::vector<TFloatPoint>& polygon,
                                 const std::vector<int>& layerIds);
    // Shapes whose flag is set.
    int FlaggedCount() const;

    // Even-odd rule.
    static bool PointInPolygon(double x, double y, const std::vector<TFloatPoint>& polygon);
    // Topmost visible shape within 3 pixels (or its pen width when that is 4
    // or more) of the world point; -1 when none.
    int ShapeAt(const TCanvasView& view, double x, double y) const;

  private:
    void Flag(TPlovanShape& shape);

    TShapeStore& FStore;
    std::vector<std::int32_t> FIds;
};
