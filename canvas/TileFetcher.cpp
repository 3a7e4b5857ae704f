#include "canvas/TileFetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <filesystem>
#include <fstream>

#include "canvas/JpegTile.h"
#include "canvas/TileMath.h"

namespace tiles {

struct TileFetcher::Transfer {
    CURL* easy = nullptr;
    TileRequest tile;
    std::string key;
    std::string body;
    std::size_t cap = 0;
    bool overCap = false;
    std::uint64_t generation = 0;
};

namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<TileFetcher::Transfer*>(user);
    const std::size_t n = size * count;
    if (t->body.size() + n > t->cap) {
        t->overCap = true;
        return 0;  // aborts the transfer
    }
    t->body.append(data, n);
    return n;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t n = std::char_traits<char>::length(prefix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// No connection, no name or no TLS session: the server, not the tile, failed.
bool ServerUnreachable(int code, long connectTimeUs) {
    switch (code) {
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
            return true;
        case CURLE_OPERATION_TIMEDOUT:
            return connectTimeUs == 0;
        default:
            return false;
    }
}

}  // namespace

bool WriteTileFile(const std::string& file, const std::string& body) {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    const fs::path target(file);
    fs::create_directories(target.parent_path(), ec);
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".part" +
                                                  std::to_string(counter++));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(body.data(), static_cast<std::streamsize>(body.size()));
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

TileFetcher::TileFetcher(TileFetcherOptions options, std::function<void()> notify)
    : options_(std::move(options)), notify_(std::move(notify)) {
    GlobalInitOnce();
    if (options_.server.empty()) options_.server = kDefaultTileServer;
    while (!options_.server.empty() && options_.server.back() == '/') options_.server.pop_back();
    https_ = StartsWithNoCase(options_.server, "https://");
    options_.maxTransfers = std::max(options_.maxTransfers, 1);
    options_.queueCapacity = std::max<std::size_t>(options_.queueCapacity, 1);
    multi_ = curl_multi_init();
    headers_ = curl_slist_append(nullptr, "Accept:");
    worker_ = std::thread([this] { Run(); });
}

TileFetcher::~TileFetcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
    worker_.join();
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
    curl_slist_free_all(static_cast<curl_slist*>(headers_));
}

std::chrono::steady_clock::time_point TileFetcher::Now() const {
    return options_.now ? options_.now() : std::chrono::steady_clock::now();
}

std::chrono::milliseconds TileFetcher::Delay(int failures) const {
    auto delay = options_.backoffBase;
    for (int i = 1; i < failures && delay < options_.backoffMax; ++i) delay *= 2;
    return std::min(delay, options_.backoffMax);
}

std::string TileFetcher::UrlOf(int zoom, int column, int row) const {
    return options_.server + TileRequestPath(zoom, column, row);
}

bool TileFetcher::Request(const TileRequest& tile) {
    const std::string key = TileKey(tile.zoom, tile.column, tile.row);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (running_.count(key)) return false;
        const auto failed = failures_.find(key);
        if (failed != failures_.end() && Now() < failed->second.retryAt) return false;
        const auto queued = queued_.find(key);
        if (queued != queued_.end()) {
            queue_.splice(queue_.begin(), queue_, queued->second);
        } else {
            queue_.push_front(tile);
            queued_[key] = queue_.begin();
            while (queue_.size() > options_.queueCapacity) {
                const TileRequest& oldest = queue_.back();
                queued_.erase(TileKey(oldest.zoom, oldest.column, oldest.row));
                queue_.pop_back();
            }
        }
    }
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
    return true;
}

void TileFetcher::KeepOnly(const std::set<std::string>& wantedKeys) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = queue_.begin(); it != queue_.end();) {
        const std::string key = TileKey(it->zoom, it->column, it->row);
        if (wantedKeys.count(key)) {
            ++it;
        } else {
            queued_.erase(key);
            it = queue_.erase(it);
        }
    }
}

void TileFetcher::CancelAll() {
    {
        // A tile being written is waited for: after this, none is.
        std::lock_guard<std::mutex> disk(diskMutex_);
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
        queue_.clear();
        queued_.clear();
        running_.clear();
        failures_.clear();
        server_ = {};
        serverProbing_ = false;
        inbox_.clear();
    }
    curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

std::vector<TileArrival> TileFetcher::TakeArrivals() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TileArrival> out;
    out.swap(inbox_);
    return out;
}

bool TileFetcher::IsBackedOff(int zoom, int column, int row) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto failed = failures_.find(TileKey(zoom, column, row));
    return failed != failures_.end() && Now() < failed->second.retryAt;
}

std::size_t TileFetcher::FailedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_.size();
}

std::size_t TileFetcher::QueuedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

std::vector<std::string> TileFetcher::QueuedKeys() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> keys;
    for (const TileRequest& t : queue_) keys.push_back(TileKey(t.zoom, t.column, t.row));
    return keys;
}

std::size_t TileFetcher::RunningCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_.size();
}

// ---------------------------------------------------------------------------
// The worker

