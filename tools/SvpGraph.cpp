#include "tools/SvpGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/ScanFormat.h"
#include "platform/VclText.h"

namespace {

// Pixel offsets beyond this are drawn at it: far outside any screen, far
// inside an int.
constexpr double kPixelLimit = 1e6;

int ClampedTrunc(double offset) {
    if (std::isnan(offset)) return 0;
    return static_cast<int>(std::trunc(std::clamp(offset, -kPixelLimit, kPixelLimit)));
}

// The grid step grown tenfold until [low, high] holds at most `most` lines.
double GrownStep(double step, double low, double high, int most) {
    if (!(high >= low) || !std::isfinite(low) || !std::isfinite(high)) return step;
    while (std::floor(high / step) - std::floor(low / step) + 1 > most) step *= 10;
    return step;
}

}  // namespace

void TSvpGraph::LoadPoints(const std::vector<std::string>& lines) {
    static const platform::ScanFormat scan = platform::ScanFormat::Compile(
        "%d,%lf,%d", {platform::ScanKind::Int, platform::ScanKind::Double});
    points.clear();
    std::vector<platform::ScanField> fields;
    for (const std::string& line : lines) {
        const int got = scan.Scan(line, fields);
        if (got < 2) continue;
        TSvpPoint point;
        point.depth = fields[0].integer;
        point.sv = fields[1].number;
        point.hits = got >= 3 ? fields[2].integer : 1;
        points.push_back(point);
    }
    svMin = 1300;
    svMax = 1700;
    depthMin = 0;
    depthMax = 100;
    FitView();
}

std::vector<std::string> TSvpGraph::WritePoints() const {
    std::vector<std::string> lines;
    lines.reserve(points.size());
    for (const TSvpPoint& p : points) {
        const TSvpGridRow row = GridRowOf(p);
        lines.push_back(row[0] + "," + row[1] + "," + row[2]);
    }
    return lines;
}

void TSvpGraph::FitView() {
    if (points.empty()) return;
    double a = 1600, b = 1300;
    int shallowest = 10000, deepest = 0;
    for (const TSvpPoint& p : points) {
        a = std::min(a, p.sv);
        b = std::max(b, p.sv);
        shallowest = std::min(shallowest, p.depth);
        deepest = std::max(deepest, p.depth);
    }
    depthMin = shallowest;
    depthMax = deepest;
    const double span = std::max(10.0, b - a);
    svMin = a - 0.05 * span;
    svMax = b + 0.05 * span;
}

int TSvpGraph::SvToX(double sv) const {
    if (svMax == svMin) return kMarginLeft;
    const double plot = width_ - kMarginLeft - kMarginRight;
    return kMarginLeft + ClampedTrunc(plot * (sv - svMin) / (svMax - svMin));
}

int TSvpGraph::DepthToY(double depth) const {
    if (depthMax == depthMin) return kMarginTop;
    const double plot = height_ - kMarginTop - kMarginBottom;
    return kMarginTop + ClampedTrunc(plot * (depth - depthMin) / (depthMax - depthMin));
}

double TSvpGraph::XToSv(int x) const {
    const int plot = width_ - kMarginLeft - kMarginRight;
    if (plot == 0) return svMin;
    return svMin + (svMax - svMin) * (x - kMarginLeft) / plot;
}

double TSvpGraph::YToDepth(int y) const {
    const int plot = height_ - kMarginTop - kMarginBottom;
    if (plot == 0) return depthMin;
    return depthMin + (depthMax - depthMin) * (y - kMarginTop) / plot;
}

int TSvpGraph::HitTestPoint(int x, int y) const {
    for (size_t i = 0; i < points.size(); ++i) {
        const long long dx = static_cast<long long>(SvToX(points[i].sv)) - x;
        const long long dy = static_cast<long long>(DepthToY(points[i].depth)) - y;
        if (std::llabs(dx) <= kHitRadius && std::llabs(dy) <= kHitRadius)
            return static_cast<int>(i);
    }
    return -1;
}

bool TSvpGraph::PointInLasso(int x, int y, const std::vector<TSvpPixel>& lasso) {
    if (lasso.size() < 3) return false;
    bool inside = false;
    for (size_t i = 0, j = lasso.size() - 1; i < lasso.size(); j = i++) {
        const long long xi = lasso[i].x, yi = lasso[i].y;
        const long long xj = lasso[j].x, yj = lasso[j].y;
        if ((yi > y) == (yj > y)) continue;
        const long long crossing = xi + (xj - xi) * (y - yi) / (yj - yi);
        if (x < crossing) inside = !inside;
    }
    return inside;
}

void TSvpGraph::SelectPointsInLasso() {
    for (TSvpPoint& p : points) p.selected = PointInLasso(SvToX(p.sv), DepthToY(p.depth), lasso);
}

int TSvpGraph::SelectedCount() const {
    return static_cast<int>(
        std::count_if(points.begin(), points.end(), [](const TSvpPoint& p) { return p.selected; }));
}

bool TSvpGraph::Press(int x, int y) {
    const int hit = HitTestPoint(x, y);
    if (hit >= 0) {
        dragging = true;
        dragIndex = hit;
        return true;
    }
    lasso.clear();
    lasso.push_back({x, y});
    lassoActive = true;
    return false;
}

