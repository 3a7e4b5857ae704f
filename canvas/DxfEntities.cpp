#include "canvas/DxfEntities.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

size_t NextRecord(const std::vector<DxfPair>& pairs, size_t at) {
    while (at < pairs.size() && pairs[at].code != 0) ++at;
    return at;
}

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-9; }

bool Finite(const TPointD& p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

bool FiniteBounds(const TPlovanShape& s) {
    return std::isfinite(s.FMinX) && std::isfinite(s.FMinY) && std::isfinite(s.FMaxX) &&
           std::isfinite(s.FMaxY);
}

// Appends the points strictly between p and q of the arc from p to q whose
// bulge is `bulge`.
void AppendArc(std::vector<TPointD>& out, const TPointD& p, const TPointD& q, double bulge) {
    constexpr double kMaxStep = kPi / 180;  // 1 degree
    constexpr double kChordError = 0.01;    // metres
    const double dx = q.X - p.X, dy = q.Y - p.Y, chord = std::hypot(dx, dy);
    if (bulge == 0 || !(chord > 0)) return;
    const double sweep = 4 * std::atan(bulge);
    // The centre lies on the chord's perpendicular bisector, to the left of
    // p -> q for a counter-clockwise arc of less than a half turn.
    const double toCentre = (1 - bulge * bulge) / (4 * bulge);
    const double cx = (p.X + q.X) / 2 - dy * toCentre, cy = (p.Y + q.Y) / 2 + dx * toCentre;
    const double radius = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
    const double start = std::atan2(p.Y - cy, p.X - cx);
    // Segments of at most 1 degree, or of a sagitta radius * (1 - cos(step
    // / 2)) under the chord error: whichever takes fewer.
    const double byAngle = std::ceil(std::fabs(sweep) / kMaxStep - 1e-9);
    const double cosHalf = 1 - kChordError / radius;
    const double errorStep = cosHalf <= -1 ? 2 * kPi : 2 * std::acos(cosHalf);
    const double byError = std::floor(std::fabs(sweep) / errorStep) + 1;
    const int n = static_cast<int>(std::max(1.0, std::min(byAngle, byError)));
    for (int k = 1; k < n; ++k) {
        const double a = start + sweep * k / n;
        out.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
    }
}

}  // namespace

std::vector<TPointD> DxfBulgedPoints(const std::vector<DxfVertex>& vertices, bool closed) {
    std::vector<TPointD> points;
    points.reserve(vertices.size());
    for (size_t i = 0; i < vertices.size(); ++i) {
        const DxfVertex& v = vertices[i];
        points.push_back({v.x, v.y});
        const bool last = i + 1 == vertices.size();
        if (last && (!closed || vertices.size() < 2)) break;
        const DxfVertex& next = last ? vertices.front() : vertices[i + 1];
        AppendArc(points, {v.x, v.y}, {next.x, next.y}, v.bulge);
    }
    return points;
}

// One record's pairs with the values the entities share.
struct DxfEntityReader::Record {
    std::string_view type;
    const DxfPair* begin = nullptr;
    const DxfPair* end = nullptr;
    int color = -1;  // code 62
    bool paperSpace = false;
    double ex = 0, ey = 0, ez = 1;  // extrusion

    bool Has(int code) const {
        for (const DxfPair* p = begin; p != end; ++p)
            if (p->code == code) return true;
        return false;
    }
    // The last value of `code`, else `fallback`.
    double Real(int code, double fallback = 0) const {
        double v = fallback;
        for (const DxfPair* p = begin; p != end; ++p)
            if (p->code == code) v = DxfAtof(p->value);
        return v;
    }
    int Int(int code, int fallback = 0) const {
        int v = fallback;
        for (const DxfPair* p = begin; p != end; ++p)
            if (p->code == code) v = DxfAtoi(p->value);
        return v;
    }
    std::string_view Text(int code) const {
        std::string_view v;
        for (const DxfPair* p = begin; p != end; ++p)
            if (p->code == code) v = p->value;
        return v;
    }
    // Object coordinates: 1 as they are, -1 mirrored (x -> -x), 0 left out.
    int Orientation() const {
        if (!Near(ex, 0) || !Near(ey, 0)) return 0;
        if (Near(ez, 1)) return 1;
        if (Near(ez, -1)) return -1;
        return 0;
    }
};

