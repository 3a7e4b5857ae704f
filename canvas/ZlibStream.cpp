#include "canvas/ZlibStream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

namespace vlm {
namespace {

// zlib counts in uInt; larger blocks are fed in slices of this size.
constexpr size_t kSlice = UINT_MAX;

Bytef* InputBytes(std::string_view data) {
    return reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
}

}  // namespace

bool DeflateAppend(std::string_view data, int level, std::string& out) {
    z_stream zs{};
    if (deflateInit2(&zs, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    const size_t start = out.size();
    size_t written = 0;
    bool ok = true;
    try {
        // deflateBound covers the whole stream, so the loop normally runs once.
        out.resize(start + deflateBound(&zs, static_cast<uLong>(std::min<size_t>(data.size(), ULONG_MAX))));
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            if (zs.avail_in == 0 && !data.empty()) {
                const size_t slice = std::min(data.size(), kSlice);
                zs.next_in = InputBytes(data);
                zs.avail_in = static_cast<uInt>(slice);
                data.remove_prefix(slice);
            }
            if (out.size() - start - written < 4096) out.resize(out.size() + out.size() / 2 + 65536);
            const size_t room = std::min(out.size() - start - written, kSlice);
            zs.next_out = reinterpret_cast<Bytef*>(out.data() + start + written);
            zs.avail_out = static_cast<uInt>(room);
            rc = deflate(&zs, data.empty() ? Z_FINISH : Z_NO_FLUSH);
            written += room - zs.avail_out;
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                ok = false;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    deflateEnd(&zs);
    out.resize(ok ? start + written : start);
    return ok;
}

InflateStatus Inflate(std::string_view data, std::string& out, size_t maxBytes) {
    out.clear();
    z_stream zs{};
    if (inflateInit2(&zs, 15) != Z_OK) return InflateStatus::NoMemory;
    struct End {
        z_stream* zs;
        ~End() { inflateEnd(zs); }
    } end{&zs};

    // The buffer grows geometrically; one byte beyond the bound is the room
    // in which a stream holding more than the bound allows is noticed.
    const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : SIZE_MAX;
    InflateStatus status = InflateStatus::Ok;
    size_t produced = 0;
    try {
        out.resize(std::min(limit, std::max<size_t>(data.size() * 4, 65536)));
        for (;;) {
            if (produced == out.size()) {
                if (out.size() == limit) {
                    status = InflateStatus::TooLarge;
                    break;
                }
                out.resize(out.size() > limit / 2 ? limit : out.size() * 2);
            }
            if (zs.avail_in == 0 && !data.empty()) {
                const size_t slice = std::min(data.size(), kSlice);
                zs.next_in = InputBytes(data);
                zs.avail_in = static_cast<uInt>(slice);
                data.remove_prefix(slice);
            }
            const size_t room = std::min(out.size() - produced, kSlice);
            zs.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
            zs.avail_out = static_cast<uInt>(room);
            const int rc = inflate(&zs, Z_NO_FLUSH);
            produced += room - zs.avail_out;
            if (produced > maxBytes) {
                status = InflateStatus::TooLarge;
                break;
            }
            if (rc == Z_STREAM_END) break;
            if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR || rc == Z_STREAM_ERROR) {
                status = InflateStatus::Damaged;
                break;
            }
            if (rc == Z_MEM_ERROR) {
                status = InflateStatus::NoMemory;
                break;
            }
            // Every input byte is used, there is room for output, and still
            // no end of stream: the stream was cut short.
            if (zs.avail_in == 0 && data.empty() && zs.avail_out != 0) {
                status = InflateStatus::Truncated;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        status = InflateStatus::NoMemory;
    }
    if (status == InflateStatus::Ok) {
        out.resize(produced);
    } else {
        out.clear();
        out.shrink_to_fit();
    }
    return status;
}

}  // namespace vlm