bool TSvpGraph::DragTo(int x) {
    if (!dragging || dragIndex < 0 || dragIndex >= static_cast<int>(points.size())) return false;
    const double sv = XToSv(x);
    if (!(sv >= 1300 && sv <= 1700)) return false;
    points[static_cast<size_t>(dragIndex)].sv = sv;
    modified = true;
    return true;
}

bool TSvpGraph::ExtendLasso(int x, int y) {
    if (!lassoActive) return false;
    const TSvpPixel& last = lasso.back();
    if (std::abs(x - last.x) <= kLassoStep && std::abs(y - last.y) <= kLassoStep) return false;
    lasso.push_back({x, y});
    return true;
}

void TSvpGraph::EndDrag() {
    dragging = false;
    dragIndex = -1;
    FitView();
}

bool TSvpGraph::EndLasso() {
    lassoActive = false;
    if (lasso.size() < 3) return false;
    SelectPointsInLasso();
    return true;
}

void TSvpGraph::Zoom(int x, int y, int delta) {
    const double factor = delta > 0 ? 0.9 : 1.1;
    const auto zoomAxis = [factor](double& low, double& high, double under, double limit) {
        const double span = high - low;
        const double relative = span != 0 ? (under - low) / span : 0;
        double next = std::max(kMinSpan, factor * span);
        if (factor > 1 && next > limit) next = std::max(span, limit);
        low = under - relative * next;
        high = low + next;
    };
    const double sv = XToSv(x);
    const double depth = YToDepth(y);
    zoomAxis(svMin, svMax, sv, kMaxSvSpan);
    zoomAxis(depthMin, depthMax, depth, kMaxDepthSpan);
}

std::string TSvpGraph::PositionText(int x, int y) const {
    using platform::FloatFormat;
    return "SV: " + platform::FloatToStrF(XToSv(x), FloatFormat::Fixed, 15, 1) +
           " m/s  Depth: " + platform::FloatToStrF(YToDepth(y), FloatFormat::Fixed, 15, 1) +
           " m  (Drag point to edit SV)";
}

void TSvpGraph::DeleteSelected() {
    std::erase_if(points, [](const TSvpPoint& p) { return p.selected; });
    modified = true;
    lasso.clear();
}

void TSvpGraph::SelectOnly(int index) {
    for (size_t i = 0; i < points.size(); ++i) points[i].selected = static_cast<int>(i) == index;
}

TSvpGridRow TSvpGraph::GridRowOf(const TSvpPoint& point) {
    return {std::to_string(point.depth),
            platform::FloatToStrF(point.sv, platform::FloatFormat::Fixed, 15, 2),
            std::to_string(point.hits)};
}

std::vector<TSvpGridRow> TSvpGraph::GridRows() const {
    std::vector<TSvpGridRow> rows;
    rows.reserve(points.size());
    for (const TSvpPoint& p : points) rows.push_back(GridRowOf(p));
    return rows;
}

void TSvpGraph::ReadGrid(const std::vector<TSvpGridRow>& rows) {
    points.clear();
    for (const TSvpGridRow& row : rows) {
        TSvpPoint point;
        point.depth = platform::StrToInt(row[0]);
        point.sv = platform::StrToFloat(row[1]);
        point.hits = platform::StrToIntDef(row[2], 1);
        points.push_back(point);
    }
    FitView();
    modified = true;
}

TSvpGridRow TSvpGraph::NewRow() const {
    TSvpPoint point;
    point.sv = 1500;
    if (!points.empty()) {
        point.depth = points.back().depth == INT32_MAX ? INT32_MAX : points.back().depth + 1;
        point.sv = points.back().sv;
    }
    point.hits = 0;
    return GridRowOf(point);
}

double TSvpGraph::DepthGridStep() const {
    const double range = depthMax - depthMin;
    const double step = range > 500 ? 100 : range > 200 ? 50 : 10;
    return GrownStep(step, depthMin, depthMax, kMaxGridLines);
}

double TSvpGraph::SvGridStep() const { return GrownStep(10, svMin, svMax, kMaxGridLines); }

std::vector<TSvpGridLine> TSvpGraph::SvGridLines() const {
    std::vector<TSvpGridLine> lines;
    const double step = SvGridStep();
    if (!std::isfinite(svMin) || !std::isfinite(svMax)) return lines;
    for (double n = std::floor(svMin / step); n * step <= svMax && lines.size() <= kMaxGridLines;
         n += 1) {
        const double value = n * step;
        const int x = SvToX(value);
        if (x < kMarginLeft || x > width_ - kMarginRight) continue;
        lines.push_back({value, x});
    }
    return lines;
}

std::vector<TSvpGridLine> TSvpGraph::DepthGridLines() const {
    std::vector<TSvpGridLine> lines;
    const double step = DepthGridStep();
    if (!std::isfinite(depthMin) || !std::isfinite(depthMax)) return lines;
    for (double n = std::floor(depthMin / step);
         n * step <= depthMax && lines.size() <= kMaxGridLines; n += 1)
        lines.push_back({n * step, DepthToY(n * step)});
    return lines;
}
