#include "platform/SyncCall.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/HandlerGuard.h"

// Waiting uses no condition variable: the worker waits on an atomic word
// (a futex) and the GUI thread on the wake-up descriptor, so every hand-over
// is an atomic or a mutex that ThreadSanitizer sees.
namespace platform {

struct SyncCall::Job {
    std::function<void()> work;
    bool ran = false;              // the job was started (not cancelled); set before `finished`
    std::atomic<int> finished{0};  // 1: the worker may go on

    void Finish(bool started) {
        ran = started;
        finished.store(1, std::memory_order_release);
        finished.notify_all();
    }
};

// The wake-up is an eventfd watched by the GUI thread's event loop: a
// worker touches no Qt object at all, only the descriptor.
SyncCall::SyncCall() : guiThread_(std::this_thread::get_id()) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
        RunPending();
    });
}

SyncCall::~SyncCall() {
    // No worker wakes the GUI thread after Cancel.
    Cancel();
    delete notifier_;
    ::close(wakeFd_);
}

bool SyncCall::Run(std::function<void()> job) {
    if (std::this_thread::get_id() == guiThread_) {
        if (IsCancelled()) return false;
        GuardHandler(job);
        return true;
    }
    auto entry = std::make_shared<Job>();
    entry->work = std::move(job);
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return false;
        queue_.push_back(entry);
        if (!wakePosted_) {
            wakePosted_ = true;
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
        }
    }
    while (entry->finished.load(std::memory_order_acquire) == 0) {
        entry->finished.wait(0, std::memory_order_acquire);
    }
    // The GUI thread finishes a job under the lock: taking it once more
    // orders everything the job did before the worker frees it.
    std::lock_guard lock(mutex_);
    return entry->ran;
}

void SyncCall::RunPending() {
    std::unique_lock lock(mutex_);
    wakePosted_ = false;
    while (!queue_.empty()) {
        auto entry = queue_.front();
        queue_.pop_front();
        running_.push_back(entry);
        lock.unlock();
        GuardHandler(entry->work);
        lock.lock();
        running_.erase(std::find(running_.begin(), running_.end(), entry));
        if (entry->finished.load(std::memory_order_relaxed) == 0) entry->Finish(true);
    }
}

void SyncCall::ReleaseRunningLocked() {
    for (auto& entry : running_) {
        if (entry->finished.load(std::memory_order_relaxed) == 0) entry->Finish(true);
    }
}

void SyncCall::WaitFor(const std::function<bool()>& done) {
    {
        // Waiting from inside a job: that job's worker would wait for the job
        // while the job waits for the worker. Jobs own their data, so the
        // worker may go on.
        std::lock_guard lock(mutex_);
        ReleaseRunningLocked();
    }
    for (;;) {
        RunPending();
        if (done()) return;
        pollfd wake{wakeFd_, POLLIN, 0};
        if (::poll(&wake, 1, 5) > 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
        }
    }
}

void SyncCall::Notify() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void SyncCall::Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (auto& entry : queue_) entry->Finish(false);
    queue_.clear();
}

bool SyncCall::IsCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

}  // namespace platform
