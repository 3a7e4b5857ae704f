#include "canvas/CanvasModel.h"

#include <algorithm>
#include <cmath>

#include "platform/Dialogs.h"
#include "platform/VclText.h"

namespace {

const QString kDefaultLayer = QStringLiteral("Default");

}  // namespace

TCanvasModel::TCanvasModel() {
    FBackBuffer = QImage(FClientWidth, FClientHeight, QImage::Format_RGB32);
    FBackBuffer.fill(Qt::white);
    AddLayer(kDefaultLayer);
    FFonts.push_back(TCanvasFont{QStringLiteral("Arial"), 10, 0, 0});
}

TCanvasModel::~TCanvasModel() {
    delete FTempShape;
    FTempShape = nullptr;
    for (TPlovanShape* s : FShapes) delete s;
    FShapes.clear();
}

// ---- Control hooks ----

void TCanvasModel::Redraw() {
    FNeedsRedraw = true;
    ++FRedrawCount;
    Invalidate();
}

void TCanvasModel::Invalidate() { ++FInvalidateCount; }

void TCanvasModel::Repaint() { ++FRepaintCount; }

void TCanvasModel::RestoreDefaultCursor() {}

void TCanvasModel::About() {
    platform::ShowMessage(
        QStringLiteral("TPlovanCanvas - layered vector map and drawing control for Plovan HX"));
}

// ---- Id index ----

void TCanvasModel::IndexShape(TPlovanShape* shape) {
    const std::int32_t id = shape->FId;
    if (id >= 0) {
        const auto u = static_cast<std::size_t>(id);
        if (u < FIdIndex.size()) {
            FIdIndex[u] = shape;
            return;
        }
        // Ids are handed out in sequence, so the dense table grows with the
        // drawing; a far-off id (from outside) goes to the hashed table.
        if (u <= 2 * FIdIndex.size() + 4096) {
            FIdIndex.resize(std::max(u + 1, FIdIndex.size() + FIdIndex.size() / 2), nullptr);
            FIdIndex[u] = shape;
            return;
        }
    }
    FIdOverflow[id] = shape;
}

void TCanvasModel::UnindexShape(const TPlovanShape* shape) {
    const std::int32_t id = shape->FId;
    if (id >= 0 && static_cast<std::size_t>(id) < FIdIndex.size()) {
        if (FIdIndex[static_cast<std::size_t>(id)] == shape)
            FIdIndex[static_cast<std::size_t>(id)] = nullptr;
        return;
    }
    auto it = FIdOverflow.find(id);
    if (it != FIdOverflow.end() && it->second == shape) FIdOverflow.erase(it);
}

TPlovanShape* TCanvasModel::FindShape(int id) const {
    if (id >= 0 && static_cast<std::size_t>(id) < FIdIndex.size())
        return FIdIndex[static_cast<std::size_t>(id)];
    if (FIdOverflow.empty()) return nullptr;
    auto it = FIdOverflow.find(id);
    return it == FIdOverflow.end() ? nullptr : it->second;
}

int TCanvasModel::PositionOf(const TPlovanShape* shape) const {
    for (std::size_t i = FShapes.size(); i-- > 0;)
        if (FShapes[i] == shape) return static_cast<int>(i);
    return -1;
}

// ---- Layer table ----

int TCanvasModel::AddLayer(const QString& name) {
    int id = FindLayer(name);
    if (id < 0) {
        auto layer = std::make_unique<TCanvasLayer>();
        layer->Id = FNextLayerId++;
        layer->Name = name;
        id = layer->Id;
        FLayers.push_back(std::move(layer));
    }
    FCurrentLayer = id;
    return id;
}

int TCanvasModel::FindLayer(const QString& name) const {
    for (const auto& layer : FLayers)
        if (layer->Name == name) return layer->Id;
    return -1;
}

TCanvasLayer* TCanvasModel::FindLayerById(int id) const {
    // Layers are numbered in creation order, so the id is usually the index.
    if (id >= 0 && static_cast<std::size_t>(id) < FLayers.size() && FLayers[id]->Id == id)
        return FLayers[id].get();
    for (const auto& layer : FLayers)
        if (layer->Id == id) return layer.get();
    return nullptr;
}

TCanvasLayer& TCanvasModel::ResolveLayer(int layerId) {
    if (TCanvasLayer* layer = FindLayerById(layerId)) return *layer;
    return *FindLayerById(AddLayer(kDefaultLayer));
}

