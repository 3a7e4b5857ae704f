// Colours and brush styles shared by the drawing surface, the shapes and the
// files: TColor is a 0x00BBGGRR integer, the brush styles are the class
// library's ordinals (the project file stores them as numbers).
#pragma once

#include <cstdint>

using TColor = std::int32_t;  // 0x00BBGGRR

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clSilver = 0xC0C0C0;

enum TBrushStyle : std::uint8_t {
    bsSolid = 0,
    bsClear = 1,
    bsHorizontal = 2,
    bsVertical = 3,
    bsFDiagonal = 4,
    bsBDiagonal = 5,
    bsCross = 6,
    bsDiagCross = 7,
};
