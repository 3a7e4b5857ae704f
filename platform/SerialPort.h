// One serial port, opened the way the program needs it on Linux: non-blocking,
// close-on-exec, exclusive (flock plus TIOCEXCL), always in raw mode, with
// reads that never wait and writes that wait at most 1000 ms.
//
// The port object is thread-safe and meant to be shared
// (std::shared_ptr<SerialPort>): the GNSS reader polls it on the GUI thread
// while the NTRIP worker writes correction bytes to it. It lives on across
// Close and Open; while it is closed, writes are dropped and their bytes
// counted, so a descriptor number that the system hands out again can never
// receive bytes meant for the port. The raw descriptor never leaves the class.
//
// Port names: "COM"+n is the device that the link <APPDATA>/Plovan/PHX/ports/COMn
// points to when that link exists, else /dev/ttyS<n-1>. Any other name is
// looked up as a link in the same folder, then as a path (when it starts with
// '/'), then below /dev/.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class Parity {
    None = 0,
    Odd = 1,
    Even = 2,
    Mark = 3,   // through CMSPAR
    Space = 4,  // through CMSPAR
    Keep = 5,   // leave the parity the device had
};

struct SerialSettings {
    int baudRate = 9600;  // any positive rate; rates termios lacks go through termios2
    int dataBits = 8;     // 5..8; anything else fails the open
    Parity parity = Parity::None;
    bool parityCheck = false;   // check received parity (INPCK); a bad byte reads as 0
    bool twoStopBits = false;   // one and a half stop bits are taken as two
    bool dtr = false;           // raise DTR while open (ignored where the device has none)
    bool rts = false;           // raise RTS while open
    bool hardwareFlow = false;  // RTS/CTS handshake
    bool softwareFlow = false;  // XON/XOFF handshake
};

// What a read that never waits found.
struct SerialRead {
    size_t bytes = 0;   // bytes placed in the buffer
    bool gone = false;  // the device went away (end of file, EIO, hang-up) or the port is closed
    std::string why;    // when gone: what the read met, in the system's words
};

class SerialPort {
  public:
    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    static std::shared_ptr<SerialPort> Create() { return std::make_shared<SerialPort>(); }

    // Device path for "COM"+n, and for any port name (see the header comment).
    static std::string DevicePathForNumber(int portNumber);
    static std::string DevicePathForName(std::string_view name);

    // The folder of the COMn links: <APPDATA>/Plovan/PHX/ports/.
    static std::string PortLinkDir();

    // The ports the settings windows offer: every COMn link whose target
    // exists, then every /dev/ttyS<k> that is a real port as "COM<k+1>";
    // no duplicates, sorted by number.
    static std::vector<std::string> ListPorts();

    // Opens and configures; closes first when open. False when the device
    // cannot be opened, is held by someone else, or refuses a setting (the
    // port is then closed and LastError() says why).
    bool Open(int portNumber, const SerialSettings& settings);
    bool OpenName(std::string_view name, const SerialSettings& settings);
    bool OpenDevice(const std::string& devicePath, const SerialSettings& settings);

    // Waits for a write in progress to give up (it is woken at once), then
    // closes the descriptor. Nothing when closed.
    void Close();

    bool IsOpen() const;

    // True once a read found the device gone; cleared by the next open.
    bool IsGone() const { return gone_.load(); }

    std::string DevicePath() const;
    std::string LastError() const;

    // Reads what is queued, at most `size` bytes, without waiting.
    SerialRead Read(void* buffer, size_t size);

    // Bytes in the input queue (FIONREAD); -1 when closed or the call fails.
    long QueuedBytes() const;

    // Throws away what waits in both directions (tcflush TCIOFLUSH).
    void Purge();

    // Writes all `size` bytes, looping on short writes, for at most 1000 ms
    // in all. Returns how many bytes went out; the rest are counted in
    // DroppedBytes(). A closed port writes nothing and counts everything.
    // Writes from several threads never interleave.
    size_t Write(const void* data, size_t size);
    size_t Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }

    // Bytes that writes could not deliver (closed port, time-out, error)
    // and bytes delivered, since the object was made.
    uint64_t DroppedBytes() const { return dropped_.load(); }
    uint64_t WrittenBytes() const { return written_.load(); }

    static constexpr int kWriteTimeoutMs = 1000;

  private:
    bool OpenLocked(const std::string& devicePath, const SerialSettings& settings);
    void CloseLocked();
    // Makes a write that waits for room give up at once, so that open and
    // close never wait out its bound; cleared again under the exclusive lock.
    void InterruptWrite();

    // `life_` is held shared by every read and write and exclusively by open
    // and close, so the descriptor cannot be closed under an operation.
    mutable std::shared_mutex life_;
    std::mutex writeOrder_;  // one writer at a time
    std::mutex readOrder_;   // one reader at a time
    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd: Close wakes a waiting write with it
    std::atomic<bool> closing_{false};
    std::atomic<bool> gone_{false};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> written_{0};
    std::string devicePath_;
    std::string lastError_;
};

}  // namespace platform
