// The drawing's bookkeeping that lets a change cost what changed: the layer
// tallies, the clearing of one layer from the top, the recolouring that
// finds nothing to do, and the culling index brought up to date from the
// first changed run. Random edit sequences are checked against a recount
// and against an index built from scratch.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ShapeIndex.h"

namespace {

// The model with its store in reach.
struct Model : TCanvasModel {
    using TCanvasModel::Store;
};

// The tallies as a recount finds them.
std::map<int, TLayerShapes> Recount(const TCanvasModel& m) {
    std::map<int, TLayerShapes> out;
    for (const TPlovanShape* s : m.FShapes) {
        TLayerShapes& t = out[s->FLayerId];
        if (t.count++ == 0) {
            t.colour = s->FColor;
            t.width = s->FWidth;
        } else {
            if (t.colour != s->FColor) t.colour.reset();
            if (t.width != s->FWidth) t.width.reset();
        }
    }
    return out;
}

std::vector<std::pair<size_t, size_t>> Ranges(const TShapeIndex& index, double l, double r,
                                              double b, double t) {
    std::vector<std::pair<size_t, size_t>> out;
    index.ForEachRangeInView(l, r, b, t, [&](size_t f, size_t e) { out.emplace_back(f, e); });
    return out;
}

}  // namespace

TEST(ChangeCost, RandomEditsKeepTalliesAndIndexExact) {
    Model m;
    std::mt19937 rng(7);
    auto uni = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<int> layers;
    for (int i = 0; i < 4; ++i) layers.push_back(m.AddLayer(QString("L%1").arg(i)));
    for (int step = 0; step < 3000; ++step) {
        const int layer = layers[uni(4)];
        const double x = uni(1000), y = uni(1000);
        const auto ids = m.GetShapeIds();
        const int someId = ids.empty() ? 0 : ids[uni(static_cast<int>(ids.size()))];
        switch (uni(12)) {
            case 0: case 1: case 2: m.AddLine(x, y, x + 3, y + 1, layer); break;
            case 3: case 4: m.AddPoint(x, y, layer); break;
            case 5: m.SetLayerColor(layer, uni(3)); break;
            case 6: m.SetLayerWidth(layer, 1 + uni(2)); break;
            case 7: m.SetShapeColor(someId, uni(3)); break;
            case 8: if (uni(4) == 0) m.ClearLayer(layer); else m.SetShapeLayer(someId, layer); break;
            case 9: m.DeleteShape(someId); break;
            case 10: if (uni(3) == 0) m.BringToFront(someId); else m.SendToBack(someId); break;
            case 11: if (uni(10) == 0) m.MoveLayerShapes(layer, layers[uni(4)], 1); break;
        }
        // Counts match a recount.
        const auto expected = Recount(m);
        for (const int l : layers) {
            const TLayerShapes* t = m.Store().LayerShapesOf(l);
            auto it = expected.find(l);
            ASSERT_EQ(t != nullptr, it != expected.end()) << step;
            if (!t) continue;
            ASSERT_EQ(t->count, it->second.count) << step;
            // A shared colour or width is never claimed wrongly (forgetting
            // one only costs a visit).
            ASSERT_TRUE(!t->colour || t->colour == it->second.colour) << step;
            ASSERT_TRUE(!t->width || t->width == it->second.width) << step;
        }
        // The index brought up to date answers as one built afresh.
        if (step % 7 == 0) {
            TShapeIndex fresh;
            fresh.Refresh(m.FShapes);
            const TShapeIndex& kept = m.Store().CullingIndex();
            const double l = uni(1000), b = uni(1000);
            ASSERT_EQ(Ranges(kept, l, l + 50, b, b + 50), Ranges(fresh, l, l + 50, b, b + 50))
                << step;
        }
    }
}

