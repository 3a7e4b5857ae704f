#include "canvas/ZlibStream.h"

#include <libdeflate.h>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
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

// Deflates all of `in` with `flush` at its end, appending to `out`. Used
// up to Z_STREAM_END for Z_FINISH; for the others until every input byte is
// taken and the output had room left (a sync flush is then complete).
bool DeflateInto(z_stream& zs, std::string_view in, int flush, std::string& out, size_t room) {
    for (;;) {
        if (zs.avail_in == 0 && !in.empty()) {
            const size_t slice = std::min(in.size(), kSlice);
            zs.next_in = InputBytes(in);
            zs.avail_in = static_cast<uInt>(slice);
            in.remove_prefix(slice);
        }
        const size_t used = out.size();
        out.resize(used + room);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        zs.avail_out = static_cast<uInt>(room);
        const int now = in.empty() ? flush : Z_NO_FLUSH;
        const int rc = deflate(&zs, now);
        out.resize(used + room - zs.avail_out);
        if (rc == Z_STREAM_END) return true;
        if (rc != Z_OK && rc != Z_BUF_ERROR) return false;
        if (now != Z_FINISH && zs.avail_in == 0 && in.empty() && zs.avail_out != 0) return true;
        room = std::min(std::max(room, size_t{65536}) * 2, kSlice);
    }
}

// The two header bytes zlib writes for `level` with window bits 15.
void AppendHeader(int level, std::string& out) {
    if (level == Z_DEFAULT_COMPRESSION) level = 6;
    const unsigned flags = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    unsigned header = (Z_DEFLATED + ((15 - 8) << 4)) << 8 | flags << 6;
    header += 31 - header % 31;
    out.push_back(static_cast<char>(header >> 8));
    out.push_back(static_cast<char>(header & 0xff));
}

// Blocks compressed on workers but not yet written, at most, per worker.
constexpr size_t kBlocksPerWorker = 8;

}  // namespace

struct Deflater::Block {
    std::shared_ptr<const std::string> text;
    std::shared_ptr<const std::string> previous;  // its tail is the dictionary
    bool last = false;
    // Set by the worker before `done`.
    std::string compressed;
    uLong adler = 1;
    bool ok = false;
    bool done = false;  // under the deflater's mutex
};

