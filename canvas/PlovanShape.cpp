#include "canvas/PlovanShape.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "canvas/GdiCanvas.h"
#include "canvas/ShapeDrawing.h"

using namespace shapedraw;

// ---------------------------------------------------------------------------
// Caller values kept outside the shape until set.

struct TPlovanShape::Extras {
    QString Name;
    QString Label;
    std::int32_t Style = 0;
    TColor AuxColor = clWhite;
    std::int32_t AuxValue = 0;
    std::int32_t Tag = 0;
};

namespace {

struct ExtrasTable {
    std::mutex Lock;
    std::unordered_map<const TPlovanShape*, std::unique_ptr<TPlovanShape::Extras>> Map;
};

ExtrasTable& Table() {
    static ExtrasTable* table = new ExtrasTable;  // outlives every static shape
    return *table;
}

const QString& EmptyText() {
    static const QString empty;
    return empty;
}

// The stored points of a shape, for the transforms and the boxes every
// class shares.
struct PointRef {
    double& x;
    double& y;
};
using Points = std::initializer_list<PointRef>;

void MoveAll(Points pts, double dx, double dy) {
    for (const PointRef& p : pts) {
        p.x += dx;
        p.y += dy;
    }
}

void ScaleAll(Points pts, double sx, double sy, double cx, double cy) {
    for (const PointRef& p : pts) ScalePoint(p.x, p.y, sx, sy, cx, cy);
}

void RotateAll(Points pts, double angle, double cx, double cy) {
    const double a = angle * kShapePi / 180.0;
    const double c = std::cos(a), sn = std::sin(a);
    for (const PointRef& p : pts) RotatePoint(p.x, p.y, c, sn, cx, cy);
}

void BoxOver(TPlovanShape& s, Points pts) {
    const PointRef& first = *pts.begin();
    s.FMinX = s.FMaxX = first.x;
    s.FMinY = s.FMaxY = first.y;
    for (const PointRef& p : pts) {
        s.FMinX = std::min(s.FMinX, p.x);
        s.FMaxX = std::max(s.FMaxX, p.x);
        s.FMinY = std::min(s.FMinY, p.y);
        s.FMaxY = std::max(s.FMaxY, p.y);
    }
}

void BoxAround(TPlovanShape& s, double x, double y, double half) {
    s.FMinX = x - half;
    s.FMaxX = x + half;
    s.FMinY = y - half;
    s.FMaxY = y + half;
}

}  // namespace

TPlovanShape::~TPlovanShape() {
    if (FHasExtras) {
        ExtrasTable& t = Table();
        std::lock_guard<std::mutex> guard(t.Lock);
        t.Map.erase(this);
    }
}

const TPlovanShape::Extras* TPlovanShape::FindExtras() const {
    if (!FHasExtras) return nullptr;
    ExtrasTable& t = Table();
    std::lock_guard<std::mutex> guard(t.Lock);
    auto it = t.Map.find(this);
    return it == t.Map.end() ? nullptr : it->second.get();
}

TPlovanShape::Extras& TPlovanShape::MutableExtras() {
    ExtrasTable& t = Table();
    std::lock_guard<std::mutex> guard(t.Lock);
    auto& slot = t.Map[this];
    if (!slot) slot = std::make_unique<Extras>();
    FHasExtras = 1;
    return *slot;
}

const QString& TPlovanShape::FName() const {
    const Extras* e = FindExtras();
    return e ? e->Name : EmptyText();
}
void TPlovanShape::SetFName(const QString& name) {
    if (name.isEmpty() && !FHasExtras) return;
    MutableExtras().Name = name;
}
const QString& TPlovanShape::FLabel() const {
    const Extras* e = FindExtras();
    return e ? e->Label : EmptyText();
}
void TPlovanShape::SetFLabel(const QString& label) {
    if (label.isEmpty() && !FHasExtras) return;
    MutableExtras().Label = label;
}
std::int32_t TPlovanShape::FStyle() const {
    const Extras* e = FindExtras();
    return e ? e->Style : 0;
}
void TPlovanShape::SetFStyle(std::int32_t style) {
    if (style == 0 && !FHasExtras) return;
    MutableExtras().Style = style;
}
TColor TPlovanShape::FAuxColor() const {
    const Extras* e = FindExtras();
    return e ? e->AuxColor : clWhite;
}
void TPlovanShape::SetFAuxColor(TColor color) {
    if (color == clWhite && !FHasExtras) return;
    MutableExtras().AuxColor = color;
}
std::int32_t TPlovanShape::FAuxValue() const {
    const Extras* e = FindExtras();
    return e ? e->AuxValue : 0;
}
void TPlovanShape::SetFAuxValue(std::int32_t value) {
    if (value == 0 && !FHasExtras) return;
    MutableExtras().AuxValue = value;
}
std::int32_t TPlovanShape::FTag() const {
    const Extras* e = FindExtras();
    return e ? e->Tag : 0;
}
void TPlovanShape::SetFTag(std::int32_t tag) {
    if (tag == 0 && !FHasExtras) return;
    MutableExtras().Tag = tag;
}

