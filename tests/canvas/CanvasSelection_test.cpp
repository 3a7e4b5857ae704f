// The selection's invariant, through the canvas model that keeps it: every
// id held names a stored shape whose flag is set, and every flagged shape is
// held, whatever mix of selecting and deleting happens.
#include "canvas/CanvasSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ShapeIndex.h"

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

// The click's hit test finds its candidates through the culling index: on
// random drawings of every class (texts and flat ellipses are hit beyond
// their boxes, wide pens further out, hidden shapes never) it finds what a
// scan of every shape from the top finds.
TEST(CanvasSelection, HitTestThroughTheIndexFindsWhatAScanFinds) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> size(0, 30), unit(0, 1);
    for (int trial = 0; trial < 20; ++trial) {
        TCanvasModel m;
        m.SetClientSize(400, 300);
        // Along a track, as survey data lies: each run of the index covers a
        // small part of the area.
        double x = 500, y = 500;
        for (int i = 0; i < 1500; ++i) {
            x = std::clamp(x + (unit(rng) - 0.5) * 40, 0.0, 1000.0);
            y = std::clamp(y + (unit(rng) - 0.5) * 40, 0.0, 1000.0);
            const double a = size(rng), b = unit(rng) < 0.3 ? 0.2 : size(rng);
            int id = 0;
            switch (rng() % 8) {
                case 0:
                    id = m.AddPoint(x, y, 0);
                    break;
                case 1:
                    id = m.AddLine(x, y, x + a, y - b, 0);
                    break;
                case 2:
                    id = m.AddCircle(x, y, a, 0);
                    break;
                case 3:
                    id = m.AddRectangle(x, y, x + a, y + b, 0);
                    break;
                case 4:
                    id = m.AddEllipse(x, y, x + a, y + b, 0);
                    break;
                case 5:
                    id = m.AddText(0, QStringLiteral("label %1").arg(i), x, y, 0);
                    break;
                case 6:
                    id = m.AddPolyline({{x, y}, {x + a, y}, {x + a, y + b}}, 0, false);
                    break;
                default:
                    id = m.AddArc(x, y, x + a, y + b, x + 2 * a, y, 0);
                    break;
            }
            if (rng() % 20 == 0) m.SetShapeWidth(id, 4 + static_cast<int>(rng() % 12));
            if (rng() % 30 == 0) m.FindShape(id)->FVisible = 0;
        }
        const double span = 50 + unit(rng) * 2000;  // from 0.2 to 5 m a pixel
        m.SetView(0, span * 0.75, span, 0);
        m.ShapeAtPoint(0, 0);  // the index, up to date
        // Widened after indexing: the index hears of it from the store.
        std::vector<const TPlovanShape*> widened;
        for (int i = 0; i < 20; ++i) {
            const int id = 1 + static_cast<int>(rng() % 1500);
            m.SetShapeWidth(id, 100);
            widened.push_back(m.FindShape(id));
        }
        const double u = m.View().UnitsPerPixel();
        int hits = 0;
        for (int click = 0; click < 400; ++click) {
            // Near a shape: up to 150 pixels from its box's corner; one in
            // four 50 to 100 pixels right of a widened one.
            const TPlovanShape* near = m.FShapes[rng() % m.FShapes.size()];
            double x = near->FMinX + (unit(rng) - 0.5) * 300 * u;
            double y = near->FMinY + (unit(rng) - 0.5) * 300 * u;
            if (click % 4 == 0) {
                near = widened[rng() % widened.size()];
                x = near->FMaxX + (50 + unit(rng) * 50) * u;
                y = (near->FMinY + near->FMaxY) / 2;
            }
            int expected = -1;
            for (std::size_t i = m.FShapes.size(); i-- > 0;) {
                const TPlovanShape* s = m.FShapes[i];
                if (s->FVisible == 1 && s->HitTest(x, y, s->FWidth < 4 ? 3 * u : s->FWidth * u)) {
                    expected = s->FId;
                    break;
                }
            }
            ASSERT_EQ(m.ShapeAtPoint(x, y), expected) << trial << " " << x << "," << y;
            hits += expected >= 0;
        }
        EXPECT_GT(hits, 40);
        EXPECT_LT(hits, 390);
    }
}

// Shapes hit far beyond their boxes, each in a run of the index of its own
// (with points inside its box): a wide pen widened after the index was
// made, a text to the right of its box, a flat ellipse beyond its ends.
TEST(CanvasSelection, HitTestReachesBeyondTheRunsOfItsShapes) {
    TCanvasModel m;
    m.SetClientSize(400, 400);
    m.SetView(0, 4000, 4000, 0);  // 10 m a pixel: 30 m of tolerance
    const auto run = [&](int id, double x, double y) {
        for (std::size_t i = 1; i < TShapeIndex::kRunLength; ++i) m.AddPoint(x, y, 0);
        return id;
    };
    const int line = run(m.AddLine(100, 500, 150, 500, 0), 100, 500);
    const int text = run(m.AddText(0, QStringLiteral("a long label"), 100, 800, 0), 100, 800);
    const int ellipse = run(m.AddEllipse(100, 300, 300, 302, 0), 200, 301);  // 1 m high
    ASSERT_EQ(m.ShapeAtPoint(0, 0), -1);  // the index, up to date
    const auto expectHit = [&](int id, double x, double y) {
        EXPECT_GT(x, m.FindShape(id)->FMaxX + 60) << id;  // beyond 3 pixels of its run's boxes
        EXPECT_EQ(m.ShapeAtPoint(x, y), id) << id;
    };
    expectHit(text, 400, 800);
    expectHit(ellipse, 600, 301);
    m.SetShapeWidth(line, 40);  // 400 m of tolerance
    expectHit(line, 400, 500);
}
