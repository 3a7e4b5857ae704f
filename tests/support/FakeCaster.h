// A scripted NTRIP caster on 127.0.0.1 for the tests and the benchmark: it
// accepts one connection at a time on an ephemeral port and runs the test's
// script on it (answer, split the answer, stay silent, hang up...). It
// records every request it read and every GGA sentence the client uploaded,
// with its arrival time. Header-only, no test framework: the benchmark uses
// it too.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace phxtest {

// A loopback port that nothing listens on (at the moment of asking).
inline int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class FakeCaster {
  public:
    using Clock = std::chrono::steady_clock;

    // One accepted client, as the script sees it.
    class Connection {
      public:
        Connection(FakeCaster& caster, int fd) : caster_(caster), fd_(fd) {}

        // Reads until the request's blank line (or the time-out); records it.
        bool ReadRequest(int timeoutMs = 3000) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
            while (pending_.find("\r\n\r\n") == std::string::npos) {
                if (!ReadSome(deadline)) return false;
            }
            const size_t end = pending_.find("\r\n\r\n") + 4;
            request_ = pending_.substr(0, end);
            pending_.erase(0, end);
            caster_.RecordRequest(request_);
            TakeGgaLines();
            return true;
        }
        const std::string& request() const { return request_; }

        bool Send(std::string_view bytes) {
            size_t sent = 0;
            while (sent < bytes.size()) {
                const ssize_t n =
                    ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n > 0) {
                    sent += static_cast<size_t>(n);
                } else if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                    pollfd p{fd_, POLLOUT, 0};
                    ::poll(&p, 1, 100);
                    if (caster_.stopping_) return false;
                } else {
                    return false;
                }
            }
            return true;
        }

        // Sends `bytes` in pieces of `piece` bytes, each on its own segment.
        bool SendInPieces(std::string_view bytes, size_t piece, int pauseMs) {
            for (size_t at = 0; at < bytes.size(); at += piece) {
                if (!Send(bytes.substr(at, piece))) return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            }
            return true;
        }

        // Reads (and records GGA lines) until the client closes, the caster
        // stops or `timeoutMs` passes. True when the client closed.
        bool WaitClosed(int timeoutMs = 10000) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
            while (Clock::now() < deadline) {
                if (!ReadSome(deadline)) return closed_;
            }
            return closed_;
        }

        // Sends `frame` every `intervalMs` until the client closes or the caster stops.
        void StreamUntilClosed(std::string_view frame, int intervalMs) {
            while (!caster_.stopping_) {
                if (!Send(frame)) return;
                const auto deadline = Clock::now() + std::chrono::milliseconds(intervalMs);
                while (Clock::now() < deadline) {
                    if (!ReadSome(deadline) && (closed_ || caster_.stopping_)) return;
                }
            }
        }

        // Ends the connection with a reset instead of an orderly close.
        void Reset() {
            linger hard{1, 0};
            ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }

        bool closedByClient() const { return closed_; }

      private:
        // False on time-out, close or stop.
        bool ReadSome(Clock::time_point deadline) {
            for (;;) {
                if (caster_.stopping_) return false;
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                        .count();
                if (left <= 0) return false;
                pollfd p{fd_, POLLIN, 0};
                const int ready = ::poll(&p, 1, static_cast<int>(left < 50 ? left : 50));
                if (ready <= 0) continue;
                char buffer[65536];
                const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    closed_ = true;
                    return false;
                }
                pending_.append(buffer, static_cast<size_t>(n));
                if (!request_.empty()) TakeGgaLines();
                return true;
            }
        }

        void TakeGgaLines() {
            size_t end;
            while ((end = pending_.find("\r\n")) != std::string::npos) {
                caster_.RecordGga(pending_.substr(0, end));
                pending_.erase(0, end + 2);
            }
        }

        FakeCaster& caster_;
        int fd_;
        std::string pending_;
        std::string request_;
        bool closed_ = false;
    };

    using Script = std::function<void(Connection&)>;

    explicit FakeCaster(Script script) : script_(std::move(script)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 16);
        socklen_t length = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~FakeCaster() {
        stopping_ = true;
        thread_.join();
        ::close(listen_);
    }

    FakeCaster(const FakeCaster&) = delete;
    FakeCaster& operator=(const FakeCaster&) = delete;

    int port() const { return port_; }
    int connections() const { return connections_.load(); }

    std::vector<std::string> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<std::string> ggas() const {
        std::lock_guard lock(mutex_);
        return ggas_;
    }
    std::vector<Clock::time_point> ggaTimes() const {
        std::lock_guard lock(mutex_);
        return ggaTimes_;
    }

  private:
    void Serve() {
        while (!stopping_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            const int yes = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            ++connections_;
            {
                Connection connection(*this, fd);
                script_(connection);
            }
            ::close(fd);
        }
    }

    void RecordRequest(const std::string& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    void RecordGga(const std::string& line) {
        std::lock_guard lock(mutex_);
        ggas_.push_back(line);
        ggaTimes_.push_back(Clock::now());
    }

    Script script_;
    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::string> ggas_;
    std::vector<Clock::time_point> ggaTimes_;
};

}  // namespace phxtest
