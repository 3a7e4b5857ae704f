#include "devices/OutputPortWriter.h"

#include <chrono>

namespace devices {

OutputPortWriter::OutputPortWriter(std::shared_ptr<platform::SerialPort> port)
    : port_(std::move(port)), thread_([this] { Run(); }) {}

OutputPortWriter::~OutputPortWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

OutputPortWriter::Result OutputPortWriter::Enqueue(std::string_view chunk) {
    std::lock_guard lock(mutex_);
    if (queuedBytes_ + chunk.size() > kQueueLimit) {
        ++droppedChunks_;
        droppedBytes_ += chunk.size();
        const bool first = !inDropEpisode_;
        inDropEpisode_ = true;
        return first ? Result::DroppedFirst : Result::Dropped;
    }
    inDropEpisode_ = false;
    queue_.emplace_back(chunk);
    queuedBytes_ += chunk.size();
    wake_.notify_one();
    return Result::Queued;
}

bool OutputPortWriter::Drain(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return drained_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return queue_.empty() && !writing_; });
}

std::uint64_t OutputPortWriter::DroppedChunks() const {
    std::lock_guard lock(mutex_);
    return droppedChunks_;
}

std::uint64_t OutputPortWriter::DroppedBytes() const {
    std::lock_guard lock(mutex_);
    return droppedBytes_;
}

void OutputPortWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        std::string chunk = std::move(queue_.front());
        queue_.pop_front();
        writing_ = true;
        lock.unlock();
        if (port_) port_->Write(chunk);  // a failed write is not retried: the next chunk goes on
        lock.lock();
        queuedBytes_ -= chunk.size();
        writing_ = false;
        if (queue_.empty()) drained_.notify_all();
    }
}

}  // namespace devices
