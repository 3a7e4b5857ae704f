// The canvas model's operations on shapes by id: order, transforms, polyline
// vertices and the queries that return plain values.
#include <algorithm>

#include "canvas/CanvasModel.h"

using S = TPlovanShape;

// ---- Order and transforms ----

void TCanvasModel::SetShapeLayer(int id, int layerId) {
    if (TPlovanShape* s = FindShape(id)) {
        FStore.SetShapeLayer(*s, layerId);
        DrawingChanged();
    }
}

void TCanvasModel::BringToFront(int id) {
    if (FStore.BringToFront(id)) Redraw();
}

void TCanvasModel::SendToBack(int id) {
    if (FStore.SendToBack(id)) Redraw();
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
        p->Points.insert(p->Points.begin() + index, TPointD{x, y});
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

bool TCanvasModel::GetShapeEndPoints(int id, double& x1, double& y1, double& x2, double& y2) const {
    TPlovanShape* s = FindShape(id);
    if (!s) return false;
    if (s->FShapeType == ShapeType::Line) {
        if (const auto* l = dynamic_cast<const TPlovanLine*>(s)) {
            x1 = l->X1;
            y1 = l->Y1;
            x2 = l->X2;
            y2 = l->Y2;
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
        return p->Points;
    }
    return {};
}
