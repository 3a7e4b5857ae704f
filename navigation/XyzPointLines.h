// Survey points of a plain XYZ text file for the main window's import: each
// a small point on the canvas with its depth written beside it.
//
// A data line starts with a digit, "+" or "-" and holds 3 numbers (X Y Z) or
// 4 and more (N X Y Z ..., the point number N and any fifth number ignored);
// tabs and commas count as blanks, '.' is the decimal separator, numbers are
// read by the restricted scanner (no nan, inf or hex). Every other line is
// skipped: shorter than 3 characters with its line end, starting with any
// other character ("#", "/", a letter, a blank, "."), or with fewer than 3
// numbers. A point at X = Y = 0 is skipped. Lines end at LF or CR LF; a line
// is judged whole, however long.
#pragma once

#include <optional>
#include <string_view>

class TCanvasModel;

struct XyzLinePoint {
    double x = 0, y = 0, z = 0;
};

// `line` without its line end; `hadLineEnd` counts it into the length test.
std::optional<XyzLinePoint> ReadXyzLine(std::string_view line, bool hadLineEnd = true);

// Adds every point of `text` to the layer: a point of size 1 and width 1,
// and a text of Z with 2 decimals centred on it (font 0). Returns the number
// of points.
int AddXyzPoints(TCanvasModel& model, std::string_view text, int layerId);
