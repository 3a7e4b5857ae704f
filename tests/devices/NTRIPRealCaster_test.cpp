// The client against a real caster: RTKLIB's str2str on loopback ports, fed
// with real RTCM 3 frames through its TCP input, with a pseudo-terminal
// standing for the GNSS port. Skipped when str2str is not installed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "devices/TPlovanNTRIPClient.h"
#include "platform/SerialPort.h"
#include "tests/support/FakeCaster.h"
#include "tests/support/NTRIPRecorder.h"
#include "tests/support/Pty.h"
#include "tests/support/Capture.h"
#include "tests/support/Str2StrCaster.h"
#include "tests/support/TempHome.h"

using phxtest::PumpEventsFor;
using phxtest::PumpEventsUntil;

namespace {

// One caster for the suite: it takes a second or so to start.
class NTRIPRealCaster : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { caster_ = new phxtest::Str2StrCaster; }
    static void TearDownTestSuite() {
        delete caster_;
        caster_ = nullptr;
    }

    void SetUp() override {
        if (!caster_->installed())
            GTEST_SKIP() << "str2str (Debian package rtklib) is not installed";
        ASSERT_TRUE(caster_->ready()) << "str2str did not start listening";
        events_.Attach(*client_);
        client_->FHost = "127.0.0.1";
        client_->FPort = caster_->casterPort();
        client_->FUsername = "user";
        client_->FPassword = "pass";
        client_->FMountPoint = "MNT";
        client_->FTimings.ReconnectIntervalMs = 20;
        client_->SetPosition(52.5, 13.4, 40);
        ASSERT_TRUE(port_->OpenDevice(pty_.slavePath(), platform::SerialSettings{}));
        client_->SetSerialHandle(port_);
    }

    void TearDown() override { client_.reset(); }

    static phxtest::Str2StrCaster* caster_;

    phxtest::TempHome home_;
    phxtest::Pty pty_;
    std::shared_ptr<platform::SerialPort> port_ = platform::SerialPort::Create();
    std::unique_ptr<TPlovanNTRIPClient> client_ = std::make_unique<TPlovanNTRIPClient>();
    phxtest::NtripRecorder events_;
};

phxtest::Str2StrCaster* NTRIPRealCaster::caster_ = nullptr;

}  // namespace

TEST_F(NTRIPRealCaster, FramesReachThePortByteForByte) {
    const std::string frames = phxtest::CaptureBytes("rtcm3/rtcm3.bndm.log");
    ASSERT_GT(frames.size(), 10000u);
    client_->Connect();
    ASSERT_TRUE(PumpEventsUntil([&] { return client_->FConnected.load(); }, 5000));
    EXPECT_TRUE(events_.HasStatus(2, "Connected to MNT"));

    ASSERT_TRUE(caster_->Feed(frames));

    std::string received;
    PumpEventsUntil(
        [&] {
            received += pty_.ReadAvailable();
            return received.size() >= frames.size() && events_.data.size() >= frames.size();
        },
        10000);
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
                                    {1, "Connecting to 127.0.0.1:" + std::to_string(caster_->casterPort())},
                                    {4, "401 - Invalid username or password"},
                                    {0, "Disconnected"}}));
    EXPECT_FALSE(events_.HasLog("Reconnect attempt 1/10"));
}
