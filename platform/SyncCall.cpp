#include "platform/SyncCall.h"

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>

#include "platform/HandlerGuard.h"

namespace platform {

struct SyncCall::Job {
    std::function<void()> work;
    bool finished = false;  // the worker may go on
    bool ran = false;       // the job was started (not cancelled)
};

SyncCall::SyncCall() : guiThread_(std::this_thread::get_id()), anchor_(new QObject) {}

SyncCall::~SyncCall() {
    Cancel();
    // No worker posts after Cancel, and Qt drops the wake-ups still queued
    // for the anchor when it goes.
    delete anchor_;
}

bool SyncCall::Run(std::function<void()> job) {
    if (std::this_thread::get_id() == guiThread_) {
        if (IsCancelled()) return false;
        GuardHandler(job);
        return true;
    }
    auto entry = std::make_shared<Job>();
    entry->work = std::move(job);
    std::unique_lock lock(mutex_);
    if (cancelled_) return false;
    queue_.push_back(entry);
    if (!wakePosted_) {
        wakePosted_ = true;
        QMetaObject::invokeMethod(anchor_, [this] { RunPending(); }, Qt::QueuedConnection);
    }
    guiWake_.notify_all();
    jobDone_.wait(lock, [&] { return entry->finished; });
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
        entry->ran = true;
        entry->finished = true;
        jobDone_.notify_all();
    }
}

void SyncCall::ReleaseRunningLocked() {
    bool any = false;
    for (auto& entry : running_) {
        if (!entry->finished) {
            entry->ran = true;
            entry->finished = true;
            any = true;
        }
    }
    if (any) jobDone_.notify_all();
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
        std::unique_lock lock(mutex_);
        guiWake_.wait_for(lock, std::chrono::milliseconds(5),
                          [&] { return !queue_.empty() || notified_; });
        notified_ = false;
    }
}

void SyncCall::Notify() {
    std::lock_guard lock(mutex_);
    notified_ = true;
    guiWake_.notify_all();
}

void SyncCall::Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (auto& entry : queue_) entry->finished = true;
    queue_.clear();
    jobDone_.notify_all();
}

bool SyncCall::IsCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

}  // namespace platform
