#include "tests/support/Pty.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/SerialPort.h"
#include "platform/SerialPortConfig.h"

namespace phxtest {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

Pty::Pty() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty failed: " << std::strerror(errno);
        master_ = slave_ = -1;
        return;
    }
    slavePath_ = name;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
}

std::string Pty::LinkAs(const std::string& name) {
    namespace fs = std::filesystem;
    const std::string dir = platform::SerialPort::PortLinkDir();
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string link = dir + name;
    fs::remove(link, ec);
    fs::create_symlink(slavePath_, link, ec);
    EXPECT_FALSE(ec) << "cannot link " << link << ": " << ec.message();
    return link;
}

size_t Pty::Write(std::string_view bytes, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (master_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) break;
        const int left = MsLeft(deadline);
        if (left == 0) break;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, left);
    }
    return sent;
}

std::string Pty::Read(size_t count, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string got;
    char buffer[4096];
    while (master_ >= 0 && got.size() < count) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno != EAGAIN) break;
        const int left = MsLeft(deadline);
        if (left == 0) break;
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, left);
    }
    return got;
}

std::string Pty::ReadAvailable() { return Read(static_cast<size_t>(-1), 0); }

void Pty::CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

termios Pty::SlaveAttributes() const {
    termios tio{};
    EXPECT_EQ(::tcgetattr(slave_, &tio), 0);
    return tio;
}

int Pty::SlaveSpeed() const { return platform::CurrentSerialSpeed(slave_); }

bool PumpEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= timeoutMs) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void PumpEventsFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

}  // namespace phxtest
