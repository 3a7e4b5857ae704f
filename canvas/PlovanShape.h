// The shapes of the map drawing: a small family of plain classes rooted in
// TPlovanShape. Each shape draws itself through a GdiCanvas for a view
// rectangle, answers whether a world point hits it, keeps its bounding box
// and moves, scales and rotates itself.
//
// Units and conventions: world coordinates are doubles in metres, easting x
// to the right and northing y up (polyline vertices too: a survey line at a
// projected northing of several million metres keeps its millimetres).
// Colours are TColor values 0x00BBGGRR. Angles are degrees,
// counter-clockwise in the y-up world. Pen widths are pixels; the hit
// tolerance is in world units.
//
// Mapping to pixels in every Draw: sx = width / (right - left),
// sy = height / (top - bottom), px = floor((x - left) * sx + 0.5),
// py = floor((top - y) * sy + 0.5). Draw does nothing when FVisible is not 1;
// a selected shape is drawn in clRed.
//
// The canvas owns its shapes and deletes them through the virtual destructor.
// The rarely used caller values (name, label, style, aux colour, aux value,
// tag) live outside the object until one of them is set, so that a drawing
// of a million survey points stays small.
#pragma once

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "canvas/CanvasColor.h"

class GdiCanvas;

struct TPointD {
    double X = 0;
    double Y = 0;
};

// The vertex type of the polygon selections.
struct TFloatPoint {
    float X = 0;
    float Y = 0;
};

// Type codes (FShapeType).
namespace ShapeType {
constexpr int Rectangle = 1;
constexpr int RoundRect = 2;
constexpr int Line = 3;
constexpr int Polyline = 5;
constexpr int Polygon = 6;
constexpr int Spline = 8;
constexpr int Arc = 10;
constexpr int Text = 11;
constexpr int Point = 17;
constexpr int Circle = 19;
constexpr int Ellipse = 20;
}  // namespace ShapeType

constexpr double kShapePi = 3.141592653589793;

class TPlovanShape {
public:
    TPlovanShape() = default;
    virtual ~TPlovanShape();
    TPlovanShape(const TPlovanShape&) = delete;
    TPlovanShape& operator=(const TPlovanShape&) = delete;

    // Draws into `canvas` for the view left..right by bottom..top mapped onto
    // width x height pixels.
    virtual void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom,
                      int width, int height) = 0;
    // True when the world point lies within `tolerance` world units.
    virtual bool HitTest(double x, double y, double tolerance) const = 0;
    virtual void UpdateBounds() = 0;
    // Each transform ends with UpdateBounds.
    virtual void Move(double dx, double dy) = 0;
    // Every point p becomes s * (p - c) + c per axis.
    virtual void Scale(double sx, double sy, double cx, double cy) = 0;
    // Degrees, counter-clockwise about (cx, cy).
    virtual void Rotate(double angle, double cx, double cy) = 0;

    // clRed when selected, else FColor.
    TColor PenColor() const { return FSelected ? clRed : FColor; }

    // Caller's values; empty or 0 until set.
    const QString& FName() const;
    void SetFName(const QString& name);
    const QString& FLabel() const;
    void SetFLabel(const QString& label);
    std::int32_t FStyle() const;  // style value copied from the layer; never drawn
    void SetFStyle(std::int32_t style);
    TColor FAuxColor() const;  // stored only; clWhite until set
    void SetFAuxColor(TColor color);
    std::int32_t FAuxValue() const;  // stored only
    void SetFAuxValue(std::int32_t value);
    std::int32_t FTag() const;
    void SetFTag(std::int32_t tag);

    // Bounding box, kept by UpdateBounds.
    double FMinX = 0;
    double FMinY = 0;
    double FMaxX = 0;
    double FMaxY = 0;
    std::int32_t FId = 0;       // unique per canvas
    std::int32_t FLayerId = 0;  // id of the owning layer (may name no layer)
    std::int32_t FShapeType = 0;
    TColor FColor = clBlack;         // pen and text colour
    std::int32_t FWidth = 1;         // pen width in pixels; also sets the hit tolerance
    TColor FFillColor = clWhite;     // brush colour of closed shapes
    std::uint8_t FFillStyle = bsClear;
    std::uint8_t FSelected = 0;
    std::uint8_t FVisible = 1;  // neither drawn nor hit-tested unless 1

    struct Extras;  // defined where the shapes are

