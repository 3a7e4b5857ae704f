// The serial port class on real pseudo-terminals: what Open applies to the
// tty, exclusivity, reads that never wait, bounded writes that loop on short
// writes, dropped bytes while closed, and a device that goes away.
#include "platform/SerialPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/SerialPortConfig.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

using platform::Parity;
using platform::SerialPort;
using platform::SerialSettings;

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Reads from the port until `count` bytes came or two seconds passed.
std::string ReadPort(SerialPort& port, size_t count) {
    std::string got;
    char buffer[1024];
    const auto start = Clock::now();
    while (got.size() < count && MsSince(start) < 2000) {
        const auto r = port.Read(buffer, sizeof buffer);
        if (r.gone) break;
        if (r.bytes == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        got.append(buffer, r.bytes);
    }
    return got;
}

struct FramingCase {
    int baud;
    int dataBits;
    Parity parity;
    bool twoStopBits;
    tcflag_t size;
    tcflag_t parityBits;  // of PARENB | PARODD | CMSPAR
};

TEST(SerialPort, OpenAppliesRawModeAndFramingToTheDevice) {
    phxtest::TempHome home;
    const FramingCase cases[] = {
        {9600, 8, Parity::None, false, CS8, 0},
        {4800, 7, Parity::Even, false, CS7, PARENB},
        {19200, 7, Parity::Odd, true, CS7, PARENB | PARODD},
        {115200, 6, Parity::Mark, false, CS6, PARENB | PARODD | CMSPAR},
        {230400, 5, Parity::Space, true, CS5, PARENB | CMSPAR},
        {14400, 8, Parity::None, true, CS8, 0},  // a rate termios has no constant for
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baud);
        phxtest::Pty pty;
        pty.LinkAsCom(4);
        SerialPort port;
        SerialSettings s;
        s.baudRate = c.baud;
        s.dataBits = c.dataBits;
        s.parity = c.parity;
        s.twoStopBits = c.twoStopBits;
        ASSERT_TRUE(port.Open(4, s)) << port.LastError();
        // A pseudo-terminal forces CS8 and clears PARENB whatever it is
        // asked; what Open asks for is checked through the same mapping.
        termios asked = pty.SlaveAttributes();
        ASSERT_TRUE(platform::ApplySerialSettings(s, asked));
        EXPECT_EQ(asked.c_cflag & CSIZE, c.size);
        EXPECT_EQ(asked.c_cflag & (PARENB | PARODD | CMSPAR), c.parityBits);
        const termios t = pty.SlaveAttributes();
        EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parityBits & (PARODD | CMSPAR));
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_TRUE(t.c_cflag & CREAD);
        EXPECT_TRUE(t.c_cflag & CLOCAL);
        EXPECT_FALSE(t.c_cflag & CRTSCTS);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_EQ(t.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
        EXPECT_EQ(pty.SlaveSpeed(), c.baud);
    }
}

TEST(SerialPort, RawModeKeepsEveryByte) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(1);
    SerialPort port;
    ASSERT_TRUE(port.Open(1, {}));
    // A cooked tty would turn CR into LF, eat XON/XOFF and ^C, and echo.
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    ASSERT_EQ(pty.Write(all), all.size());
    EXPECT_EQ(ReadPort(port, all.size()), all);
    EXPECT_EQ(port.Write(all), all.size());
    EXPECT_EQ(pty.Read(all.size()), all);
    EXPECT_EQ(pty.ReadAvailable(), "");  // nothing echoed back
}

