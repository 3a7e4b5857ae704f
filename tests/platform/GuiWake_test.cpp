// The worker's wake-up call, with real threads and the real Qt event loop.
#include "platform/GuiWake.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/Dialogs.h"
#include "tests/support/Pty.h"

using platform::GuiWake;

TEST(GuiWake, WorkersDataReachesTheGuiThreadOnItsLoop) {
    // What the workers hand over travels under their lock; the wake-up only
    // says that there is something. Every item must arrive, on the GUI thread.
    std::mutex mutex;
    std::vector<int> handed;
    std::vector<int> taken;
    const auto gui = std::this_thread::get_id();
    bool onGuiThread = true;
    int runs = 0;
    GuiWake wake([&] {
        ++runs;
        onGuiThread = onGuiThread && std::this_thread::get_id() == gui;
        std::lock_guard lock(mutex);
        taken.insert(taken.end(), handed.begin(), handed.end());
        handed.clear();
    });
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < 250; ++i) {
                {
                    std::lock_guard lock(mutex);
                    handed.push_back(w * 1000 + i);
                }
                wake.Wake();
            }
        });
    for (auto& worker : workers) worker.join();
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return taken.size() == 1000; }, 5000));
    EXPECT_TRUE(onGuiThread);
    // Wake-ups that come before the loop runs are served together.
    EXPECT_LT(runs, 1000);
    EXPECT_GE(runs, 1);
}

TEST(GuiWake, NothingRunsWithoutAWakeAndAThrowingHandlerIsContained) {
    auto& shown = static_cast<platform::ScriptedDialogs&>(platform::dialogs()).messages;
    shown.clear();
    int runs = 0;
    GuiWake wake([&] {
        ++runs;
        throw std::runtime_error("handler fault");
    });
    phxtest::PumpEventsUntil([] { return false; }, 50);
    EXPECT_EQ(runs, 0);
    std::thread([&] { wake.Wake(); }).join();
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return runs == 1; }, 5000));
    std::thread([&] { wake.Wake(); }).join();
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return runs == 2; }, 5000));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), "handler fault");
}
