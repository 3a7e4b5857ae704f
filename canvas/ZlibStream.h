// One zlib stream (RFC 1950: header, deflate data, Adler-32 trailer; window
// bits 15) made from or turned back into a block of bytes in memory, as the
// compressed project file holds it after its magic.
//
// Inflating insists on the end of the stream: a stream cut short (a save that
// was interrupted) is an error, never a shorter good text. The inflated size
// is bounded so that a small damaged or crafted file cannot claim gigabytes.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace vlm {

// Default bound on an inflated project text: 1 GiB.
inline constexpr size_t kMaxInflatedBytes = size_t{1} << 30;

// Appends the zlib stream of `data` at `level` (Z_DEFAULT_COMPRESSION, or 0
// to 9) to `out`. False only when zlib itself fails (memory).
bool DeflateAppend(std::string_view data, int level, std::string& out);

// One zlib stream of a text that arrives in pieces, compressed on a worker
// thread so that making the next piece overlaps compressing the last one.
// The stream is appended to `out`, which must not be touched until Finish
// has returned. Only the pieces cross threads.
class BackgroundDeflater {
  public:
    BackgroundDeflater(int level, std::string& out);
    // Stops the worker; a stream that was not finished is left incomplete.
    ~BackgroundDeflater();
    BackgroundDeflater(const BackgroundDeflater&) = delete;
    BackgroundDeflater& operator=(const BackgroundDeflater&) = delete;

    // Queues a piece; waits while a few pieces are already waiting.
    void Push(std::string piece);
    // Ends the stream and waits for it; false when zlib failed on the way.
    bool Finish();

  private:
    void Run();

    std::string& out_;
    int level_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pieces_;
    bool finishing_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    std::thread worker_;
};

enum class InflateStatus {
    Ok,         // the whole stream, up to its end, was inflated
    Truncated,  // the input ended before the end of the stream
    Damaged,    // bad header, bad data or a wrong checksum
    TooLarge,   // the inflated bytes would exceed the bound
    NoMemory,
};

// A growable byte buffer for inflated text. It grows with realloc, which
// moves large blocks by remapping pages instead of copying them, so a text
// near the bound never needs twice its size in memory.
class TextBuffer {
  public:
    TextBuffer() = default;
    ~TextBuffer() { Clear(); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    std::string_view View() const { return {data_, size_}; }
    void Clear();  // empties it and releases the memory

  private:
    friend InflateStatus Inflate(std::string_view data, TextBuffer& out, size_t maxBytes);
    bool Grow(size_t capacity);
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// Inflates the zlib stream at the start of `data` into `out` (replacing its
// content). Bytes after the end of the stream are ignored. On any status
// other than Ok `out` is left empty.
InflateStatus Inflate(std::string_view data, TextBuffer& out, size_t maxBytes = kMaxInflatedBytes);

}  // namespace vlm