TEST(SerialPort, SettingsMapToTermiosAndModemLines) {
    termios base{};
    base.c_cflag = CS8 | PARENB | PARODD | CRTSCTS;
    base.c_iflag = IXON | IXOFF | ICRNL;
    base.c_lflag = ICANON | ECHO;

    SerialSettings plain;
    termios t = base;
    ASSERT_TRUE(platform::ApplySerialSettings(plain, t));
    EXPECT_EQ(t.c_cflag & (CRTSCTS | PARENB), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);

    SerialSettings flow;
    flow.hardwareFlow = true;
    flow.softwareFlow = true;
    flow.parityCheck = true;
    flow.parity = Parity::Keep;  // the parity the device had stays
    t = base;
    ASSERT_TRUE(platform::ApplySerialSettings(flow, t));
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), static_cast<tcflag_t>(IXON | IXOFF | INPCK));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB | PARODD));

    for (int bits : {4, 9, 0}) {
        SerialSettings bad;
        bad.dataBits = bits;
        t = base;
        EXPECT_FALSE(platform::ApplySerialSettings(bad, t)) << bits;
        EXPECT_EQ(t.c_cflag, base.c_cflag);
    }
    SerialSettings noRate;
    noRate.baudRate = 0;
    EXPECT_FALSE(platform::ApplySerialSettings(noRate, t));

    struct {
        bool dtr, rts;
        int raise, lower;
    } lines[] = {
        {false, false, 0, TIOCM_DTR | TIOCM_RTS},
        {true, false, TIOCM_DTR, TIOCM_RTS},
        {false, true, TIOCM_RTS, TIOCM_DTR},
        {true, true, TIOCM_DTR | TIOCM_RTS, 0},
    };
    for (const auto& l : lines) {
        SerialSettings s;
        s.dtr = l.dtr;
        s.rts = l.rts;
        const auto m = platform::ModemLinesFor(s);
        EXPECT_EQ(m.raise, l.raise);
        EXPECT_EQ(m.lower, l.lower);
    }
    EXPECT_EQ(platform::StandardSpeed(14400), B0);
    EXPECT_EQ(platform::StandardSpeed(115200), B115200);
}

TEST(SerialPort, PortNamesResolveThroughLinksElseTtyS) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    const std::string link = pty.LinkAsCom(3);
    pty.LinkAs("GNSSOUT");
    EXPECT_EQ(SerialPort::DevicePathForNumber(3), link);
    EXPECT_EQ(SerialPort::DevicePathForNumber(4), "/dev/ttyS3");
    EXPECT_EQ(SerialPort::DevicePathForNumber(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPort::DevicePathForNumber(0), "");
    EXPECT_EQ(SerialPort::DevicePathForName("COM3"), link);
    EXPECT_EQ(SerialPort::DevicePathForName("\\\\.\\COM3"), link);
    EXPECT_EQ(SerialPort::DevicePathForName("com12"), "/dev/ttyS11");
    EXPECT_EQ(SerialPort::DevicePathForName("GNSSOUT"), SerialPort::PortLinkDir() + "GNSSOUT");
    EXPECT_EQ(SerialPort::DevicePathForName("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPort::DevicePathForName("/dev/ttyACM1"), "/dev/ttyACM1");
}

TEST(SerialPort, ListPortsTakesLinksWithTargetsSortedByNumber) {
    phxtest::TempHome home;
    phxtest::Pty a, b;
    a.LinkAsCom(10);
    b.LinkAsCom(3);
    std::error_code ec;
    std::filesystem::create_symlink("/nonexistent/ttyUSB9", SerialPort::PortLinkDir() + "COM7", ec);
    b.LinkAs("COMX");
    const auto ports = SerialPort::ListPorts();
    std::vector<int> numbers;
    for (const auto& p : ports) {
        ASSERT_EQ(p.rfind("COM", 0), 0u) << p;
        numbers.push_back(std::stoi(p.substr(3)));
    }
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM3"), ports.end());
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM10"), ports.end());
    EXPECT_EQ(std::find(ports.begin(), ports.end(), "COM7"), ports.end());
}

// The tty's exclusive flag, read through a descriptor of its own (root,
// as in CI, may open an exclusive tty); -1 when that fails.
int TtyExclusive(const phxtest::Pty& pty) {
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    int exclusive = -1;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) != 0) exclusive = -1;
    ::close(fd);
    return exclusive;
}

