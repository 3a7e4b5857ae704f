// The survey overlays drawn on every frame after the back buffer: measure
// line, soundings, number labels, depth/speed box and position box. They
// read the overlay fields, the display values and the survey state as they
// are at the paint.
#include <QString>
#include <algorithm>
#include <cmath>

#include "canvas/CanvasOverlayGeometry.h"
#include "canvas/GdiCanvas.h"
#include "canvas/PixelDrawing.h"
#include "canvas/PlovanCanvas.h"
#include "foundation/DisplayValues.h"
#include "foundation/SurveyState.h"
#include "platform/VclText.h"

namespace {

constexpr TColor kBlue = 0xFF0000;
constexpr TColor kNavy = 0x800000;
constexpr TColor kYellow = 0x00FFFF;
// Pixels beyond this never show; it keeps every difference of them finite.
constexpr double kFarPx = 1e15;

QString Fixed(double value, int precision, int digits) {
    return QString::fromStdString(
        platform::FloatToStrF(value, platform::FloatFormat::Fixed, precision, digits));
}

}  // namespace

void TPlovanCanvas::DrawMeasureLine(GdiCanvas& canvas) {
    if (!FMeasuring) return;
    // Whole pixels as WorldToScreen rounds them, kept in doubles: a view
    // zoomed in far while a long measure is held puts an end far beyond any
    // integer, and what is drawn from them is clipped to the client area.
    const int width = this->width(), height = this->height();
    const pixeldraw::PixelMap map(*this, width, height);
    const auto pixel = [](double v) { return std::clamp(std::floor(v + 0.5), -kFarPx, kFarPx); };
    const double sx = pixel(map.X(FMeasureStartX)), sy = pixel(map.Y(FMeasureStartY));
    const double ex = pixel(map.X(FMeasureEndX)), ey = pixel(map.Y(FMeasureEndY));
    const double dx = ex - sx, dy = ey - sy;
    const double squared = dx * dx + dy * dy;
    if (!(squared >= 4)) return;
    const double r = std::trunc(std::sqrt(squared));

    canvas.SetPenMode(pmCopy);
    canvas.SetPenColor(clRed);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(psSolid);
    if (r >= 3) pixeldraw::ClippedCircle(canvas, sx, sy, r, width, height);
    const int dotX = pixeldraw::PinnedPixel(sx, width), dotY = pixeldraw::PinnedPixel(sy, height);
    canvas.SetBrushColor(clRed);
    canvas.SetBrushStyle(bsSolid);
    canvas.Ellipse(dotX - 3, dotY - 3, dotX + 3, dotY + 3);

    canvas.SetPenColor(kBlue);
    pixeldraw::ClippedLine(canvas, sx, sy, ex, ey, width, height);
    pixeldraw::ClippedLine(canvas, ex - 8, ey, ex + 8, ey, width, height);
    pixeldraw::ClippedLine(canvas, ex, ey - 8, ex, ey + 8, width, height);

    canvas.SetFontName(QStringLiteral("Arial"));
    canvas.SetFontSize(11);
    canvas.SetFontStyle(fsBold);
    const QString text1 = Fixed(FMeasureDistance, 15, 2) + QStringLiteral(" m");
    const QString text2 = Fixed(FMeasureBearing, 10, 1) + QStringLiteral("°");
    const int mx = pixeldraw::PinnedPixel(sx + std::trunc(dx / 2), width);
    const int my = pixeldraw::PinnedPixel(sy + std::trunc(dy / 2), height);
    const int w1 = canvas.TextWidth(text1), w2 = canvas.TextWidth(text2);
    const int w = std::max(w1, w2), h = canvas.TextHeight(text1);
    canvas.SetBrushColor(kYellow);
    canvas.SetBrushStyle(bsSolid);
    canvas.SetPenColor(clBlack);
    canvas.Rectangle(mx - w / 2 - 8, my - 32, mx + w / 2 + 8, my + 2 * h - 24);
    canvas.SetBrushStyle(bsClear);
    canvas.SetFontColor(clBlack);
    canvas.TextOut(mx - w1 / 2, my - 30, text1);
    canvas.SetFontColor(kNavy);
    canvas.TextOut(mx - w2 / 2, my + h - 28, text2);
    canvas.SetFontStyle(0);
}

void TPlovanCanvas::DrawSoundings(GdiCanvas& canvas) {
    if (FShowSoundings != 1 || FSoundings.empty()) return;
    canvas.SetFontName(FSoundingFontName);
    canvas.SetFontSize(FSoundingFontSize);
    canvas.SetFontStyle(0);
    canvas.SetFontColor(FSoundingFontColor);
    canvas.SetBrushStyle(bsClear);
    const int width = this->width(), height = this->height();
    for (const TSounding& s : FSoundings) {
        int px = 0, py = 0;
        WorldToScreen(s.X, s.Y, px, py);
        if (!overlay::OnScreen(px, py, width, height)) continue;
        const QString text = Fixed(s.Z, 15, 1);
        const QSize size = canvas.TextExtent(text);
        canvas.TextOut(px - size.width() / 2, py - size.height() / 2, text);
    }
}

