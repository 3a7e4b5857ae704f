// The profile graph editor's model: the per-metre points of the averaged
// list, the view onto them, and the drag, lasso and zoom rules, without a
// widget. Sound velocity runs across (m/s), depth downwards (whole metres).
//
// Pixels are those of the paint box, origin at its top-left, y growing
// downwards; the plot keeps margins of 60 (left), 20 (right), 20 (top) and
// 40 (bottom) pixels. Conversions to pixels truncate towards zero and are
// clamped first, so no value (a typed SV of 1e9) can overflow an integer.
#pragma once

#include <array>
#include <string>
#include <vector>

struct TSvpPoint {
    int depth = 0;  // m
    double sv = 0;  // m/s
    int hits = 1;   // samples averaged
    bool selected = false;
};

struct TSvpPixel {
    int x = 0;
    int y = 0;
};

// One grid line of an axis: its value and its pixel (x for SV, y for depth).
struct TSvpGridLine {
    double value = 0;
    int pixel = 0;
};

using TSvpGridRow = std::array<std::string, 3>;  // depth, SV, hits

class TSvpGraph {
  public:
    static constexpr int kMarginLeft = 60;
    static constexpr int kMarginRight = 20;
    static constexpr int kMarginTop = 20;
    static constexpr int kMarginBottom = 40;
    static constexpr int kHitRadius = 7;            // pixels, across and down
    static constexpr int kLassoStep = 3;            // pixels between lasso points
    static constexpr double kMinSpan = 5;           // wheel zoom, both axes
    static constexpr double kMaxSvSpan = 1000;      // wheel zoom out, m/s
    static constexpr double kMaxDepthSpan = 20000;  // wheel zoom out, m
    static constexpr int kMaxGridLines = 100;       // per axis

    // Replaces the points by the lines "depth,SV[,hits]" (hits 1 when
    // missing; other lines ignored) and fits the view. Without points the
    // view shows 1300 .. 1700 m/s and 0 .. 100 m.
    void LoadPoints(const std::vector<std::string>& lines);
    // One line "depth,SV (2 decimals),hits" per point, in point order.
    std::vector<std::string> WritePoints() const;

    // Fits the view round the points (at least 1300 .. 1600 m/s wide, with
    // 5 % of the span either side; depths from 0 or less); nothing without
    // points.
    void FitView();

    void SetSize(int width, int height) {
        width_ = width;
        height_ = height;
    }
    int SvToX(double sv) const;
    int DepthToY(double depth) const;
    double XToSv(int x) const;
    double YToDepth(int y) const;

    // Index of the first point whose marker centre lies within 7 pixels of
    // (x, y) across and down; -1 when none.
    int HitTestPoint(int x, int y) const;
    // Even-odd rule over the lasso's edges in integer arithmetic; a lasso of
    // fewer than 3 points contains nothing.
    static bool PointInLasso(int x, int y, const std::vector<TSvpPixel>& lasso);
    // Every point's selection becomes whether its marker lies in the lasso.
    void SelectPointsInLasso();
    int SelectedCount() const;

    // Mouse: a press on a point starts dragging it (true), elsewhere starts a
    // lasso. A drag moves the SV only, and only to 1300 .. 1700 (true when
    // it moved). A lasso takes a position more than 3 pixels from its last
    // one (true when taken). A lasso release selects with 3 or more points
    // and returns whether it did.
    bool Press(int x, int y);
    bool DragTo(int x);
    bool ExtendLasso(int x, int y);
    void EndDrag();
    bool EndLasso();

    // Wheel zoom round the pixel (x, y): factor 0.9 for a positive delta,
    // 1.1 otherwise; spans stay at least 5 and do not grow past 1000 m/s and
    // 20 000 m.
    void Zoom(int x, int y, int delta);

    // The text of the position label.
    std::string PositionText(int x, int y) const;

    // Keeps the unselected points; marks modified and empties the lasso.
    void DeleteSelected();
    // Makes point `index` the only selected one.
    void SelectOnly(int index);

    // Grid rows of the points, and back: depth and SV must read as numbers
    // (else the class library's EConvertError, the rows before it kept as
    // points), hits as a whole number or 1. Reading fits the view and marks
    // the points modified.
    std::vector<TSvpGridRow> GridRows() const;
    static TSvpGridRow GridRowOf(const TSvpPoint& point);
    void ReadGrid(const std::vector<TSvpGridRow>& rows);
    // The row "Add Row" appends: the last point's depth + 1 and its SV, or 0
    // and 1500.00; hits 0.
    TSvpGridRow NewRow() const;

    // Grid lines of the plot: SV every 10 m/s, depth every 10, 50 or 100 m
    // by the depth range; an axis's step grows tenfold until at most 100
    // lines remain. SV lines outside the plot are left out.
    double DepthGridStep() const;
    double SvGridStep() const;
    std::vector<TSvpGridLine> SvGridLines() const;
    std::vector<TSvpGridLine> DepthGridLines() const;

    std::vector<TSvpPoint> points;
    std::vector<TSvpPixel> lasso;
    bool dragging = false;
    int dragIndex = -1;
    bool lassoActive = false;
    bool modified = false;
    double svMin = 1300, svMax = 1700, depthMin = 0, depthMax = 100;

  private:
    int width_ = 0;
    int height_ = 0;
};