TEST(SerialPort, OpenFailuresLeaveThePortClosed) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(2);
    SerialPort port;
    EXPECT_FALSE(port.Open(99, {}));  // /dev/ttyS98 does not exist
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.LastError().empty());

    SerialSettings nine;
    nine.dataBits = 9;
    EXPECT_FALSE(port.Open(2, nine));
    EXPECT_FALSE(port.IsOpen());
    // Nor left the tty exclusive: a user who is not root could not open it
    // again while anything else keeps it alive.
    EXPECT_EQ(TtyExclusive(pty), 0);
    // The refused open did not keep the device locked.
    SerialPort other;
    EXPECT_TRUE(other.Open(2, {})) << other.LastError();

    EXPECT_FALSE(port.OpenDevice("/dev/null", {}));  // not a tty
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, ASecondOpenerIsRefusedWhileTheFirstHoldsThePort) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(5);
    auto first = SerialPort::Create();
    SerialPort second;
    ASSERT_TRUE(first->Open(5, {}));
    EXPECT_NE(TtyExclusive(pty), 0);  // 1, or refused (-1) for a user who is not root
    EXPECT_FALSE(second.Open(5, {}));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_NE(TtyExclusive(pty), 0);  // the refused opener left the holder's flag alone
    first->Close();
    EXPECT_TRUE(second.Open(5, {})) << second.LastError();
    EXPECT_FALSE(first->Open(5, {}));
}

TEST(SerialPort, ReadsNeverWaitAndQueueAndPurgeWork) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(1);
    SerialPort port;
    ASSERT_TRUE(port.Open(1, {}));
    char buffer[64];
    const auto start = Clock::now();
    const auto empty = port.Read(buffer, sizeof buffer);
    EXPECT_EQ(empty.bytes, 0u);
    EXPECT_FALSE(empty.gone);
    EXPECT_LT(MsSince(start), 500);
    EXPECT_EQ(port.QueuedBytes(), 0);

    ASSERT_EQ(pty.Write("$GPHDT,1.0,T*00\r\n"), 17u);
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return port.QueuedBytes() == 17; }, 2000));
    const auto r = port.Read(buffer, 5);
    EXPECT_EQ(std::string(buffer, r.bytes), "$GPHD");
    EXPECT_EQ(port.QueuedBytes(), 12);
    port.Purge();
    EXPECT_EQ(port.QueuedBytes(), 0);

    port.Close();
    EXPECT_EQ(port.QueuedBytes(), -1);
    EXPECT_TRUE(port.Read(buffer, sizeof buffer).gone);
}

TEST(SerialPort, WritesWhileClosedAreDroppedAndCountedThenReachThePortAgain) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(6);
    auto port = SerialPort::Create();
    EXPECT_EQ(port->Write("early"), 0u);
    EXPECT_EQ(port->DroppedBytes(), 5u);

    ASSERT_TRUE(port->Open(6, {}));
    EXPECT_EQ(port->Write("abc"), 3u);
    EXPECT_EQ(pty.Read(3), "abc");
    port->Close();

    // The descriptor number is free now; whatever the system gives it to
    // next must never receive the port's bytes.
    const std::string file = home.home() + "reused.bin";
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(port->Write("RTCM"), 0u);
    ::close(fd);
    EXPECT_EQ(phxtest::ReadAll(file), "");
    EXPECT_EQ(port->DroppedBytes(), 9u);

    ASSERT_TRUE(port->Open(6, {}));
    EXPECT_EQ(port->Write("again"), 5u);
    EXPECT_EQ(pty.Read(5), "again");
    EXPECT_EQ(port->WrittenBytes(), 8u);
    EXPECT_EQ(port->DroppedBytes(), 9u);
}

