#include "canvas/TaskPool.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
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

void ParallelFor(TaskPool* pool, size_t count, const std::function<void(size_t)>& body) {
    if (!pool || count <= 1) {
        for (size_t i = 0; i < count; ++i) body(i);
        return;
    }
    // The calls are taken one by one from a shared counter, so a worker that
    // finishes early takes the next; the state outlives this function only
    // in tasks that find nothing left to do.
    struct Shared {
        std::atomic<size_t> next{0};
        std::atomic<bool> failed{false};
        std::mutex mutex;
        std::condition_variable finished;
        size_t running = 0;  // under `mutex`
        std::exception_ptr error;
    };
    auto shared = std::make_shared<Shared>();
    auto work = [shared, count, &body] {
        for (;;) {
            const size_t i = shared->next.fetch_add(1);
            if (i >= count || shared->failed.load()) return;
            try {
                body(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (!shared->error) shared->error = std::current_exception();
                shared->failed = true;
            }
        }
    };
    const size_t helpers = std::min(pool->Threads(), count - 1);
    for (size_t h = 0; h < helpers; ++h) {
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            ++shared->running;
        }
        try {
            pool->Run([shared, work] {
                work();
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (--shared->running == 0) shared->finished.notify_all();
            });
        } catch (...) {
            // Not queued: the calls it would have made are made by the
            // others.
            std::lock_guard<std::mutex> lock(shared->mutex);
            --shared->running;
            break;
        }
    }
    work();
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->finished.wait(lock, [&] { return shared->running == 0; });
    if (shared->error) std::rethrow_exception(shared->error);
}

}  // namespace vlm
