// 200 Connect/Disconnect cycles while frames flow from a loopback caster:
// no deadlock, and every chunk that reached the GNSS port was also handed
// to the window, across every way a connection can be cut short.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "devices/TPlovanNTRIPClient.h"
#include "platform/SerialPort.h"
#include "tests/support/FakeCaster.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

using phxtest::FakeCaster;
using phxtest::PumpEventsFor;
using phxtest::PumpEventsUntil;

TEST(NTRIPStress, TwoHundredConnectDisconnectCycles) {
    const std::string frame(
        "\xd3\x00\x13\x3e\xd7\xd3\x02\x02\x98\x0e\xde\xef\x34\xb4\xbd\x62\xac\x09\x41"
        "\x98\x6f\x33\x36\x0b\x98",
        25);
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest(1000)) return;
        c.Send("ICY 200 OK\r\n");
        c.StreamUntilClosed(frame, 1);
    });
    phxtest::TempHome home;
    phxtest::Pty pty;
    auto port = platform::SerialPort::Create();
    ASSERT_TRUE(port->OpenDevice(pty.slavePath(), platform::SerialSettings{}));

    auto client = std::make_unique<TPlovanNTRIPClient>();
    int64_t delivered = 0;
    int statuses = 0;
    client->OnData = [&](TPlovanNTRIPClient*, const char*, int32_t count) { delivered += count; };
    client->OnStatus = [&](TPlovanNTRIPClient*, int32_t, const std::string&) { ++statuses; };
    client->FHost = "127.0.0.1";
    client->FPort = caster.port();
    client->FMountPoint = "MNT";
    client->FAutoReconnect = false;
    client->FGGAInterval = 1;
    client->FTimings.GgaSecondMs = 2;
    client->SetPosition(41.0125, 29.0325, 12.34);
    client->SetSerialHandle(port);

    std::mt19937 random(12345);
    size_t rawSeen = 0;
    int64_t bytesSeen = 0;
    std::string atPort;
    QElapsedTimer slowest;
    qint64 slowestDisconnectMs = 0;
    for (int cycle = 0; cycle < 200; ++cycle) {
        client->Connect();
        // Cut the connection in every phase: at once, while connecting, in
        // the header or while the stream runs.
        const int waitMs = static_cast<int>(random() % 12);
        if (waitMs > 0) PumpEventsFor(waitMs);
        // What the window and the report touch while the worker runs.
        client->SetPosition(41.0 + cycle * 1e-4, 29.0, 10.0);
        rawSeen = std::max(rawSeen, client->RawData().size());
        bytesSeen += client->FBytesReceived.load() + client->FBytesSent.load();
        atPort += pty.ReadAvailable();
        slowest.start();
        if (cycle % 2 == 0) {
            client->Disconnect();
        } else {
            client->Connect();  // over a running connection
            client->Disconnect();
        }
        slowestDisconnectMs = std::max(slowestDisconnectMs, slowest.elapsed());
        ASSERT_EQ(client->FStatus.load(), ncsDisconnected) << cycle;
        ASSERT_FALSE(client->FConnected.load()) << cycle;
    }
    PumpEventsUntil(
        [&] {
            atPort += pty.ReadAvailable();
            return static_cast<int64_t>(atPort.size()) >= delivered;
        },
        5000);
    EXPECT_EQ(static_cast<int64_t>(atPort.size()), delivered);
    EXPECT_GT(delivered, 0);
    EXPECT_GT(statuses, 200);
    EXPECT_GE(caster.connections(), 100);
    EXPECT_GT(rawSeen, 0u);
    EXPECT_LE(rawSeen, TPlovanNTRIPClient::kRawDataSize);
    EXPECT_GT(bytesSeen, 0);
    RecordProperty("SlowestDisconnectMs", static_cast<int>(slowestDisconnectMs));
    client.reset();
}
