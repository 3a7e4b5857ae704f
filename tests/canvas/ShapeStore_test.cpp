// The shape store's invariant, driven directly: the id index, the drawing
// order and the count stay in step through adds, appends, deletes and
// z-order moves, and every change marks the culling index stale.
#include "canvas/ShapeStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

std::unique_ptr<TPlovanShape> Point(double x, int id = 0) {
    auto p = std::unique_ptr<TPlovanPoint>(new TPlovanPoint(x, 0, 0));
    p->FId = id;
    return p;
}

std::vector<int> Order(const TShapeStore& store) {
    std::vector<int> ids;
    for (const TPlovanShape* s : store.Shapes()) ids.push_back(s->FId);
    return ids;
}

// The store against the drawing order a plain list says it should have.
void ExpectInStep(const TShapeStore& store, const std::vector<int>& expected,
                  const std::vector<int>& gone) {
    ASSERT_EQ(Order(store), expected);
    EXPECT_EQ(store.ShapeCount(), static_cast<int>(expected.size()));
    for (const TPlovanShape* s : store.Shapes()) {
        EXPECT_EQ(store.FindShape(s->FId), s);
    }
    for (int id : gone) EXPECT_EQ(store.FindShape(id), nullptr) << id;
    std::vector<int> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());  // unique
    if (!expected.empty()) {
        EXPECT_GT(store.NextShapeId(), sorted.back());
    }
}

}  // namespace

TEST(ShapeStore, IndexOrderAndCountStayInStepThroughEveryChange) {
    TShapeStore store;
    std::vector<int> order, gone;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> op(0, 9);
    for (int i = 0; i < 5000; ++i) {
        auto pick = [&] {
            return order.empty() ? 1
                                 : order[std::uniform_int_distribution<std::size_t>(
                                       0, order.size() - 1)(rng)];
        };
        store.CullingIndex();  // fresh before the change
        bool changed = true;
        switch (op(rng)) {
            case 0:
            case 1:
            case 2:
                order.push_back(store.AddNew(Point(i)));
                break;
            case 3: {
                // A file's id: kept when free, replaced when taken; far-off
                // ids go past the dense table.
                const int wanted = rng() % 3 == 0 ? pick() : static_cast<int>(rng() % 100000) + 1;
                const bool taken = store.FindShape(wanted) != nullptr;
                const int id = store.Append(Point(i, wanted));
                if (!taken) {
                    EXPECT_EQ(id, wanted);
                }
                order.push_back(id);
                std::erase(gone, id);
                break;
            }
            case 4:
            case 5: {
                const int id = pick();
                changed = store.Delete(id);
                if (changed) {
                    std::erase(order, id);
                    gone.push_back(id);
                }
                break;
            }
            case 6: {
                const int id = pick();
                changed = store.BringToFront(id);
                if (changed) {
                    std::erase(order, id);
                    order.push_back(id);
                }
                break;
            }
            case 7: {
                const int id = pick();
                changed = store.SendToBack(id);
                if (changed) {
                    std::erase(order, id);
                    order.insert(order.begin(), id);
                }
                break;
            }
            case 8: {
                const int mod = 2 + static_cast<int>(rng() % 5);
                auto doomed = [mod](const TPlovanShape& s) { return s.FId % mod == 0; };
                changed = store.DeleteWhere(doomed);
                for (int id : order)
                    if (id % mod == 0) gone.push_back(id);
                std::erase_if(order, [mod](int id) { return id % mod == 0; });
                break;
            }
            default:
                changed = false;
                EXPECT_EQ(store.Delete(-5 - i), false);  // an unknown id changes nothing
        }
        // The culling index follows: a view of the whole world meets every
        // shape, each once.
        std::size_t covered = 0;
        store.CullingIndex().ForEachRangeInView(-1e9, 1e9, -1e9, 1e9,
                                                [&](std::size_t f, std::size_t l) {
                                                    EXPECT_EQ(f, covered);
                                                    covered = l;
                                                });
        EXPECT_EQ(covered, store.Shapes().size()) << (changed ? "changed" : "unchanged");
        ExpectInStep(store, order, gone);
        if (HasFailure()) FAIL() << "after operation " << i;
    }
}

TEST(ShapeStore, ChangesMarkTheCullingIndexStale) {
    TShapeStore store;
    const int a = store.AddNew(Point(0));
    const int b = store.AddNew(Point(100));
    // The store's own index sees the reorder: a view around x = 100 meets
    // the run that holds b wherever b now sits.
    store.SendToBack(b);
    EXPECT_EQ(Order(store), (std::vector<int>{b, a}));
    std::vector<std::size_t> met;
    store.CullingIndex().ForEachRangeInView(90, 110, -10, 10, [&](std::size_t f, std::size_t l) {
        for (std::size_t i = f; i < l; ++i) met.push_back(i);
    });
    ASSERT_FALSE(met.empty());
    EXPECT_EQ(store.Shapes()[met.front()]->FId, b);

    // A shape changed in place is seen once the canvas says so.
    store.FindShape(a)->Move(1e6, 0);
    store.ShapesChanged();
    met.clear();
    store.CullingIndex().ForEachRangeInView(
        -10, 10, -10, 10, [&](std::size_t f, std::size_t l) { met.push_back(l - f); });
    EXPECT_TRUE(met.empty());
}

TEST(ShapeStore, ClearingRestartsIdsOnlyWhenEmpty) {
    TShapeStore store;
    store.AddNew(Point(0));
    store.RestartShapeIds();
    EXPECT_EQ(store.NextShapeId(), 2);  // a shape is left
    store.DeleteAll();
    store.RestartShapeIds();
    EXPECT_EQ(store.NextShapeId(), 1);
    EXPECT_EQ(store.FindShape(1), nullptr);
    store.AddLayer("a");
    store.DeleteAllShapesAndLayers();
    EXPECT_TRUE(store.Layers().empty());
    EXPECT_EQ(store.NextLayerId(), 0);
    EXPECT_EQ(store.AddLayer("b"), 0);
    EXPECT_EQ(store.CurrentLayer, 0);
    TCanvasLayer& fallback = store.ResolveLayer(7);  // made again
    EXPECT_EQ(&fallback, store.FindLayerById(store.FindLayer("Default")));
    EXPECT_EQ(store.CurrentLayer, store.FindLayer("Default"));
}

TEST(ShapeStore, AFarOffIdStaysFoundWhenTheTableGrowsPastIt) {
    TShapeStore store;
    TPlovanShape* far = store.FindShape(store.Append(Point(0, 5000)));
    store.Append(Point(0, 3000));
    store.Append(Point(0, 6000));  // the dense table now reaches past 5000
    EXPECT_EQ(store.FindShape(5000), far);
    EXPECT_NE(store.Append(Point(0, 5000)), 5000);  // a taken id is never given twice
    EXPECT_TRUE(store.Delete(5000));
    EXPECT_EQ(store.FindShape(5000), nullptr);
    EXPECT_EQ(store.ShapeCount(), 3);
}