void TPlovanCanvas::DrawNumberLabels(GdiCanvas& canvas) {
    if (FNumberLabels.empty()) return;
    canvas.SetFontName(QStringLiteral("Arial"));
    canvas.SetFontSize(g_Display.EventLabelFontSize);
    canvas.SetFontStyle(fsBold);
    canvas.SetFontColor(static_cast<TColor>(g_Display.EventLabelColor));
    canvas.SetBrushStyle(bsClear);
    const int width = this->width(), height = this->height();
    for (const TNumberLabel& label : FNumberLabels) {
        int px = 0, py = 0;
        WorldToScreen(label.X, label.Y, px, py);
        if (!overlay::OnScreen(px, py, width, height)) continue;
        const QString text = QString::number(label.N);
        const QSize size = canvas.TextExtent(text);
        canvas.TextOut(px - size.width() / 2, py - size.height() / 2, text);
    }
    canvas.SetFontStyle(0);
}

void TPlovanCanvas::DrawDepthSpeedBox(GdiCanvas& canvas) {
    if (!FDepthValid && !FSpeedValid) return;
    const TDepthSpeedTexts t = DepthSpeedTexts(*this);
    if (t.depthLarge.isEmpty() && t.speedLarge.isEmpty()) return;

    const int largeSize = g_Display.OverlayFontSize;
    canvas.SetFontName(QStringLiteral("Arial Black"));
    canvas.SetFontStyle(fsBold);
    auto widthAt = [&](const QString& text, int size) {
        if (text.isEmpty()) return 0;
        canvas.SetFontSize(size);
        return canvas.TextWidth(text);
    };
    const int w1 = widthAt(t.depthLarge, largeSize), w2 = widthAt(t.depthSmall, 10);
    const int w3 = widthAt(t.speedLarge, largeSize), w4 = widthAt(t.speedSmall, 10);
    const int g = w1 + w2 + w3 + w4;
    canvas.SetFontSize(largeSize);
    const int h = canvas.TextHeight(QStringLiteral("0"));
    QPoint o = overlay::DepthSpeedOrigin(FDepthSpeedDisplayMode, width(), height(), g, h);
    int x = o.x();
    const int y = o.y();

    canvas.SetPenMode(pmCopy);
    canvas.SetBrushColor(clWhite);
    canvas.SetBrushStyle(bsSolid);
    canvas.SetPenColor(clBlack);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(psSolid);
    canvas.RoundRect(x - 6, y - 6, x + g + 6, y + h + 6, 6, 6);
    canvas.SetBrushStyle(bsClear);

    if (!t.depthLarge.isEmpty()) {
        canvas.SetFontColor(static_cast<TColor>(g_Display.OverlayDepthColor));
        canvas.SetFontSize(largeSize);
        canvas.TextOut(x, y, t.depthLarge);
        canvas.SetFontSize(10);
        canvas.TextOut(x + w1, y, t.depthSmall);
        x += w1 + w2;
    }
    if (!t.speedLarge.isEmpty()) {
        canvas.SetFontColor(static_cast<TColor>(g_Display.OverlaySpeedColor));
        canvas.SetFontSize(largeSize);
        canvas.TextOut(x, y, t.speedLarge);
        canvas.SetFontSize(10);
        canvas.TextOut(x + w3, y, t.speedSmall);
    }
    canvas.SetFontStyle(0);
}

void TPlovanCanvas::DrawPositionStatus(GdiCanvas& canvas) {
    const QString text = overlay::PositionBoxText();
    if (text.isEmpty()) return;
    canvas.SetFontName(QStringLiteral("Consolas"));
    canvas.SetFontSize(12);
    canvas.SetFontStyle(fsBold);
    canvas.SetFontColor(clBlack);
    const QSize size = canvas.TextExtent(text);
    const int w = size.width(), h = size.height();
    const QPoint o = overlay::PositionBoxOrigin(FGGAOverlayPosition, width(), height(), w, h);
    const int x = o.x(), y = o.y();

    const TPositionBoxColors colours = PositionBoxColors(g_Survey.NoValidPosition,
                                                         g_Survey.FixQuality);
    canvas.SetPenMode(pmCopy);
    canvas.SetPenStyle(psSolid);
    canvas.SetPenWidth(1);
    canvas.SetPenColor(colours.box);
    canvas.SetBrushColor(colours.box);
    canvas.SetBrushStyle(bsSolid);
    canvas.RoundRect(x - 6, y - 6, x + w + 6, y + h + 6, 6, 6);
    canvas.SetBrushStyle(bsClear);
    canvas.SetFontColor(colours.font);

    const int split = text.indexOf(QStringLiteral("THdg:"));
    if (FHeadingValid || split < 0) {
        canvas.TextOut(x, y, text);
    } else {
        const QString before = text.left(split), heading = text.mid(split);
        const int a = canvas.TextWidth(before), b = canvas.TextWidth(heading);
        canvas.TextOut(x, y, before);
        canvas.SetBrushColor(clRed);
        canvas.SetBrushStyle(bsSolid);
        canvas.FillRect(x + a - 2, y - 2, x + a + b + 2, y + h + 2);
        canvas.SetBrushStyle(bsClear);
        canvas.SetFontColor(clWhite);
        canvas.TextOut(x + a, y, heading);
        canvas.SetFontColor(colours.font);
    }
    canvas.SetFontStyle(0);
}
