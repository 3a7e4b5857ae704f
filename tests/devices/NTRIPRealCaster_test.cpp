// The client against a real caster: RTKLIB's str2str on loopback ports, fed
// with real RTCM 3 frames through its TCP input, with a pseudo-terminal
// standing for the GNSS port. Skipped when str2str is not installed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devices/TPlovanNTRIPClient.h"
#include "platform/SerialPort.h"
#include "tests/support/FakeCaster.h"
#include "tests/support/NTRIPRecorder.h"
#include "tests/support/Pty.h"
#include "tests/support/Capture.h"
#include "tests/support/TempHome.h"

using phxtest::PumpEventsFor;
using phxtest::PumpEventsUntil;

namespace {

int ConnectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class NTRIPRealCaster : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        program_ = QStandardPaths::findExecutable("str2str");
        if (program_.isEmpty()) return;
        inputPort_ = phxtest::FreeLoopbackPort();
        casterPort_ = phxtest::FreeLoopbackPort();
        // str2str puts "STR;MNT;" in front of the source-table fields itself;
        // field 11 (NMEA) is 1.
        const std::string table =
            "Loopback;RTCM 3.2;1004(1),1006(10);2;GPS;TEST;DEU;52.00;13.00;1;0;RTKLIB;none;N;N;0;";
        // posix_spawn rather than a forking helper: nothing runs in the child
        // before str2str itself, which keeps ThreadSanitizer's view clean.
        const std::string program = program_.toStdString();
        const std::string input = "tcpsvr://:" + std::to_string(inputPort_);
        const std::string output =
            "ntripc://user:pass@:" + std::to_string(casterPort_) + "/MNT:" + table;
        // Through setpriv, so that the caster dies with a test program that dies.
        const std::string setpriv = QStandardPaths::findExecutable("setpriv").toStdString();
        std::vector<const char*> argv;
        if (!setpriv.empty()) argv = {setpriv.c_str(), "--pdeathsig", "KILL"};
        for (const char* arg : {program.c_str(), "-in", input.c_str(), "-out", output.c_str()}) {
            argv.push_back(arg);
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr,
                                        const_cast<char* const*>(argv.data()), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            return;
        }
        for (int i = 0; i < 100; ++i) {
            const int probe = ConnectLoopback(casterPort_);
            if (probe >= 0) {
                ::close(probe);
                ready_ = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    static void TearDownTestSuite() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    void SetUp() override {
        if (program_.isEmpty()) GTEST_SKIP() << "str2str (Debian package rtklib) is not installed";
        ASSERT_TRUE(ready_) << "str2str did not start listening";
        events_.Attach(*client_);
        client_->FHost = "127.0.0.1";
        client_->FPort = casterPort_;
        client_->FUsername = "user";
        client_->FPassword = "pass";
        client_->FMountPoint = "MNT";
        client_->FTimings.ReconnectIntervalMs = 20;
        client_->SetPosition(52.5, 13.4, 40);
        ASSERT_TRUE(port_->OpenDevice(pty_.slavePath(), platform::SerialSettings{}));
        client_->SetSerialHandle(port_);
    }

    void TearDown() override { client_.reset(); }

    static QString program_;
    static pid_t pid_;
    static int inputPort_, casterPort_;
    static bool ready_;

    phxtest::TempHome home_;
    phxtest::Pty pty_;
    std::shared_ptr<platform::SerialPort> port_ = platform::SerialPort::Create();
    std::unique_ptr<TPlovanNTRIPClient> client_ = std::make_unique<TPlovanNTRIPClient>();
    phxtest::NtripRecorder events_;
};

QString NTRIPRealCaster::program_;
pid_t NTRIPRealCaster::pid_ = -1;
int NTRIPRealCaster::inputPort_ = 0;
int NTRIPRealCaster::casterPort_ = 0;
bool NTRIPRealCaster::ready_ = false;

}  // namespace

TEST_F(NTRIPRealCaster, FramesReachThePortByteForByte) {
    const std::string frames = phxtest::CaptureBytes("rtcm3/rtcm3.bndm.log");
    ASSERT_GT(frames.size(), 10000u);
    client_->Connect();
    ASSERT_TRUE(PumpEventsUntil([&] { return client_->FConnected.load(); }, 5000));
    EXPECT_TRUE(events_.HasStatus(2, "Connected to MNT"));

    const int input = ConnectLoopback(inputPort_);
    ASSERT_GE(input, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // str2str takes the input in
    ASSERT_EQ(::send(input, frames.data(), frames.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(frames.size()));

    std::string received;
    PumpEventsUntil(
        [&] {
            received += pty_.ReadAvailable();
            return received.size() >= frames.size() && events_.data.size() >= frames.size();
        },
        10000);
    ::close(input);
    EXPECT_TRUE(received == frames)
        << "received " << received.size() << " of " << frames.size() << " bytes";
    EXPECT_EQ(client_->FBytesReceived.load(), static_cast<int64_t>(frames.size()));
    EXPECT_EQ(events_.data, frames);
    EXPECT_TRUE(events_.HasStatus(3, "Receiving correction data"));
    EXPECT_GT(client_->FBytesSent.load(), 0);  // the GGA at the start
}

TEST_F(NTRIPRealCaster, SourceTable) {
    client_->FetchSourceTable();
    ASSERT_TRUE(PumpEventsUntil([&] { return !events_.tables.empty(); }, 5000));
    EXPECT_EQ(events_.tables[0], std::vector<std::string>{"MNT"});
    EXPECT_EQ(client_->FMountPointNeedsGGA, std::vector<std::string>{"1"});
    EXPECT_TRUE(events_.HasLog("Source table parsed: 1 mount points"));
    ASSERT_TRUE(PumpEventsUntil([&] { return events_.HasLog("Disconnected"); }, 5000));
    EXPECT_EQ(events_.Codes(), (std::vector<int>{1, 0}));
}

TEST_F(NTRIPRealCaster, WrongPasswordIsReportedAndNotRetried) {
    // str2str answers with its bare status line and hangs up.
    client_->FPassword = "wrong";
    client_->Connect();
    ASSERT_TRUE(PumpEventsUntil([&] { return events_.HasLog("Disconnected"); }, 5000));
    PumpEventsFor(200);
    EXPECT_EQ(events_.statuses, (std::vector<std::pair<int, std::string>>{
                                    {1, "Connecting to 127.0.0.1:" + std::to_string(casterPort_)},
                                    {4, "401 - Invalid username or password"},
                                    {0, "Disconnected"}}));
    EXPECT_FALSE(events_.HasLog("Reconnect attempt 1/10"));
}
