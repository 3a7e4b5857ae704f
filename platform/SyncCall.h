// The synchronous call from a worker thread to the GUI thread: the worker
// queues a job and waits until the GUI thread has run it (or the job was
// cancelled); the GUI thread runs queued jobs from a queued wake-up of its
// event loop, and also while it waits in WaitFor for a stopping worker, so a
// worker blocked in a call can always finish. A plain blocking queued
// connection would deadlock exactly there.
//
// Create and destroy the object on the GUI thread. Destroy it only after
// every worker that uses it has ended; Cancel() first releases workers that
// are still waiting. Jobs must own what they use (copies of the worker's
// data): a job that itself waits for its worker releases that worker early.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QSocketNotifier;

namespace platform {

class SyncCall {
  public:
    SyncCall();
    ~SyncCall();
    SyncCall(const SyncCall&) = delete;
    SyncCall& operator=(const SyncCall&) = delete;

    // Worker side: runs `job` on the GUI thread and waits for it. True when
    // the job ran, false when it was cancelled or the facility is closed.
    // Called on the GUI thread itself, the job runs at once.
    bool Run(std::function<void()> job);

    // GUI side: runs every queued job now, in the order queued. An
    // exception leaving a job goes to the handler guard.
    void RunPending();

    // GUI side: returns once `done` is true, running queued jobs meanwhile.
    // `done` is checked after every job and after each Notify (and every
    // few milliseconds in any case).
    void WaitFor(const std::function<bool()>& done);

    // Any thread: makes a waiting WaitFor check its condition again.
    void Notify();

    // GUI side: drops every queued job (its worker returns false) and refuses
    // new ones from now on.
    void Cancel();

    bool IsCancelled() const;

  private:
    struct Job;
    void ReleaseRunningLocked();

    std::thread::id guiThread_;
    int wakeFd_ = -1;                      // eventfd the workers write to wake the GUI thread
    QSocketNotifier* notifier_ = nullptr;  // watches it on the GUI thread
    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::vector<std::shared_ptr<Job>> running_;
    bool wakePosted_ = false;
    bool cancelled_ = false;
};

}  // namespace platform
