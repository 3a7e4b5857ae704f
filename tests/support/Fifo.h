// A FIFO put where a test expects a file, for readers that must refuse it at
// once. Nobody writes to it, so a reader that opened or read it the blocking
// way would wait for ever. After `bound` a watchdog opens the writing end and
// lets it go again, as often as needed: such a reader's open returns and its
// read sees the end of the file, and the test goes on to fail on TimedOut()
// instead of hanging.
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
        : path_(std::move(path)), ok_(::mkfifo(path_.c_str(), 0600) == 0) {
        watchdog_ = std::thread([this, bound] {
            std::unique_lock lock(mutex_);
            if (done_.wait_for(lock, bound, [this] { return stop_; })) return;
            timedOut_ = true;
            while (!done_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; })) {
                // Succeeds only while a reader waits; letting go ends its read.
                const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) ::close(fd);
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
        ::unlink(path_.c_str());
    }
    GuardedFifo(const GuardedFifo&) = delete;
    GuardedFifo& operator=(const GuardedFifo&) = delete;

    bool ok() const { return ok_; }
    bool TimedOut() const {
        std::lock_guard lock(mutex_);
        return timedOut_;
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool ok_ = false;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false, timedOut_ = false;
    std::thread watchdog_;
};

}  // namespace phxtest
