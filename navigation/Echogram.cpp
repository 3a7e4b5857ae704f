#include "navigation/Echogram.h"

#include <algorithm>
#include <cmath>

#include "canvas/GdiCanvas.h"
#include "platform/VclText.h"

namespace {

constexpr TColor kBackground = 0xFFF8F0;
constexpr TColor kWater = 0xFFB464;
constexpr TColor kGrid = 0x808080;
constexpr TColor kYellow = 0x00FFFF;

int Trunc(double value) {
    // Rows of a wild depth stay inside int; the drawing clips them. A row
    // that is no number (an infinite span) is the top.
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::clamp(std::trunc(value), -1e9, 1e9));
}

QString Fixed(double value, int decimals) {
    return QString::fromStdString(
        platform::FloatToStrF(value, platform::FloatFormat::Fixed, 15, decimals));
}

}  // namespace

int DrawnEntryCount(int dataWidth) { return std::clamp(dataWidth, 1, kDepthHistorySize); }

int EchogramIntervalMs(int storedMs) {
    if (storedMs <= 0) return 100;
    return std::clamp(storedMs, 20, 5000);
}

EchogramRange RangeOf(const DepthHistory& history, int count, double defaultTop,
                      double defaultBottom) {
    count = DrawnEntryCount(count);
    int positives = 0;
    double minimum = 0, maximum = 0;
    for (int i = 0; i < count; ++i) {
        const double d = history.depths[i];
        if (!(d > 0)) continue;
        minimum = positives == 0 ? d : std::min(minimum, d);
        maximum = positives == 0 ? d : std::max(maximum, d);
        ++positives;
    }
    EchogramRange range;
    range.top = defaultTop;
    range.bottom = defaultBottom;
    if (positives >= 4 && maximum > minimum) {
        const double margin = std::max(0.3, (maximum - minimum) * 0.1);
        range.top = std::max(0.0, minimum - margin);
        range.bottom = maximum + margin;
    }
    range.span = range.bottom - range.top;
    if (!(range.span > 0)) range.span = 1;
    return range;
}

EchogramGrid GridOf(const EchogramRange& range) {
    EchogramGrid grid;
    const double quarter = range.span / 4;
    const double s = std::pow(10.0, std::floor(std::log10(quarter)));
    const double m = quarter / s;
    grid.step = m <= 1 ? s : m <= 2 ? 2 * s : m <= 2.5 ? 2.5 * s : m <= 5 ? 5 * s : 10 * s;
    grid.decimals = grid.step < 0.1 ? 2 : grid.step < 1 ? 1 : 0;
    if (!std::isfinite(grid.step) || grid.step <= 0) return grid;
    // Counted, not summed, so the values carry no creeping error.
    const double first = std::ceil(range.top / grid.step);
    for (int k = 0; k < 1000; ++k) {
        const double v = (first + k) * grid.step;
        if (v > range.bottom + grid.step * 1e-9) break;
        grid.values.push_back(v);
    }
    return grid;
}

void PushDepth(DepthHistory& history, double depth, int count) {
    count = DrawnEntryCount(count);
    for (auto* array : {&history.depths, &history.rows})
        std::copy(array->begin() + 1, array->begin() + count, array->begin());
    history.depths[count - 1] = depth;
}

void DrawDepthHistory(GdiCanvas& canvas, DepthHistory& history, double depth, double top,
                      double bottom, int count) {
    const int w = canvas.Width(), h = canvas.Height();
    if (w <= 0 || h <= 0) return;
    count = DrawnEntryCount(count);
    // 1. History.
    PushDepth(history, depth, count);
    // 2. Range.
    const EchogramRange range = RangeOf(history, count, top, bottom);
    // 3. Rows: the top of the image is the shallow end.
    for (int i = 0; i < count; ++i) {
        const double d = history.depths[i];
        history.rows[i] = d > 0 ? std::trunc((d - range.top) * h / range.span) : 0;
    }
    // 4. Background.
    canvas.SetPenStyle(psSolid);
    canvas.SetBrushStyle(bsSolid);
    canvas.SetBrushColor(kBackground);
    canvas.FillRect(0, 0, w, h);
    // 5, 6. Water columns with their bottom lines.
    const double bar = std::max(1.0, static_cast<double>(w) / count);
    for (int i = 0; i < count; ++i) {
        if (!(history.depths[i] > 0)) continue;
        const int y = std::clamp(Trunc(history.rows[i]), 0, h);
        const int x0 = Trunc(i * bar), x1 = Trunc((i + 1) * bar);
        canvas.SetPenWidth(1);
        canvas.SetPenColor(kWater);
        canvas.SetBrushColor(kWater);
        canvas.Rectangle(x0, 0, x1, y);
        canvas.SetPenColor(clRed);
        canvas.SetPenWidth(3);
        canvas.MoveTo(x0, y);
        canvas.LineTo(x1, y);
    }
    // 7. Profile.
    canvas.SetPenColor(clBlack);
    canvas.SetPenWidth(2);
    for (int k = 1; k < count; ++k) {
        if (!(history.depths[k - 1] > 0) || !(history.depths[k] > 0)) continue;
        canvas.MoveTo(Trunc((k - 0.5) * bar), Trunc(history.rows[k - 1]));
        canvas.LineTo(Trunc((k + 0.5) * bar), Trunc(history.rows[k]));
    }
    // 8. Depth grid.
    const EchogramGrid grid = GridOf(range);
    canvas.SetPenColor(kGrid);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(psDot);
    canvas.SetBrushStyle(bsClear);
    canvas.SetFontName(QStringLiteral("Arial"));
    canvas.SetFontColor(clBlack);
    canvas.SetFontStyle(fsBold);
    canvas.SetFontSize(9);
    for (const double v : grid.values) {
        const int y = Trunc((v - range.top) * h / range.span);
        if (y < 0 || y > h) continue;
        canvas.MoveTo(0, y);
        canvas.LineTo(w, y);
        canvas.TextOut(3, y + 2, Fixed(v, grid.decimals) + QStringLiteral("m"));
    }
    // 9. Current depth.
    canvas.SetPenStyle(psSolid);
    if (depth > 0) {
        const int y = Trunc(history.rows[count - 1]);
        if (y >= 6 && y < h - 30) {
            canvas.SetPenColor(clBlack);
            canvas.MoveTo(w - 40, y);
            canvas.LineTo(w - 40, h - 28);
        }
        canvas.SetBrushStyle(bsSolid);
        canvas.SetBrushColor(kYellow);
        canvas.FillRect(w - 78, h - 26, w - 2, h - 2);
        canvas.SetBrushStyle(bsClear);
        canvas.SetFontSize(12);
        canvas.TextOut(w - 75, h - 24, Fixed(depth, 1) + QStringLiteral("m"));
    }
    // 10.
    canvas.SetFontStyle(0);
}
