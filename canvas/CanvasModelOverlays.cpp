// The overlays' operations on the canvas model: the setters the main window
// calls on every tick and on every key, and the texts and colours the
// drawing and the hit test share. None of them rebuilds the back buffer.
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "canvas/CanvasModel.h"
#include "canvas/CanvasOverlayGeometry.h"
#include "canvas/GdiCanvas.h"
#include "foundation/SurveyState.h"
#include "platform/VclText.h"

namespace {

QString Fixed(double value, int precision, int digits) {
    return QString::fromStdString(
        platform::FloatToStrF(value, platform::FloatFormat::Fixed, precision, digits));
}

// "12.34" -> "12.3" and "4".
std::pair<QString, QString> SplitLastDigit(const QString& text) {
    if (text.isEmpty()) return {};
    return {text.left(text.size() - 1), text.right(1)};
}

}  // namespace

TDepthSpeedTexts DepthSpeedTexts(const TCanvasOverlayData& d) {
    TDepthSpeedTexts t;
    if (d.FDepthValid) {
        if (d.FDepth1 > 0) {
            const auto [large1, last1] = SplitLastDigit(Fixed(d.FDepth1, 10, 2));
            t.depthLarge = large1;
            t.depthSmall = last1 + QStringLiteral("m");
            if (d.FDepth2 > 0) {
                const auto [large2, last2] = SplitLastDigit(Fixed(d.FDepth2, 10, 2));
                t.depthSmall = last1 + QStringLiteral("m/") + large2 + last2 + QStringLiteral("m");
            }
        } else {
            t.depthLarge = QStringLiteral("--.-");
            t.depthSmall = QStringLiteral("m");
        }
    }
    if (d.FSpeedValid) {
        // No speed known (no fresh fix) reads like no depth.
        t.speedLarge = std::isfinite(d.FSpeed) ? Fixed(d.FSpeed, 15, 1) : QStringLiteral("--.-");
        t.speedSmall = QStringLiteral("kn");
    }
    return t;
}

TPositionBoxColors PositionBoxColors(bool noValidPosition, int fixQuality) {
    constexpr TColor kAqua = 0xFFFF00, kLime = 0x00FF00, kYellow = 0x00FFFF;
    if (noValidPosition || fixQuality == 0 || fixQuality == 1) return {clRed, clWhite};
    if (fixQuality == 2) return {kAqua, clBlack};
    if (fixQuality == 4 || fixQuality == 7) return {kLime, clBlack};
    return {kYellow, clBlack};
}

namespace overlay {

QString PositionBoxText() {
    if (g_Survey.NoValidPosition) return QStringLiteral("NO VALID POSITION RECEIVED");
    return QString::fromStdString(g_Survey.PositionStatusText);
}

QFont PositionBoxFont() { return MakeGdiFont(QStringLiteral("Consolas"), 12, fsBold); }

QPoint PositionBoxOrigin(int corner, int width, int height, int textWidth, int textHeight) {
    switch (corner) {
        case 1:
            return {width - textWidth - 8, 8};
        case 2:
            return {width - textWidth - 8, height - textHeight - 10};
        case 3:
            return {8, height - textHeight - 10};
        default:
            return {8, 8};
    }
}

QPoint DepthSpeedOrigin(int corner, int width, int height, int boxWidth, int textHeight) {
    switch (corner) {
        case 1:
            return {width - boxWidth - 10, height - textHeight - 10};
        case 2:
            return {width - boxWidth - 10, 10};
        case 3:
            return {10, 10};
        default:
            return {10, height - textHeight - 10};
    }
}

bool OnScreen(int px, int py, int width, int height) {
    return px >= -50 && px <= width + 50 && py >= -20 && py <= height + 20;
}

}  // namespace overlay

// ---- Measure line ----

void TCanvasModel::BeginMeasure(double x, double y) {
    FMeasuring = 1;
    FMeasureStartX = FMeasureEndX = x;
    FMeasureStartY = FMeasureEndY = y;
    FMeasureDistance = 0;
    Invalidate();
}

void TCanvasModel::UpdateMeasure(double x, double y, double distance, double bearing) {
    if (!FMeasuring) return;
    FMeasureEndX = x;
    FMeasureEndY = y;
    FMeasureDistance = distance;
    FMeasureBearing = bearing;
    Invalidate();
}

void TCanvasModel::EndMeasure() {
    FMeasuring = 0;
    Invalidate();
}

// ---- Soundings and number labels ----

void TCanvasModel::AddSounding(double x, double y, double z) {
    const double spacing = FSoundingMinSpacing;
    const bool tooClose = std::any_of(FSoundings.begin(), FSoundings.end(), [&](const TSounding& s) {
        return std::hypot(s.X - x, s.Y - y) < spacing;
    });
    if (!tooClose) {
        FSoundings.push_back({x, y, z});
        if (FSoundings.size() > kMaxSoundings)
            FSoundings.erase(FSoundings.begin(),
                             FSoundings.begin() + static_cast<std::ptrdiff_t>(kSoundingsDroppedAtCap));
    }
    Invalidate();
}

void TCanvasModel::ClearSoundings() {
    FSoundings.clear();
    Invalidate();
}

void TCanvasModel::SetSoundingStyle(bool visible, double minSpacing, const QString& fontName,
                                    int fontSize, TColor fontColor) {
    FShowSoundings = visible ? 1 : 0;
    FSoundingMinSpacing = minSpacing;
    FSoundingFontName = fontName;
    FSoundingFontSize = fontSize;
    FSoundingFontColor = fontColor;
    Invalidate();
}

void TCanvasModel::AddNumberLabel(double x, double y, std::int32_t n) {
    FNumberLabels.push_back({x, y, n});
    Invalidate();
}

void TCanvasModel::ClearNumberLabels() {
    FNumberLabels.clear();
    Invalidate();
}

// ---- Depth/speed and position boxes ----

void TCanvasModel::SetDepth(double depth1, double depth2, bool valid) {
    FDepth1 = depth1;
    FDepth2 = depth2;
    FDepthValid = valid ? 1 : 0;
    Invalidate();
}

void TCanvasModel::SetSpeed(double speedKnots, bool valid) {
    FSpeed = speedKnots;
    FSpeedValid = valid ? 1 : 0;
    Invalidate();
}

namespace {

// (value + 1) mod 4, for any stored value.
std::int32_t NextCorner(std::int32_t value) {
    return static_cast<std::int32_t>((static_cast<std::int64_t>(value) + 1) % 4 + 4) % 4;
}

}  // namespace

void TCanvasModel::CycleDepthSpeedDisplayMode() {
    FDepthSpeedDisplayMode = NextCorner(FDepthSpeedDisplayMode);
    Invalidate();
}

void TCanvasModel::CycleGGAOverlayPosition() {
    FGGAOverlayPosition = NextCorner(FGGAOverlayPosition);
    Invalidate();
}

void TCanvasModel::SetHeadingValid(bool flag) {
    FHeadingValid = flag ? 1 : 0;
    Invalidate();
}

bool TCanvasModel::PositionBoxHit(int px, int py) const {
    const QString text = overlay::PositionBoxText();
    if (text.isEmpty()) return false;
    const QFontMetrics fm(overlay::PositionBoxFont());
    const int w = fm.horizontalAdvance(text), h = fm.height();
    const QPoint o =
        overlay::PositionBoxOrigin(FGGAOverlayPosition, ClientWidth(), ClientHeight(), w, h);
    return px >= o.x() - 6 && px <= o.x() + w + 6 && py >= o.y() - 6 && py <= o.y() + h + 6;
}
