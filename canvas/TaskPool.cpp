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

// The calls are taken one by one from a shared counter, so whoever is free
// takes the next. A worker counts itself as busy before it looks at the
// counter: once the waiting thread has found the counter used up (or a
// failure) and no worker busy, no call can start any more, and the workers
// still queued find nothing to do.
struct ParallelRun::Shared {
    size_t count = 0;
    std::function<void(size_t)> body;
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable idle;
    size_t busy = 0;      // under `mutex`
    bool failed = false;  // under `mutex`
    std::exception_ptr error;

    // Makes calls until none is left; false when another call failed.
    void Work() {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (failed) return;
                ++busy;
            }
            const size_t i = next.fetch_add(1);
            bool ok = true;
            if (i < count) {
                try {
                    body(i);
                } catch (...) {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (!error) error = std::current_exception();
                    failed = true;
                    ok = false;
                }
            }
            std::lock_guard<std::mutex> lock(mutex);
            if (--busy == 0) idle.notify_all();
            if (i >= count || !ok) return;
        }
    }
};

ParallelRun::ParallelRun(TaskPool* pool, size_t count, std::function<void(size_t)> body)
    : shared_(std::make_shared<Shared>()) {
    shared_->count = count;
    shared_->body = std::move(body);
    if (!pool || count <= 1) return;
    const size_t helpers = std::min(pool->Threads(), count);
    for (size_t h = 0; h < helpers; ++h) {
        try {
            pool->Run([shared = shared_] { shared->Work(); });
        } catch (...) {
            break;  // not queued: the others, and the waiting thread, do its part
        }
    }
}

ParallelRun::~ParallelRun() {
    if (waited_) return;
    try {
        Wait();
    } catch (...) {
        // Reported by Wait to a caller that waits; here only the end counts.
    }
}

void ParallelRun::Wait() {
    waited_ = true;
    shared_->Work();
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->idle.wait(lock, [this] { return shared_->busy == 0; });
    if (shared_->error) std::rethrow_exception(shared_->error);
}

void ParallelFor(TaskPool* pool, size_t count, const std::function<void(size_t)>& body) {
    ParallelRun run(pool, count, body);
    run.Wait();
}

}  // namespace vlm
