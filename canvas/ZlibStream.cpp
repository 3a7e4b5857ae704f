#include "canvas/ZlibStream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace vlm {
namespace {

// zlib counts in uInt; larger blocks are fed in slices of this size.
constexpr size_t kSlice = UINT_MAX;

Bytef* InputBytes(std::string_view data) {
    return reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
}

// Pieces waiting for the worker at most; each is about a megabyte.
constexpr size_t kQueuedPieces = 4;

}  // namespace

BackgroundDeflater::BackgroundDeflater(int level, std::string& out)
    : out_(out), level_(level), worker_([this] { Run(); }) {}

BackgroundDeflater::~BackgroundDeflater() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void BackgroundDeflater::Push(std::string piece) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pieces_.size() < kQueuedPieces || failed_ || stopping_; });
    if (failed_ || stopping_) return;
    pieces_.push_back(std::move(piece));
    changed_.notify_all();
}

bool BackgroundDeflater::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
    return !failed_;
}

void BackgroundDeflater::Run() {
    z_stream zs{};
    bool ok = deflateInit2(&zs, level_, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    const size_t start = out_.size();
    size_t written = 0;
    bool ended = false;
    try {
        while (ok && !ended) {
            std::string piece;
            bool last = false;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return !pieces_.empty() || finishing_ || stopping_; });
                if (stopping_) break;
                if (!pieces_.empty()) {
                    piece = std::move(pieces_.front());
                    pieces_.pop_front();
                }
                last = pieces_.empty() && finishing_;
            }
            changed_.notify_all();
            std::string_view data = piece;
            for (;;) {
                if (zs.avail_in == 0 && !data.empty()) {
                    const size_t slice = std::min(data.size(), kSlice);
                    zs.next_in = InputBytes(data);
                    zs.avail_in = static_cast<uInt>(slice);
                    data.remove_prefix(slice);
                }
                if (out_.size() - start - written < 65536)
                    out_.resize(out_.size() + (out_.size() - start) / 2 + (1 << 20));
                const size_t room = std::min(out_.size() - start - written, kSlice);
                zs.next_out = reinterpret_cast<Bytef*>(out_.data() + start + written);
                zs.avail_out = static_cast<uInt>(room);
                const int flush = last && data.empty() ? Z_FINISH : Z_NO_FLUSH;
                const int rc = deflate(&zs, flush);
                written += room - zs.avail_out;
                if (rc == Z_STREAM_END) {
                    ended = true;
                    break;
                }
                if (rc != Z_OK && rc != Z_BUF_ERROR) {
                    ok = false;
                    break;
                }
                // This piece is used up and the output had room: next piece.
                if (flush == Z_NO_FLUSH && zs.avail_in == 0 && data.empty() && zs.avail_out != 0)
                    break;
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    deflateEnd(&zs);
    out_.resize(ok && ended ? start + written : start);
    std::lock_guard<std::mutex> lock(mutex_);
    failed_ = !(ok && ended);
    changed_.notify_all();
}

bool DeflateAppend(std::string_view data, int level, std::string& out) {
    BackgroundDeflater deflater(level, out);
    deflater.Push(std::string(data));
    return deflater.Finish();
}

void TextBuffer::Clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

bool TextBuffer::Grow(size_t capacity) {
    void* grown = std::realloc(data_, capacity);
    if (!grown) return false;
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
    return true;
}

InflateStatus Inflate(std::string_view data, TextBuffer& out, size_t maxBytes) {
    out.Clear();
    z_stream zs{};
    if (inflateInit2(&zs, 15) != Z_OK) return InflateStatus::NoMemory;

    // The buffer grows geometrically; one byte beyond the bound is the room
    // in which a stream holding more than the bound allows is noticed.
    const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : SIZE_MAX;
    InflateStatus status = InflateStatus::Ok;
    if (!out.Grow(std::min(limit, std::max<size_t>(data.size() * 4, 65536))))
        status = InflateStatus::NoMemory;
    while (status == InflateStatus::Ok) {
        if (out.size_ == out.capacity_) {
            if (out.capacity_ == limit) {
                status = InflateStatus::TooLarge;
                break;
            }
            if (!out.Grow(out.capacity_ > limit / 2 ? limit : out.capacity_ * 2)) {
                status = InflateStatus::NoMemory;
                break;
            }
        }
        if (zs.avail_in == 0 && !data.empty()) {
            const size_t slice = std::min(data.size(), kSlice);
            zs.next_in = InputBytes(data);
            zs.avail_in = static_cast<uInt>(slice);
            data.remove_prefix(slice);
        }
        const size_t room = std::min(out.capacity_ - out.size_, kSlice);
        zs.next_out = reinterpret_cast<Bytef*>(out.data_ + out.size_);
        zs.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        out.size_ += room - zs.avail_out;
        if (out.size_ > maxBytes) {
            status = InflateStatus::TooLarge;
        } else if (rc == Z_STREAM_END) {
            break;
        } else if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR || rc == Z_STREAM_ERROR) {
            status = InflateStatus::Damaged;
        } else if (rc == Z_MEM_ERROR) {
            status = InflateStatus::NoMemory;
        } else if (zs.avail_in == 0 && data.empty() && zs.avail_out != 0) {
            // Every input byte is used, there is room for output, and still
            // no end of stream: the stream was cut short.
            status = InflateStatus::Truncated;
        }
    }
    inflateEnd(&zs);
    if (status != InflateStatus::Ok) out.Clear();
    return status;
}

}  // namespace vlm