private:
    Extras& MutableExtras();
    const Extras* FindExtras() const;
    std::uint8_t FHasExtras = 0;
};

class TPlovanPoint : public TPlovanShape {
public:
    // Type 17, size 3, box X +- 3, Y +- 3.
    TPlovanPoint(double x = 0, double y = 0, std::int32_t layerId = 0);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    bool HitTest(double x, double y, double tolerance) const override;
    void UpdateBounds() override;
    void Move(double dx, double dy) override;
    void Scale(double sx, double sy, double cx, double cy) override;
    void Rotate(double angle, double cx, double cy) override;

    // Survey drawings hold up to millions of points: they come from a pool
    // (in the address sanitizer's build, each from the general allocator).
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);
    // Room for `count` points taken at once and appended to `room`, for a
    // reader that makes many points on several threads: a point made in a
    // slot with ::new (slot) TPlovanPoint(...) is deleted as any point; a
    // slot left unused goes back through ReturnRoom.
    static void TakeRoom(std::size_t count, std::vector<void*>& room);
    static void ReturnRoom(void* slot);

    std::int32_t Size = 3;  // half size of the bounding box in world units
    double X = 0;
    double Y = 0;
    double Z = 0;  // kept by the project file, never drawn
};

// A shape given by two world points (X1, Y1) and (X2, Y2): moving and scaling
// map both, the box is their minimum and maximum, and rotating turns both
// unless the class keeps its own rule.
class TPlovanTwoPointShape : public TPlovanShape {
public:
    void UpdateBounds() override;
    void Move(double dx, double dy) override;
    void Scale(double sx, double sy, double cx, double cy) override;
    void Rotate(double angle, double cx, double cy) override;

    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;

protected:
    TPlovanTwoPointShape(double x1, double y1, double x2, double y2)
        : X1(x1), Y1(y1), X2(x2), Y2(y2) {}
};

// Type 3: from (X1, Y1) to (X2, Y2).
class TPlovanLine : public TPlovanTwoPointShape {
public:
    TPlovanLine(double x1, double y1, double x2, double y2, std::int32_t layerId);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    bool HitTest(double x, double y, double tolerance) const override;
};

class TPlovanCircle : public TPlovanShape {
public:
    // Type 19, box centre +- radius.
    TPlovanCircle(double x = 0, double y = 0, double radius = 0, std::int32_t layerId = 0);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    // Near the circumference only.
    bool HitTest(double x, double y, double tolerance) const override;
    void UpdateBounds() override;
    void Move(double dx, double dy) override;
    // The radius scales by (|sx| + |sy|) / 2, so a mirror keeps it.
    void Scale(double sx, double sy, double cx, double cy) override;
    void Rotate(double angle, double cx, double cy) override;

    double X = 0, Y = 0, Radius = 0;
};

// A shape given by two opposite corners (X1, Y1), (X2, Y2) of its box, which
// stays axis-aligned: rotating it only recomputes the bounds.
class TPlovanCornerShape : public TPlovanTwoPointShape {
public:
    void Rotate(double angle, double cx, double cy) override;

protected:
    TPlovanCornerShape(double x1, double y1, double x2, double y2)
        : TPlovanTwoPointShape(x1, y1, x2, y2) {}
};

class TPlovanRectangle : public TPlovanCornerShape {
public:
    // Type 1 + rounded, corner radius 10.
    TPlovanRectangle(double x1, double y1, double x2, double y2, std::int32_t layerId,
                     std::int32_t rounded = 0, double value = 0);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    // Anywhere inside, grown by the tolerance.
    bool HitTest(double x, double y, double tolerance) const override;

    double Value = 0;                        // z of an XYZ import cell
    std::int32_t Rounded = 0;
    double Radius = 10.0;  // corner radius in world units
};

class TPlovanEllipse : public TPlovanCornerShape {
public:
    // Type 20, inscribed in the box of the two corners.
    TPlovanEllipse(double x1, double y1, double x2, double y2, std::int32_t layerId);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    bool HitTest(double x, double y, double tolerance) const override;
};