int TCanvasModel::GetLayerTag(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->Tag : 0;
}
void TCanvasModel::SetLayerTag(int id, int value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->Tag = value;
        Redraw();
    }
}
TColor TCanvasModel::GetLayerColor(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->PenColor : 0;
}
void TCanvasModel::SetLayerColor(int id, TColor value) {
    TCanvasLayer* l = FindLayerById(id);
    if (!l) return;
    l->PenColor = value;
    for (TPlovanShape* s : FShapes)
        if (s->FLayerId == l->Id) s->FColor = value;
    Redraw();
}
int TCanvasModel::GetLayerWidth(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->PenWidth : 1;
}
void TCanvasModel::SetLayerWidth(int id, int value) {
    TCanvasLayer* l = FindLayerById(id);
    if (!l) return;
    l->PenWidth = value;
    for (TPlovanShape* s : FShapes)
        if (s->FLayerId == l->Id) s->FWidth = value;
    Redraw();
}
int TCanvasModel::GetLayerStyle(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->Style : 0;
}
void TCanvasModel::SetLayerStyle(int id, int value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->Style = value;
        Redraw();
    }
}
TColor TCanvasModel::GetLayerFillColor(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->FillColor : clWhite;
}
void TCanvasModel::SetLayerFillColor(int id, TColor value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->FillColor = value;
        Redraw();
    }
}
TColor TCanvasModel::GetLayerAuxColor(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->AuxColor : clWhite;
}
void TCanvasModel::SetLayerAuxColor(int id, TColor value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->AuxColor = value;
        Redraw();
    }
}
std::uint8_t TCanvasModel::GetLayerFillStyle(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->FillStyle : std::uint8_t{1};
}
void TCanvasModel::SetLayerFillStyle(int id, std::uint8_t value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->FillStyle = value;
        Redraw();
    }
}
int TCanvasModel::GetLayerAuxValue(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->AuxValue : 0;
}
void TCanvasModel::SetLayerAuxValue(int id, int value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->AuxValue = value;
        Redraw();
    }
}
std::uint8_t TCanvasModel::GetLayerVisible(int id) const {
    const TCanvasLayer* l = FindLayerById(id);
    return l ? l->Visible : std::uint8_t{0};
}
void TCanvasModel::SetLayerVisible(int id, std::uint8_t value) {
    if (TCanvasLayer* l = FindLayerById(id)) {
        l->Visible = value;
        Redraw();
    }
}

void TCanvasModel::MoveLayerShapes(int fromLayer, int toLayer, int flag) {
    if (flag == 1)
        for (TPlovanShape* s : FShapes)
            if (s->FLayerId == fromLayer) s->FLayerId = toLayer;
    Redraw();
}

// ---- Shape properties ----

int TCanvasModel::GetShapeType(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FShapeType : 0;
}
int TCanvasModel::GetShapeWidth(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FWidth : 1;
}
void TCanvasModel::SetShapeWidth(int id, int value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->FWidth = value;
        Redraw();
    }
}
TColor TCanvasModel::GetShapeColor(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FColor : 0;
}
void TCanvasModel::SetShapeColor(int id, TColor value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->FColor = value;
        Redraw();
    }
}
int TCanvasModel::GetShapeStyle(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->Style() : 0;
}
void TCanvasModel::SetShapeStyle(int id, int value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->SetStyle(value);
        Redraw();
    }
}
TColor TCanvasModel::GetShapeFillColor(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FFillColor : clWhite;
}
void TCanvasModel::SetShapeFillColor(int id, TColor value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->FFillColor = value;
        Redraw();
    }
}
std::uint8_t TCanvasModel::GetShapeFillStyle(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FFillStyle : std::uint8_t{0};
}
void TCanvasModel::SetShapeFillStyle(int id, std::uint8_t value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->FFillStyle = value;
        Redraw();
    }
}
int TCanvasModel::GetShapeAuxValue(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->AuxValue() : 0;
}
void TCanvasModel::SetShapeAuxValue(int id, int value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->SetAuxValue(value);
        Redraw();
    }
}
int TCanvasModel::GetShapeLayer(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FLayerId : -1;
}
std::uint8_t TCanvasModel::GetShapeSelected(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->FSelected : std::uint8_t{0};
}
QString TCanvasModel::GetShapeLabel(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->Label() : QString();
}
void TCanvasModel::SetShapeLabel(int id, const QString& value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->SetLabel(value);
        Redraw();
    }
}
QString TCanvasModel::GetShapeName(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->Name() : QString();
}
void TCanvasModel::SetShapeName(int id, const QString& value) {
    if (TPlovanShape* s = FindShape(id)) s->SetName(value);
}
int TCanvasModel::GetShapeTag(int id) const {
    const TPlovanShape* s = FindShape(id);
    return s ? s->Tag() : 0;
}
void TCanvasModel::SetShapeTag(int id, int value) {
    if (TPlovanShape* s = FindShape(id)) {
        s->SetTag(value);
        Redraw();
    }
}