// ---------------------------------------------------------------------------
// Point, with a pool allocator: a survey holds up to millions of points and
// the general allocator's per-block overhead would add a sixth to each.

namespace {

class PointPool {
public:
    void* Allocate() {
        std::lock_guard<std::mutex> guard(FLock);
        if (!FFree) Grow();
        Node* n = FFree;
        FFree = n->next;
        ++FLive;
        return n;
    }
    // One lock for many points.
    void AllocateMany(std::size_t count, std::vector<void*>& room) {
        room.reserve(room.size() + count);
        std::lock_guard<std::mutex> guard(FLock);
        for (std::size_t i = 0; i < count; ++i) {
            if (!FFree) Grow();
            Node* n = FFree;
            FFree = n->next;
            ++FLive;
            room.push_back(n);
        }
    }
    void Release(void* p) {
        std::lock_guard<std::mutex> guard(FLock);
        Node* n = static_cast<Node*>(p);
        n->next = FFree;
        FFree = n;
        // When the last point goes (a drawing cleared or reloaded), the
        // memory goes back to the system instead of waiting for reuse.
        if (--FLive == 0) {
            FBlocks.clear();
            FFree = nullptr;
        }
    }

private:
    struct Node {
        Node* next;
    };
    static constexpr std::size_t kSlot = sizeof(TPlovanPoint);
    static constexpr std::size_t kPerBlock = 4096;
    void Grow() {
        auto block = std::make_unique<unsigned char[]>(kSlot * kPerBlock);
        for (std::size_t i = kPerBlock; i-- > 0;) {
            Node* n = reinterpret_cast<Node*>(block.get() + i * kSlot);
            n->next = FFree;
            FFree = n;
        }
        FBlocks.push_back(std::move(block));
    }
    std::mutex FLock;
    Node* FFree = nullptr;
    std::size_t FLive = 0;
    std::vector<std::unique_ptr<unsigned char[]>> FBlocks;
};

// The address sanitizer sees a point only when it is a heap block of its own
// (its overruns, its use after delete): under it, points come from the
// general allocator. GCC defines __SANITIZE_ADDRESS__; clang answers
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUsePointPool = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUsePointPool = false;
#else
constexpr bool kUsePointPool = true;
#endif
#else
constexpr bool kUsePointPool = true;
#endif

PointPool& Pool() {
    static PointPool* pool = new PointPool;  // points may die at exit
    return *pool;
}

}  // namespace

static_assert(sizeof(TPlovanPoint) % alignof(TPlovanPoint) == 0);

void* TPlovanPoint::operator new(std::size_t size) {
    if (!kUsePointPool || size != sizeof(TPlovanPoint)) return ::operator new(size);
    return Pool().Allocate();
}

void TPlovanPoint::operator delete(void* p, std::size_t size) {
    if (!p) return;
    if (!kUsePointPool || size != sizeof(TPlovanPoint)) {
        ::operator delete(p);
        return;
    }
    Pool().Release(p);
}

void TPlovanPoint::TakeRoom(std::size_t count, std::vector<void*>& room) {
    if (!kUsePointPool) {
        room.reserve(room.size() + count);
        for (std::size_t i = 0; i < count; ++i)
            room.push_back(::operator new(sizeof(TPlovanPoint)));
        return;
    }
    Pool().AllocateMany(count, room);
}

void TPlovanPoint::ReturnRoom(void* slot) { operator delete(slot, sizeof(TPlovanPoint)); }

TPlovanPoint::TPlovanPoint(double x, double y, std::int32_t layerId) : X(x), Y(y) {
    FShapeType = ShapeType::Point;
    FLayerId = layerId;
    UpdateBounds();
}