DxfEntityReader::DxfEntityReader(TCanvasModel& model, DxfEncoding encoding, long long maxShapes)
    : FModel(model), FEncoding(encoding), FMaxShapes(maxShapes) {}

void DxfEntityReader::Append(std::unique_ptr<TPlovanShape> shape) {
    if (LimitReached()) return;
    if (!FiniteBounds(*shape)) {
        ++FSkipped;
        return;
    }
    shape->FId = 0;
    shape->FLayerId = FModel.FImportLayer;
    FModel.AppendShape(std::move(shape));
    ++FCount;
}

TColor DxfEntityReader::ColorOf(int index) const {
    if (index >= 0 && AciToColor(index) >= 0) return AciToColor(index);
    const TCanvasLayer* layer = FModel.FindLayerById(FModel.FImportLayer);
    return layer ? layer->PenColor : clBlack;
}

size_t DxfEntityReader::Read(const std::vector<DxfPair>& pairs, size_t at) {
    const size_t end = NextRecord(pairs, at + 1);
    Record r;
    r.type = pairs[at].value;
    r.begin = pairs.data() + at + 1;
    r.end = pairs.data() + end;
    for (const DxfPair* p = r.begin; p != r.end; ++p) {
        switch (p->code) {
            case 62:
                r.color = DxfAtoi(p->value);
                break;
            case 67:
                r.paperSpace = DxfAtoi(p->value) == 1;
                break;
            case 210:
                r.ex = DxfAtof(p->value);
                break;
            case 220:
                r.ey = DxfAtof(p->value);
                break;
            case 230:
                r.ez = DxfAtof(p->value);
                break;
            default:
                break;
        }
    }
    if (r.type == "POLYLINE") return ReadPolyline(r, pairs, end);
    if (r.paperSpace) return end;
    const std::string_view t = r.type;
    if (t == "LINE")
        MakeLine(r);
    else if (t == "CIRCLE")
        MakeCircle(r);
    else if (t == "ARC")
        MakeArc(r);
    else if (t == "ELLIPSE")
        MakeEllipse(r);
    else if (t == "LWPOLYLINE") {
        // A bulge (42) follows the vertex whose segment it bends.
        std::vector<DxfVertex> vertices;
        double x = 0;
        for (const DxfPair* p = r.begin; p != r.end; ++p) {
            if (p->code == 10) x = DxfAtof(p->value);
            if (p->code == 20) vertices.push_back({x, DxfAtof(p->value), 0});
            if (p->code == 42 && !vertices.empty()) vertices.back().bulge = DxfAtof(p->value);
        }
        if (r.Orientation() == 0) return end;
        const bool closed = r.Int(70) & 1;
        std::vector<TPointD> points = DxfBulgedPoints(vertices, closed);
        if (r.Orientation() < 0)
            for (TPointD& q : points) q.X = -q.X;
        MakeVertexShape(r, points, closed);
    } else if (t == "SPLINE") {
        std::vector<double> xs, ys;
        for (const DxfPair* p = r.begin; p != r.end; ++p) {
            if (p->code == 10) xs.push_back(DxfAtof(p->value));
            if (p->code == 20) ys.push_back(DxfAtof(p->value));
        }
        if (xs.size() < 2 || xs.size() != ys.size()) return end;
        std::vector<TPointD> points;
        for (size_t i = 0; i < xs.size(); ++i) points.push_back({xs[i], ys[i]});
        MakeVertexShape(r, points, r.Int(70) & 1);
    } else if (t == "SOLID" || t == "TRACE")
        MakeSolid(r);
    else if (t == "TEXT")
        MakeText(r, false);
    else if (t == "MTEXT")
        MakeText(r, true);
    else if (t == "POINT")
        MakePoint(r);
    else if (t == "INSERT")
        MakeInsert(r);
    return end;
}

void DxfEntityReader::MakeLine(const Record& r) {
    if (onLine && FCount < 5) onLine(r.Text(8).empty() ? std::string_view("0") : r.Text(8));
    auto s = std::make_unique<TPlovanLine>(r.Real(10), r.Real(20), r.Real(11), r.Real(21), 0);
    s->FColor = ColorOf(r.color);
    const TCanvasLayer* layer = FModel.FindLayerById(FModel.FImportLayer);
    s->FWidth = layer ? layer->PenWidth : 1;
    s->UpdateBounds();
    Append(std::move(s));
}

