#include "canvas/TaskPool.h"

#include <sched.h>

#include <algorithm>
#include <utility>

namespace vlm {

size_t MachineThreads() {
    size_t count = std::thread::hardware_concurrency();
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) count = static_cast<size_t>(CPU_COUNT(&set));
    return std::clamp<size_t>(count, 1, 8);
}

TaskPool::TaskPool(size_t threads) {
    threads = std::max<size_t>(threads, 1);
    workers_.reserve(threads);
    try {
        for (size_t i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    } catch (...) {
        // A thread could not be started: the ones running are enough, but
        // with none at all the pool cannot work.
        if (workers_.empty()) throw;
    }
}

TaskPool::~TaskPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (auto& worker : workers_) worker.join();
}

void TaskPool::Run(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    queued_.notify_one();
}

void TaskPool::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_.wait(lock, [this] { return !tasks_.empty() || stopping_; });
            if (tasks_.empty()) return;  // stopping, and nothing left to run
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace vlm
