#include "devices/NTRIPSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "platform/Clock.h"

namespace {

using Clock = std::chrono::steady_clock;
using platform::RemainingMs;

bool LookUp(const std::string& host, in_addr* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

TNTRIPSocket::TNTRIPSocket() { wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

TNTRIPSocket::~TNTRIPSocket() {
    Close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

TNTRIPSocket::Result TNTRIPSocket::Resolve(const std::string& host, in_addr* address) {
    if (Stopped()) return Result::Stopped;
    if (inet_pton(AF_INET, host.c_str(), address) == 1) return Result::Ok;
    struct Lookup {
        std::promise<bool> done;
        in_addr address{};
    };
    auto lookup = std::make_shared<Lookup>();
    std::future<bool> result = lookup->done.get_future();
    std::thread([lookup, host] {
        const bool ok = LookUp(host, &lookup->address);
        lookup->done.set_value(ok);
    }).detach();
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        if (Stopped()) return Result::Stopped;
    }
    if (!result.get()) return Result::Failed;
    *address = lookup->address;
    return Result::Ok;
}

bool TNTRIPSocket::Create() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    std::lock_guard lock(mutex_);
    fd_ = fd;
    return true;
}

TNTRIPSocket::Result TNTRIPSocket::WaitFor(short events, int timeoutMs, bool nudgeable) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (Stopped()) return Result::Stopped;
        pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, RemainingMs(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Result::Failed;
        if (n == 0) return Result::TimedOut;
        // A shutdown makes the socket readable before the wake-up arrives.
        if (Stopped()) return Result::Stopped;
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
            if (Stopped()) return Result::Stopped;
            if (nudgeable) return Result::Nudged;
            if (fds[0].revents == 0) continue;
        }
        return Result::Ok;
    }
}

TNTRIPSocket::Result TNTRIPSocket::Connect(const in_addr& address, int port, int timeoutMs) {
    if (Stopped()) return Result::Stopped;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    target.sin_addr = address;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        return Result::Ok;
    }
    if (errno != EINPROGRESS && errno != EINTR) return Result::Failed;
    const Result waited = WaitFor(POLLOUT, timeoutMs, false);
    if (waited != Result::Ok) return waited;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        return Result::Failed;
    }
    return Result::Ok;
}

TNTRIPSocket::Result TNTRIPSocket::Receive(char* buffer, size_t size, int timeoutMs,
                                           size_t* received) {
    const Result waited = WaitFor(POLLIN, timeoutMs, true);
    if (waited != Result::Ok) return waited;
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n > 0) {
            *received = static_cast<size_t>(n);
            return Result::Ok;
        }
        if (n == 0) return Stopped() ? Result::Stopped : Result::Closed;
        if (errno == EINTR) continue;
        // A spurious readiness: the caller waits again with the time it has left.
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            *received = 0;
            return Result::Ok;
        }
        return Result::Failed;
    }
}

long TNTRIPSocket::Send(const char* data, size_t size, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd_, data + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(POLLOUT, RemainingMs(deadline), false) == Result::Ok) continue;
        }
        break;
    }
    if (sent == 0 && size > 0) return -1;
    return static_cast<long>(sent);
}

void TNTRIPSocket::Close() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool TNTRIPSocket::Valid() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

void TNTRIPSocket::Stop() {
    stopped_ = true;
    {
        std::lock_guard lock(mutex_);
        if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    }
    Nudge();
}

void TNTRIPSocket::Nudge() {
    if (wakeFd_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}
