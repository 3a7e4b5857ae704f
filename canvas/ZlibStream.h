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
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "canvas/TaskPool.h"

struct z_stream_s;
typedef struct z_stream_s z_stream;

namespace vlm {

// Default bound on an inflated project text: 1 GiB.
inline constexpr size_t kMaxInflatedBytes = size_t{1} << 30;

// The text of one block of a stream compressed on several threads, and the
// preset dictionary each block takes from the text before it.
inline constexpr size_t kDeflateBlockBytes = size_t{128} << 10;
inline constexpr size_t kDictionaryBytes = size_t{32} << 10;

// Appends the zlib stream of `data` at `level` (Z_DEFAULT_COMPRESSION, or 0
// to 9) to `out`. False only when zlib itself fails (memory).
bool DeflateAppend(std::string_view data, int level, std::string& out);

// One zlib stream of a text that arrives in pieces, appended to `out`,
// which must not be touched until Finish has returned.
//
// Without a pool the stream is made on the calling thread as one deflate run
// over the whole text: the very bytes DeflateAppend gives. With a pool, the
// text is cut into blocks of kDeflateBlockBytes, each compressed on a worker
// with the kDictionaryBytes before it as preset dictionary and ended on a
// byte boundary (a sync flush; the last block ends the stream); the blocks
// follow the two-byte header in text order and the Adler-32 of the whole
// text, combined from the blocks' own, closes the stream. That is still one
// standard stream, which any inflater reads; it is a few bytes per block
// larger than the serial one (well under 1 % at the default level).
class Deflater {
  public:
    Deflater(int level, std::string& out, TaskPool* pool = nullptr);
    // Waits for the blocks still on workers; a stream that was not finished
    // is left incomplete.
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Appends `piece` to the text. With a pool it waits while many blocks
    // are still being compressed.
    void Push(std::string_view piece);
    // Ends the stream and waits for it. False when zlib failed on the way
    // (a bad level, memory); `out` is then as it was before.
    bool Finish();

  private:
    struct Block;
    void Cut(bool last);
    void WriteDone(size_t keepInFlight);

    std::string& out_;
    const size_t start_;
    const int level_;
    TaskPool* const pool_;
    bool failed_ = false;
    bool finished_ = false;
    // Without a pool: the one deflate run.
    z_stream* serial_ = nullptr;
    // With a pool: the text not yet cut, the block before it (for its
    // dictionary), the blocks not yet written, the Adler-32 so far.
    std::string pending_;
    std::shared_ptr<const std::string> previous_;
    std::mutex mutex_;
    std::condition_variable blockDone_;
    std::deque<std::shared_ptr<Block>> blocks_;
    unsigned long adler_ = 1;
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
    friend InflateStatus InflateZlib(std::string_view data, TextBuffer& out, size_t maxBytes);
    friend struct TextBufferAccess;
    bool Grow(size_t capacity);
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// Inflates the zlib stream at the start of `data` into `out` (replacing its
// content). Bytes after the end of the stream are ignored. On any status
// other than Ok `out` is left empty. A stream zlib writes is inflated by
// libdeflate (faster), anything else by zlib; both give the same result.
// With a pool, its workers make the output's memory present ahead of the
// inflater, which then writes without stopping for page faults.
InflateStatus Inflate(std::string_view data, TextBuffer& out, size_t maxBytes = kMaxInflatedBytes,
                      TaskPool* pool = nullptr);

// The same with zlib alone, in pieces (for tests and the fuzz target, which
// hold the two decoders against each other).
InflateStatus InflateZlib(std::string_view data, TextBuffer& out,
                          size_t maxBytes = kMaxInflatedBytes);

}  // namespace vlm
