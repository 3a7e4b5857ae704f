// The worker's TCP connection to a caster, on POSIX sockets. Every wait
// (lookup, connect, receive, send) ends at once when another thread calls
// Stop(), because closing or shutting down a socket does not reliably wake
// a thread blocked on it on Linux. Only the owning thread closes the
// descriptor; other threads only shut it down, under the same lock, so a
// descriptor number reused elsewhere is never touched. Every send uses
// MSG_NOSIGNAL: a caster that hung up gives an error, never SIGPIPE.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

class TNTRIPSocket {
  public:
    enum class Result {
        Ok,
        Closed,  // the peer ended the connection
        TimedOut,
        Stopped,  // Stop() was called
        Nudged,   // Nudge() was called (only a receive reports it)
        Failed,
    };

    TNTRIPSocket();
    ~TNTRIPSocket();
    TNTRIPSocket(const TNTRIPSocket&) = delete;
    TNTRIPSocket& operator=(const TNTRIPSocket&) = delete;

    // Owning thread.
    // First IPv4 address of `host` (dotted address or name). A name is
    // looked up on a helper thread, so Stop() ends the wait; a lookup left
    // behind finishes on its own.
    Result Resolve(const std::string& host, in_addr* address);
    bool Create();
    Result Connect(const in_addr& address, int port, int timeoutMs);
    // Receives up to `size` bytes; `*received` is set on Ok (it may be 0
    // after a spurious wake-up).
    Result Receive(char* buffer, size_t size, int timeoutMs, size_t* received);
    // Sends all bytes (looping on partial sends) within `timeoutMs`; returns
    // how many went out, -1 when nothing could be sent.
    long Send(const char* data, size_t size, int timeoutMs);
    void Close();
    bool Valid() const;

    // Any thread.
    void Stop();   // shuts the socket down and ends every wait from now on
    void Nudge();  // ends a waiting receive with Nudged
    bool Stopped() const { return stopped_.load(); }

  private:
    Result WaitFor(short events, int timeoutMs, bool nudgeable);

    mutable std::mutex mutex_;  // guards fd_ between the owner's close and Stop's shutdown
    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd
    std::atomic<bool> stopped_{false};
};