void DxfEntityReader::MakeCircle(const Record& r) {
    const int o = r.Orientation();
    if (o == 0) return;
    auto s = std::make_unique<TPlovanCircle>(o * r.Real(10), r.Real(20), r.Real(40), 0);
    s->FColor = ColorOf(r.color);
    const TCanvasLayer* layer = FModel.FindLayerById(FModel.FImportLayer);
    s->FWidth = layer ? layer->PenWidth : 1;
    s->UpdateBounds();
    Append(std::move(s));
}

void DxfEntityReader::MakeArc(const Record& r) {
    const int o = r.Orientation();
    if (o == 0) return;
    const double cx = r.Real(10), cy = r.Real(20), radius = r.Real(40);
    const double start = r.Real(50), end = r.Real(51, 360);
    double sweep = end - start;
    if (sweep < 0) sweep += 360;
    std::vector<TPointD> points;
    for (int k = 0; k <= 20; ++k) {
        const double a = (start + sweep * k / 20) * kPi / 180;
        points.push_back({o * (cx + radius * std::cos(a)), cy + radius * std::sin(a)});
    }
    MakeVertexShape(r, points, false);
}

void DxfEntityReader::MakeEllipse(const Record& r) {
    const double cx = r.Real(10), cy = r.Real(20), mx = r.Real(11), my = r.Real(21);
    const double a = std::hypot(mx, my), t0 = std::atan2(my, mx), b = r.Real(40, 1.0) * a;
    const double start = r.Real(41), end = r.Real(42, 2 * kPi);
    // Parameters run counter-clockwise from start to end; an end below the
    // start wraps once, and equal ends are the whole ellipse.
    double d = end - start;
    if (d < 0) d += 2 * kPi;
    if (d == 0) d = 2 * kPi;
    std::vector<TPointD> points;
    for (int k = 0; k <= 36; ++k) {
        const double t = start + d * k / 36;
        points.push_back({cx + a * std::cos(t) * std::cos(t0) - b * std::sin(t) * std::sin(t0),
                          cy + a * std::cos(t) * std::sin(t0) + b * std::sin(t) * std::cos(t0)});
    }
    MakeVertexShape(r, points, std::fabs(d) >= 6.2731853071795864);
}

void DxfEntityReader::MakeVertexShape(const Record& r, const std::vector<TPointD>& points,
                                      bool closed) {
    if (points.size() < 2) return;
    if (!std::all_of(points.begin(), points.end(), Finite)) {
        ++FSkipped;
        return;
    }
    auto s = std::make_unique<TPlovanPolyline>(0, closed ? 1 : 0);
    s->FColor = ColorOf(r.color);
    for (const TPointD& p : points) s->AddPoint(p.X, p.Y);
    Append(std::move(s));
}

void DxfEntityReader::MakeSolid(const Record& r) {
    const int o = r.Orientation();
    if (o == 0) return;
    const TPointD c1{o * r.Real(10), r.Real(20)}, c2{o * r.Real(11), r.Real(21)};
    const TPointD c3{o * r.Real(12), r.Real(22)}, c4{o * r.Real(13), r.Real(23)};
    std::vector<TPointD> points{c1, c2, c4};
    if (c3.X != c4.X || c3.Y != c4.Y) points.push_back(c3);
    MakeVertexShape(r, points, true);
}

void DxfEntityReader::MakeText(const Record& r, bool mtext) {
    int o = 1;
    if (!mtext) {
        o = r.Orientation();
        if (o == 0) return;
    }
    // MTEXT carries a long text as code-3 chunks before its last code 1.
    std::string raw;
    if (mtext)
        for (const DxfPair* p = r.begin; p != r.end; ++p)
            if (p->code == 3) raw += p->value;
    raw += r.Text(1);
    const std::string text = DxfStripMText(DxfDecodeText(raw, FEncoding));
    if (text.empty()) return;
    const double x = o * r.Real(10), y = r.Real(20), height = r.Real(40, 2.5);
    double angle = r.Real(50);
    // An MTEXT may give its direction as the x-axis vector (11, 21) in place
    // of a rotation; a TEXT's 11/21 is its alignment point.
    if (mtext && !r.Has(50) && (r.Has(11) || r.Has(21)))
        angle = std::atan2(r.Real(21), r.Real(11)) * 180 / kPi;
    if (o < 0) angle = 180 - angle;
    auto s = std::make_unique<TPlovanText>(x, y, QString::fromStdString(text), -1, 0);
    s->FontName = QStringLiteral("Arial");
    s->Height = height > 0.1 ? height : 2.5;
    s->Angle = angle;
    s->HAlign = 0;
    s->VAlign = 2;
    const TCanvasLayer* layer = FModel.FindLayerById(FModel.FImportLayer);
    s->FColor = layer ? layer->PenColor : clBlack;
    s->UpdateBounds();
    Append(std::move(s));
}