TEST(ChangeCost, RecolouringWithTheSameColourDrawsNothingAnew) {
    TCanvasModel m;
    const int layer = m.AddLayer("track_fix");
    for (int i = 0; i < 100; ++i) m.AddLine(i, 0, i + 1, 0, layer);
    m.SetLayerColor(layer, 0x00FF00);
    m.FNeedsRedraw = false;
    const int redraws = m.FRedrawCount;
    m.SetLayerColor(layer, 0x00FF00);
    m.SetLayerWidth(layer, 1);
    EXPECT_EQ(m.FRedrawCount, redraws);
    EXPECT_FALSE(m.FNeedsRedraw);
    // One shape recoloured on its own: the layer's colour reaches it again.
    const int odd = m.GetLayerShapeIds(layer)[50];
    m.SetShapeColor(odd, clRed);
    m.SetLayerColor(layer, 0x00FF00);
    EXPECT_EQ(m.GetShapeColor(odd), 0x00FF00);
    EXPECT_TRUE(m.FNeedsRedraw);
}

TEST(ChangeCost, ClearingALayerLeavesTheOthersInOrder) {
    TCanvasModel m;
    const int track = m.AddLayer("track");
    const int vessel = m.AddLayer("vessel");
    std::vector<int32_t> kept;
    for (int i = 0; i < 200; ++i) kept.push_back(m.AddPoint(i, 0, track));
    for (int tick = 0; tick < 5; ++tick) {
        m.ClearLayer(vessel);
        for (int k = 0; k < 5; ++k) m.AddLine(k, 0, k, 1, vessel);
        kept.push_back(m.AddPoint(300 + tick, 0, track));
    }
    m.ClearLayer(vessel);
    EXPECT_EQ(m.GetShapeIds(), kept);
    EXPECT_EQ(m.FShapeCount, static_cast<int32_t>(kept.size()));
    m.ClearLayer(vessel);  // nothing left: still fine
    EXPECT_EQ(m.GetShapeIds(), kept);
}

// A click changes no shape's box: after it the culling index still
// describes every shape it described before, and the shapes a click adds
// are appended to it.
TEST(ChangeCost, ClicksLeaveTheCullingIndexFresh) {
    const struct {
        const char* name;
        int command;
        std::vector<std::pair<int, int>> clicks;  // the last one is timed
        int added;
    } cases[] = {
        {"selecting a shape", 0, {{100, 100}}, 0},
        {"clearing the selection", 0, {{100, 100}, {900, 900}}, 0},
        {"a polyline's vertex", 5, {{200, 200}, {300, 250}, {350, 300}}, 0},
        {"an arc's last point", 10, {{200, 200}, {300, 250}, {350, 300}}, 1},
        {"a rectangle's corner", 1, {{200, 200}, {300, 250}}, 1},
        {"a zoom window", -3, {{200, 200}, {300, 250}}, 0},
        {"a point", 17, {{200, 200}}, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Model m;
        m.SetClientSize(1000, 1000);
        m.SetView(0, 1000, 1000, 0);
        for (int i = 0; i < 500; ++i) m.AddPoint(i * 2.0, 900 - i % 7, 0);
        m.FCommand = k.command;
        for (std::size_t i = 0; i + 1 < k.clicks.size(); ++i)
            m.MouseDown(CanvasInput::ButtonLeft, 0, k.clicks[i].first, k.clicks[i].second);
        m.Store().CullingIndex();  // a paint brings it up to date
        const std::size_t before = m.FShapes.size();
        const int redraws = m.FRedrawCount;
        m.MouseDown(CanvasInput::ButtonLeft, 0, k.clicks.back().first, k.clicks.back().second);
        EXPECT_EQ(m.FShapes.size(), before + k.added);
        EXPECT_EQ(m.Store().CullingIndexAsIs().FreshCount(), before);
        EXPECT_GT(m.FRedrawCount, redraws);  // the back buffer is drawn anew all the same
    }
    // The right click that ends a polyline adds it the same way.
    Model m;
    m.SetClientSize(1000, 1000);
    m.SetView(0, 1000, 1000, 0);
    for (int i = 0; i < 500; ++i) m.AddPoint(i * 2.0, 900, 0);
    m.FCommand = 5;
    m.MouseDown(CanvasInput::ButtonLeft, 0, 200, 200);
    m.MouseDown(CanvasInput::ButtonLeft, 0, 300, 200);
    m.Store().CullingIndex();
    m.MouseDown(CanvasInput::ButtonRight, 0, 300, 200);
    EXPECT_EQ(m.FShapes.size(), 501u);
    EXPECT_EQ(m.Store().CullingIndexAsIs().FreshCount(), 500u);
}
