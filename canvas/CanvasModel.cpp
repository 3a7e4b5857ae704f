#include "canvas/CanvasModel.h"

#include <algorithm>
#include <cmath>

#include "platform/Dialogs.h"
#include "platform/VclText.h"

TCanvasModel::TCanvasModel() {
    FBackBuffer = QImage(FClientWidth, FClientHeight, QImage::Format_RGB32);
    FBackBuffer.fill(Qt::white);
}

TCanvasModel::~TCanvasModel() = default;

// ---- Control hooks ----

void TCanvasModel::Redraw() {
    FNeedsRedraw = true;
    ++FRedrawCount;
    // A shape may have changed in place (its box with it).
    FStore.ShapesChanged();
    Invalidate();
}

void TCanvasModel::DrawingChanged() {
    // The store has told the culling index what changed.
    FNeedsRedraw = true;
    ++FRedrawCount;
    Invalidate();
}

void TCanvasModel::Invalidate() { ++FInvalidateCount; }

void TCanvasModel::Repaint() { ++FRepaintCount; }

void TCanvasModel::RestoreDefaultCursor() { FCursor = TCanvasCursor::Default; }

void TCanvasModel::SetCommandCursor(TCanvasCursor cursor) { FCursor = cursor; }

void TCanvasModel::ViewChanged() { FNeedsRedraw = true; }

void TCanvasModel::About() {
    platform::ShowMessage(
        QStringLiteral("TPlovanCanvas - layered vector map and drawing control for Plovan HX"));
}

// ---- Layer table ----

int TCanvasModel::AddLayer(const QString& name) { return FStore.AddLayer(name); }

int TCanvasModel::FindLayer(const QString& name) const { return FStore.FindLayer(name); }

TCanvasLayer* TCanvasModel::FindLayerById(int id) const { return FStore.FindLayerById(id); }

TPlovanShape* TCanvasModel::FindShape(int id) const { return FStore.FindShape(id); }

// Plain properties: one line each through ValueById and SetById.

using L = TCanvasLayer;
using S = TPlovanShape;

int TCanvasModel::GetLayerTag(int id) const { return ValueById(FindLayerById(id), &L::Tag, 0); }
void TCanvasModel::SetLayerTag(int id, int value) { SetById(FindLayerById(id), &L::Tag, value); }
TColor TCanvasModel::GetLayerColor(int id) const {
    return ValueById(FindLayerById(id), &L::PenColor, TColor{0});
}
int TCanvasModel::GetLayerWidth(int id) const {
    return ValueById(FindLayerById(id), &L::PenWidth, 1);
}
int TCanvasModel::GetLayerStyle(int id) const { return ValueById(FindLayerById(id), &L::Style, 0); }
void TCanvasModel::SetLayerStyle(int id, int value) {
    SetById(FindLayerById(id), &L::Style, value);
}
TColor TCanvasModel::GetLayerFillColor(int id) const {
    return ValueById(FindLayerById(id), &L::FillColor, clWhite);
}
void TCanvasModel::SetLayerFillColor(int id, TColor value) {
    SetById(FindLayerById(id), &L::FillColor, value);
}
TColor TCanvasModel::GetLayerAuxColor(int id) const {
    return ValueById(FindLayerById(id), &L::AuxColor, clWhite);
}
void TCanvasModel::SetLayerAuxColor(int id, TColor value) {
    SetById(FindLayerById(id), &L::AuxColor, value);
}
std::uint8_t TCanvasModel::GetLayerFillStyle(int id) const {
    return ValueById(FindLayerById(id), &L::FillStyle, std::uint8_t{1});
}
void TCanvasModel::SetLayerFillStyle(int id, std::uint8_t value) {
    SetById(FindLayerById(id), &L::FillStyle, value);
}
int TCanvasModel::GetLayerAuxValue(int id) const {
    return ValueById(FindLayerById(id), &L::AuxValue, 0);
}
void TCanvasModel::SetLayerAuxValue(int id, int value) {
    SetById(FindLayerById(id), &L::AuxValue, value);
}
std::uint8_t TCanvasModel::GetLayerVisible(int id) const {
    return ValueById(FindLayerById(id), &L::Visible, std::uint8_t{0});
}
void TCanvasModel::SetLayerVisible(int id, std::uint8_t value) {
    SetById(FindLayerById(id), &L::Visible, value);
}