namespace {

TPlovanText* AsText(TPlovanShape* s) {
    return s && s->FShapeType == ShapeType::Text ? dynamic_cast<TPlovanText*>(s) : nullptr;
}

TPlovanPoint* AsPoint(TPlovanShape* s) {
    return s && s->FShapeType == ShapeType::Point ? dynamic_cast<TPlovanPoint*>(s) : nullptr;
}

}  // namespace

int TCanvasModel::GetTextHAlign(int id) const {
    const TPlovanText* t = AsText(FindShape(id));
    return t ? t->HAlign : 0;
}
void TCanvasModel::SetTextHAlign(int id, int value) {
    if (TPlovanText* t = AsText(FindShape(id))) {
        t->HAlign = value;
        Redraw();
    }
}
int TCanvasModel::GetTextVAlign(int id) const {
    const TPlovanText* t = AsText(FindShape(id));
    return t ? t->VAlign : 0;
}
void TCanvasModel::SetTextVAlign(int id, int value) {
    if (TPlovanText* t = AsText(FindShape(id))) {
        t->VAlign = value;
        Redraw();
    }
}
int TCanvasModel::GetPointSize(int id) const {
    const TPlovanPoint* p = AsPoint(FindShape(id));
    return p ? p->Size : 0;
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
    if (!shape) return -1;
    if (shape->FId <= 0 || FindShape(shape->FId)) {
        shape->FId = FNextShapeId++;
    } else if (shape->FId >= FNextShapeId) {
        FNextShapeId = shape->FId + 1;  // keep later ids unique
    }
    TPlovanShape* s = shape.release();
    FShapes.push_back(s);
    IndexShape(s);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
    return s->FId;
}

int TCanvasModel::AddNew(std::unique_ptr<TPlovanShape> shape) {
    shape->FId = FNextShapeId++;
    TPlovanShape* s = shape.release();
    FShapes.push_back(s);
    IndexShape(s);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
    Redraw();
    return s->FId;
}

int TCanvasModel::AddLine(double x1, double y1, double x2, double y2, int layerId) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanLine>(x1, y1, x2, y2, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddCircle(double cx, double cy, double radius, int layerId) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanCircle>(cx, cy, radius, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    s->FFillColor = layer.FillColor;
    s->FFillStyle = layer.FillStyle;
    return AddNew(std::move(s));
}

int TCanvasModel::AddRectangle(double x1, double y1, double x2, double y2, int layerId) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanRectangle>(x1, y1, x2, y2, layer.Id, 0, 0.0);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    s->FFillColor = layer.FillColor;
    s->FFillStyle = layer.FillStyle;
    return AddNew(std::move(s));
}

int TCanvasModel::AddPoint(double x, double y, int layerId) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::unique_ptr<TPlovanPoint>(new TPlovanPoint(x, y, layer.Id));
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddEllipse(double x1, double y1, double x2, double y2, int layerId) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanEllipse>(x1, y1, x2, y2, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddArc(double x1, double y1, double x2, double y2, double x3, double y3,
                         int layerId) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanArc>(x1, y1, x2, y2, x3, y3, layer.Id);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    return AddNew(std::move(s));
}

int TCanvasModel::AddText(int layerId, const QString& text, double x, double y, int fontIndex) {
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanText>(x, y, text, fontIndex, layer.Id);
    s->FColor = layer.PenColor;
    s->HAlign = FDefaultTextHAlign;
    if (fontIndex >= 0 && static_cast<std::size_t>(fontIndex) < FFonts.size()) {
        const TCanvasFont& f = FFonts[static_cast<std::size_t>(fontIndex)];
        s->FontName = f.Name;
        s->Height = f.Size;
        s->Bold = f.Bold;
        s->Italic = f.Italic;
    }
    // The box stays the one made with the constructor's height of 10.
    return AddNew(std::move(s));
}