void TPlovanPoint::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                        int width, int height) {
    if (FVisible != 1) return;
    const ViewMap m(left, right, top, bottom, width, height);
    const int px = m.X(X), py = m.Y(Y);
    const TColor c = PenColor();
    // The width is the dot's size here: bounded like any drawn pen (which
    // also keeps (w + 1) / 2 from overflowing).
    const int w = std::min(FWidth, kMaxDrawnPenWidth);
    if (w == 0) {
        canvas.SetPixel(px, py, c);
    } else if (w == 1) {
        canvas.SetPixel(px, py, c);
        canvas.SetPixel(px + 1, py, c);
        canvas.SetPixel(px, py + 1, c);
        canvas.SetPixel(px + 1, py + 1, c);
    } else if (w > 3) {
        const int r = (w + 1) / 2;
        canvas.SetPenStyle(psSolid);
        canvas.SetPenColor(c);
        canvas.SetPenWidth(1);
        canvas.SetBrushColor(c);
        canvas.SetBrushStyle(bsSolid);
        canvas.Ellipse(px - r, py - r, px + r, py + r);
    } else {
        const int h = (w + 1) / 2;
        canvas.SetBrushColor(c);
        canvas.SetBrushStyle(bsSolid);
        canvas.SetPenStyle(psClear);
        canvas.FillRect(px - h, py - h, px + 1 + h, py + 1 + h);
        canvas.SetPenStyle(psSolid);
    }
}

bool TPlovanPoint::HitTest(double x, double y, double tolerance) const {
    const double dx = x - X, dy = y - Y;
    return dx * dx + dy * dy <= tolerance * tolerance;
}

void TPlovanPoint::UpdateBounds() { BoxAround(*this, X, Y, Size); }

void TPlovanPoint::Move(double dx, double dy) {
    MoveAll({{X, Y}}, dx, dy);
    UpdateBounds();
}

void TPlovanPoint::Scale(double sx, double sy, double cx, double cy) {
    ScaleAll({{X, Y}}, sx, sy, cx, cy);
    UpdateBounds();
}

void TPlovanPoint::Rotate(double angle, double cx, double cy) {
    RotateAll({{X, Y}}, angle, cx, cy);
    UpdateBounds();
}

// ---------------------------------------------------------------------------
// Line

TPlovanLine::TPlovanLine(double x1, double y1, double x2, double y2, std::int32_t layerId)
    : TPlovanTwoPointShape(x1, y1, x2, y2) {
    FShapeType = ShapeType::Line;
    FLayerId = layerId;
    UpdateBounds();
}

void TPlovanLine::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                       int width, int height) {
    if (FVisible != 1) return;
    const ViewMap m(left, right, top, bottom, width, height);
    PenFor(canvas, *this);
    canvas.MoveTo(m.X(X1), m.Y(Y1));
    canvas.LineTo(m.X(X2), m.Y(Y2));
}

bool TPlovanLine::HitTest(double x, double y, double tolerance) const {
    return SegmentDistance(x, y, X1, Y1, X2, Y2) <= tolerance;
}

// ---------------------------------------------------------------------------
// Circle

TPlovanCircle::TPlovanCircle(double x, double y, double radius, std::int32_t layerId)
    : X(x), Y(y), Radius(radius) {
    FShapeType = ShapeType::Circle;
    FLayerId = layerId;
    UpdateBounds();
}

void TPlovanCircle::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                         int width, int height) {
    if (FVisible != 1) return;
    const ViewMap m(left, right, top, bottom, width, height);
    PenFor(canvas, *this);
    BrushFor(canvas, *this);
    const int px = m.X(X), py = m.Y(Y);
    const int rx = Pixel(Radius * m.sx), ry = Pixel(Radius * m.sy);
    canvas.Ellipse(px - rx, py - ry, px + rx, py + ry);
}

bool TPlovanCircle::HitTest(double x, double y, double tolerance) const {
    return std::abs(std::hypot(x - X, y - Y) - Radius) <= tolerance;
}

void TPlovanCircle::UpdateBounds() { BoxAround(*this, X, Y, Radius); }

void TPlovanCircle::Move(double dx, double dy) {
    MoveAll({{X, Y}}, dx, dy);
    UpdateBounds();
}

void TPlovanCircle::Scale(double sx, double sy, double cx, double cy) {
    ScalePoint(X, Y, sx, sy, cx, cy);
    // A mirror (a negative factor) must keep the radius, not cancel it.
    Radius *= (std::abs(sx) + std::abs(sy)) / 2.0;
    UpdateBounds();
}

void TPlovanCircle::Rotate(double angle, double cx, double cy) {
    RotateAll({{X, Y}}, angle, cx, cy);
    UpdateBounds();
}