// The layer's pen rewrites its shapes too; when they all have it already
// (the map tick sets it at every track point), nothing is drawn anew.
void TCanvasModel::SetLayerColor(int id, TColor value) {
    TCanvasLayer* l = FindLayerById(id);
    if (!l) return;
    l->PenColor = value;
    if (FStore.SetLayerShapesColour(l->Id, value)) DrawingChanged();
}
void TCanvasModel::SetLayerWidth(int id, int value) {
    TCanvasLayer* l = FindLayerById(id);
    if (!l) return;
    l->PenWidth = value;
    if (FStore.SetLayerShapesWidth(l->Id, value)) DrawingChanged();
}

void TCanvasModel::MoveLayerShapes(int fromLayer, int toLayer, int flag) {
    if (flag == 1) {
        for (TPlovanShape* s : FShapes)
            if (s->FLayerId == fromLayer) s->FLayerId = toLayer;
        FStore.RecountLayers();
    }
    Redraw();
}

// ---- Shape properties ----

int TCanvasModel::GetShapeType(int id) const { return ValueById(FindShape(id), &S::FShapeType, 0); }
int TCanvasModel::GetShapeWidth(int id) const { return ValueById(FindShape(id), &S::FWidth, 1); }
void TCanvasModel::SetShapeWidth(int id, int value) {
    if (TPlovanShape* s = FindShape(id)) {
        FStore.SetShapeWidth(*s, value);
        DrawingChanged();
    }
}
TColor TCanvasModel::GetShapeColor(int id) const {
    return ValueById(FindShape(id), &S::FColor, TColor{0});
}
void TCanvasModel::SetShapeColor(int id, TColor value) {
    if (TPlovanShape* s = FindShape(id)) {
        FStore.SetShapeColour(*s, value);
        DrawingChanged();
    }
}
int TCanvasModel::GetShapeStyle(int id) const { return ValueById(FindShape(id), &S::FStyle, 0); }
void TCanvasModel::SetShapeStyle(int id, int value) {
    SetById(FindShape(id), &S::SetFStyle, value);
}
TColor TCanvasModel::GetShapeFillColor(int id) const {
    return ValueById(FindShape(id), &S::FFillColor, clWhite);
}
void TCanvasModel::SetShapeFillColor(int id, TColor value) {
    SetById(FindShape(id), &S::FFillColor, value);
}
std::uint8_t TCanvasModel::GetShapeFillStyle(int id) const {
    return ValueById(FindShape(id), &S::FFillStyle, std::uint8_t{0});
}
void TCanvasModel::SetShapeFillStyle(int id, std::uint8_t value) {
    SetById(FindShape(id), &S::FFillStyle, value);
}
int TCanvasModel::GetShapeAuxValue(int id) const {
    return ValueById(FindShape(id), &S::FAuxValue, 0);
}
void TCanvasModel::SetShapeAuxValue(int id, int value) {
    SetById(FindShape(id), &S::SetFAuxValue, value);
}
int TCanvasModel::GetShapeLayer(int id) const { return ValueById(FindShape(id), &S::FLayerId, -1); }
std::uint8_t TCanvasModel::GetShapeSelected(int id) const {
    return ValueById(FindShape(id), &S::FSelected, std::uint8_t{0});
}
QString TCanvasModel::GetShapeLabel(int id) const {
    return ValueById(FindShape(id), &S::FLabel, QString());
}
void TCanvasModel::SetShapeLabel(int id, const QString& value) {
    SetById(FindShape(id), &S::SetFLabel, value);
}
QString TCanvasModel::GetShapeName(int id) const {
    return ValueById(FindShape(id), &S::FName, QString());
}
int TCanvasModel::GetShapeTag(int id) const { return ValueById(FindShape(id), &S::FTag, 0); }
void TCanvasModel::SetShapeTag(int id, int value) { SetById(FindShape(id), &S::SetFTag, value); }

