// The echogram's rules (entry count, timer interval, range, grid, history)
// and its drawing read back pixel by pixel.
#include "navigation/Echogram.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <vector>

#include "canvas/GdiCanvas.h"

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)); }

int CountOf(const QImage& image, QRect area, TColor colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (At(image, x, y) == colour) ++n;
    return n;
}

DepthHistory HistoryOf(const std::vector<double>& depths) {
    DepthHistory h;
    for (size_t i = 0; i < depths.size(); ++i) h.depths[i] = depths[i];
    return h;
}

TEST(Echogram, StoredWidthsAndIntervalsAreBoundedWhereUsed) {
    const std::pair<int, int> widths[] = {{0, 1},   {-5, 1},    {1, 1},
                                          {50, 50}, {200, 200}, {500, 200}};
    for (auto [stored, drawn] : widths) EXPECT_EQ(DrawnEntryCount(stored), drawn) << stored;
    const std::pair<int, int> intervals[] = {
        {0, 100},   {-1, 100},    {1, 20},      {19, 20},     {20, 20},
        {100, 100}, {1000, 1000}, {5000, 5000}, {5001, 5000}, {INT32_MAX, 5000}};
    for (auto [stored, used] : intervals) EXPECT_EQ(EchogramIntervalMs(stored), used) << stored;
}

TEST(Echogram, RangeAndGrid) {
    // Fewer than 4 positive depths: the defaults, 0 to 50 m, lines 0/20/40.
    {
        const EchogramRange r = RangeOf(HistoryOf({12, 0, 13, 14}), 4);
        EXPECT_DOUBLE_EQ(r.top, 0);
        EXPECT_DOUBLE_EQ(r.bottom, 50);
        EXPECT_DOUBLE_EQ(r.span, 50);
        const EchogramGrid g = GridOf(r);
        EXPECT_DOUBLE_EQ(g.step, 20);
        EXPECT_EQ(g.decimals, 0);
        EXPECT_EQ(g.values, (std::vector<double>{0, 20, 40}));
    }
    // 10 to 12 m: margin 0.3 (10 % would be 0.2), step 1 m, lines 10/11/12.
    {
        const EchogramRange r = RangeOf(HistoryOf({10, 11, 12, 10.5, 11.5}), 5);
        EXPECT_NEAR(r.top, 9.7, 1e-12);
        EXPECT_NEAR(r.bottom, 12.3, 1e-12);
        EXPECT_NEAR(r.span, 2.6, 1e-12);
        const EchogramGrid g = GridOf(r);
        EXPECT_DOUBLE_EQ(g.step, 1);
        EXPECT_EQ(g.decimals, 0);
        EXPECT_EQ(g.values, (std::vector<double>{10, 11, 12}));
    }
    // A wide range: 10 % margin, the top never above the surface.
    {
        const EchogramRange r = RangeOf(HistoryOf({1, 50, 20, 30}), 4);
        EXPECT_DOUBLE_EQ(r.top, 0);
        EXPECT_NEAR(r.bottom, 54.9, 1e-12);
    }
    // Equal depths keep the defaults; only the drawn entries count.
    EXPECT_DOUBLE_EQ(RangeOf(HistoryOf({5, 5, 5, 5}), 4).bottom, 50);
    EXPECT_DOUBLE_EQ(RangeOf(HistoryOf({5, 6, 7, 8}), 3).bottom, 50);
    // Small spans: steps of 2, 2.5 and 5 tenths or hundredths, with decimals.
    const struct {
        double span, step;
        int decimals;
    } steps[] = {{0.8, 0.2, 1},  {1.0, 0.25, 1}, {2.0, 0.5, 1}, {0.3, 0.1, 1},
                 {0.2, 0.05, 2}, {4.0, 1, 0},    {30, 10, 0}};
    for (const auto& s : steps) {
        EchogramRange r;
        r.top = 3;
        r.bottom = 3 + s.span;
        r.span = s.span;
        const EchogramGrid g = GridOf(r);
        EXPECT_NEAR(g.step, s.step, 1e-12) << s.span;
        EXPECT_EQ(g.decimals, s.decimals) << s.span;
        ASSERT_FALSE(g.values.empty());
        EXPECT_GE(g.values.front(), r.top - 1e-9);
        EXPECT_LE(g.values.back(), r.bottom + 1e-9);
    }
}

TEST(Echogram, HistoryShiftsTheDrawnEntriesOnly) {
    DepthHistory h = HistoryOf({1, 2, 3, 4});
    h.depths[10] = 99;
    PushDepth(h, 5, 4);
    EXPECT_EQ(std::vector<double>(h.depths.begin(), h.depths.begin() + 4),
              (std::vector<double>{2, 3, 4, 5}));
    EXPECT_EQ(h.depths[10], 99);
    PushDepth(h, 7, 1);
    EXPECT_EQ(h.depths[0], 7);
    EXPECT_EQ(h.depths[1], 3);
    // A stored width of 0 or 500 draws with 1 or 200 entries.
    PushDepth(h, 8, 0);
    EXPECT_EQ(h.depths[0], 8);
    PushDepth(h, 9, 500);
    EXPECT_EQ(h.depths[199], 9);
    EXPECT_EQ(h.depths[0], 3);  // the old entry 1
}