void DxfEntityReader::MakePoint(const Record& r) {
    if (LimitReached()) return;
    FModel.AddPoint(r.Real(10), r.Real(20), FModel.FImportLayer);
    ++FCount;
}

void DxfEntityReader::MakeInsert(const Record& r) {
    const int o = r.Orientation();
    if (o == 0) return;
    const QString name = QString::fromStdString(DxfDecodeText(r.Text(2), FEncoding));
    const TDxfBlock* block = FModel.FindBlock(name);
    if (!block) return;
    const double ix = r.Real(10), iy = r.Real(20), sx = r.Real(41, 1.0), sy = r.Real(42, 1.0);
    const double rot = r.Real(50) * kPi / 180, c = std::cos(rot), s = std::sin(rot);
    auto place = [&](double px, double py, double& x, double& y) {
        const double lx = sx * (px - block->BaseX), ly = sy * (py - block->BaseY);
        x = o * (ix + lx * c - ly * s);
        y = iy + lx * s + ly * c;
    };
    for (const auto& shape : block->Shapes) {
        if (LimitReached()) return;
        if (shape->FShapeType != ShapeType::Line) continue;
        const auto& line = static_cast<const TPlovanLine&>(*shape);
        double x1, y1, x2, y2;
        place(line.X1, line.Y1, x1, y1);
        place(line.X2, line.Y2, x2, y2);
        if (!Finite({x1, y1}) || !Finite({x2, y2})) {
            ++FSkipped;
            continue;
        }
        auto out = std::make_unique<TPlovanLine>(x1, y1, x2, y2, 0);
        out->FColor =
            (r.color >= 0 && AciToColor(r.color) >= 0) ? AciToColor(r.color) : line.FColor;
        out->FWidth = 1;
        out->UpdateBounds();
        Append(std::move(out));
    }
}

size_t DxfEntityReader::ReadPolyline(const Record& header, const std::vector<DxfPair>& pairs,
                                     size_t at) {
    // A 3D polyline (bit 8) or mesh (bits 16, 64) lies in world coordinates.
    const int flags = header.Int(70);
    const bool planar = (flags & (8 | 16 | 64)) == 0;
    const int o = planar ? header.Orientation() : 1;
    std::vector<DxfVertex> vertices;
    while (at < pairs.size() && pairs[at].value == "VERTEX") {
        const size_t end = NextRecord(pairs, at + 1);
        double x = 0, y = 0, bulge = 0;
        int vertexFlags = 0;
        for (size_t k = at + 1; k < end; ++k) {
            if (pairs[k].code == 10) x = DxfAtof(pairs[k].value);
            if (pairs[k].code == 20) y = DxfAtof(pairs[k].value);
            if (pairs[k].code == 42) bulge = DxfAtof(pairs[k].value);
            if (pairs[k].code == 70) vertexFlags = DxfAtoi(pairs[k].value);
        }
        at = end;
        // A polyface mesh's face record (128 without 64) holds the indices
        // of its corners, not a position.
        if ((vertexFlags & 128) && !(vertexFlags & 64)) continue;
        vertices.push_back({x, y, planar ? bulge : 0});
    }
    std::vector<TPointD> points = DxfBulgedPoints(vertices, flags & 1);
    for (TPointD& p : points) p.X *= o;
    // SEQEND ends the vertex list; its record is passed over with it.
    if (at < pairs.size() && pairs[at].value == "SEQEND") at = NextRecord(pairs, at + 1);
    if (!header.paperSpace && o != 0) MakeVertexShape(header, points, flags & 1);
    return at;
}
