// Plain x y z point files on the canvas, coloured by depth. Points that form
// a regular grid become filled cells tiling the surface; other points become
// small coloured points. Colours are 0x00BBGGRR integers.
#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

#include "canvas/CanvasModel.h"

// The depth ramp: t = (z - zmin) / (zmax - zmin) (a range that is not
// positive counts as 1), clamped to 0..1; red at 0 through yellow, green and
// cyan to blue at 1. Components truncate towards zero. A z that is no number
// gives red.
int DepthColor(double z, double zmin, double zmax);

// True when the numbers that open the line are written with decimal commas:
// a comma between two digits where blanks or tabs alone part two numbers
// ("500003 4500003 15,3", "500003,5 4500003,5"). Commas that part the numbers
// ("1,2,3", "1, 2, 3") and text after the numbers ("1 2 3 # a,b") never look
// so. Read with commas as blanks, such a line would give numbers of the wrong
// columns.
bool XyzDecimalCommas(std::string_view line);

// The points of the text, one per line: empty lines and lines starting with
// "#" or ";" are skipped; "," counts as a blank; x, y and z are the first
// three numbers (classic-locale stream extraction, finite only); a line
// without them, or with decimal commas (XyzDecimalCommas), is passed over.
// Lines end at LF, CR LF or a lone CR.
struct XyzPoint {
    double x = 0, y = 0, z = 0;
};
std::vector<XyzPoint> ReadXyzPoints(std::string_view text);

// The grid test over the points: the cell size (dx, dy) when the points form
// a grid, else nothing. At least 11 points; the spacing from the first 1000
// points, 80 % of at least one test on whole multiples of it, and the cells
// must cover a quarter of the points' box grown by one cell (so that
// along-track soundings with rounded coordinates stay points).
struct XyzGrid {
    bool isGrid = false;
    double dx = 0, dy = 0;
};
XyzGrid XyzGridTest(const std::vector<XyzPoint>& points);

// The largest point file an import reads: a line of some 30 bytes becomes
// one or two shapes of a few hundred bytes, so 128 MB of points are already
// millions of shapes.
inline constexpr std::size_t kXyzMaxFileBytes = std::size_t{128} << 20;

// Reads the file by its UTF-8 path (a regular file of at most
// kXyzMaxFileBytes; a FIFO is refused at once) and appends a rectangle cell (grid) or a
// point (otherwise) for every point to the layer `layerId` ("Default" when no
// layer has that id), coloured by DepthColor over zmin..zmax, or over the
// points' own z range when both are 0. True when at least one point was read;
// then the canvas is redrawn and the view zooms to the drawing's extents.
// False and nothing changed for a file that cannot be read or holds no
// points.
bool ImportXYZ(TCanvasModel& model, const QString& fileName, int layerId, double zmin, double zmax);
