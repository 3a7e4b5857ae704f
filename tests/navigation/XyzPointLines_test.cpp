// XYZ point lines: which lines are points, numbers read as Python's float
// reads them, and the points and labels they give on the canvas.
#include "navigation/XyzPointLines.h"

#include <gtest/gtest.h>

#include <QString>
#include <cstdlib>
#include <sstream>

#include "canvas/CanvasModel.h"
#include "tests/support/RunTool.h"

TEST(XyzPointLines, WhichLinesArePoints) {
    // A point, a line that is no data (ignored), or a data line that does
    // not read as 3 or 4 finite numbers (skipped and counted).
    enum Kind { Point, Ignored, Skipped };
    const struct {
        const char* line;
        Kind kind;
        double x = 0, y = 0, z = 0;
    } cases[] = {
        {"500000.0,4500000.0,12.5", Point, 500000, 4500000, 12.5},
        {"7 500000.0 4500000.0 12.5", Point, 500000, 4500000, 12.5},
        {"+500000 -4500000 -1e1", Point, 500000, -4500000, -10},
        {"500000,4500000,12.5,", Point, 500000, 4500000, 12.5},
        {"500000.0, 4500000.0,\t12.5", Point, 500000, 4500000, 12.5},
        {"1 2 3 x", Point, 1, 2, 3},
        {"1 2 3x 4", Point, 1, 2, 3},  // the fourth number stops at "x"
        {"1 2 3 4 x 6", Point, 2, 3, 4},
        {"1 2 3 1e-999", Point, 2, 3, 0},  // below the smallest double: 0
        {"0 5 7", Point, 0, 5, 7},
        {"P7,500000,4500000,12.5", Ignored},
        {"Easting,Northing,Elevation", Ignored},
        {"# 500000 4500000 12.5", Ignored},
        {"/ 500000 4500000 12.5", Ignored},
        {".5 1 2", Ignored},
        {" 500000 4500000 12.5", Ignored},  // starts with a blank
        {"0 0 5", Ignored},
        {"7 0 0 5", Ignored},
        {"", Ignored},
        {"1 2 3 # depth 4,5", Point, 1, 2, 3},  // commas after the numbers
        // Decimal commas split each number in two, also where that gives
        // 4 numbers (read as N X Y Z, the point would land at (4500003, 15)).
        {"500003,5 4500003,5 15,3", Skipped},
        {"500003,5\t4500003,5\t15", Skipped},
        {"500003 4500003 15,3", Skipped},
        {"500003,5 4500003,5", Skipped},
        {"7\t500003\t4500003\t-15,3", Skipped},
        {"7\t500000\t4500000\t12.5\t99\t100", Skipped},
        {"1 2 3 4 5", Skipped},
        {"500000 4500000", Skipped},
        {"1 2 1e999", Skipped},  // beyond the double range
        {"7 500000 4500000 -1e400", Skipped},
        {"1 nan 2", Skipped},
        {"1 inf 2", Skipped},
        {"1 0x10 2", Skipped},  // "0" then "x": two numbers
        {"12", Skipped},
    };
    for (const auto& c : cases) {
        const XyzLine read = ReadXyzLine(c.line);
        ASSERT_EQ(read.point.has_value(), c.kind == Point) << c.line;
        EXPECT_EQ(read.skipped, c.kind == Skipped) << c.line;
        if (!read.point) continue;
        EXPECT_EQ(read.point->x, c.x) << c.line;
        EXPECT_EQ(read.point->y, c.y) << c.line;
        EXPECT_EQ(read.point->z, c.z) << c.line;
    }
    // The length test counts the line end.
    EXPECT_FALSE(ReadXyzLine("1", true).point);
    EXPECT_FALSE(ReadXyzLine("12", false).point);
    EXPECT_FALSE(ReadXyzLine("12", false).skipped);
}

TEST(XyzPointLines, NumbersAsPythonReadsThem) {
    const std::vector<std::string> numbers = {"1e5",
                                              "+1.5",
                                              "-2.",
                                              "1.5e-3",
                                              "12345678901234567890",
                                              "0.1",
                                              "1E+2",
                                              "-0.00001",
                                              "3.14159265358979323846",
                                              "9007199254740993",
                                              "4.9e-324",
                                              "2.2250738585072014e-308",
                                              "1.7976931348623157e308",
                                              "-.5",
                                              "+.25e1"};
    std::string script = "import sys\nfor s in sys.argv[1:]: print(repr(float(s)))\n";
    std::string command = "python3 -c '" + script + "'";
    for (const std::string& n : numbers) command += " '" + n + "'";
    std::istringstream out(phxtest::RunTool(command));
    for (const std::string& n : numbers) {
        std::string expectedText;
        if (!(out >> expectedText)) GTEST_SKIP() << "python3 missing";
        const double expected = std::strtod(expectedText.c_str(), nullptr);
        const auto p = ReadXyzLine("1 " + n + " 7").point;
        ASSERT_TRUE(p) << n;
        EXPECT_EQ(p->y, expected) << n;
    }
}

TEST(XyzPointLines, PointsAndLabelsOnTheLayer) {
    TCanvasModel m;
    const int layer = m.AddLayer("harbour");
    const std::string text = std::string(
                                 "Easting,Northing,Elevation\r\n"
                                 "500000.0,4500000.0,12.5\r\n"
                                 "7 500000.0 4500000.0 12.5\n"
                                 "# comment\n"
                                 "0 0 5\n"
                                 "\n"
                                 "500010\t4500010\t-3.456\r\n"
                                 "1 2 3") +
                             std::string(2000, ' ') +
                             "4\n"  // a long line is one line: N X Y Z
                             "500020 4500020 1.006\n"
                             "500030,5 4500030,5 2,5";  // no line end after the last
    const XyzLinePoints read = ReadXyzLines(text);
    EXPECT_EQ(read.skipped, 1);
    EXPECT_EQ(AddXyzPoints(m, read.points, layer), 5);
    const std::vector<int32_t> ids = m.GetLayerShapeIds(layer);
    ASSERT_EQ(ids.size(), 10u);
    const char* labels[] = {"12.50", "12.50", "-3.46", "4.00", "1.01"};
    const double xs[] = {500000, 500000, 500010, 2, 500020};
    for (size_t i = 0; i < 5; ++i) {
        const int point = ids[2 * i], label = ids[2 * i + 1];
        EXPECT_EQ(m.GetShapeType(point), ShapeType::Point);
        EXPECT_EQ(m.GetPointSize(point), 1);
        EXPECT_EQ(m.GetShapeWidth(point), 1);
        double x = 0, y = 0, tx = 0, ty = 0;
        std::string t;
        ASSERT_TRUE(m.GetPointXY(point, x, y));
        ASSERT_TRUE(m.GetTextInfo(label, tx, ty, t));
        EXPECT_EQ(t, labels[i]);
        EXPECT_EQ(x, xs[i]);
        EXPECT_EQ(tx, x);
        EXPECT_EQ(ty, y);
        EXPECT_EQ(m.GetTextHAlign(label), 1);
        EXPECT_EQ(m.GetTextVAlign(label), 1);
    }
}
