#include "canvas/GdiCanvas.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kMinFontPoints = 1;
constexpr int kMaxFontPoints = 1000;

int DrawnPenWidth(int width) { return std::clamp(width, 0, kMaxDrawnPenWidth); }

// The RGB bits of a TColor (0x00BBGGRR) as a 32-bit pixel holds them.
QRgb RgbBits(TColor color) {
    const auto c = static_cast<std::uint32_t>(color);
    return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

}  // namespace

QColor ToQColor(TColor color) {
    const auto c = static_cast<std::uint32_t>(color);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

TColor FromRgb(QRgb rgb) {
    return static_cast<TColor>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long p = static_cast<long long>(a) * b;
    long long q = p / c;
    const long long r = p % c;
    // Round half away from zero, as Windows' MulDiv does.
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) q += ((p < 0) != (c < 0)) ? -1 : 1;
    return static_cast<int>(q);
}

QString ResolveFontFamily(const QString& windowsName) {
    const QString n = windowsName.trimmed().toLower();
    if (n == QLatin1String("arial") || n == QLatin1String("tahoma") ||
        n == QLatin1String("arial black") || n == QLatin1String("helvetica") ||
        n == QLatin1String("ms sans serif") || n == QLatin1String("segoe ui"))
        return QStringLiteral("Liberation Sans");
    if (n == QLatin1String("times new roman") || n == QLatin1String("times"))
        return QStringLiteral("Liberation Serif");
    if (n == QLatin1String("courier new") || n == QLatin1String("consolas") ||
        n == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return windowsName;
}

QFont MakeGdiFont(const QString& name, int sizePoints, int style) {
    QFont font(ResolveFontFamily(name));
    const QString lower = name.trimmed().toLower();
    if (lower == QLatin1String("consolas") || lower == QLatin1String("courier new"))
        font.setStyleHint(QFont::Monospace);
    const int points = std::clamp(sizePoints, kMinFontPoints, kMaxFontPoints);
    font.setPixelSize(std::max(1, MulDiv(points, 96, 72)));
    font.setBold((style & fsBold) != 0);
    if (lower == QLatin1String("arial black")) font.setWeight(QFont::Black);
    font.setItalic((style & fsItalic) != 0);
    font.setUnderline((style & fsUnderline) != 0);
    font.setStrikeOut((style & fsStrikeOut) != 0);
    return font;
}

GdiCanvas::GdiCanvas(QImage& image) : FImage(image), FPainter(&image) {
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

GdiCanvas::~GdiCanvas() {
    if (FPainter.isActive()) FPainter.end();
}

// ---- State ----

void GdiCanvas::SetPenColor(TColor color) { FPenColor = color; }
void GdiCanvas::SetPenWidth(int width) { FPenWidth = width; }
void GdiCanvas::SetPenStyle(TPenStyle style) { FPenStyle = style; }
void GdiCanvas::SetPenMode(TPenMode mode) { FPenMode = mode; }
void GdiCanvas::SetBrushColor(TColor color) { FBrushColor = color; }
void GdiCanvas::SetBrushStyle(int ordinal) {
    FBrushStyle = ordinal >= bsSolid && ordinal <= bsDiagCross ? ordinal : bsClear;
}
void GdiCanvas::SetFontName(const QString& name) { FFontName = name; }
void GdiCanvas::SetFontSize(int points) { FFontSize = points; }
void GdiCanvas::SetFontColor(TColor color) { FFontColor = color; }
void GdiCanvas::SetFontStyle(int styleBits) { FFontStyle = styleBits; }
void GdiCanvas::SetFontOrientation(int tenthsOfDegree) { FFontOrientation = tenthsOfDegree; }

QFont GdiCanvas::CurrentFont() const { return MakeGdiFont(FFontName, FFontSize, FFontStyle); }

QPen GdiCanvas::MakePen() const {
    if (FPenStyle == psClear) return QPen(Qt::NoPen);
    const int width = DrawnPenWidth(FPenWidth);
    QPen pen(ToQColor(FPenColor));
    if (width <= 1) {
        // A cosmetic one-pixel pen; the flat cap leaves out the last pixel
        // of a line, as GDI does.
        pen.setWidth(0);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        // GDI's cosmetic patterns, in pixels.
        switch (FPenStyle) {
            case psDash: pen.setDashPattern({18, 6}); break;
            case psDot: pen.setDashPattern({3, 3}); break;
            case psDashDot: pen.setDashPattern({9, 6, 3, 6}); break;
            case psDashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
            default: break;
        }
    } else {
        // A wide pen is a geometric pen with round ends and joins; GDI
        // draws it solid whatever the style.
        pen.setWidth(width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

QBrush GdiCanvas::MakeBrush() const {
    const QColor c = ToQColor(FBrushColor);
    switch (FBrushStyle) {
        case bsSolid: return QBrush(c, Qt::SolidPattern);
        case bsHorizontal: return QBrush(c, Qt::HorPattern);
        case bsVertical: return QBrush(c, Qt::VerPattern);
        case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
        case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
        case bsCross: return QBrush(c, Qt::CrossPattern);
        case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
        default: return QBrush(Qt::NoBrush);
    }
}

void GdiCanvas::ApplyMode() {
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    switch (FPenMode) {
        case pmXor:
            FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            break;
        case pmNotXor:
            FPainter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
            break;
        case pmNot: FPainter.setCompositionMode(QPainter::RasterOp_NotDestination); break;
        default: FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    }
}

void GdiCanvas::ApplyPen() {
    ApplyMode();
    FPainter.setPen(MakePen());
    // With a solid brush GDI's background mode is opaque: the gaps of a
    // dotted pen take the brush colour.
    if (FBrushStyle == bsSolid) {
        FPainter.setBackgroundMode(Qt::OpaqueMode);
        FPainter.setBackground(QBrush(ToQColor(FBrushColor)));
    } else {
        FPainter.setBackgroundMode(Qt::TransparentMode);
    }
}

void GdiCanvas::ApplyBrush() { FPainter.setBrush(MakeBrush()); }

// ---- Lines ----

void GdiCanvas::MoveTo(int x, int y) { FPenPos = QPoint(x, y); }

bool GdiCanvas::SolidHairline() const {
    return FPenStyle == psSolid && DrawnPenWidth(FPenWidth) <= 1;
}

void GdiCanvas::Plot(int x, int y, QRgb src) {
    QRgb& px = reinterpret_cast<QRgb*>(FImage.scanLine(y))[x];
    switch (FPenMode) {
        case pmXor: px = 0xFF000000u | ((px ^ src) & 0xFFFFFFu); break;
        case pmNotXor: px = 0xFF000000u | (~(px ^ src) & 0xFFFFFFu); break;
        case pmNot: px = 0xFF000000u | (~px & 0xFFFFFFu); break;
        default: px = 0xFF000000u | src; break;
    }
}

void GdiCanvas::PlotLine(QPoint from, QPoint to) {
    // One pixel per step along the major axis, the minor coordinate rounded
    // half up; the end pixel is left out. Only the steps that fall inside
    // the image are visited, so far-off lines cost nothing.
    const long long dx = static_cast<long long>(to.x()) - from.x();
    const long long dy = static_cast<long long>(to.y()) - from.y();
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const long long n = std::max(adx, ady);
    if (n == 0) return;
    const bool xMajor = adx >= ady;
    const long long m = xMajor ? ady : adx;
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long major0 = xMajor ? from.x() : from.y();
    const long long minor0 = xMajor ? from.y() : from.x();
    const long long majorLimit = xMajor ? FImage.width() : FImage.height();
    const long long minorLimit = xMajor ? FImage.height() : FImage.width();
    // Steps i in [first, last) whose major coordinate is in [0, limit).
    long long first = 0, last = n;
    if (majorStep > 0) {
        first = std::max(first, -major0);
        last = std::min(last, majorLimit - major0);
    } else {
        first = std::max(first, major0 - (majorLimit - 1));
        last = std::min(last, major0 + 1);
    }
    const QRgb src = RgbBits(FPenColor);
    // In 128 bits when a line across the whole integer range would overflow
    // 64; lines within a billion pixels (all but far-off ones) need not.
    const bool wide = n >= (1LL << 30);
    for (long long i = first; i < last; ++i) {
        const long long major = major0 + majorStep * i;
        const auto offset =
            wide ? static_cast<long long>((__int128{2} * i * m + n) / (__int128{2} * n))
                 : (2 * i * m + n) / (2 * n);
        const long long minor = minor0 + minorStep * offset;
        if (minor < 0 || minor >= minorLimit) continue;
        if (xMajor)
            Plot(static_cast<int>(major), static_cast<int>(minor), src);
        else
            Plot(static_cast<int>(minor), static_cast<int>(major), src);
    }
}

void GdiCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (SolidHairline()) {
        PlotLine(FPenPos, to);
    } else if (FPenStyle != psClear) {
        ApplyPen();
        FPainter.setBrush(Qt::NoBrush);
        if (to == FPenPos && DrawnPenWidth(FPenWidth) > 1) {
            // A zero-length wide line still shows its round end.
            FPainter.drawPoint(to);
        } else if (to != FPenPos) {
            FPainter.drawLine(FPenPos, to);
        }
    }
    FPenPos = to;
}

void GdiCanvas::Polyline(const QPoint* points, int count) {
    if (count < 2 || FPenStyle == psClear) return;
    if (SolidHairline()) {
        for (int i = 1; i < count; ++i) PlotLine(points[i - 1], points[i]);
        return;
    }
    ApplyPen();
    FPainter.setBrush(Qt::NoBrush);
    FPainter.drawPolyline(points, count);
}

void GdiCanvas::Polygon(const QPoint* points, int count) {
    if (count < 2) return;
    ApplyPen();
    ApplyBrush();
    FPainter.drawPolygon(points, count, Qt::OddEvenFill);
}

void GdiCanvas::PolyBezier(const QPoint* points, int count) {
    if (count < 4 || FPenStyle == psClear) return;
    ApplyPen();
    FPainter.setBrush(Qt::NoBrush);
    QPainterPath path(points[0]);
    for (int i = 1; i + 2 < count; i += 3) path.cubicTo(points[i], points[i + 1], points[i + 2]);
    FPainter.drawPath(path);
}

// ---- Closed figures ----

namespace {

// Keeps the corner arithmetic below from overflowing: no image is a
// thousand million pixels wide.
constexpr int kCoordLimit = 1 << 29;

void Limit(int& x1, int& y1, int& x2, int& y2) {
    x1 = std::clamp(x1, -kCoordLimit, kCoordLimit);
    y1 = std::clamp(y1, -kCoordLimit, kCoordLimit);
    x2 = std::clamp(x2, -kCoordLimit, kCoordLimit);
    y2 = std::clamp(y2, -kCoordLimit, kCoordLimit);
}

void Normalise(int& x1, int& y1, int& x2, int& y2) {
    Limit(x1, y1, x2, y2);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
}

}  // namespace

void GdiCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Normalise(x1, y1, x2, y2);
    if (FPenStyle == psClear) {
        // GDI draws a frameless rectangle one pixel smaller in each direction.
        if (x2 - x1 > 1 && y2 - y1 > 1 && FBrushStyle != bsClear) {
            ApplyMode();
            FPainter.fillRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), MakeBrush());
        }
        return;
    }
    if (x2 <= x1 || y2 <= y1) return;
    ApplyPen();
    if (FBrushStyle != bsClear && x2 - x1 > 2 && y2 - y1 > 2)
        FPainter.fillRect(QRect(x1 + 1, y1 + 1, x2 - x1 - 2, y2 - y1 - 2), MakeBrush());
    FPainter.setBrush(Qt::NoBrush);
    if (DrawnPenWidth(FPenWidth) <= 1) {
        // A cosmetic outline of QRect(x, y, w, h) covers x..x+w.
        FPainter.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    } else {
        QPen pen = MakePen();
        pen.setJoinStyle(Qt::MiterJoin);
        FPainter.setPen(pen);
        FPainter.drawRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
    }
}

void GdiCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Normalise(x1, y1, x2, y2);
    if (x2 <= x1 || y2 <= y1) return;
    ApplyPen();
    ApplyBrush();
    if (FPenStyle == psClear || DrawnPenWidth(FPenWidth) > 1)
        FPainter.drawEllipse(QRectF(x1, y1, x2 - x1, y2 - y1));
    else  // a hairline through the centres of the edge pixels
        FPainter.drawEllipse(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
}

void GdiCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    Normalise(x1, y1, x2, y2);
    if (x2 <= x1 || y2 <= y1) return;
    ApplyPen();
    ApplyBrush();
    const int cw = std::abs(std::clamp(cornerWidth, -kCoordLimit, kCoordLimit));
    const int ch = std::abs(std::clamp(cornerHeight, -kCoordLimit, kCoordLimit));
    const double rx = std::min(cw, x2 - x1) / 2.0;
    const double ry = std::min(ch, y2 - y1) / 2.0;
    if (FPenStyle == psClear || DrawnPenWidth(FPenWidth) > 1)
        FPainter.drawRoundedRect(QRectF(x1, y1, x2 - x1, y2 - y1), rx, ry, Qt::AbsoluteSize);
    else
        FPainter.drawRoundedRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1), rx, ry,
                                 Qt::AbsoluteSize);
}