int TCanvasModel::AddPolyline(const std::vector<TPointD>& points, int layerId, bool closed) {
    if (points.size() < 2) return -1;
    const TCanvasLayer& layer = ResolveLayer(layerId);
    auto s = std::make_unique<TPlovanPolyline>(layer.Id, closed ? 1 : 0);
    s->FColor = layer.PenColor;
    s->FWidth = layer.PenWidth;
    s->SetStyle(layer.Style);
    s->FFillColor = layer.FillColor;
    s->FFillStyle = layer.FillStyle;
    s->Points.reserve(points.size());
    for (const TPointD& p : points) s->AddPoint(p.X, p.Y);
    return AddNew(std::move(s));
}

// ---- Deleting ----

void TCanvasModel::DeleteAllShapes() {
    for (TPlovanShape* s : FShapes) delete s;
    FShapes.clear();
    FIdIndex.clear();
    FIdOverflow.clear();
    FShapeCount = 0;
}

void TCanvasModel::DeleteShapesWhere(const std::function<bool(const TPlovanShape&)>& doomed) {
    std::size_t kept = 0;
    bool any = false;
    for (std::size_t i = 0; i < FShapes.size(); ++i) {
        TPlovanShape* s = FShapes[i];
        if (doomed(*s)) {
            UnindexShape(s);
            delete s;
            any = true;
        } else {
            FShapes[kept++] = s;
        }
    }
    FShapes.resize(kept);
    FShapeCount = static_cast<std::int32_t>(FShapes.size());
    if (any) {
        // The deleted ids are out of the index now.
        std::erase_if(FSelection, [this](std::int32_t id) { return FindShape(id) == nullptr; });
    }
}

void TCanvasModel::RemoveFromSelection(int id) { std::erase(FSelection, id); }

void TCanvasModel::ClearLayer(int layerId) {
    if (layerId == -1) {
        // Ids restart at 1, so a shape being drawn (which holds an id
        // already) must go, as Escape would end it; else it would later
        // join the drawing with an id a new shape has too.
        CancelDrawing();
        DeleteAllShapes();
        FSelection.clear();
        FNextShapeId = 1;
    } else {
        DeleteShapesWhere([layerId](const TPlovanShape& s) { return s.FLayerId == layerId; });
    }
    Redraw();
    Repaint();
}

void TCanvasModel::ClearLayerByName(const QString& name) {
    std::vector<std::int32_t> ids;
    for (const auto& layer : FLayers)
        if (layer->Name == name) ids.push_back(layer->Id);
    if (!ids.empty()) {
        DeleteShapesWhere([&ids](const TPlovanShape& s) {
            return std::find(ids.begin(), ids.end(), s.FLayerId) != ids.end();
        });
    }
    Redraw();
    Repaint();
}

void TCanvasModel::DeleteShape(int id) {
    if (TPlovanShape* s = FindShape(id)) {
        const int pos = PositionOf(s);
        if (pos >= 0) FShapes.erase(FShapes.begin() + pos);
        UnindexShape(s);
        delete s;
        FShapeCount = static_cast<std::int32_t>(FShapes.size());
    }
    RemoveFromSelection(id);
    Redraw();
}

void TCanvasModel::DeleteSelectedShapes() {
    DeleteShapesWhere([](const TPlovanShape& s) { return s.FSelected != 0; });
    FSelection.clear();
    Redraw();
    Repaint();
}

void TCanvasModel::DeleteSelection() {
    DeleteShapesWhere([](const TPlovanShape& s) { return s.FSelected != 0; });
    FSelection.clear();
    Redraw();
}

void TCanvasModel::RemoveSelectedShapes() {
    DeleteShapesWhere([](const TPlovanShape& s) { return s.FSelected != 0; });
    FSelection.clear();
    Redraw();
}

void TCanvasModel::RemoveAllShapesAndLayers() {
    CancelDrawing();
    DeleteAllShapes();
    FSelection.clear();
    FLayers.clear();
    FNextLayerId = 0;
    FNextShapeId = 1;
}

// ---- Order and transforms ----

void TCanvasModel::SetShapeLayer(int id, int layerId) {
    if (TPlovanShape* s = FindShape(id)) {
        s->FLayerId = layerId;
        Redraw();
    }
}

void TCanvasModel::BringToFront(int id) {
    TPlovanShape* s = FindShape(id);
    if (!s) return;
    const int pos = PositionOf(s);
    if (pos < 0) return;
    std::rotate(FShapes.begin() + pos, FShapes.begin() + pos + 1, FShapes.end());
    Redraw();
}

