#include "geodesy/PlaneGeometry.h"

#include <cmath>

#include "geodesy/Datum.h"

namespace geodesy {

double Distance2D(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

double Bearing2D(double x1, double y1, double x2, double y2) {
    double dx = x2 - x1;
    // A vertical direction keeps the arctangent finite.
    if (dx == 0) dx = 1e-16;
    const double r = (y2 - y1) / dx;
    const double angle = std::atan(r);
    if (dx < 0) return angle + kPi;
    if (r < 0) {
        // A direction a hair below east rounds up to 2 pi itself, which is
        // east again.
        const double wrapped = angle + 2 * kPi;
        return wrapped < 2 * kPi ? wrapped : 0;
    }
    return angle;
}

}  // namespace geodesy