void GdiCanvas::FillRect(int x1, int y1, int x2, int y2) {
    Limit(x1, y1, x2, y2);
    if (x2 <= x1 || y2 <= y1 || FBrushStyle == bsClear) return;
    // A fill copies the brush whatever the pen mode, as GDI's FillRect does.
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), MakeBrush());
}

// ---- Text ----

QSize GdiCanvas::TextExtent(const QString& text) {
    const QFontMetrics fm(CurrentFont());
    return QSize(fm.horizontalAdvance(text), fm.height());
}

int GdiCanvas::TextWidth(const QString& text) { return TextExtent(text).width(); }

int GdiCanvas::TextHeight(const QString& text) { return TextExtent(text).height(); }

void GdiCanvas::TextOut(int x, int y, const QString& text) {
    const QFont font = CurrentFont();
    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    FPainter.save();
    // Text is not subject to the pen mode.
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.translate(x, y);
    if (FFontOrientation != 0) FPainter.rotate(-FFontOrientation / 10.0);
    if (FBrushStyle == bsSolid) FPainter.fillRect(QRect(0, 0, w, h), ToQColor(FBrushColor));
    FPainter.setFont(font);
    FPainter.setPen(QPen(ToQColor(FFontColor)));
    FPainter.setBackgroundMode(Qt::TransparentMode);
    FPainter.drawText(QPoint(0, fm.ascent()), text);
    FPainter.restore();
}

// ---- Pixels and images ----

void GdiCanvas::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= FImage.width() || y >= FImage.height()) return;
    // The raster engine draws at once, so writing the pixel directly keeps
    // the order of operations.
    const QRgb rgb = 0xFF000000u | RgbBits(color);
    switch (FImage.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            reinterpret_cast<QRgb*>(FImage.scanLine(y))[x] = rgb;
            break;
        default:
            FImage.setPixel(x, y, rgb);
            break;
    }
}

TColor GdiCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FImage.width() || y >= FImage.height()) return -1;
    return FromRgb(FImage.pixel(x, y));
}

void GdiCanvas::Draw(int x, int y, const QImage& image) {
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.drawImage(QPoint(x, y), image);
}

void GdiCanvas::StretchDraw(int x1, int y1, int x2, int y2, const QImage& image) {
    Limit(x1, y1, x2, y2);
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.drawImage(QRect(x1, y1, x2 - x1, y2 - y1), image);
}
