// The selection's invariant, through the canvas model that keeps it: every
// id held names a stored shape whose flag is set, and every flagged shape is
// held, whatever mix of selecting and deleting happens.
#include "canvas/CanvasSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "canvas/CanvasModel.h"

namespace {

void ExpectInStep(const TCanvasModel& m) {
    std::set<int> held(m.FSelection.begin(), m.FSelection.end());
    for (int id : m.FSelection) {
        const TPlovanShape* s = m.FindShape(id);
        ASSERT_NE(s, nullptr) << id;
        EXPECT_EQ(s->FSelected, 1) << id;
    }
    for (const TPlovanShape* s : m.FShapes) {
        if (s->FSelected) {
            EXPECT_TRUE(held.count(s->FId)) << s->FId;
        }
    }
    EXPECT_EQ(m.GetSelectedCount(), static_cast<int>(held.size()));
    EXPECT_EQ(m.GetSelectionCount(), static_cast<int>(m.FSelection.size()));
}

}  // namespace

TEST(CanvasSelection, HeldIdsAndFlagsStayInStepThroughSelectingAndDeleting) {
    TCanvasModel m;
    const int layers[] = {0, m.AddLayer("a"), m.AddLayer("b")};
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> op(0, 13);
    std::uniform_real_distribution<double> at(0, 100);
    auto anyId = [&] { return 1 + static_cast<int>(rng() % std::max(1, m.FNextShapeId)); };
    auto anyLayer = [&] { return layers[rng() % 3]; };
    for (int i = 0; i < 4000; ++i) {
        switch (op(rng)) {
            case 0:
            case 1:
                m.AddPoint(at(rng), at(rng), anyLayer());
                break;
            case 2:
                m.AddLine(at(rng), at(rng), at(rng), at(rng), anyLayer());
                break;
            case 3:
                m.SelectShape(anyId(), rng() % 2 == 0);  // an id may be held twice
                break;
            case 4:
                m.UnselectShape(anyId());
                break;
            case 5:
                m.SelectLayer(anyLayer(), rng() % 2 == 0);
                break;
            case 6:
                m.UnselectLayer(anyLayer());
                break;
            case 7: {
                const float x = static_cast<float>(at(rng)), y = static_cast<float>(at(rng));
                m.SelectInPolygon({{x, y}, {x + 30, y}, {x + 30, y + 30}, {x, y + 30}});
                break;
            }
            case 8:
                m.DeleteShape(anyId());
                break;
            case 9:
                m.ClearLayer(anyLayer());
                break;
            case 10:
                m.DeleteSelection();
                break;
            case 11:
                m.BringToFront(anyId());
                m.SendToBack(anyId());
                break;
            case 12:
                m.SelectAll();
                break;
            default:
                if (rng() % 20 == 0)
                    m.ClearLayer(-1);
                else
                    m.UnselectAll();
        }
        ExpectInStep(m);
        if (HasFailure()) FAIL() << "after operation " << i;
    }
}

TEST(CanvasSelection, HitTestUsesTheViewsPixelSize) {
    TShapeStore store;
    TCanvasSelection selection(store);
    auto line = std::make_unique<TPlovanLine>(0, 0, 100, 0, 0);
    const int id = store.AddNew(std::move(line));
    TCanvasView view;  // 1000 m over 400 pixels: 2.5 m a pixel, 7.5 m of tolerance
    EXPECT_EQ(selection.ShapeAt(view, 50, 7.4), id);
    EXPECT_EQ(selection.ShapeAt(view, 50, 7.6), -1);
    view.SetClientSize(4000, 3000);  // ten times finer
    EXPECT_EQ(selection.ShapeAt(view, 50, 0.7), id);
    EXPECT_EQ(selection.ShapeAt(view, 50, 0.8), -1);
}