// A name is stored without a redraw: nothing shows it.
void TCanvasModel::SetShapeName(int id, const QString& value) {
    AssignById(FindShape(id), &S::SetFName, value);
}

int TCanvasModel::GetTextHAlign(int id) const {
    return ValueById(AsText(FindShape(id)), &TPlovanText::HAlign, 0);
}
void TCanvasModel::SetTextHAlign(int id, int value) {
    SetById(AsText(FindShape(id)), &TPlovanText::HAlign, value);
}
int TCanvasModel::GetTextVAlign(int id) const {
    return ValueById(AsText(FindShape(id)), &TPlovanText::VAlign, 0);
}
void TCanvasModel::SetTextVAlign(int id, int value) {
    SetById(AsText(FindShape(id)), &TPlovanText::VAlign, value);
}
int TCanvasModel::GetPointSize(int id) const {
    return ValueById(AsPoint(FindShape(id)), &TPlovanPoint::Size, 0);
}
void TCanvasModel::SetPointSize(int id, int value) {
    if (TPlovanPoint* p = AsPoint(FindShape(id))) {
        p->Size = value;
        p->UpdateBounds();  // the box is the position +- the size
        Redraw();
    }
}

// ---- Adding ----

int TCanvasModel::AppendShape(std::unique_ptr<TPlovanShape> shape) {
    return FStore.Append(std::move(shape));
}

int TCanvasModel::AddNew(std::unique_ptr<TPlovanShape> shape) {
    const int id = FStore.AddNew(std::move(shape));
    DrawingChanged();
    return id;
}

int TCanvasModel::AddLine(double x1, double y1, double x2, double y2, int layerId) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanLine>(x1, y1, x2, y2, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddCircle(double cx, double cy, double radius, int layerId) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanCircle>(cx, cy, radius, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    s->FFillColor = layer.FillColor;
    s->FFillStyle = layer.FillStyle;
    return AddNew(std::move(s));
}

int TCanvasModel::AddRectangle(double x1, double y1, double x2, double y2, int layerId) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanRectangle>(x1, y1, x2, y2, layer.Id, 0, 0.0);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    s->FFillColor = layer.FillColor;
    s->FFillStyle = layer.FillStyle;
    return AddNew(std::move(s));
}

