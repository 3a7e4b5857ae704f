// The synchronous call from a worker to the GUI thread, with real threads
// and the real Qt event loop.
#include "platform/SyncCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Dialogs.h"
#include "tests/support/Pty.h"

using platform::SyncCall;

TEST(SyncCall, JobRunsOnTheGuiThreadFromTheEventLoop) {
    SyncCall sync;
    const auto gui = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    bool result = false;
    std::thread worker([&] {
        result = sync.Run([&] { ranOn = std::this_thread::get_id(); });
        returned = true;
    });
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(ranOn, gui);
}

TEST(SyncCall, WaitingForAWorkerRunsItsCallsInOrder) {
    // No event loop runs: only WaitFor can let the worker finish.
    SyncCall sync;
    std::vector<int> order;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i) sync.Run([&order, i] { order.push_back(i); });
        finished = true;
        sync.Notify();
    });
    sync.WaitFor([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(SyncCall, CancelReleasesTheWorkerAndRefusesNewJobs) {
    auto sync = std::make_unique<SyncCall>();
    std::atomic<bool> queued{false};
    std::atomic<int> ran{0};
    std::atomic<int> refused{0};
    std::thread worker([&] {
        queued = true;
        if (!sync->Run([&] { ++ran; })) ++refused;
        if (!sync->Run([&] { ++ran; })) ++refused;
    });
    while (!queued) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sync->Cancel();
    worker.join();
    EXPECT_TRUE(sync->IsCancelled());
    EXPECT_EQ(refused.load(), 2);
    // The wake-up posted for the dropped job must not reach a freed object.
    sync.reset();
    phxtest::PumpEventsFor(20);
    EXPECT_EQ(ran.load(), 0);
}

TEST(SyncCall, AJobThatWaitsForItsOwnWorkerDoesNotDeadlock) {
    SyncCall sync;
    std::atomic<bool> finished{false};
    bool sawFinished = false;
    std::thread worker([&] {
        sync.Run([&] {
            sync.WaitFor([&] { return finished.load(); });
            sawFinished = true;
        });
        finished = true;
        sync.Notify();
    });
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return sawFinished; }, 5000));
    worker.join();
}

TEST(SyncCall, OnTheGuiThreadTheJobRunsAtOnce) {
    SyncCall sync;
    int ran = 0;
    EXPECT_TRUE(sync.Run([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
    sync.Cancel();
    EXPECT_FALSE(sync.Run([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

TEST(SyncCall, AFailingJobStillReleasesItsWorker) {
    auto& dialogs = static_cast<platform::ScriptedDialogs&>(platform::dialogs());
    dialogs.messages.clear();
    SyncCall sync;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        sync.Run([] { throw std::runtime_error("job failed"); });
        finished = true;
        sync.Notify();
    });
    sync.WaitFor([&] { return finished.load(); });
    worker.join();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "job failed");
}

TEST(SyncCall, ManyWorkersManyCalls) {
    SyncCall sync;
    int total = 0;  // touched on the GUI thread only
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < 500; ++i) sync.Run([&] { ++total; });
            ++done;
            sync.Notify();
        });
    }
    // Half of the time through the event loop, half through WaitFor.
    phxtest::PumpEventsUntil([&] { return done.load() >= 2; }, 10000);
    sync.WaitFor([&] { return done.load() == 4; });
    for (auto& worker : workers) worker.join();
    EXPECT_EQ(total, 2000);
}

TEST(SyncCall, AJobReadsWhatTheWorkerHandedOver) {
    SyncCall sync;
    std::atomic<bool> finished{false};
    size_t total = 0;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            std::string text(100 + i, static_cast<char>('a' + i % 26));
            sync.Run([&total, text] {
                for (const char c : text) total += static_cast<unsigned char>(c) != 0;
            });
        }
        finished = true;
        sync.Notify();
    });
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return finished.load(); }, 10000));
    worker.join();
    EXPECT_EQ(total, 200u * 100u + 199u * 200u / 2u);
}