// ---------------------------------------------------------------------------
// Shapes of two points

void TPlovanTwoPointShape::UpdateBounds() { BoxOver(*this, {{X1, Y1}, {X2, Y2}}); }

void TPlovanTwoPointShape::Move(double dx, double dy) {
    MoveAll({{X1, Y1}, {X2, Y2}}, dx, dy);
    UpdateBounds();
}

void TPlovanTwoPointShape::Scale(double sx, double sy, double cx, double cy) {
    ScaleAll({{X1, Y1}, {X2, Y2}}, sx, sy, cx, cy);
    UpdateBounds();
}

void TPlovanTwoPointShape::Rotate(double angle, double cx, double cy) {
    RotateAll({{X1, Y1}, {X2, Y2}}, angle, cx, cy);
    UpdateBounds();
}

void TPlovanCornerShape::Rotate(double, double, double) { UpdateBounds(); }

// ---------------------------------------------------------------------------
// Rectangle

TPlovanRectangle::TPlovanRectangle(double x1, double y1, double x2, double y2,
                                   std::int32_t layerId, std::int32_t rounded, double value)
    : TPlovanCornerShape(x1, y1, x2, y2), Value(value), Rounded(rounded) {
    FShapeType = ShapeType::Rectangle + rounded;
    FLayerId = layerId;
    UpdateBounds();
}

void TPlovanRectangle::Draw(GdiCanvas& canvas, double left, double right, double top,
                            double bottom, int width, int height) {
    if (FVisible != 1) return;
    const ViewMap m(left, right, top, bottom, width, height);
    int ax = m.X(X1), ay = m.Y(Y1), bx = m.X(X2), by = m.Y(Y2);
    if (ax > bx) std::swap(ax, bx);
    if (ay > by) std::swap(ay, by);
    if (FWidth == 0 && FFillStyle == bsSolid && !FSelected && Rounded != 1) {
        canvas.SetBrushColor(FFillColor);
        canvas.SetBrushStyle(bsSolid);
        canvas.FillRect(ax, ay, bx, by);
        return;
    }
    PenFor(canvas, *this);
    BrushFor(canvas, *this);
    if (Rounded == 1) {
        const double c = std::trunc(std::min(m.sx, m.sy) * Radius);
        const int ci = c > 1e9 ? 1000000000 : (c < -1e9 ? -1000000000 : static_cast<int>(c));
        canvas.RoundRect(ax, ay, bx, by, ci, ci);
    } else {
        canvas.Rectangle(ax, ay, bx, by);
    }
}

bool TPlovanRectangle::HitTest(double x, double y, double tolerance) const {
    return std::min(X1, X2) - tolerance <= x && x <= std::max(X1, X2) + tolerance &&
           std::min(Y1, Y2) - tolerance <= y && y <= std::max(Y1, Y2) + tolerance;
}

// ---------------------------------------------------------------------------
// Ellipse

TPlovanEllipse::TPlovanEllipse(double x1, double y1, double x2, double y2, std::int32_t layerId)
    : TPlovanCornerShape(x1, y1, x2, y2) {
    FShapeType = ShapeType::Ellipse;
    FLayerId = layerId;
    UpdateBounds();
}

void TPlovanEllipse::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                          int width, int height) {
    if (FVisible != 1) return;
    const ViewMap m(left, right, top, bottom, width, height);
    PenFor(canvas, *this);
    BrushFor(canvas, *this);
    canvas.Ellipse(m.X(X1), m.Y(Y1), m.X(X2), m.Y(Y2));
}

bool TPlovanEllipse::HitTest(double x, double y, double tolerance) const {
    const double rx = std::abs(X2 - X1) / 2, ry = std::abs(Y2 - Y1) / 2;
    if (rx == 0 || ry == 0) return false;
    const double cx = (X1 + X2) / 2, cy = (Y1 + Y2) / 2;
    const double ux = (x - cx) / rx, uy = (y - cy) / ry;
    return std::abs(ux * ux + uy * uy - 1) <= tolerance / std::min(rx, ry);
}

// ---------------------------------------------------------------------------
// Text

TPlovanText::TPlovanText(double x, double y, const QString& text, std::int32_t fontIndex,
                         std::int32_t layerId)
    : X(x), Y(y), Text(text), FontIndex(fontIndex) {
    FShapeType = ShapeType::Text;
    FLayerId = layerId;
    SetFLabel(text);
    UpdateBounds();
}

