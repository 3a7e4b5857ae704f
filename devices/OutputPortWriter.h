// Writes correction chunks to a second output port from a thread of its own,
// so that a slow or stalled port never holds up the GUI thread (a serial
// write may wait up to 1000 ms). Chunks wait in a queue of at most 64 KiB;
// when a chunk does not fit, it is dropped whole and counted. A run of drops
// is one episode: Enqueue reports the first drop of an episode so the caller
// logs it once; the episode ends when a chunk fits again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/SerialPort.h"

namespace devices {

class OutputPortWriter {
  public:
    static constexpr size_t kQueueLimit = 64 * 1024;

    enum class Result { Queued, Dropped, DroppedFirst };

    explicit OutputPortWriter(std::shared_ptr<platform::SerialPort> port);
    // Stops the thread; chunks still queued are dropped (the port is going away).
    ~OutputPortWriter();
    OutputPortWriter(const OutputPortWriter&) = delete;
    OutputPortWriter& operator=(const OutputPortWriter&) = delete;

    Result Enqueue(std::string_view chunk);

    // Waits until the queue is empty and no write is in progress, at most
    // `timeoutMs`; true when it drained (for tests and an orderly close).
    bool Drain(int timeoutMs);

    std::uint64_t DroppedChunks() const;
    std::uint64_t DroppedBytes() const;

  private:
    void Run();

    std::shared_ptr<platform::SerialPort> port_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<std::string> queue_;
    size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool stopping_ = false;
    bool inDropEpisode_ = false;
    std::uint64_t droppedChunks_ = 0;
    std::uint64_t droppedBytes_ = 0;
    std::thread thread_;
};

}  // namespace devices
