#include "canvas/CanvasSelection.h"

#include <algorithm>
#include <unordered_set>

#include "canvas/CanvasView.h"

namespace {

const QString kSelectPolyLayer = QStringLiteral("Plovan_SelectPoly");

// The polygon with its bounding box, which rejects most test points cheaply.
struct PolygonTest {
    const std::vector<TFloatPoint>& polygon;
    double minX, maxX, minY, maxY;

    explicit PolygonTest(const std::vector<TFloatPoint>& p) : polygon(p) {
        minX = maxX = p.empty() ? 0 : p[0].X;
        minY = maxY = p.empty() ? 0 : p[0].Y;
        for (const TFloatPoint& v : p) {
            minX = std::min(minX, static_cast<double>(v.X));
            maxX = std::max(maxX, static_cast<double>(v.X));
            minY = std::min(minY, static_cast<double>(v.Y));
            maxY = std::max(maxY, static_cast<double>(v.Y));
        }
    }
    // False when the shape's box (its test points lie in it) misses the
    // polygon's box.
    bool MissesBox(const TPlovanShape& s) const {
        const double sMinX = std::min(s.FMinX, s.FMaxX), sMaxX = std::max(s.FMinX, s.FMaxX);
        const double sMinY = std::min(s.FMinY, s.FMaxY), sMaxY = std::max(s.FMinY, s.FMaxY);
        return sMaxX < minX || sMinX > maxX || sMaxY < minY || sMinY > maxY;
    }
    bool Inside(double x, double y) const {
        // Outside the box, the even-odd test cannot toggle an odd number of
        // times (a point left of the box toggles once per crossing pair).
        if (y < minY || y > maxY || x > maxX || x < minX) return false;
        return TCanvasSelection::PointInPolygon(x, y, polygon);
    }
};

// A line by either end, a polyline by any vertex: 1 inside, 0 outside, -1
// when the shape is neither.
int EndsOrVerticesInside(const TPlovanShape& s, const PolygonTest& poly) {
    if (const auto* l = dynamic_cast<const TPlovanLine*>(&s))
        return poly.Inside(l->X1, l->Y1) || poly.Inside(l->X2, l->Y2) ? 1 : 0;
    if (const auto* pl = dynamic_cast<const TPlovanPolyline*>(&s)) {
        for (const TPointD& v : pl->Points)
            if (poly.Inside(v.X, v.Y)) return 1;
        return 0;
    }
    return -1;
}

// The test points SelectInPolygon looks at, per class (points, the most
// numerous, first).
bool AnyTestPointInside(const TPlovanShape& s, const PolygonTest& poly) {
    if (const auto* p = dynamic_cast<const TPlovanPoint*>(&s)) return poly.Inside(p->X, p->Y);
    if (const int inside = EndsOrVerticesInside(s, poly); inside >= 0) return inside == 1;
    if (const auto* r = dynamic_cast<const TPlovanRectangle*>(&s)) {
        return poly.Inside(r->X1, r->Y1) || poly.Inside(r->X2, r->Y1) ||
               poly.Inside(r->X1, r->Y2) || poly.Inside(r->X2, r->Y2) ||
               poly.Inside((r->X1 + r->X2) / 2, (r->Y1 + r->Y2) / 2);
    }
    if (const auto* c = dynamic_cast<const TPlovanCircle*>(&s)) return poly.Inside(c->X, c->Y);
    if (const auto* e = dynamic_cast<const TPlovanEllipse*>(&s))
        return poly.Inside((e->X1 + e->X2) / 2, (e->Y1 + e->Y2) / 2);
    if (const auto* t = dynamic_cast<const TPlovanText*>(&s)) return poly.Inside(t->X, t->Y);
    if (const auto* a = dynamic_cast<const TPlovanArc*>(&s))
        return poly.Inside(a->X1, a->Y1) || poly.Inside(a->X2, a->Y2) || poly.Inside(a->X3, a->Y3);
    return poly.Inside((s.FMinX + s.FMaxX) / 2, (s.FMinY + s.FMaxY) / 2);
}

// The test points SelectInPolygonOnLayers looks at: lines by their ends,
// polylines by their vertices, points by their position, the rest by the
// centre of the box.
bool AnyLayerTestPointInside(const TPlovanShape& s, const PolygonTest& poly) {
    if (const int inside = EndsOrVerticesInside(s, poly); inside >= 0) return inside == 1;
    if (const auto* p = dynamic_cast<const TPlovanPoint*>(&s)) return poly.Inside(p->X, p->Y);
    return poly.Inside((s.FMinX + s.FMaxX) / 2, (s.FMinY + s.FMaxY) / 2);
}

}  // namespace

