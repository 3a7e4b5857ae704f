// The heap a rebuild of the back buffer takes does not grow with the number
// of layers: this program counts every byte its operator new hands out, so
// the peak of a paint is measured exactly, whatever else the machine does.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QImage>
#include <atomic>
#include <cstdlib>
#include <new>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"

namespace {

std::atomic<std::size_t> g_live{0}, g_peak{0};

void* Take(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const std::size_t now = g_live += malloc_usable_size(p);
    std::size_t peak = g_peak;
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Give(void* p) noexcept {
    if (!p) return;
    g_live -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return Take(size); }
void* operator new[](std::size_t size) { return Take(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Take(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

namespace {

TColor At(const QImage& image, int x, int y) { return FromRgb(image.pixel(x, y)) & 0xFFFFFF; }

// The heap a rebuild takes beyond what was held before it.
std::size_t PeakOfRebuild(TPlovanCanvas& canvas) {
    canvas.FNeedsRedraw = true;
    const std::size_t before = g_live;
    g_peak = before;
    canvas.RebuildBackBuffer();
    return g_peak - before;
}

}  // namespace

// 5,000 layers, each with its own points and short segments in view.
TEST(RenderMemory, FiveThousandLayersCostNoMoreThanOne) {
    constexpr int kLayers = 5000;
    TPlovanCanvas canvas;
    canvas.resize(400, 300);
    canvas.SetView(0, 300, 400, 0);  // a metre a pixel
    for (int i = 0; i < kLayers; ++i) {
        const int layer = canvas.AddLayer(QString::number(i));
        canvas.SetLayerColor(layer, 0x000100u * static_cast<TColor>(1 + i % 200));
        // Layer i at row 5 + 3 (i / 125), column 5 + 3 (i % 125).
        const double x = 5 + 3 * (i % 125), y = 300 - (5 + 3 * (i / 125));
        canvas.AddPoint(x, y, layer);
        canvas.AddLine(x, y - 1, x + 1, y - 1, layer);
    }
    canvas.RebuildBackBuffer();  // the bitmaps and caches of a first paint
    const std::size_t many = PeakOfRebuild(canvas);

    TPlovanCanvas one;
    one.resize(400, 300);
    one.SetView(0, 300, 400, 0);
    one.AddPoint(5, 295, 0);
    one.RebuildBackBuffer();
    const std::size_t single = PeakOfRebuild(one);

    // The lists of what is drawn grow with the shapes (10,000 here, some
    // hundred kilobytes); a bitmap of the client per layer would be 75 MB.
    const std::size_t bitmap = 400 * 300 / 8;
    EXPECT_LT(many, single + 1024 * 1024) << many << " bytes for " << kLayers << " layers";
    EXPECT_LT(many, 10 * bitmap + 1024 * 1024);

    // And every layer is drawn.
    const QImage& image = canvas.FBackBuffer;
    for (const int i : {0, 1, 124, 125, 2500, 4999}) {
        const int px = 5 + 3 * (i % 125), py = 5 + 3 * (i / 125);
        EXPECT_EQ(At(image, px, py), 0x000100u * static_cast<TColor>(1 + i % 200)) << i;
        EXPECT_EQ(At(image, px, py + 1), 0x000100u * static_cast<TColor>(1 + i % 200)) << i;
    }
}
