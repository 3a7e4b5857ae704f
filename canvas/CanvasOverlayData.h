// The survey overlays' data, drawn on every frame over the back buffer: the
// measure line, the soundings, the number labels, the depth and speed box and
// the position box. Plain values the main window writes and the overlay
// drawing reads; the canvas model carries them as its own fields.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "canvas/CanvasColor.h"

struct TSounding {
    double X = 0, Y = 0;  // world position
    double Z = 0;         // depth, m
};

struct TNumberLabel {
    double X = 0, Y = 0;
    std::int32_t N = 0;
};

struct TCanvasOverlayData {
    // Measure line (world metres; bearing in degrees).
    std::uint8_t FMeasuring = 0;
    double FMeasureStartX = 0, FMeasureStartY = 0, FMeasureEndX = 0, FMeasureEndY = 0;
    double FMeasureDistance = 0, FMeasureBearing = 0;

    // Soundings and their labels.
    std::vector<TSounding> FSoundings;
    std::uint8_t FShowSoundings = 1;
    double FSoundingMinSpacing = 10.0;  // m between kept soundings
    QString FSoundingFontName = QStringLiteral("Arial");
    std::int32_t FSoundingFontSize = 12;
    TColor FSoundingFontColor = clBlack;

    std::vector<TNumberLabel> FNumberLabels;

    // Depth and speed box.
    double FDepth1 = 0, FDepth2 = 0;
    std::uint8_t FDepthValid = 0;
    double FSpeed = 0;
    std::uint8_t FSpeedValid = 0;
    std::int32_t FDepthSpeedDisplayMode = 0;  // corner 0..3

    // Position box.
    std::int32_t FGGAOverlayPosition = 0;  // corner 0..3
    std::uint8_t FHeadingValid = 1;
};

// The four texts of the depth/speed box; an empty text is not drawn.
// Depth (when valid): FDepth1 with 2 decimals split before its last digit,
// "12.34" -> "12.3" and "4m"; with FDepth2 > 0 as well the small text reads
// "4m/12.38m"; FDepth1 <= 0 gives "--.-" and "m". Speed (when valid): one
// decimal and "kn"; a speed that is not finite gives "--.-" and "kn".
struct TDepthSpeedTexts {
    QString depthLarge, depthSmall, speedLarge, speedSmall;
};
TDepthSpeedTexts DepthSpeedTexts(const TCanvasOverlayData& data);

// The position box's colours for the fix quality: red with a white font for
// no valid position and qualities 0 and 1, aqua for 2, lime for 4 and 7,
// yellow for every other value; the font is black but on red.
struct TPositionBoxColors {
    TColor box = 0;
    TColor font = 0;
};
TPositionBoxColors PositionBoxColors(bool noValidPosition, int fixQuality);