void TCanvasModel::SendToBack(int id) {
    TPlovanShape* s = FindShape(id);
    if (!s) return;
    const int pos = PositionOf(s);
    if (pos < 0) return;
    std::rotate(FShapes.begin(), FShapes.begin() + pos, FShapes.begin() + pos + 1);
    Redraw();
}

void TCanvasModel::ChangeOrder(int id, int direction) {
    if (direction > 0)
        BringToFront(id);
    else if (direction < 0)
        SendToBack(id);
}

void TCanvasModel::MoveShape(int id, double dx, double dy) {
    if (TPlovanShape* s = FindShape(id)) {
        s->Move(dx, dy);
        Redraw();
    }
}

void TCanvasModel::ScaleShape(int id, double cx, double cy, double sx, double sy) {
    if (TPlovanShape* s = FindShape(id)) {
        s->Scale(sx, sy, cx, cy);
        Redraw();
    }
}

void TCanvasModel::RotateShape(int id, double angle, double cx, double cy) {
    if (TPlovanShape* s = FindShape(id)) {
        s->Rotate(angle, cx, cy);
        Redraw();
    }
}

void TCanvasModel::MirrorShape(int id, int axis, double cx, double cy) {
    TPlovanShape* s = FindShape(id);
    if (!s) return;
    const double sx = axis == 0 ? -1.0 : 1.0;
    const double sy = axis == 1 ? -1.0 : 1.0;
    s->Scale(sx, sy, cx, cy);
    Redraw();
}

void TCanvasModel::MoveSelection(double dx, double dy) {
    for (TPlovanShape* s : FShapes)
        if (s->FSelected) s->Move(dx, dy);
    Redraw();
}

// ---- Polyline vertices ----

namespace {

TPlovanPolyline* AsPolyline(TPlovanShape* s) { return dynamic_cast<TPlovanPolyline*>(s); }

}  // namespace

int TCanvasModel::GetPolylinePointCount(int id) const {
    const TPlovanPolyline* p = AsPolyline(FindShape(id));
    return p ? p->Count() : 0;
}

double TCanvasModel::GetPolylineX(int id, int index) const {
    const TPlovanPolyline* p = AsPolyline(FindShape(id));
    return p ? p->GetX(index) : 0.0;
}

double TCanvasModel::GetPolylineY(int id, int index) const {
    const TPlovanPolyline* p = AsPolyline(FindShape(id));
    return p ? p->GetY(index) : 0.0;
}

void TCanvasModel::SetPolylinePoint(int id, int index, double x, double y) {
    TPlovanPolyline* p = AsPolyline(FindShape(id));
    if (!p) return;
    p->SetPoint(index, x, y);
    Redraw();
}

void TCanvasModel::InsertPolylinePoint(int id, int index, double x, double y) {
    TPlovanPolyline* p = AsPolyline(FindShape(id));
    if (!p) return;
    if (index >= 0 && index <= p->Count()) {
        p->Points.insert(p->Points.begin() + index,
                         TFloatPoint{static_cast<float>(x), static_cast<float>(y)});
        p->UpdateBounds();
    }
    Redraw();
}

void TCanvasModel::DeletePolylinePoint(int id, int index) {
    TPlovanPolyline* p = AsPolyline(FindShape(id));
    if (!p) return;
    if (index >= 0 && index < p->Count()) {
        p->Points.erase(p->Points.begin() + index);
        p->UpdateBounds();
    }
    Redraw();
}

// ---- Queries ----

std::vector<std::int32_t> TCanvasModel::GetShapeIds() const {
    std::vector<std::int32_t> ids;
    ids.reserve(FShapes.size());
    for (const TPlovanShape* s : FShapes) ids.push_back(s->FId);
    return ids;
}

std::vector<std::int32_t> TCanvasModel::GetLayerShapeIds(int layerId) const {
    std::vector<std::int32_t> ids;
    for (const TPlovanShape* s : FShapes)
        if (s->FLayerId == layerId) ids.push_back(s->FId);
    return ids;
}