int TCanvasModel::AddPoint(double x, double y, int layerId) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::unique_ptr<TPlovanPoint>(new TPlovanPoint(x, y, layer.Id));
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddEllipse(double x1, double y1, double x2, double y2, int layerId) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanEllipse>(x1, y1, x2, y2, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddArc(double x1, double y1, double x2, double y2, double x3, double y3,
                         int layerId) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanArc>(x1, y1, x2, y2, x3, y3, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddText(int layerId, const QString& text, double x, double y, int fontIndex) {
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanText>(x, y, text, fontIndex, layer.Id);
    s->FColor = layer.PenColor;
    s->HAlign = FDefaultTextHAlign;
    if (const TCanvasFont* f = FStore.FindFont(fontIndex)) {
        s->FontName = f->Name;
        s->Height = f->Size;
        s->Bold = f->Bold;
        s->Italic = f->Italic;
    }
    // The box stays the one made with the constructor's height of 10.
    return AddNew(std::move(s));
}

int TCanvasModel::AddPolyline(const std::vector<TPointD>& points, int layerId, bool closed) {
    if (points.size() < 2) return -1;
    const TCanvasLayer& layer = FStore.ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanPolyline>(layer.Id, closed ? 1 : 0);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    s->SetFStyle(layer.Style);
    s->FFillColor = layer.FillColor;
    s->FFillStyle = layer.FillStyle;
    s->Points.reserve(points.size());
    for (const TPointD& p : points) s->AddPoint(p.X, p.Y);
    return AddNew(std::move(s));
}

// ---- Deleting (the selection forgets the deleted ids) ----

void TCanvasModel::ClearLayer(int layerId) {
    if (layerId == -1) {
        // Ids restart at 1, so a shape being drawn (which holds an id
        // already) must go, as Escape would end it; else it would later
        // join the drawing with an id a new shape has too.
        CancelDrawing();
        FStore.DeleteAll();
        FSelect.Reset();
        FStore.RestartShapeIds();
    } else if (FStore.DeleteLayerShapes(layerId)) {
        FSelect.KeepStored();
    }
    DrawingChanged();
    Repaint();
}

void TCanvasModel::ClearLayerByName(const QString& name) {
    std::vector<std::int32_t> ids;
    for (const auto& layer : FLayers)
        if (layer->Name == name) ids.push_back(layer->Id);
    if (!ids.empty() && FStore.DeleteWhere([&ids](const TPlovanShape& s) {
            return std::find(ids.begin(), ids.end(), s.FLayerId) != ids.end();
        }))
        FSelect.KeepStored();
    DrawingChanged();
    Repaint();
}

void TCanvasModel::DeleteShape(int id) {
    FStore.Delete(id);
    FSelect.Forget(id);
    DrawingChanged();
}

namespace {

bool IsSelected(const TPlovanShape& s) { return s.FSelected != 0; }

}  // namespace

void TCanvasModel::DeleteSelectedShapes() {
    FStore.DeleteWhere(IsSelected);
    FSelect.Reset();
    Redraw();
    Repaint();
}

void TCanvasModel::DeleteSelection() {
    FStore.DeleteWhere(IsSelected);
    FSelect.Reset();
    Redraw();
}

void TCanvasModel::RemoveSelectedShapes() {
    FStore.DeleteWhere(IsSelected);
    FSelect.Reset();
    Redraw();
}

void TCanvasModel::RemoveAllShapesAndLayers() {
    CancelDrawing();
    FStore.DeleteAllShapesAndLayers();
    FSelect.Reset();
}

// ---- Selecting ----

void TCanvasModel::SelectShape(int id, bool add) {
    FSelect.Select(id, add);
    Redraw();
}
void TCanvasModel::UnselectShape(int id) {
    FSelect.Unselect(id);
    Redraw();
}
void TCanvasModel::SelectLayer(int layerId, bool add) {
    FSelect.SelectLayer(layerId, add);
    Redraw();
}
void TCanvasModel::UnselectLayer(int layerId) {
    FSelect.UnselectLayer(layerId);
    Redraw();
}
void TCanvasModel::SelectAll() {
    FSelect.SelectAll();
    Redraw();
}
void TCanvasModel::UnselectAll() {
    FSelect.Clear();
    Redraw();
}
void TCanvasModel::ClearSelection() { FSelect.Clear(); }
void TCanvasModel::SelectLayers(const std::vector<int>& layerIds) {
    FSelect.SelectLayers(layerIds);
    Redraw();
}
void TCanvasModel::SelectInPolygon(const std::vector<TFloatPoint>& polygon) {
    FSelect.SelectInPolygon(polygon);
    Redraw();
}
void TCanvasModel::SelectInPolygonOnLayers(const std::vector<TFloatPoint>& polygon,
                                           const std::vector<int>& layerIds) {
    FSelect.SelectInPolygonOnLayers(polygon, layerIds);
    Redraw();
}
int TCanvasModel::ShapeAtPoint(double x, double y) const { return FSelect.ShapeAt(View(), x, y); }
int TCanvasModel::GetSelectedCount() const { return FSelect.FlaggedCount(); }

// ---- Fonts ----

int TCanvasModel::AddFont(const QString& spec) { return FStore.AddFont(spec); }

// ---- Drawing state ----

void TCanvasModel::ResetDrawingState() {
    FDrawing = 0;
    FHasStartPoint = 0;
    FSkipClick = 0;
    // The unfinished shape is owned here, never by the drawing.
    delete FTempShape;
    FTempShape = nullptr;
    RestoreDefaultCursor();
}

void TCanvasModel::CancelDrawing() {
    const bool wasDrawing = FDrawing || FHasStartPoint || FTempShape;
    delete FTempShape;
    FTempShape = nullptr;
    FDrawing = 0;
    FHasStartPoint = 0;
    if (wasDrawing) {
        RestoreDefaultCursor();
        Invalidate();
    }
}
