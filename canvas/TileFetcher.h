// Downloads satellite tiles on one worker thread of its own, so no paint
// ever waits on the network. libcurl runs at most `maxTransfers` requests at
// a time from a bounded queue, the newest request first.
//
// A tile is accepted only from a final 200 answer without a transfer error,
// with the whole body its Content-Length announced, at most `maxBodyBytes`
// long and decoding as a 256 x 256 JPEG (JpegTile.h). It is then written
// through a temporary file in its zoom folder and a rename, decoded, and
// handed to the GUI thread through the arrival inbox: `notify` runs on the
// worker when the inbox stops being empty, and the owner takes the whole
// batch with TakeArrivals. A failed tile leaves no file behind.
//
// Requests: "GET <server><path>", user agent "PlovanHX/1.0" and no other
// optional header; the proxy comes from the environment (http_proxy,
// https_proxy, no_proxy); TLS is verified (against `caFile` when given); at
// most 5 redirects are followed, and an HTTPS server is never left for HTTP.
//
// Failures: a failed tile is not asked for again for `backoffBase`, doubling
// at each further failure up to `backoffMax`. A server that cannot be
// reached (no connection, no name, no TLS session) is backed off as a whole
// with the same schedule; once its wait is over one request probes it at a
// time until a connection succeeds. At most `maxFailedTiles` failed tiles
// are remembered (offline, every tile panned over fails): beyond that the
// ones whose wait is over go first, then the one whose wait ends soonest.
//
// The lock that the paint takes (Request, TakeArrivals, ...) is never held
// while a tile is written: the worker writes under a lock of the disk's own
// and takes the paint's lock only to hand the tile over. CancelAll takes
// both: it forgets the queue, the back-off and the inbox and aborts the
// running transfers, and waits for a tile being written, so nothing fetched
// before it returns is written or shown after. Every member is safe to call
// from any thread.
#pragma once

#include <QImage>
#include <atomic>
#include <cstdint>
#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tiles {

// The public imagery server of the tile path, HTTPS on port 443.
inline constexpr const char* kDefaultTileServer = "https://server.arcgisonline.com";

struct TileFetcherOptions {
    // "scheme://host[:port]" with scheme http or https; empty: kDefaultTileServer.
    std::string server;
    std::string caFile;  // PEM bundle for TLS; empty: the system's
    int connectTimeoutMs = 5000;
    int transferTimeoutMs = 15000;
    std::size_t maxBodyBytes = 4u << 20;
    int maxTransfers = 4;
    std::size_t queueCapacity = 256;
    std::chrono::milliseconds backoffBase{30000};
    std::chrono::milliseconds backoffMax{600000};
    std::size_t maxFailedTiles = 1024;
    // The clock of the back-off; empty: std::chrono::steady_clock.
    std::function<std::chrono::steady_clock::time_point()> now;
    // Puts a tile's bytes in its file; false when that failed. Empty:
    // WriteTileFile. Tests stand a slow disk here.
    std::function<bool(const std::string& file, const std::string& body)> writeTile;
};

// Writes `body` through a temporary file beside `file` and a rename, making
// the folders on the way; on any failure neither file is left.
bool WriteTileFile(const std::string& file, const std::string& body);

struct TileRequest {
    int zoom = 0, column = 0, row = 0;
    std::string file;  // where the tile goes on disk (folders made as needed)
};

struct TileArrival {
    TileRequest tile;
    QImage image;
};

class TileFetcher {
public:
    TileFetcher(TileFetcherOptions options, std::function<void()> notify);
    ~TileFetcher();
    TileFetcher(const TileFetcher&) = delete;
    TileFetcher& operator=(const TileFetcher&) = delete;

    // Queues a tile (or moves it to the front) unless it is running or
    // waiting out a failure. False when it was not queued for either reason.
    bool Request(const TileRequest& tile);
    // Drops the queued requests whose keys are not in `wanted`.
    void KeepOnly(const std::set<std::string>& wantedKeys);
    void CancelAll();
    std::vector<TileArrival> TakeArrivals();

    // For tests and the benchmark.
    bool IsBackedOff(int zoom, int column, int row) const;
    std::size_t FailedCount() const;  // failed tiles remembered
    std::size_t QueuedCount() const;
    std::vector<std::string> QueuedKeys() const;  // newest first
    std::size_t RunningCount() const;
    // Transfers started since construction (requests that reached libcurl).
    std::size_t StartedCount() const { return started_.load(); }
    // Tiles that ended (written, failed or cancelled) since construction.
    std::size_t FinishedCount() const { return finished_.load(); }

    const TileFetcherOptions& Options() const { return options_; }
    // "<server><path>" of a tile.
    std::string UrlOf(int zoom, int column, int row) const;

    struct Transfer;  // one request on the worker

private:
    struct Failure {
        int count = 0;
        std::chrono::steady_clock::time_point retryAt{};
    };

    std::chrono::steady_clock::time_point Now() const;
    std::chrono::milliseconds Delay(int failures) const;
    void Run();
    void StartTransfers();
    void Finish(Transfer& transfer, int curlCode);
    void AbortCancelled();
    // Keeps at most options_.maxFailedTiles failures; the lock is held.
    void BoundFailures(std::chrono::steady_clock::time_point now);

    TileFetcherOptions options_;
    std::function<void()> notify_;
    bool https_ = false;

    // Held while a tile is written and by CancelAll, never by the paint;
    // taken before mutex_.
    std::mutex diskMutex_;
    mutable std::mutex mutex_;  // everything below up to the worker's own state
    std::list<TileRequest> queue_;  // front: newest
    std::unordered_map<std::string, std::list<TileRequest>::iterator> queued_;
    std::map<std::string, std::uint64_t> running_;  // key -> generation
    std::map<std::string, Failure> failures_;
    Failure server_;
    bool serverProbing_ = false;  // one probe at a time after a back-off
    std::vector<TileArrival> inbox_;
    std::uint64_t generation_ = 0;
    bool stop_ = false;

    std::atomic<std::size_t> started_{0}, finished_{0};

    // The worker's own.
    void* multi_ = nullptr;    // CURLM*
    void* headers_ = nullptr;  // curl_slist*: drops the Accept header
    std::vector<std::unique_ptr<Transfer>> transfers_;
    std::thread worker_;
};

}  // namespace tiles
