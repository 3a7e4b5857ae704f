// A small set of worker threads for the project file's save and load: tasks
// run in the order they were given, each on whichever worker is free. The
// pool is made for one save or load and gone after it, so no thread outlives
// the work.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vlm {

// The threads a save may use: the processors this process may run on (its
// affinity mask, so a run pinned to one core counts one), at least 1 and at
// most 8.
size_t MachineThreads();

class TaskPool {
  public:
    explicit TaskPool(size_t threads);  // at least one worker
    // Runs every task still queued, then joins the workers.
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    size_t Threads() const { return workers_.size(); }

    // Queues `task`. A task must not throw: it reports its own failure.
    void Run(std::function<void()> task);

  private:
    void Work();

    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// Runs body(0) .. body(count - 1), on the pool's workers and the calling
// thread together (on the calling thread alone without a pool), and returns
// once every call has ended. The first exception a call threw is thrown
// again then; the calls not yet started when it was thrown are skipped.
void ParallelFor(TaskPool* pool, size_t count, const std::function<void(size_t)>& body);

}  // namespace vlm