TEST(SerialPort, WriteLoopsOnShortWritesUntilEverythingIsOut) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(1);
    SerialPort port;
    ASSERT_TRUE(port.Open(1, {}));
    // Far more than the tty takes at once: the write must loop while the
    // other side drains.
    std::string block(400 * 1024, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + i / 251);
    std::string received;
    std::thread reader([&] { received = pty.Read(block.size(), 5000); });
    EXPECT_EQ(port.Write(block.data(), block.size()), block.size());
    reader.join();
    EXPECT_EQ(received.size(), block.size());
    EXPECT_TRUE(received == block);
    EXPECT_EQ(port.DroppedBytes(), 0u);
}

TEST(SerialPort, WriteGivesUpAfterItsBoundAndCountsTheRest) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(1);
    SerialPort port;
    ASSERT_TRUE(port.Open(1, {}));
    const std::string block(2 * 1024 * 1024, 'x');  // nobody reads the other side
    const auto start = Clock::now();
    const size_t sent = port.Write(block);
    const long ms = MsSince(start);
    EXPECT_LT(sent, block.size());
    EXPECT_GT(sent, 0u);
    EXPECT_EQ(port.DroppedBytes(), block.size() - sent);
    EXPECT_EQ(port.WrittenBytes(), sent);
    EXPECT_GE(ms, SerialPort::kWriteTimeoutMs - 50);
    EXPECT_LT(ms, SerialPort::kWriteTimeoutMs + 2000);
}

TEST(SerialPort, CloseWakesAWriteThatWaitsForRoom) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(1);
    auto port = SerialPort::Create();
    ASSERT_TRUE(port->Open(1, {}));
    const std::string block(2 * 1024 * 1024, 'y');
    std::atomic<bool> started{false};
    size_t sent = 0;
    std::thread writer([&] {
        started = true;
        sent = port->Write(block);
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    port->Close();
    const long closeMs = MsSince(start);
    writer.join();
    EXPECT_LT(closeMs, SerialPort::kWriteTimeoutMs - 200);
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(port->WrittenBytes() + port->DroppedBytes(), block.size());
    EXPECT_EQ(port->WrittenBytes(), sent);
}

TEST(SerialPort, WritesFromAnotherThreadSurviveCloseAndOpen) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(8);
    auto port = SerialPort::Create();
    ASSERT_TRUE(port->Open(8, {}));
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> attempted{0};
    std::thread worker([&] {
        const std::string frame(37, '\xD3');
        while (!stop) {
            port->Write(frame);
            attempted += frame.size();
        }
    });
    std::thread drain([&] {
        while (!stop) pty.Read(1 << 20, 5);
    });
    char buffer[256];
    for (int i = 0; i < 40; ++i) {
        port->Read(buffer, sizeof buffer);
        (void)port->QueuedBytes();
        if (i % 2)
            ASSERT_TRUE(port->Open(8, {})) << port->LastError();
        else
            port->Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    stop = true;
    worker.join();
    drain.join();
    EXPECT_EQ(port->WrittenBytes() + port->DroppedBytes(), attempted.load());
    EXPECT_GT(port->WrittenBytes(), 0u);
    EXPECT_GT(port->DroppedBytes(), 0u);
}

TEST(SerialPort, ADeviceThatGoesAwayReadsAsGone) {
    phxtest::TempHome home;
    auto pty = std::make_unique<phxtest::Pty>();
    pty->LinkAsCom(1);
    SerialPort port;
    ASSERT_TRUE(port.Open(1, {}));
    ASSERT_EQ(pty->Write("tail"), 4u);
    EXPECT_EQ(ReadPort(port, 4), "tail");
    EXPECT_FALSE(port.IsGone());
    pty->CloseMaster();
    char buffer[16];
    platform::SerialRead r;
    for (int i = 0; i < 100 && !r.gone; ++i) r = port.Read(buffer, sizeof buffer);
    EXPECT_TRUE(r.gone);
    EXPECT_TRUE(port.IsGone());
    EXPECT_EQ(port.Write("x"), 0u);
    EXPECT_EQ(port.DroppedBytes(), 1u);
}

}  // namespace
