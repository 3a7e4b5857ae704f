#include "canvas/XyzImport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"

namespace {
const std::string kFixtures = std::string(PHX_TEST_DATA_DIR) + "/xyz/";

int Bgr(int r, int g, int b) { return b * 65536 + g * 256 + r; }

std::string WriteFile(const phxtest::TempHome& home, const std::string& name,
                      const std::string& text) {
    phxtest::WriteAll(home.home() + name, text);
    return home.home() + name;
}
}  // namespace

TEST(XyzImport, DepthColorRamp) {
    const struct {
        double z, zmin, zmax;
        int colour;
    } cases[] = {
        {0, 0, 10, 255},        {2.5, 0, 10, 65535},          {5, 0, 10, 65280},
        {7.5, 0, 10, 16776960}, {10, 0, 10, 16711680},        {-4, 0, 10, 255},
        {99, 0, 10, 16711680},  {1, 0, 10, Bgr(255, 102, 0)},  // 0.1 * 4 * 255 = 102
        {3.5, 3, 3, 65280},                                    // zmin = zmax: t = 0.5
        {NAN, 0, 10, 255},
    };
    for (const auto& c : cases) EXPECT_EQ(DepthColor(c.z, c.zmin, c.zmax), c.colour) << c.z;
    // Truncation, not rounding: (1 - 0.15 * 4) * 255 = 101.99999999999999.
    EXPECT_EQ(DepthColor(4, 0, 10), Bgr(101, 255, 0));
}

TEST(XyzImport, LinesAndNumbers) {
    const std::string text =
        "# header\n; comment\n\nx y z\n1,2,3\n4 5 6\r\n7\t8  9 extra\r10,11,12\n"
        "1e3 2E-1 -.5\nnan 1 2\ninf 1 2\n1e999 1 2\n0x10 1 2\n1 2\n"
        "500003,5 4500003,5 15,3\n500003 4500003 15,3\n 13 14 15\n";
    const auto points = ReadXyzPoints(text);
    // Oracle: Python's float of the same fields.
    const std::string python = phxtest::RunTool(
        "/usr/bin/python3 -c \"print(float('1e3'), float('2E-1'), float('-.5'))\"");
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[0].x, 1);
    EXPECT_EQ(points[1].z, 6);
    EXPECT_EQ(points[2].y, 8);
    EXPECT_EQ(points[3].x, 10);  // after a lone CR
    if (!python.empty()) {
        std::istringstream in(python);
        double x, y, z;
        in >> x >> y >> z;
        EXPECT_EQ(points[4].x, x);
        EXPECT_EQ(points[4].y, y);
        EXPECT_EQ(points[4].z, z);
    }
    // "0x10 1 2" reads 0, then "x10" is no number; "1 2" lacks a z; the
    // lines of decimal commas would read (500003, 5) and a z of 15.
    EXPECT_EQ(points[5].x, 13);
}

TEST(XyzImport, GdalGridBecomesCells) {
    phxtest::TempHome home;
    TCanvasModel m;
    const int layer = m.AddLayer("xyz");
    m.FCurrentLayer = 0;
    ASSERT_TRUE(ImportXYZ(m, QString::fromStdString(kFixtures + "gdal_grid.xyz"), layer, 0, 10));
    ASSERT_EQ(m.FShapes.size(), 24u);
    const auto& cell = static_cast<const TPlovanRectangle&>(*m.FShapes[0]);
    EXPECT_EQ(cell.FShapeType, ShapeType::Rectangle);
    EXPECT_EQ(cell.X1, 500000);
    EXPECT_EQ(cell.X2, 500005);
    EXPECT_EQ(cell.Y1, 4449995);
    EXPECT_EQ(cell.Value, 7.5);
    EXPECT_EQ(cell.FColor, 16776960);
    EXPECT_EQ(cell.FFillColor, 16776960);
    EXPECT_EQ(cell.FFillStyle, bsSolid);
    EXPECT_EQ(cell.FWidth, 0);
    EXPECT_EQ(cell.FLayerId, layer);
    EXPECT_EQ(m.FCurrentLayer, 0);
    EXPECT_GE(m.FRedrawCount, 1);
    // The view zoomed onto the grid.
    EXPECT_LE(m.FWorldLeft, 500000);
    EXPECT_GE(m.FWorldRight, 500030);
    EXPECT_LT(m.FWorldRight - m.FWorldLeft, 100);
}

