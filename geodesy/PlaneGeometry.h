// Plane geometry on grid coordinates (metres).
#pragma once

namespace geodesy {

// Euclidean distance between (x1, y1) and (x2, y2).
double Distance2D(double x1, double y1, double x2, double y2);

// Direction from the first point to the second as a mathematical angle in
// radians: counter-clockwise from the +x axis, in [0, 2 pi). A point to
// itself gives 0.
double Bearing2D(double x1, double y1, double x2, double y2);

}  // namespace geodesy
