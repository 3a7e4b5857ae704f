#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/Paths.h"
#include "platform/SerialPortConfig.h"
#include "platform/VclText.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// "COM12" (any case) gives 12; anything else 0.
int ComNumber(std::string_view name) {
    if (name.size() < 4) return 0;
    for (size_t i = 0; i < 3; ++i)
        if ((name[i] & ~0x20) != "COM"[i]) return 0;
    int n = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9' || n > 100000) return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool LinkExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// A /dev/ttyS<k> with a UART behind it: its sysfs type is not PORT_UNKNOWN (0).
bool IsRealSerialPort(int k) {
    std::ifstream type("/sys/class/tty/ttyS" + std::to_string(k) + "/type");
    std::string text;
    if (!(type >> text)) return false;
    return StrToIntDef(text, 0) != 0;
}

}  // namespace

SerialPort::SerialPort() { wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

SerialPort::~SerialPort() {
    Close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

std::string SerialPort::PortLinkDir() { return AppDataDir() + "Plovan/PHX/ports/"; }

std::string SerialPort::DevicePathForNumber(int portNumber) {
    if (portNumber < 1) return {};
    const std::string link = PortLinkDir() + "COM" + std::to_string(portNumber);
    if (LinkExists(link)) return link;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string SerialPort::DevicePathForName(std::string_view name) {
    if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
    if (name.empty()) return {};
    if (int n = ComNumber(name); n > 0) return DevicePathForNumber(n);
    const std::string link = PortLinkDir() + std::string(name);
    if (name.find('/') == std::string_view::npos && LinkExists(link)) return link;
    if (name.front() == '/') return std::string(name);
    return "/dev/" + std::string(name);
}

std::vector<std::string> SerialPort::ListPorts() {
    std::set<int> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(PortLinkDir(), ec), end; !ec && it != end; it.increment(ec)) {
        const int n = ComNumber(it->path().filename().string());
        std::error_code targetError;
        if (n > 0 && fs::exists(it->path(), targetError)) numbers.insert(n);
    }
    for (fs::directory_iterator it("/dev", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.rfind("ttyS", 0) != 0 || file.size() == 4) continue;
        const auto k = ParseInt(std::string_view(file).substr(4));
        if (k && *k >= 0 && *k < 100000 &&
            file.find_first_not_of("0123456789", 4) == std::string::npos &&
            IsRealSerialPort(static_cast<int>(*k)))
            numbers.insert(static_cast<int>(*k) + 1);
    }
    std::vector<std::string> ports;
    for (int n : numbers) ports.push_back("COM" + std::to_string(n));
    return ports;
}

bool SerialPort::Open(int portNumber, const SerialSettings& settings) {
    return OpenDevice(DevicePathForNumber(portNumber), settings);
}

bool SerialPort::OpenName(std::string_view name, const SerialSettings& settings) {
    return OpenDevice(DevicePathForName(name), settings);
}

void SerialPort::InterruptWrite() {
    closing_ = true;
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
}

bool SerialPort::OpenDevice(const std::string& devicePath, const SerialSettings& settings) {
    InterruptWrite();
    std::unique_lock lock(life_);
    CloseLocked();
    const bool ok = OpenLocked(devicePath, settings);
    closing_ = false;
    return ok;
}

bool SerialPort::OpenLocked(const std::string& path, const SerialSettings& settings) {
    lastError_.clear();
    devicePath_ = path;
    gone_ = false;
    if (path.empty()) {
        lastError_ = "no such port";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = ErrnoText("cannot open", path);
        return false;
    }
    // No sharing: flock holds against every other opener, root included;
    // TIOCEXCL also keeps out programs that do not lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = ErrnoText("port in use", path);
        ::close(fd);  // the holder's exclusive flag stays as it is
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    auto fail = [&](const std::string& why) {
        lastError_ = why;
        // The exclusive flag would outlive this descriptor (see CloseLocked).
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    };

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail(ErrnoText("not a serial port", path));
    if (!ApplySerialSettings(settings, tio)) return fail("unsupported settings for " + path);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail(ErrnoText("cannot configure", path));
    if (StandardSpeed(settings.baudRate) == B0 && !SetCustomSerialSpeed(fd, settings.baudRate))
        return fail(ErrnoText("cannot set the rate of", path));
    // A pseudo-terminal has no modem lines: failures are ignored.
    const ModemLines lines = ModemLinesFor(settings);
    if (lines.raise) ::ioctl(fd, TIOCMBIS, &lines.raise);
    if (lines.lower) ::ioctl(fd, TIOCMBIC, &lines.lower);

    fd_ = fd;
    return true;
}

void SerialPort::Close() {
    InterruptWrite();
    std::unique_lock lock(life_);
    CloseLocked();
    closing_ = false;
}

void SerialPort::CloseLocked() {
    if (wakeFd_ >= 0) {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    if (fd_ < 0) return;
    // The exclusive flag belongs to the tty, not to this descriptor: clear it
    // so the port can be opened again while another descriptor keeps it alive.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool SerialPort::IsOpen() const {
    std::shared_lock lock(life_);
    return fd_ >= 0;
}

std::string SerialPort::DevicePath() const {
    std::shared_lock lock(life_);
    return devicePath_;
}

std::string SerialPort::LastError() const {
    std::shared_lock lock(life_);
    return lastError_;
}

SerialRead SerialPort::Read(void* buffer, size_t size) {
    std::lock_guard order(readOrder_);
    std::shared_lock lock(life_);
    SerialRead result;
    if (fd_ < 0) {
        result.gone = true;
        result.why = "the port is closed";
        return result;
    }
    if (size == 0) return result;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return result;
    if (p.revents & POLLIN) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n > 0) {
            result.bytes = static_cast<size_t>(n);
            return result;
        }
        // Readable but nothing came: end of file. EAGAIN and EINTR are only
        // "nothing now"; anything else (EIO of a vanished adapter) is the end.
        if (n == 0) {
            result.gone = true;
            result.why = "end of file";
        } else if (errno != EAGAIN && errno != EINTR) {
            result.gone = true;
            result.why = std::strerror(errno);
        }
    } else if (p.revents & POLLHUP) {
        result.gone = true;
        result.why = "the device hung up";
    } else if (p.revents & (POLLERR | POLLNVAL)) {
        result.gone = true;
        result.why = "the device reports an error";
    }
    if (result.gone) gone_ = true;
    return result;
}

long SerialPort::QueuedBytes() const {
    std::shared_lock lock(life_);
    int queued = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &queued) != 0) return -1;
    return queued;
}

void SerialPort::Purge() {
    std::shared_lock lock(life_);
    if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
}

size_t SerialPort::Write(const void* data, size_t size) {
    if (size == 0) return 0;
    std::lock_guard order(writeOrder_);
    std::shared_lock lock(life_);
    if (fd_ < 0 || closing_) {
        dropped_ += size;
        return 0;
    }
    const auto* bytes = static_cast<const char*>(data);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::write(fd_, bytes + sent, size - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || closing_) break;
        pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, wakeFd_ >= 0 ? 2 : 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) break;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;
    }
    written_ += sent;
    dropped_ += size - sent;
    return sent;
}

}  // namespace platform
