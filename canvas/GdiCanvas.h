// A drawing surface with the manners of a Windows GDI device context, over a
// QPainter on a QImage (Format_RGB32). It keeps pen, brush and font state
// across calls, as the class library's canvas does, so the shapes' drawing
// recipes read as they were written for GDI.
//
// Conventions kept from GDI:
// - Rectangle, Ellipse, RoundRect and FillRect exclude the right and bottom
//   edges: (0, 0, 10, 10) covers the pixels 0..9. A Rectangle drawn with a
//   clear pen is one more pixel smaller, as in GDI.
// - MoveTo/LineTo does not draw the last pixel of the line.
// - TextOut places the top-left corner of the text cell at (x, y).
// - RoundRect takes the corner ellipse's width and height (diameters).
// - With a solid brush, text cells and the gaps of dotted pens are painted
//   in the brush colour (opaque background); otherwise they stay untouched.
// - Pen mode XOR is a raster operation on the pixels, with antialiasing off;
//   it applies to lines and to the outlines and insides of figures, not to
//   FillRect, TextOut or SetPixel.
// - Brush styles are the class library's ordinals 0..7; any other ordinal
//   draws as clear.
// - Font sizes are points, drawn at the pixel size MulDiv(size, 96, 72);
//   colours are 0x00BBGGRR.
// - The drawn pen width is clamped to 0..255 pixels and the font size to
//   1..1000 points, whatever the stored values say; width 0 draws 1 pixel.
//
// Antialiasing is always off, so every pixel is either drawn or not.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>

#include "canvas/CanvasColor.h"

enum TPenStyle : std::uint8_t { psSolid = 0, psDash = 1, psDot = 2, psDashDot = 3, psDashDotDot = 4, psClear = 5 };
enum TPenMode : std::uint8_t { pmCopy = 0, pmXor = 1, pmNotXor = 2, pmNot = 3 };

// The widest pen drawn, in pixels, whatever width is stored.
constexpr int kMaxDrawnPenWidth = 255;

// Font style bits.
constexpr int fsBold = 1;
constexpr int fsItalic = 2;
constexpr int fsUnderline = 4;
constexpr int fsStrikeOut = 8;

// Qt colour of a TColor (the top byte is ignored).
QColor ToQColor(TColor color);
// TColor of a pixel value read from a Format_RGB32 image.
TColor FromRgb(QRgb rgb);
// The installed family that stands in for a Windows font name: "Arial" and
// "Tahoma" become Liberation Sans, "Times New Roman" Liberation Serif,
// "Courier New" and "Consolas" Liberation Mono; other names pass unchanged.
QString ResolveFontFamily(const QString& windowsName);
// The Qt font for a Windows font name, size in points and style bits.
QFont MakeGdiFont(const QString& name, int sizePoints, int style);
// MulDiv(a, b, c): a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c);

class GdiCanvas {
public:
    // Paints on `image`, which must outlive the canvas and be Format_RGB32.
    explicit GdiCanvas(QImage& image);
    ~GdiCanvas();
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    QImage& Image() { return FImage; }
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }
    // For the few drawings no GDI call describes; the state above is restored
    // at the next call of this class.
    QPainter& Painter() { return FPainter; }

    // Pen
    void SetPenColor(TColor color);
    void SetPenWidth(int width);
    void SetPenStyle(TPenStyle style);
    void SetPenMode(TPenMode mode);
    TColor PenColor() const { return FPenColor; }
    int PenWidth() const { return FPenWidth; }
    TPenStyle PenStyle() const { return FPenStyle; }
    TPenMode PenMode() const { return FPenMode; }

    // Brush
    void SetBrushColor(TColor color);
    void SetBrushStyle(int ordinal);  // outside 0..7: clear
    TColor BrushColor() const { return FBrushColor; }
    int BrushStyle() const { return FBrushStyle; }

    // Font
    void SetFontName(const QString& name);
    void SetFontSize(int points);
    void SetFontColor(TColor color);
    void SetFontStyle(int styleBits);  // fsBold | fsItalic | ...
    void SetFontOrientation(int tenthsOfDegree);  // counter-clockwise
    const QString& FontName() const { return FFontName; }
    int FontSize() const { return FFontSize; }
    TColor FontColor() const { return FFontColor; }
    int FontStyle() const { return FFontStyle; }
    int FontOrientation() const { return FFontOrientation; }
    QFont CurrentFont() const;

    // Lines: the current position moves to the end; the end pixel is not drawn.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    QPoint PenPos() const { return FPenPos; }
    void Polyline(const QPoint* points, int count);
    // Filled with the brush, outlined with the pen (alternate fill).
    void Polygon(const QPoint* points, int count);
    // 1 + 3k points: start, then (control, control, end) per segment.
    void PolyBezier(const QPoint* points, int count);

    // Closed figures: outline with the pen, inside with the brush.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
    // Brush only, no outline.
    void FillRect(int x1, int y1, int x2, int y2);

    // Text with the current font; the cell's top-left at (x, y).
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    QSize TextExtent(const QString& text);

    void SetPixel(int x, int y, TColor color);
    TColor Pixel(int x, int y) const;  // -1 outside the image

    // Images drawn unscaled at (x, y), or stretched into the rectangle.
    void Draw(int x, int y, const QImage& image);
    void StretchDraw(int x1, int y1, int x2, int y2, const QImage& image);

private:
    void ApplyPen();
    void ApplyBrush();
    void ApplyMode();
    // The outline pen for closed figures and lines (Qt::NoPen when clear).
    QPen MakePen() const;
    QBrush MakeBrush() const;
    // A solid one-pixel pen, drawn pixel by pixel for GDI's exact lines.
    bool SolidHairline() const;
    void Plot(int x, int y, QRgb src);
    void PlotLine(QPoint from, QPoint to);

    QImage& FImage;
    QPainter FPainter;
    TColor FPenColor = clBlack;
    int FPenWidth = 1;
    TPenStyle FPenStyle = psSolid;
    TPenMode FPenMode = pmCopy;
    TColor FBrushColor = clWhite;
    int FBrushStyle = bsSolid;
    QString FFontName = QStringLiteral("Arial");
    int FFontSize = 8;
    TColor FFontColor = clBlack;
    int FFontStyle = 0;
    int FFontOrientation = 0;
    QPoint FPenPos;
};