class EchogramDrawing : public ::testing::Test {
  protected:
    // Four steps on a 388 x 147 image: 10.2, 11.4, 12.0, 10.8 m give the
    // range 9.9..12.3 (span 2.4, 61.25 pixels a metre), rows 18, 91, 128,
    // 55, bars of 97 pixels and grid lines at 10, 11, 12 m (rows 6, 67, 128).
    QImage image{388, 147, QImage::Format_RGB32};
    DepthHistory history;

    void SetUp() override {
        image.fill(Qt::white);
        GdiCanvas canvas(image);
        for (double d : {10.2, 11.4, 12.0, 10.8}) DrawDepthHistory(canvas, history, d, 0, 50, 4);
    }
};

TEST_F(EchogramDrawing, ColumnsBottomsProfileGridAndDepthBox) {
    EXPECT_EQ(history.rows[0], 18);
    EXPECT_EQ(history.rows[1], 91);
    EXPECT_EQ(history.rows[3], 55);
    // Background below the first column, water above the second one's bottom.
    EXPECT_EQ(At(image, 60, 100), 0xFFF8F0);
    EXPECT_EQ(At(image, 110, 40), 0xFFB464);
    EXPECT_EQ(At(image, 110, 95), 0xFFF8F0);
    // The second column's bottom line is red and about 3 pixels thick.
    int redRows = 0;
    for (int y = 86; y <= 96; ++y)
        if (At(image, 120, y) == clRed) ++redRows;
    EXPECT_GE(redRows, 2);
    EXPECT_LE(redRows, 4);
    EXPECT_EQ(At(image, 120, 91), clRed);
    // The black profile crosses the first bar boundary between rows 18 and 91.
    EXPECT_GT(CountOf(image, QRect(95, 40, 3, 30), clBlack), 0);
    // The vertical line under the newest depth, at W − 40 from its row down.
    EXPECT_EQ(At(image, 348, 80), clBlack);
    EXPECT_EQ(At(image, 348, 40), 0xFFB464);
    // The yellow box in the bottom right corner; its right and bottom edge
    // are not filled.
    EXPECT_EQ(At(image, 383, 142), 0x00FFFF);
    EXPECT_EQ(At(image, 311, 122), 0x00FFFF);
    EXPECT_NE(At(image, 386, 142), 0x00FFFF);
    EXPECT_NE(At(image, 383, 145), 0x00FFFF);
    // The dotted grid line at 11 m: grey dots across the background.
    EXPECT_GT(CountOf(image, QRect(150, 67, 80, 1), 0x808080), 20);
    EXPECT_LT(CountOf(image, QRect(150, 67, 80, 1), 0x808080), 80);
}

TEST_F(EchogramDrawing, LabelsWhereTheFontPutsThem) {
    // "11m" at (3, 67 + 2), bold 9 points: ink inside its cell and none
    // right beside it.
    const QFontMetrics metrics(MakeGdiFont(QStringLiteral("Arial"), 9, fsBold));
    const int w = metrics.horizontalAdvance(QStringLiteral("11m"));
    const int h = metrics.height();
    EXPECT_GT(CountOf(image, QRect(3, 69, w, h), clBlack), 5);
    EXPECT_EQ(CountOf(image, QRect(3 + w + 2, 69, 20, h), clBlack), 0);
    // The depth text in the box: "10.8m" in bold 12 points at (W − 75, H − 24).
    const QFontMetrics big(MakeGdiFont(QStringLiteral("Arial"), 12, fsBold));
    const int bw = big.horizontalAdvance(QStringLiteral("10.8m"));
    EXPECT_GT(CountOf(image, QRect(313, 123, bw, big.height()), clBlack), 10);
    EXPECT_EQ(CountOf(image, QRect(313 + bw + 2, 123, 384 - 315 - bw, big.height() - 4), clBlack),
              0);
}

TEST(EchogramDrawingEdges, NoDepthDrawsNoBoxAndNoImageDrawsNothing) {
    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    DepthHistory history;
    {
        GdiCanvas canvas(image);
        DrawDepthHistory(canvas, history, 0, 0, 50, 50);
    }
    EXPECT_EQ(At(image, 95, 55), 0xFFF8F0);  // no yellow box for 0
    EXPECT_EQ(CountOf(image, QRect(0, 0, 100, 60), 0xFFB464), 0);
    QImage empty;
    GdiCanvas none(empty);
    DrawDepthHistory(none, history, 5, 0, 50, 50);
    EXPECT_EQ(history.depths[49], 0);  // no step without a picture
}

}  // namespace