class TPlovanText : public TPlovanShape {
public:
    // Type 11, height 10, "Arial", plain; the label takes the text.
    TPlovanText(double x, double y, const QString& text, std::int32_t fontIndex,
                std::int32_t layerId);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    bool HitTest(double x, double y, double tolerance) const override;
    void UpdateBounds() override;
    void Move(double dx, double dy) override;
    // Scales the anchor only.
    void Scale(double sx, double sy, double cx, double cy) override;
    // Adds the angle and keeps the anchor.
    void Rotate(double angle, double cx, double cy) override;

    // The colour a text is drawn in: clRed when selected; a very light colour
    // (red + green + blue >= 603) black.
    TColor TextColor() const;

    double X = 0, Y = 0;  // anchor
    QString Text;
    std::int32_t FontIndex = 0;
    double Angle = 0;         // degrees, counter-clockwise
    std::int32_t HAlign = 0;  // 0 left, 1 centre, 2 right
    std::int32_t VAlign = 0;  // 0 top, 1 middle, 2 bottom
    double Height = 10;       // font size in points; also the world size of its bounds
    QString FontName = QStringLiteral("Arial");
    std::uint8_t Bold = 0;
    std::uint8_t Italic = 0;
};

class TPlovanPolyline : public TPlovanShape {
public:
    // Type 5 + closed (type 8 or 10 set by the caller afterwards).
    explicit TPlovanPolyline(std::int32_t layerId = 0, std::uint8_t closed = 0);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    // Segments between consecutive vertices only (no closing segment, no
    // spline curve); zero-length segments are skipped.
    bool HitTest(double x, double y, double tolerance) const override;
    void UpdateBounds() override;  // unchanged when there is no vertex
    void Move(double dx, double dy) override;
    void Scale(double sx, double sy, double cx, double cy) override;
    void Rotate(double angle, double cx, double cy) override;

    // Appends a vertex and grows the bounds.
    void AddPoint(double x, double y);
    double GetX(int i) const;  // 0 when out of range
    double GetY(int i) const;
    // Replaces vertex i when 0 <= i < count, then UpdateBounds.
    void SetPoint(int i, double x, double y);
    int Count() const { return static_cast<int>(Points.size()); }

    std::vector<TPointD> Points;
    std::uint8_t Closed = 0;
};

// Type 10: start (X1, Y1), middle (X2, Y2) and end (X3, Y3), drawn as two
// straight segments.
class TPlovanArc : public TPlovanShape {
public:
    TPlovanArc(double x1, double y1, double x2, double y2, double x3, double y3,
               std::int32_t layerId);
    void Draw(GdiCanvas& canvas, double left, double right, double top, double bottom, int width,
              int height) override;
    // Inside the bounding box grown by the tolerance.
    bool HitTest(double x, double y, double tolerance) const override;
    void UpdateBounds() override;
    void Move(double dx, double dy) override;
    void Scale(double sx, double sy, double cx, double cy) override;
    void Rotate(double angle, double cx, double cy) override;

    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, X3 = 0, Y3 = 0;
};

// The shape as the class its type code names (texts 11, points 17), or any
// polyline; null for any other shape and for null.
inline TPlovanText* AsText(TPlovanShape* s) {
    return s && s->FShapeType == ShapeType::Text ? dynamic_cast<TPlovanText*>(s) : nullptr;
}
inline TPlovanPoint* AsPoint(TPlovanShape* s) {
    return s && s->FShapeType == ShapeType::Point ? dynamic_cast<TPlovanPoint*>(s) : nullptr;
}
inline TPlovanPolyline* AsPolyline(TPlovanShape* s) { return dynamic_cast<TPlovanPolyline*>(s); }

// Distance from (x, y) to the segment (x1, y1)-(x2, y2); a segment of length
// 0 gives the distance to its first end.
// Inline: the hit tests of lines and polylines call it once per segment.
inline double SegmentDistance(double x, double y, double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    const double len2 = dx * dx + dy * dy;
    if (len2 == 0) return std::hypot(x - x1, y - y1);
    double u = ((x - x1) * dx + (y - y1) * dy) / len2;
    u = std::clamp(u, 0.0, 1.0);
    return std::hypot(x - (x1 + u * dx), y - (y1 + u * dy));
}