TEST(XyzImport, WhatStaysPoints) {
    phxtest::TempHome home;
    std::string tenOnGrid, alongTrack, scattered;
    for (int i = 0; i < 10; ++i)
        tenOnGrid += std::to_string(i * 5) + " 0 " + std::to_string(i) + "\n";
    // Soundings along a track, coordinates in whole centimetres: the spacing
    // test finds 1 cm steps everywhere, but the cells would cover nothing.
    for (int i = 0; i < 400; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%.2f %.2f %.2f\n", 500000 + i * 1.37, 4449000 + i * 0.91,
                      5 + i * 0.01);
        alongTrack += line;
    }
    for (int i = 0; i < 50; ++i)
        scattered += std::to_string(std::sin(i) * 1000) + " " +
                     std::to_string(std::cos(i * 1.7) * 1000) + " " + std::to_string(i) + "\n";
    for (const std::string& text : {tenOnGrid, alongTrack, scattered}) {
        TCanvasModel m;
        const size_t before = m.FShapes.size();
        ASSERT_TRUE(ImportXYZ(m, QString::fromStdString(WriteFile(home, "p.xyz", text)), 0, 0, 0));
        ASSERT_GT(m.FShapes.size(), before);
        const auto& p = static_cast<const TPlovanPoint&>(*m.FShapes.back());
        ASSERT_EQ(p.FShapeType, ShapeType::Point);
        EXPECT_EQ(p.Size, 1);
        EXPECT_EQ(p.FMaxX - p.FMinX, 6);
        // Automatic range: the last point has the largest z, so it is blue.
        EXPECT_EQ(p.FColor, 16711680);
    }
}

TEST(XyzImport, GridTestEdges) {
    std::vector<XyzPoint> grid;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 3; ++i) grid.push_back({i * 2.0, j * 3.0, 0});
    XyzGrid g = XyzGridTest(grid);
    EXPECT_TRUE(g.isGrid);
    EXPECT_EQ(g.dx, 2);
    EXPECT_EQ(g.dy, 3);
    grid.pop_back();
    grid.pop_back();
    EXPECT_FALSE(XyzGridTest(grid).isGrid);  // 10 points
    // One row: no y spacing at all.
    std::vector<XyzPoint> row;
    for (int i = 0; i < 20; ++i) row.push_back({i * 1.0, 0, 0});
    EXPECT_FALSE(XyzGridTest(row).isGrid);
}

TEST(XyzImport, NothingToRead) {
    phxtest::TempHome home;
    TCanvasModel m;
    const size_t before = m.FShapes.size();
    EXPECT_FALSE(
        ImportXYZ(m, QString::fromStdString(WriteFile(home, "h.xyz", "# only\nx y z\n")), 0, 0, 0));
    EXPECT_FALSE(ImportXYZ(m, QString::fromStdString(home.home() + "missing.xyz"), 0, 0, 0));
    EXPECT_EQ(m.FShapes.size(), before);
    EXPECT_EQ(m.FRedrawCount, 0);
    EXPECT_EQ(m.FWorldLeft, 0);
    EXPECT_EQ(m.FWorldRight, 1000);
    // An unknown layer id takes "Default".
    ASSERT_TRUE(
        ImportXYZ(m, QString::fromStdString(WriteFile(home, "o.xyz", "1 2 3\n")), 77, 0, 0));
    EXPECT_EQ(m.FShapes.back()->FLayerId, m.FindLayer("Default"));
}