void TileFetcher::Run() {
    auto* multi = static_cast<CURLM*>(multi_);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) break;
        }
        AbortCancelled();
        StartTransfers();
        int active = 0;
        curl_multi_perform(multi, &active);
        int left = 0;
        bool ended = false;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            const auto it = std::find_if(transfers_.begin(), transfers_.end(),
                                         [&](const auto& t) { return t->easy == message->easy_handle; });
            if (it == transfers_.end()) continue;
            const int code = message->data.result;  // read before the handle goes
            Finish(**it, code);
            ended = true;
            curl_multi_remove_handle(multi, (*it)->easy);
            curl_easy_cleanup((*it)->easy);
            transfers_.erase(it);
        }
        // A transfer that ended makes room: the queue is served before waiting.
        if (!ended) curl_multi_poll(multi, nullptr, 0, 250, nullptr);
    }
    for (auto& t : transfers_) {
        curl_multi_remove_handle(multi, t->easy);
        curl_easy_cleanup(t->easy);
    }
    transfers_.clear();
}

void TileFetcher::AbortCancelled() {
    std::uint64_t current = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        current = generation_;
    }
    auto* multi = static_cast<CURLM*>(multi_);
    for (auto it = transfers_.begin(); it != transfers_.end();) {
        if ((*it)->generation == current) {
            ++it;
            continue;
        }
        curl_multi_remove_handle(multi, (*it)->easy);
        curl_easy_cleanup((*it)->easy);
        it = transfers_.erase(it);
        ++finished_;
    }
}

void TileFetcher::StartTransfers() {
    std::vector<std::unique_ptr<Transfer>> fresh;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::size_t limit = static_cast<std::size_t>(options_.maxTransfers);
        if (server_.count > 0) {
            // Backed off: nothing until the wait is over, then one probe.
            limit = Now() < server_.retryAt || serverProbing_ ? 0 : 1;
        }
        while (transfers_.size() + fresh.size() < limit && !queue_.empty()) {
            auto t = std::make_unique<Transfer>();
            t->tile = queue_.front();
            t->key = TileKey(t->tile.zoom, t->tile.column, t->tile.row);
            t->generation = generation_;
            t->cap = options_.maxBodyBytes;
            queued_.erase(t->key);
            queue_.pop_front();
            running_[t->key] = generation_;
            if (server_.count > 0) serverProbing_ = true;
            fresh.push_back(std::move(t));
        }
    }
    for (auto& t : fresh) {
        CURL* easy = curl_easy_init();
        t->easy = easy;
        const std::string url = UrlOf(t->tile.zoom, t->tile.column, t->tile.row);
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, "PlovanHX/1.0");
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(headers_));
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, https_ ? "https" : "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, https_ ? "https" : "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeoutMs));
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.transferTimeoutMs));
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxBodyBytes));
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!options_.caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, options_.caFile.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, t.get());
        curl_easy_setopt(easy, CURLOPT_PRIVATE, t.get());
        curl_multi_add_handle(static_cast<CURLM*>(multi_), easy);
        ++started_;
        transfers_.push_back(std::move(t));
    }
}

void TileFetcher::Finish(Transfer& t, int code) {
    long status = 0;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t declared = -1, connectUs = 0;
    curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
    curl_easy_getinfo(t.easy, CURLINFO_CONNECT_TIME_T, &connectUs);
    const bool complete = code == CURLE_OK && status == 200 && !t.overCap &&
                          (declared < 0 || static_cast<std::size_t>(declared) == t.body.size());
    std::optional<QImage> image;
    if (complete) image = DecodeJpegTile(t.body);
    const bool unreachable = ServerUnreachable(code, static_cast<long>(connectUs));

    // The tile goes to the disk outside the paint's lock; CancelAll cannot
    // run meanwhile, so a tile of the current generation stays current.
    std::unique_lock<std::mutex> disk(diskMutex_);
    bool current = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        current = t.generation == generation_;
    }
    const bool written = current && image &&
                         (options_.writeTile ? options_.writeTile(t.tile.file, t.body)
                                             : WriteTileFile(t.tile.file, t.body));
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Counted as the lock is let go, so whoever sees the count also
        // sees the tile's outcome (its inbox entry or its back-off).
        struct CountOnExit {
            std::atomic<std::size_t>& count;
            ~CountOnExit() { ++count; }
        } countOnExit{finished_};
        const auto running = running_.find(t.key);
        if (running != running_.end() && running->second == t.generation) running_.erase(running);
        if (t.generation != generation_) return;  // cleared meanwhile: nothing is kept
        const auto now = Now();
        if (serverProbing_) serverProbing_ = false;
        if (unreachable) {
            // Transfers that were already under way when the server went do
            // not lengthen its wait.
            if (now >= server_.retryAt) {
                ++server_.count;
                server_.retryAt = now + Delay(server_.count);
            }
        } else {
            server_ = {};
        }
        if (written) {
            failures_.erase(t.key);
            wake = inbox_.empty();
            inbox_.push_back({t.tile, std::move(*image)});
        } else {
            Failure& f = failures_[t.key];
            ++f.count;
            f.retryAt = now + Delay(f.count);
            BoundFailures(now);
        }
    }
    disk.unlock();
    if (wake && notify_) notify_();
}

void TileFetcher::BoundFailures(std::chrono::steady_clock::time_point now) {
    const std::size_t cap = std::max<std::size_t>(options_.maxFailedTiles, 1);
    if (failures_.size() <= cap) return;
    std::erase_if(failures_, [now](const auto& entry) { return entry.second.retryAt <= now; });
    while (failures_.size() > cap) {
        failures_.erase(std::min_element(failures_.begin(), failures_.end(),
                                         [](const auto& a, const auto& b) {
                                             return a.second.retryAt < b.second.retryAt;
                                         }));
    }
}

}  // namespace tiles