bool TCanvasModel::GetShapeEndPoints(int id, double& x1, double& y1, double& x2,
                                     double& y2) const {
    TPlovanShape* s = FindShape(id);
    if (!s) return false;
    if (s->FShapeType == ShapeType::Line) {
        if (const auto* l = dynamic_cast<const TPlovanLine*>(s)) {
            x1 = l->P[0].X;
            y1 = l->P[0].Y;
            x2 = l->P[1].X;
            y2 = l->P[1].Y;
            return true;
        }
    }
    if (const TPlovanPolyline* p = AsPolyline(s); p && p->Count() >= 2) {
        x1 = p->GetX(0);
        y1 = p->GetY(0);
        x2 = p->GetX(p->Count() - 1);
        y2 = p->GetY(p->Count() - 1);
        return true;
    }
    return false;
}

bool TCanvasModel::GetPointXY(int id, double& x, double& y) const {
    const TPlovanPoint* p = AsPoint(FindShape(id));
    if (!p) return false;
    x = p->X;
    y = p->Y;
    return true;
}

bool TCanvasModel::GetTextInfo(int id, double& x, double& y, std::string& text) const {
    const TPlovanText* t = AsText(FindShape(id));
    if (!t) return false;
    x = t->X;
    y = t->Y;
    text = t->Text.toStdString();
    return true;
}

std::vector<TPointD> TCanvasModel::GetRoutePolyline() const {
    const int a = FindLayer(QStringLiteral("Plovan_Route"));
    const int b = FindLayer(QStringLiteral("Plovan_SelectPoly"));
    const bool anyLayer = a == -1 && b == -1;
    for (std::size_t i = FShapes.size(); i-- > 0;) {
        const auto* p = dynamic_cast<const TPlovanPolyline*>(FShapes[i]);
        if (!p || p->Count() < 2) continue;
        if (!anyLayer && p->FLayerId != a && p->FLayerId != b) continue;
        std::vector<TPointD> route;
        route.reserve(p->Points.size());
        for (const TFloatPoint& v : p->Points) route.push_back(TPointD{v.X, v.Y});
        return route;
    }
    return {};
}

// ---- Fonts ----

int TCanvasModel::AddFont(const QString& spec) {
    TCanvasFont font;
    const int first = spec.indexOf(QLatin1Char(','));
    if (first < 0) {
        font.Name = spec;
    } else {
        font.Name = spec.left(first);
        const QString rest = spec.mid(first + 1);
        const int second = rest.indexOf(QLatin1Char(','));
        const QString sizeText = second < 0 ? rest : rest.left(second);
        font.Size = platform::StrToIntDef(sizeText.toStdString(), 10);
        if (second >= 0) {
            const QString style = rest.mid(second + 1).toUpper();
            font.Bold = style.contains(QLatin1Char('B')) ? 1 : 0;
            font.Italic = style.contains(QLatin1Char('I')) ? 1 : 0;
        }
    }
    // "TXT" is the standard DXF font.
    if (font.Name.toUpper() == QLatin1String("TXT")) font.Name = QStringLiteral("Arial");
    FFonts.push_back(font);
    FCurrentFont = static_cast<std::int16_t>(FFonts.size() - 1);
    return static_cast<int>(FFonts.size() - 1);
}

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

// ---- View mapping ----

namespace {

int SaturatedFloor(double v) {
    const double r = std::floor(v);
    if (!(r > -2147483648.0)) return std::numeric_limits<int>::min();
    if (r > 2147483647.0) return std::numeric_limits<int>::max();
    return static_cast<int>(r);
}

}  // namespace

void TCanvasModel::WorldToScreen(double x, double y, int& px, int& py) const {
    px = WorldXToScreen(x);
    py = WorldYToScreen(y);
}

int TCanvasModel::WorldXToScreen(double x) const {
    double dx = FWorldRight - FWorldLeft;
    if (dx == 0) dx = 1;
    return SaturatedFloor(ClientWidth() / dx * (x - FWorldLeft) + 0.5);
}

int TCanvasModel::WorldYToScreen(double y) const {
    double dy = FWorldTop - FWorldBottom;
    if (dy == 0) dy = 1;
    return SaturatedFloor(ClientHeight() / dy * (FWorldTop - y) + 0.5);
}

void TCanvasModel::ScreenToWorld(int px, int py, double& x, double& y) const {
    const double w = ClientWidth() > 0 ? ClientWidth() : 1;
    const double h = ClientHeight() > 0 ? ClientHeight() : 1;
    x = px * ((FWorldRight - FWorldLeft) / w) + FWorldLeft;
    y = FWorldTop - py * ((FWorldTop - FWorldBottom) / h);
}
