// A small set of worker threads for the project file's save and load: tasks
// run in the order they were given, each on whichever worker is free. The
// pool is made for one save or load and gone after it, so no thread outlives
// the work.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
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

// body(0) .. body(count - 1), started on the pool's workers at once and
// joined by the thread that waits for them: Wait makes the remaining calls
// on the calling thread beside the workers (all of them without a pool) and
// returns once every call has ended, throwing again the first exception a
// call threw; the calls not started by then are skipped. The destructor
// waits as well, without throwing. `body` must stay valid until then.
class ParallelRun {
  public:
    ParallelRun(TaskPool* pool, size_t count, std::function<void(size_t)> body);
    ~ParallelRun();
    ParallelRun(const ParallelRun&) = delete;
    ParallelRun& operator=(const ParallelRun&) = delete;

    void Wait();

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    bool waited_ = false;
};

// A ParallelRun waited for at once.
void ParallelFor(TaskPool* pool, size_t count, const std::function<void(size_t)>& body);

}  // namespace vlm