bool TCanvasSelection::PointInPolygon(double x, double y, const std::vector<TFloatPoint>& polygon) {
    const std::size_t n = polygon.size();
    if (n == 0) return false;
    bool inside = false;
    std::size_t j = n - 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double xi = polygon[i].X, yi = polygon[i].Y;
        const double xj = polygon[j].X, yj = polygon[j].Y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        j = i;
    }
    return inside;
}

void TCanvasSelection::Flag(TPlovanShape& shape) {
    shape.FSelected = 1;
    FIds.push_back(shape.FId);
}

void TCanvasSelection::Clear() {
    // The flagged shapes are the listed ones: a click that clears the
    // selection costs the selection, not the drawing.
    for (const std::int32_t id : FIds)
        if (TPlovanShape* s = FStore.FindShape(id)) s->FSelected = 0;
    FIds.clear();
}

void TCanvasSelection::Forget(int id) { std::erase(FIds, id); }

void TCanvasSelection::KeepStored() {
    std::erase_if(FIds, [this](std::int32_t id) { return FStore.FindShape(id) == nullptr; });
}

void TCanvasSelection::Select(int id, bool add) {
    if (!add) Clear();
    if (TPlovanShape* s = FStore.FindShape(id)) Flag(*s);
}

void TCanvasSelection::Unselect(int id) {
    if (TPlovanShape* s = FStore.FindShape(id)) s->FSelected = 0;
    Forget(id);
}

void TCanvasSelection::SelectLayer(int layerId, bool add) {
    if (!add) Clear();
    for (TPlovanShape* s : FStore.Shapes())
        if (s->FLayerId == layerId) Flag(*s);
}

void TCanvasSelection::UnselectLayer(int layerId) {
    for (TPlovanShape* s : FStore.Shapes())
        if (s->FLayerId == layerId) s->FSelected = 0;
    std::erase_if(FIds, [this, layerId](std::int32_t id) {
        const TPlovanShape* s = FStore.FindShape(id);
        return s && s->FLayerId == layerId;
    });
}

void TCanvasSelection::SelectAll() {
    for (TPlovanShape* s : FStore.Shapes()) Flag(*s);
}

void TCanvasSelection::SelectLayers(const std::vector<int>& layerIds) {
    Clear();
    const std::unordered_set<int> wanted(layerIds.begin(), layerIds.end());
    for (TPlovanShape* s : FStore.Shapes())
        if (wanted.count(s->FLayerId)) Flag(*s);
}

void TCanvasSelection::SelectInPolygon(const std::vector<TFloatPoint>& polygon) {
    Clear();
    if (polygon.size() < 3) return;
    const int selectLayer = FStore.FindLayer(kSelectPolyLayer);
    const PolygonTest poly(polygon);
    for (TPlovanShape* s : FStore.Shapes()) {
        if (selectLayer >= 0 && s->FLayerId == selectLayer) continue;
        if (poly.MissesBox(*s) || !AnyTestPointInside(*s, poly)) continue;
        Flag(*s);
    }
}

void TCanvasSelection::SelectInPolygonOnLayers(const std::vector<TFloatPoint>& polygon,
                                               const std::vector<int>& layerIds) {
    Clear();
    if (polygon.size() < 3 || layerIds.empty()) return;
    const std::unordered_set<int> wanted(layerIds.begin(), layerIds.end());
    const PolygonTest poly(polygon);
    for (TPlovanShape* s : FStore.Shapes()) {
        if (!wanted.count(s->FLayerId)) continue;
        if (poly.MissesBox(*s) || !AnyLayerTestPointInside(*s, poly)) continue;
        Flag(*s);
    }
}

int TCanvasSelection::ShapeAt(const TCanvasView& view, double x, double y) const {
    const double u = view.UnitsPerPixel();
    // A hit test changes no shape and no list: read the list once, and only
    // the runs of shapes near the point.
    TPlovanShape* const* const list = FStore.Shapes().data();
    int hit = -1;
    FStore.CullingIndex().ForEachRangeNear(x, y, u, [&](std::size_t first, std::size_t last) {
        for (std::size_t i = last; i-- > first;) {
            const TPlovanShape* s = list[i];
            if (s->FVisible != 1) continue;
            const double t = s->FWidth < 4 ? 3 * u : s->FWidth * u;
            if (s->HitTest(x, y, t)) {
                hit = s->FId;
                return true;
            }
        }
        return false;
    });
    return hit;
}

int TCanvasSelection::FlaggedCount() const {
    const TShapeStore::ShapeList& shapes = FStore.Shapes();
    return static_cast<int>(std::count_if(shapes.begin(), shapes.end(),
                                          [](const TPlovanShape* s) { return s->FSelected != 0; }));
}