namespace {

// A worker's raw deflate state, kept from block to block (a reset is much
// cheaper than making it again) and ended with the worker.
class WorkerStream {
  public:
    ~WorkerStream() {
        if (ready_) deflateEnd(&zs_);
    }
    // The state reset for a new block at `level`; null when zlib refuses.
    z_stream* For(int level) {
        if (ready_ && level_ == level) return deflateReset(&zs_) == Z_OK ? &zs_ : nullptr;
        if (ready_) deflateEnd(&zs_);
        zs_ = z_stream{};
        ready_ = deflateInit2(&zs_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        level_ = level;
        return ready_ ? &zs_ : nullptr;
    }

  private:
    z_stream zs_{};
    int level_ = 0;
    bool ready_ = false;
};

// Raw deflate of one block: the 32 KiB before it as dictionary, ended on a
// byte boundary or, for the last, with the final block.
void CompressBlock(int level, const std::shared_ptr<const std::string>& text,
                   const std::shared_ptr<const std::string>& previous, bool last,
                   std::string& compressed, uLong& adler, bool& ok) {
    ok = false;
    thread_local WorkerStream worker;
    z_stream* zs = worker.For(level);
    if (!zs) return;
    try {
        bool good = true;
        if (previous && !previous->empty()) {
            const size_t n = std::min(previous->size(), kDictionaryBytes);
            good = deflateSetDictionary(
                       zs, reinterpret_cast<const Bytef*>(previous->data() + previous->size() - n),
                       static_cast<uInt>(n)) == Z_OK;
        }
        // Project text shrinks to about a tenth; the output grows when not.
        const size_t room = text->size() / 4 + 4096;
        compressed.reserve(room);
        ok = good && DeflateInto(*zs, *text, last ? Z_FINISH : Z_SYNC_FLUSH, compressed, room);
        adler = adler32_z(adler32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(text->data()),
                          text->size());
    } catch (const std::bad_alloc&) {
        ok = false;
    }
}

}  // namespace

Deflater::Deflater(int level, std::string& out, TaskPool* pool)
    : out_(out), start_(out.size()), level_(level), pool_(pool) {
    if (pool_) {
        AppendHeader(level_, out_);
        pending_.reserve(kDeflateBlockBytes);
        return;
    }
    serial_ = new z_stream{};
    if (deflateInit2(serial_, level_, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        delete serial_;
        serial_ = nullptr;
        failed_ = true;
    }
}

Deflater::~Deflater() {
    if (serial_) {
        deflateEnd(serial_);
        delete serial_;
    }
    // The workers' tasks refer to this deflater until they are done.
    std::unique_lock<std::mutex> lock(mutex_);
    blockDone_.wait(lock, [this] {
        return std::all_of(blocks_.begin(), blocks_.end(), [](const auto& b) { return b->done; });
    });
}

void Deflater::Push(std::string_view piece) {
    if (failed_ || finished_) return;
    if (!pool_) {
        // Output grows by about a tenth of the input for project texts.
        if (!DeflateInto(*serial_, piece, Z_NO_FLUSH, out_, piece.size() / 8 + 4096))
            failed_ = true;
        return;
    }
    while (!piece.empty()) {
        if (pending_.size() == kDeflateBlockBytes) Cut(false);
        const size_t take = std::min(piece.size(), kDeflateBlockBytes - pending_.size());
        pending_.append(piece.data(), take);
        piece.remove_prefix(take);
    }
}

bool Deflater::Finish() {
    if (!finished_ && !failed_) {
        if (!pool_) {
            failed_ = !DeflateInto(*serial_, {}, Z_FINISH, out_, 4096);
        } else {
            Cut(true);
            WriteDone(0);
            if (!failed_) {
                for (int shift = 24; shift >= 0; shift -= 8)
                    out_.push_back(static_cast<char>(adler_ >> shift & 0xff));
            }
        }
    }
    finished_ = true;
    if (failed_) out_.resize(start_);
    return !failed_;
}

// The text gathered so far becomes a block for the workers; the last block
// may be shorter (or, for an empty text, empty).
void Deflater::Cut(bool last) {
    auto block = std::make_shared<Block>();
    block->text = std::make_shared<const std::string>(std::move(pending_));
    block->previous = std::move(previous_);
    block->last = last;
    previous_ = block->text;
    pending_ = std::string();
    if (!last) pending_.reserve(kDeflateBlockBytes);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_.push_back(block);
    }
    const int level = level_;
    try {
        pool_->Run([this, block, level] {
            CompressBlock(level, block->text, block->previous, block->last, block->compressed,
                          block->adler, block->ok);
            // Done under the lock: once the destructor sees it, this task no
            // longer touches the deflater.
            std::lock_guard<std::mutex> lock(mutex_);
            block->done = true;
            blockDone_.notify_all();
        });
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        block->done = true;  // never queued: fails the stream
        throw;
    }
    WriteDone(kBlocksPerWorker * pool_->Threads());
}

// Writes the finished blocks at the front in order, waiting while more than
// `keepInFlight` are still out.
void Deflater::WriteDone(size_t keepInFlight) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!blocks_.empty() && blocks_.front()->done) {
            const std::shared_ptr<Block> block = std::move(blocks_.front());
            blocks_.pop_front();
            lock.unlock();
            if (!block->ok) failed_ = true;
            if (!failed_) {
                out_.append(block->compressed);
                adler_ = adler32_combine(adler_, block->adler,
                                         static_cast<z_off_t>(block->text->size()));
            }
            lock.lock();
        }
        if (blocks_.size() <= keepInFlight) return;
        blockDone_.wait(lock, [this] { return blocks_.front()->done; });
    }
}