TColor TPlovanText::TextColor() const {
    if (FSelected) return clRed;
    const int r = FColor & 0xFF, g = (FColor >> 8) & 0xFF, b = (FColor >> 16) & 0xFF;
    return r + g + b >= 603 ? clBlack : FColor;
}

void TPlovanText::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                       int width, int height) {
    if (FVisible != 1) return;
    if (Text.isEmpty()) return;
    const ViewMap m(left, right, top, bottom, width, height);
    const int px = m.X(X), py = m.Y(Y);
    if (px < -500 || px > width + 500 || py < -100 || py > height + 100) return;
    int size = 10;
    if (Height > 0) size = static_cast<int>(std::clamp(std::trunc(Height), 4.0, 72.0));
    canvas.SetFontName(FontName);
    canvas.SetFontSize(size);
    int style = canvas.FontStyle() & ~(fsBold | fsItalic);
    if (Bold) style |= fsBold;
    if (Italic) style |= fsItalic;
    canvas.SetFontStyle(style);
    canvas.SetFontColor(TextColor());
    canvas.SetBrushStyle(bsClear);
    int orientation = 0;
    if (Angle != 0) {
        const double tenths = std::trunc(Angle * 10);
        orientation = std::abs(tenths) < 1e9 ? static_cast<int>(tenths) : 0;
    }
    canvas.SetFontOrientation(orientation);
    const QSize extent = canvas.TextExtent(Text);
    const int w = extent.width(), h = extent.height();
    const int dx = HAlign == 2 ? -w : (HAlign == 1 ? -w / 2 : 0);
    const int dy = VAlign == 2 ? -h : (VAlign == 1 ? -h / 2 : 0);
    canvas.TextOut(px + dx, py + dy, Text);
}

bool TPlovanText::HitTest(double x, double y, double tolerance) const {
    const double t = tolerance;
    const double length = Text.size();
    return X <= x && x <= X + 2 * t + 0.8 * t * length && Y - 3 * t <= y && y <= Y + t;
}

void TPlovanText::UpdateBounds() {
    const double length = Text.size();
    FMinX = X - Height;
    FMinY = Y - Height;
    FMaxX = X + 0.6 * Height * length + Height;
    FMaxY = Y + Height;
}

void TPlovanText::Move(double dx, double dy) {
    MoveAll({{X, Y}}, dx, dy);
    UpdateBounds();
}

void TPlovanText::Scale(double sx, double sy, double cx, double cy) {
    ScalePoint(X, Y, sx, sy, cx, cy);
    UpdateBounds();
}

void TPlovanText::Rotate(double angle, double, double) {
    Angle += angle;
    UpdateBounds();
}

// ---------------------------------------------------------------------------
// Arc through three points

TPlovanArc::TPlovanArc(double x1, double y1, double x2, double y2, double x3, double y3,
                       std::int32_t layerId)
    : X1(x1), Y1(y1), X2(x2), Y2(y2), X3(x3), Y3(y3) {
    FShapeType = ShapeType::Arc;
    FLayerId = layerId;
    UpdateBounds();
}

void TPlovanArc::Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                      int width, int height) {
    if (FVisible != 1) return;
    const ViewMap m(left, right, top, bottom, width, height);
    PenFor(canvas, *this);
    canvas.MoveTo(m.X(X1), m.Y(Y1));
    canvas.LineTo(m.X(X2), m.Y(Y2));
    canvas.LineTo(m.X(X3), m.Y(Y3));
}

bool TPlovanArc::HitTest(double x, double y, double tolerance) const {
    return FMinX - tolerance <= x && x <= FMaxX + tolerance && FMinY - tolerance <= y &&
           y <= FMaxY + tolerance;
}

void TPlovanArc::UpdateBounds() { BoxOver(*this, {{X1, Y1}, {X2, Y2}, {X3, Y3}}); }

void TPlovanArc::Move(double dx, double dy) {
    MoveAll({{X1, Y1}, {X2, Y2}, {X3, Y3}}, dx, dy);
    UpdateBounds();
}

void TPlovanArc::Scale(double sx, double sy, double cx, double cy) {
    ScaleAll({{X1, Y1}, {X2, Y2}, {X3, Y3}}, sx, sy, cx, cy);
    UpdateBounds();
}

void TPlovanArc::Rotate(double angle, double cx, double cy) {
    RotateAll({{X1, Y1}, {X2, Y2}, {X3, Y3}}, angle, cx, cy);
    UpdateBounds();
}
