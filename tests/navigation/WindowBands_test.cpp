// The border band of the frameless echogram window.
#include "navigation/WindowBands.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowBands, EachCornerEdgeAndTheCentre) {
    const int w = 388, h = 147;
    const struct {
        int x, y;
        BorderHit hit;
        Qt::Edges edges;
        Qt::CursorShape cursor;
    } cases[] = {
        {w - 3, h - 3, htBottomRight, Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor},
        {3, h / 2, htLeft, Qt::LeftEdge, Qt::SizeHorCursor},
        {3, 3, htTopLeft, Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor},
        {w - 3, 3, htTopRight, Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor},
        {3, h - 3, htBottomLeft, Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor},
        {w - 3, h / 2, htRight, Qt::RightEdge, Qt::SizeHorCursor},
        {w / 2, 3, htTop, Qt::TopEdge, Qt::SizeVerCursor},
        {w / 2, h - 3, htBottom, Qt::BottomEdge, Qt::SizeVerCursor},
        {w / 2, h / 2, htNone, {}, Qt::ArrowCursor},
        // The band's inner limits: 5 and W − 6 are in it, 6 and W − 7 not.
        {5, h / 2, htLeft, Qt::LeftEdge, Qt::SizeHorCursor},
        {6, h / 2, htNone, {}, Qt::ArrowCursor},
        {w - 6, h / 2, htRight, Qt::RightEdge, Qt::SizeHorCursor},
        {w - 7, 6, htNone, {}, Qt::ArrowCursor},
    };
    for (const auto& c : cases) {
        const BorderHit hit = BorderHitAt(c.x, c.y, w, h);
        EXPECT_EQ(hit, c.hit) << c.x << "," << c.y;
        EXPECT_EQ(EdgesOf(hit), c.edges) << c.x << "," << c.y;
        EXPECT_EQ(CursorOf(hit), c.cursor) << c.x << "," << c.y;
    }
}

}  // namespace