bool DeflateAppend(std::string_view data, int level, std::string& out) {
    Deflater deflater(level, out);
    deflater.Push(data);
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

InflateStatus InflateZlib(std::string_view data, TextBuffer& out, size_t maxBytes) {
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

// Inside access for the whole-buffer inflater.
struct TextBufferAccess {
    static bool Room(TextBuffer& b, size_t capacity) {
        b.Clear();
        return b.Grow(capacity);
    }
    static char* Data(TextBuffer& b) { return b.data_; }
    static void SetSize(TextBuffer& b, size_t size) { b.size_ = size; }
};

namespace {

// libdeflate inflates a whole buffer at once, about three times as fast as
// zlib. It is used only where both decoders read a stream alike: the zlib
// header with the full 32 KiB window (every stream zlib writes at window
// bits 15; with a smaller declared window zlib refuses distances beyond it,
// libdeflate does not) and no preset dictionary. It needs the output's size
// up front: a guess from the input, doubled while it is too small, up to the
// bound. Only a complete stream is taken from it; every other outcome is
// left to zlib, which tells a stream cut short from a damaged one.
enum class FastResult { Ok, TooLarge, AskZlib };

// The pages of a fresh output buffer, made present by pool workers from its
// start on while the inflater fills it: taking a page fault for every 4 KiB
// it writes would cost the inflater a third of its time. The kernel makes a
// page present once, whoever asks first, and leaves its content alone, so
// the workers never touch the bytes the inflater writes. Stops, and waits
// for the workers, when destroyed.
class Prefault {
  public:
    Prefault(TaskPool* pool, char* data, size_t size) {
#ifdef MADV_POPULATE_WRITE
        if (!pool) return;
        const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
        const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) / page * page;
        if (page == 0 || end <= begin) return;
        shared_ = std::make_shared<Shared>();
        shared_->begin = reinterpret_cast<char*>(begin);
        shared_->chunks = (end - begin + kChunk - 1) / kChunk;
        shared_->size = end - begin;
        // Two workers keep ahead of the inflater; more only wait for each
        // other in the kernel.
        for (size_t i = 0; i < std::min<size_t>(2, pool->Threads()); ++i) {
            {
                std::lock_guard<std::mutex> lock(shared_->mutex);
                ++shared_->running;
            }
            try {
                pool->Run([shared = shared_] {
                    Work(*shared);
                    std::lock_guard<std::mutex> lock(shared->mutex);
                    if (--shared->running == 0) shared->done.notify_all();
                });
            } catch (...) {
                std::lock_guard<std::mutex> lock(shared_->mutex);
                --shared_->running;
                break;
            }
        }
#else
        (void)pool;
        (void)data;
        (void)size;
#endif
    }
    ~Prefault() {
        if (!shared_) return;
        shared_->stop = true;
        std::unique_lock<std::mutex> lock(shared_->mutex);
        shared_->done.wait(lock, [this] { return shared_->running == 0; });
    }
    Prefault(const Prefault&) = delete;
    Prefault& operator=(const Prefault&) = delete;

  private:
    static constexpr size_t kChunk = size_t{1} << 20;
    struct Shared {
        char* begin = nullptr;
        size_t size = 0;
        size_t chunks = 0;
        std::atomic<size_t> next{0};
        std::atomic<bool> stop{false};
        std::mutex mutex;
        std::condition_variable done;
        size_t running = 0;  // under `mutex`
    };
    static void Work(Shared& s) {
#ifdef MADV_POPULATE_WRITE
        for (;;) {
            const size_t i = s.next.fetch_add(1);
            if (i >= s.chunks || s.stop.load()) return;
            const size_t length = std::min(kChunk, s.size - i * kChunk);
            // A kernel without it refuses; the inflater then takes its faults.
            if (::madvise(s.begin + i * kChunk, length, MADV_POPULATE_WRITE) != 0) return;
        }
#else
        (void)s;
#endif
    }
    std::shared_ptr<Shared> shared_;
};

FastResult InflateFast(std::string_view data, TextBuffer& out, size_t maxBytes,
                       libdeflate_decompressor* decompressor, TaskPool* pool) {
    if (data.size() < 2) return FastResult::AskZlib;
    const auto cmf = static_cast<unsigned char>(data[0]), flg = static_cast<unsigned char>(data[1]);
    if (cmf != 0x78 || (flg & 0x20) != 0) return FastResult::AskZlib;
    size_t capacity = std::min(maxBytes, std::max<size_t>(data.size() * 16, 1 << 20));
    for (;;) {
        if (!TextBufferAccess::Room(out, std::max<size_t>(capacity, 1))) return FastResult::AskZlib;
        size_t used = 0, produced = 0;
        libdeflate_result rc;
        {
            // Project text shrinks to about a tenth: the pages beyond that
            // are left to the inflater, so that a guess far too large costs
            // nothing.
            const Prefault prefault(pool, TextBufferAccess::Data(out),
                                    std::min(capacity, data.size() * 11));
            rc = libdeflate_zlib_decompress_ex(decompressor, data.data(), data.size(),
                                               TextBufferAccess::Data(out), capacity, &used,
                                               &produced);
        }
        if (rc == LIBDEFLATE_SUCCESS) {
            TextBufferAccess::SetSize(out, produced);
            return FastResult::Ok;
        }
        if (rc != LIBDEFLATE_INSUFFICIENT_SPACE) return FastResult::AskZlib;
        // More than the bound allows: zlib, too, stops at the bound before
        // it reads anything further.
        if (capacity >= maxBytes) return FastResult::TooLarge;
        capacity = capacity > maxBytes / 2 ? maxBytes : capacity * 2;
    }
}

}  // namespace

InflateStatus Inflate(std::string_view data, TextBuffer& out, size_t maxBytes, TaskPool* pool) {
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    FastResult fast = FastResult::AskZlib;
    if (decompressor) {
        fast = InflateFast(data, out, maxBytes, decompressor, pool);
        libdeflate_free_decompressor(decompressor);
    }
    if (fast == FastResult::Ok) return InflateStatus::Ok;
    out.Clear();
    if (fast == FastResult::TooLarge) return InflateStatus::TooLarge;
    return InflateZlib(data, out, maxBytes);
}

}  // namespace vlm
