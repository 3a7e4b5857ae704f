// Survey points of a plain XYZ text file for the main window's import: each
// a small point on the canvas with its depth written beside it.
//
// A data line starts with a digit, "+" or "-" and holds 3 numbers (X Y Z) or
// 4 (N X Y Z, the point number N ignored); tabs and commas count as blanks,
// '.' is the decimal separator, numbers are read by the restricted scanner
// (no nan, inf or hex) up to the first field that is no number (a number
// with text right after it, "3x", is the last one read). Lines that are no
// data are ignored: shorter than 3 characters with their line end, or
// starting with any other character ("#", "/", a letter, a blank, "."). A
// data line with fewer than 3 or more than 4 numbers, or with a number beyond
// the double range, is skipped and counted, and so is a line written with
// decimal commas (XyzDecimalCommas): "500003,5 4500003,5 15,3" gives 6
// numbers and "500003 4500003 15,3" would give N X Y Z, and neither lands at a
// wrong place. A point at X = Y = 0 is ignored. Lines end at LF or CR LF; a
// line is judged whole, however long.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

class TCanvasModel;

struct XyzLinePoint {
    double x = 0, y = 0, z = 0;
};

// One line: a point, nothing (no data, or the origin), or `skipped` when it
// is a data line that does not read as a point.
struct XyzLine {
    std::optional<XyzLinePoint> point;
    bool skipped = false;
};

// `line` without its line end; `hadLineEnd` counts it into the length test.
XyzLine ReadXyzLine(std::string_view line, bool hadLineEnd = true);

// Every point of the text in order, and the number of skipped data lines.
struct XyzLinePoints {
    std::vector<XyzLinePoint> points;
    int skipped = 0;
};
XyzLinePoints ReadXyzLines(std::string_view text);

// Adds every point to the layer: a point of size 1 and width 1, and a text
// of Z with 2 decimals centred on it (font 0). Returns the number of points.
int AddXyzPoints(TCanvasModel& model, const std::vector<XyzLinePoint>& points, int layerId);
