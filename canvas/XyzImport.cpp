#include "canvas/XyzImport.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>

#include "platform/TextFiles.h"

int DepthColor(double z, double zmin, double zmax) {
    const double d = zmax - zmin > 0 ? zmax - zmin : 1;
    double t = (z - zmin) / d;
    if (!(t >= 0)) t = 0;  // also NaN
    if (t > 1) t = 1;
    int r, g, b;
    if (t < 0.25) {
        r = 255, g = static_cast<int>(t * 4 * 255), b = 0;
    } else if (t < 0.5) {
        r = static_cast<int>((1 - (t - 0.25) * 4) * 255), g = 255, b = 0;
    } else if (t < 0.75) {
        r = 0, g = 255, b = static_cast<int>((t - 0.5) * 4 * 255);
    } else {
        r = 0, g = static_cast<int>((1 - (t - 0.75) * 4) * 255), b = 255;
    }
    return b * 65536 + g * 256 + r;
}

bool XyzDecimalCommas(std::string_view line) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    // Only the run of number characters that opens the line counts.
    const size_t end = std::min(line.find_first_not_of("0123456789+-.eE,\t "), line.size());
    bool digitComma = false, blankBetweenNumbers = false;
    for (size_t i = 1; i < end; ++i) {
        if (line[i] == ',' && i + 1 < end && digit(line[i - 1]) && digit(line[i + 1]))
            digitComma = true;
        if (!blank(line[i]) || blank(line[i - 1])) continue;
        size_t next = i;
        while (next < end && blank(line[next])) ++next;
        if (next == end) continue;
        const char before = line[i - 1], after = line[next];
        if ((digit(before) || before == '.') &&
            (digit(after) || after == '+' || after == '-' || after == '.'))
            blankBetweenNumbers = true;
    }
    return digitComma && blankBetweenNumbers;
}

std::vector<XyzPoint> ReadXyzPoints(std::string_view text) {
    std::vector<XyzPoint> points;
    std::istringstream in;
    in.imbue(std::locale::classic());
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(at, end - at));
        at = end + 1;
        if (end < text.size() && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
        if (line.empty() || line[0] == '#' || line[0] == ';' || XyzDecimalCommas(line)) continue;
        std::replace(line.begin(), line.end(), ',', ' ');
        in.clear();
        in.str(line);
        XyzPoint p;
        if (!(in >> p.x >> p.y >> p.z)) continue;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
        points.push_back(p);
    }
    return points;
}

XyzGrid XyzGridTest(const std::vector<XyzPoint>& pts) {
    XyzGrid grid;
    const size_t n = pts.size();
    if (n < 11) return grid;
    const size_t m = std::min<size_t>(n, 1000);
    double dx = 1e30, dy = 1e30;
    for (size_t i = 0; i < m; ++i) {
        const size_t last = std::min({n, i + 50, size_t{1000}});
        for (size_t j = i + 1; j < last; ++j) {
            const double ax = std::fabs(pts[j].x - pts[i].x), ay = std::fabs(pts[j].y - pts[i].y);
            if (ax > 1e-9 && ax < dx) dx = ax;
            if (ay > 1e-9 && ay < dy) dy = ay;
        }
    }
    if (!(dx > 0 && dx < 1e20 && dy > 0 && dy < 1e20)) return grid;
    long long tests = 0, hits = 0;
    auto test = [&](double v) {
        ++tests;
        if (std::fabs(v - std::round(v)) <= 0.1) ++hits;
    };
    for (size_t i = 0; i + 1 <= m; ++i) {
        const size_t last = std::min({n, i + 10, size_t{1000}});
        for (size_t j = i + 1; j < last; ++j) {
            const double ax = std::fabs(pts[j].x - pts[i].x), ay = std::fabs(pts[j].y - pts[i].y);
            if (ax > 1e-9) test(ax / dx);
            if (ay > 1e-9) test(ay / dy);
        }
        if (tests >= 100 || i + 1 >= m) break;
    }
    if (tests == 0 || hits * 100 / tests < 80) return grid;
    // Cells that cover only a sliver of the points' box are no surface.
    double minX = pts[0].x, maxX = minX, minY = pts[0].y, maxY = minY;
    for (const XyzPoint& p : pts) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const double box = (maxX - minX + dx) * (maxY - minY + dy);
    if (static_cast<double>(n) * dx * dy < 0.25 * box) return grid;
    grid.isGrid = true;
    grid.dx = dx;
    grid.dy = dy;
    return grid;
}

bool ImportXYZ(TCanvasModel& model, const QString& fileName, int layerId, double zmin,
               double zmax) {
    std::string bytes;
    if (!platform::ReadRegularFile(fileName.toStdString(), bytes, kXyzMaxFileBytes).ok())
        return false;
    const std::vector<XyzPoint> points = ReadXyzPoints(bytes);
    if (points.empty()) return false;
    if (zmin == 0 && zmax == 0) {
        zmin = zmax = points[0].z;
        for (const XyzPoint& p : points) zmin = std::min(zmin, p.z), zmax = std::max(zmax, p.z);
    }
    if (!model.FindLayerById(layerId)) {
        const int current = model.FCurrentLayer;
        layerId = model.AddLayer(QStringLiteral("Default"));
        model.FCurrentLayer = current;
    }
    const XyzGrid grid = XyzGridTest(points);
    for (const XyzPoint& p : points) {
        const int colour = DepthColor(p.z, zmin, zmax);
        std::unique_ptr<TPlovanShape> shape;
        if (grid.isGrid) {
            auto cell = std::make_unique<TPlovanRectangle>(p.x - grid.dx / 2, p.y - grid.dy / 2,
                                                           p.x + grid.dx / 2, p.y + grid.dy / 2,
                                                           layerId, 0, p.z);
            cell->FFillColor = colour;
            cell->FFillStyle = bsSolid;
            shape = std::move(cell);
        } else {
            auto point = std::unique_ptr<TPlovanPoint>(new TPlovanPoint(p.x, p.y, layerId));
            point->Z = p.z;
            point->Size = 1;
            point->FMinX = p.x - 3, point->FMaxX = p.x + 3;
            point->FMinY = p.y - 3, point->FMaxY = p.y + 3;
            shape = std::move(point);
        }
        shape->FColor = colour;
        shape->FWidth = 0;
        shape->FLayerId = layerId;
        shape->FId = 0;
        if (grid.isGrid) shape->UpdateBounds();
        model.AppendShape(std::move(shape));
    }
    model.Redraw();
    model.ZoomExtents();
    return true;
}
