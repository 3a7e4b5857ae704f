// A FIFO put where a test expects a file, for readers that must refuse it at
// once. This object holds the FIFO's writing end open, so a reader that
// opened and read it the blocking way would wait for data; after `bound` a
// watchdog lets go of that end, so such a reader sees the end of the file and
// the test goes on to fail on TimedOut() instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace phxtest {

class GuardedFifo {
  public:
    explicit GuardedFifo(std::string path, std::chrono::seconds bound = std::chrono::seconds(10))
        : path_(std::move(path)) {
        ok_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (ok_) fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        watchdog_ = std::thread([this, bound] {
            std::unique_lock lock(mutex_);
            if (!done_.wait_for(lock, bound, [this] { return stop_; })) {
                timedOut_ = true;
                CloseEnd();
            }
        });
    }
    ~GuardedFifo() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        done_.notify_all();
        watchdog_.join();
        CloseEnd();
        ::unlink(path_.c_str());
    }
    GuardedFifo(const GuardedFifo&) = delete;
    GuardedFifo& operator=(const GuardedFifo&) = delete;

    bool ok() const { return ok_ && fd_ >= 0; }
    bool TimedOut() const {
        std::lock_guard lock(mutex_);
        return timedOut_;
    }
    const std::string& path() const { return path_; }

  private:
    void CloseEnd() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    std::string path_;
    bool ok_ = false;
    int fd_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false, timedOut_ = false;
    std::thread watchdog_;
};

}  // namespace phxtest
