// The NTRIP client and its worker against a scripted caster on 127.0.0.1,
// with a pseudo-terminal standing for the GNSS port. The Qt event loop runs
// the worker's calls on this (the GUI) thread.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devices/NTRIPSocket.h"
#include "devices/TPlovanNTRIPClient.h"
#include "platform/SerialPort.h"
#include "tests/support/FakeCaster.h"
#include "tests/support/NTRIPRecorder.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

using phxtest::FakeCaster;
using phxtest::PumpEventsFor;
using phxtest::PumpEventsUntil;

namespace {

// A 1005 frame (station 2003) from the standard's examples.
const std::string kFrame(
    "\xd3\x00\x13\x3e\xd7\xd3\x02\x02\x98\x0e\xde\xef\x34\xb4\xbd\x62\xac\x09\x41"
    "\x98\x6f\x33\x36\x0b\x98",
    25);

const char* const kUserPassRequest =
    "GET /MNT HTTP/1.0\r\n"
    "User-Agent: NTRIP PlovanNTRIPClient/1.0\r\n"
    "Authorization: Basic dXNlcjpwYXNz\r\n"
    "\r\n";

std::string Pattern(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 7 % 256);
    return bytes;
}

// The client, its recorded events and a pty as the GNSS port.
struct Rig {
    phxtest::TempHome home;
    phxtest::Pty pty;
    std::shared_ptr<platform::SerialPort> port = platform::SerialPort::Create();
    std::unique_ptr<TPlovanNTRIPClient> client = std::make_unique<TPlovanNTRIPClient>();
    phxtest::NtripRecorder events;

    explicit Rig(int casterPort) {
        events.Attach(*client);
        client->FHost = "127.0.0.1";
        client->FPort = casterPort;
        client->FUsername = "user";
        client->FPassword = "pass";
        client->FMountPoint = "MNT";
        client->FTimings.ReconnectIntervalMs = 20;
        client->FTimings.ReceiveTimeoutMs = 5000;
        client->SetPosition(41.0125, 29.0325, 12.34);
        EXPECT_TRUE(port->OpenDevice(pty.slavePath(), platform::SerialSettings{}));
        client->SetSerialHandle(port);
    }
    ~Rig() { client.reset(); }

    bool WaitStatus(int code, int timeoutMs = 5000) {
        return PumpEventsUntil(
            [&] {
                for (const auto& s : events.statuses)
                    if (s.first == code) return true;
                return false;
            },
            timeoutMs);
    }
    // What the client wrote to the GNSS port, read while the event loop runs
    // (the worker waits for it between chunks).
    std::string PortBytes(size_t count, int timeoutMs = 5000) {
        std::string got;
        PumpEventsUntil(
            [&] {
                got += pty.ReadAvailable();
                return got.size() >= count;
            },
            timeoutMs);
        return got;
    }
    bool WaitLog(const std::string& text, int timeoutMs = 5000) {
        return PumpEventsUntil([&] { return events.HasLog(text); }, timeoutMs);
    }
};

// A listener that never accepts, its queue filled, so that a further
// connect hangs in the handshake.
struct StuckListener {
    int listenFd = -1;
    std::vector<int> fillers;
    int port = 0;
    StuckListener() {
        listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listenFd, 0);
        socklen_t length = sizeof address;
        ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        for (int i = 0; i < 4; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            fillers.push_back(fd);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~StuckListener() {
        for (const int fd : fillers) ::close(fd);
        ::close(listenFd);
    }
};

}  // namespace

TEST(NTRIPClient, IcyAnswerWithDataInOneChunk) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n" + kFrame);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->Connect();
    // The worker took its own copy of the settings: changing them now
    // changes nothing in this connection.
    rig.client->FMountPoint = "OTHER";
    rig.client->FUsername = "someone";
    ASSERT_TRUE(rig.WaitStatus(ncsReceivingData));
    EXPECT_EQ(rig.PortBytes(kFrame.size()), kFrame);
    ASSERT_TRUE(PumpEventsUntil([&] { return caster.ggas().size() == 1; }, 5000));

    ASSERT_EQ(caster.requests().size(), 1u);
    EXPECT_EQ(caster.requests()[0], kUserPassRequest);
    EXPECT_EQ(rig.events.Codes(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(rig.events.HasStatus(2, "Connected to MNT"));
    EXPECT_TRUE(rig.events.HasStatus(3, "Receiving correction data"));
    EXPECT_TRUE(rig.events.HasLog("Connecting to 127.0.0.1:" + std::to_string(caster.port())));
    EXPECT_EQ(rig.events.data, kFrame);
    EXPECT_TRUE(rig.client->FConnected.load());
    EXPECT_EQ(rig.client->FBytesReceived.load(), static_cast<int64_t>(kFrame.size()));

    const std::string gga = caster.ggas()[0];
    EXPECT_EQ(gga.substr(0, 7), "$GPGGA,");
    EXPECT_NE(gga.find(",4100.7500,N,02901.9500,E,1,10,1.0,12.3,M,0.0,M,,*"), std::string::npos);
    EXPECT_EQ(rig.client->FBytesSent.load(), static_cast<int64_t>(gga.size() + 2));

    const size_t statusesBefore = rig.events.statuses.size();
    rig.client->Disconnect();
    EXPECT_FALSE(rig.client->FConnected.load());
    EXPECT_EQ(rig.client->FStatus.load(), ncsDisconnected);
    EXPECT_EQ(rig.events.logs.back(), "Disconnected");
    PumpEventsFor(50);
    EXPECT_EQ(rig.events.statuses.size(), statusesBefore);  // Disconnect raises no status
}

TEST(NTRIPClient, StreamStartsAfterTheBlankLineOfAnHttpHeader) {
    const std::string payload = Pattern(3000);
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("HTTP/1.1 200 OK\r\nServer: test\r\nContent-Type: gnss/data\r\n\r\n" + payload);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->Connect();
    EXPECT_EQ(rig.PortBytes(payload.size()), payload);
    ASSERT_TRUE(PumpEventsUntil([&] { return rig.events.data.size() == payload.size(); }, 5000));
    EXPECT_EQ(rig.events.data, payload);
}

TEST(NTRIPClient, HeaderSplitAtEveryByte) {
    const std::string answer = "ICY 200 OK\r\n" + kFrame;
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.SendInPieces(answer, 1, 2);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->Connect();
    EXPECT_EQ(rig.PortBytes(kFrame.size()), kFrame);
    ASSERT_TRUE(PumpEventsUntil([&] { return rig.events.data.size() == kFrame.size(); }, 5000));
    EXPECT_EQ(rig.events.data, kFrame);
    EXPECT_EQ(rig.events.Codes().at(1), 2);
}

TEST(NTRIPClient, ErrorAnswersAndWhetherTheyAreRetried) {
    struct Case {
        std::string answer;  // sent, then the caster hangs up
        std::string message;
        bool retried;
    };
    const Case cases[] = {
        {"HTTP/1.0 401 Unauthorized\r\n\r\n", "401 - Invalid username or password", false},
        // A real caster's bare status line without the blank line.
        {"HTTP/1.0 401 Unauthorized\r\n", "401 - Invalid username or password", false},
        {"HTTP/1.0 403 Forbidden\r\n\r\n", "403 - Access forbidden", false},
        {"HTTP/1.0 404 Not Found\r\n\r\n", "404 - Mount point not found: MNT", true},
        {"HTTP/1.0 500 Oops\r\n\r\n", "Unknown server response", true},
    };
    for (const Case& c : cases) {
        FakeCaster caster([&](FakeCaster::Connection& conn) {
            if (conn.ReadRequest()) conn.Send(c.answer);
        });
        Rig rig(caster.port());
        rig.client->FMaxReconnectAttempts = 2;
        rig.client->Connect();
        ASSERT_TRUE(rig.WaitLog("Disconnected")) << c.answer;
        ASSERT_GE(rig.events.statuses.size(), 3u) << c.answer;
        EXPECT_EQ(rig.events.statuses[0].first, 1);
        EXPECT_EQ(rig.events.statuses[1], std::make_pair(4, c.message)) << c.answer;
        EXPECT_EQ(rig.events.statuses[2], std::make_pair(0, std::string("Disconnected")))
            << c.answer;
        if (c.retried) {
            EXPECT_TRUE(rig.WaitLog("Reconnect attempt 2/2")) << c.answer;
            EXPECT_TRUE(PumpEventsUntil([&] { return caster.connections() == 3; }, 5000));
        } else {
            PumpEventsFor(150);
            EXPECT_EQ(caster.connections(), 1) << c.answer;
            EXPECT_FALSE(rig.events.HasLog("Reconnect attempt 1/2")) << c.answer;
        }
        if (c.message == "Unknown server response") {
            EXPECT_TRUE(rig.events.HasLog("Server response: HTTP/1.0 500 Oops"));
        }
    }
}

TEST(NTRIPClient, HeaderThatNeverEndsIsCut) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("HTTP/1.0 200 OK\r\n");
        for (int i = 0; i < 400 && c.Send("X-Padding: " + std::string(100, 'p') + "\r\n"); ++i) {
        }
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->FAutoReconnect = false;
    rig.client->Connect();
    ASSERT_TRUE(rig.WaitLog("Disconnected"));
    EXPECT_TRUE(rig.events.HasStatus(4, "Unknown server response"));
    EXPECT_TRUE(rig.events.HasLog("Server response: HTTP/1.0 200 OK"));
    EXPECT_EQ(rig.client->FBytesReceived.load(), 0);
}

TEST(NTRIPClient, LargeSourceTable) {
    std::string table = "SOURCETABLE 200 OK\r\nServer: test\r\nContent-Type: text/plain\r\n\r\n";
    for (int i = 0; i < 10000; ++i) {
        table += "STR;MP" + std::to_string(i) +
                 ";Place;RTCM 3.2;1004(1),1005(10);2;GPS+GLO;NET;DEU;52.00;13.00;" +
                 (i % 3 == 0 ? "1" : "0") + ";0;gen;none;B;N;9600;\r\n";
    }
    table += "ENDSOURCETABLE\r\n";
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send(table);
        c.WaitClosed(2000);
    });
    Rig rig(caster.port());
    rig.client->FetchSourceTable();
    ASSERT_TRUE(rig.WaitLog("Disconnected"));
    ASSERT_EQ(rig.events.tables.size(), 1u);
    ASSERT_EQ(rig.events.tables[0].size(), 10000u);
    EXPECT_EQ(rig.events.tables[0][9999], "MP9999");
    EXPECT_EQ(rig.client->FMountPoints.size(), 10000u);
    EXPECT_EQ(rig.client->FMountPointNeedsGGA[0], "1");
    EXPECT_EQ(rig.client->FMountPointNeedsGGA[1], "0");
    EXPECT_TRUE(rig.events.HasLog("Source table parsed: 10000 mount points"));
    EXPECT_EQ(rig.events.Codes(), (std::vector<int>{1, 0}));
    EXPECT_EQ(caster.requests().at(0).substr(0, 16), "GET / HTTP/1.0\r\n");
    PumpEventsFor(100);
    EXPECT_TRUE(caster.ggas().empty());
    EXPECT_EQ(caster.connections(), 1);
    EXPECT_EQ(rig.client->FBytesReceived.load(), 0);
}

TEST(NTRIPClient, SilentCasterEndsAfterTheReceiveTimeOut) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->FAutoReconnect = false;
    rig.client->FTimings.ReceiveTimeoutMs = 300;
    rig.client->FTimings.GgaSecondMs = 10;
    rig.client->FGGAInterval = 1;
    rig.client->Connect();
    ASSERT_TRUE(rig.WaitLog("Disconnected"));
    EXPECT_EQ(rig.events.Codes(), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_TRUE(rig.events.HasStatus(0, "Connection closed"));
    EXPECT_EQ(caster.ggas().size(), 1u);  // only the one at the start: no data, no uploads
}

TEST(NTRIPClient, ReconnectChainAfterImmediateCloses) {
    // Connection 4 succeeds briefly, which starts the count again.
    std::atomic<int> seen{0};
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (++seen == 4 && c.ReadRequest()) c.Send("ICY 200 OK\r\n" + kFrame);
    });
    Rig rig(caster.port());
    rig.client->FTimings.ReconnectIntervalMs = 10;
    rig.client->Connect();
    ASSERT_TRUE(PumpEventsUntil([&] { return caster.connections() >= 14; }, 20000));
    PumpEventsFor(200);
    EXPECT_EQ(caster.connections(), 14);
    std::vector<std::string> attempts;
    for (const auto& line : rig.events.logs)
        if (line.rfind("Reconnect attempt ", 0) == 0) attempts.push_back(line);
    std::vector<std::string> expected = {"Reconnect attempt 1/10", "Reconnect attempt 2/10",
                                         "Reconnect attempt 3/10"};
    for (int i = 1; i <= 10; ++i)
        expected.push_back("Reconnect attempt " + std::to_string(i) + "/10");
    EXPECT_EQ(attempts, expected);
}

TEST(NTRIPClient, FailedConnectsAreRetriedToo) {
    Rig rig(phxtest::FreeLoopbackPort());
    rig.client->FTimings.ReconnectIntervalMs = 10;
    rig.client->Connect();
    ASSERT_TRUE(rig.WaitLog("Reconnect attempt 10/10", 10000));
    PumpEventsFor(200);
    EXPECT_FALSE(rig.events.HasLog("Reconnect attempt 11/10"));
    EXPECT_EQ(rig.events.CountLog("Failed to connect to 127.0.0.1"), 11);
    EXPECT_EQ(rig.events.statuses.back(),
              std::make_pair(4, std::string("Failed to connect to 127.0.0.1")));
}

TEST(NTRIPClient, HostNamesAreResolved) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (c.ReadRequest()) c.Send("ICY 200 OK\r\n" + kFrame);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->FHost = "localhost";
    rig.client->Connect();
    EXPECT_TRUE(rig.WaitStatus(ncsReceivingData));
}

TEST(NTRIPClient, GgaUploadsFollowTheIntervalWhileDataArrive) {
    std::atomic<FakeCaster::Clock::rep> streamEnd{0};
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        const auto end = FakeCaster::Clock::now() + std::chrono::milliseconds(1000);
        while (FakeCaster::Clock::now() < end && c.Send(kFrame)) c.WaitClosed(10);
        streamEnd = FakeCaster::Clock::now().time_since_epoch().count();
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->FGGAInterval = 2;
    rig.client->FTimings.GgaSecondMs = 100;  // one upload every 200 ms
    rig.client->Connect();
    ASSERT_TRUE(rig.WaitStatus(ncsReceivingData));
    ASSERT_TRUE(PumpEventsUntil([&] { return streamEnd.load() != 0; }, 5000));
    PumpEventsFor(600);  // the caster is silent now
    const auto times = caster.ggaTimes();
    ASSERT_GE(times.size(), 4u);  // one at the start, then about one per 200 ms of data
    EXPECT_LE(times.size(), 7u);
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(190)) << i;
    }
    // None while the caster is silent (the last frame may still bring one).
    const FakeCaster::Clock::time_point silent{FakeCaster::Clock::duration(streamEnd.load())};
    EXPECT_LT(times.back(), silent + std::chrono::milliseconds(50));
}

TEST(NTRIPClient, NoGgaBeforeAPositionExists) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->SetPosition(0, 0, 0);
    rig.client->Connect();
    ASSERT_TRUE(rig.WaitStatus(ncsConnected));
    PumpEventsFor(200);
    EXPECT_TRUE(caster.ggas().empty());
    EXPECT_EQ(rig.client->FBytesSent.load(), 0);
    // The first position goes out at once, though the caster sends nothing.
    rig.client->SetPosition(-33.5, -70.25, 0);
    ASSERT_TRUE(PumpEventsUntil([&] { return caster.ggas().size() == 1; }, 2000));
    EXPECT_NE(caster.ggas()[0].find(",3330.0000,S,07015.0000,W,"), std::string::npos);
}

TEST(NTRIPClient, AHeldGgaStartsTheIntervalAnew) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        const auto end = FakeCaster::Clock::now() + std::chrono::milliseconds(1200);
        while (FakeCaster::Clock::now() < end && c.Send(kFrame)) c.WaitClosed(10);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->SetPosition(0, 0, 0);
    rig.client->FGGAInterval = 2;
    rig.client->FTimings.GgaSecondMs = 100;  // one upload every 200 ms
    rig.client->Connect();
    ASSERT_TRUE(rig.WaitStatus(ncsReceivingData));
    PumpEventsFor(350);  // longer than the interval, with no position
    EXPECT_TRUE(caster.ggas().empty());
    rig.client->SetPosition(41.0125, 29.0325, 12.34);
    ASSERT_TRUE(PumpEventsUntil([&] { return caster.ggaTimes().size() >= 2; }, 3000));
    const auto times = caster.ggaTimes();
    // The held upload counts as the last one: the next waits a full interval.
    EXPECT_GE(times[1] - times[0], std::chrono::milliseconds(190));
}

TEST(NTRIPClient, RawDataKeepsTheLast8192Bytes) {
    const std::string payload = Pattern(9000);
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        c.SendInPieces(payload, 1000, 1);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->Connect();
    EXPECT_EQ(rig.PortBytes(payload.size()), payload);
    ASSERT_TRUE(PumpEventsUntil([&] { return rig.events.data.size() == payload.size(); }, 5000));
    EXPECT_EQ(rig.client->FBytesReceived.load(), 9000);
    EXPECT_EQ(rig.client->RawData(), payload.substr(9000 - 8192));
}

TEST(NTRIPClient, ForwardingOffWritesNothingToThePort) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n" + kFrame + kFrame);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->FForwardToSerial = false;
    rig.client->Connect();
    ASSERT_TRUE(PumpEventsUntil([&] { return rig.events.data.size() == 2 * kFrame.size(); }, 5000));
    PumpEventsFor(50);
    EXPECT_EQ(rig.pty.ReadAvailable(), "");
    EXPECT_EQ(rig.port->WrittenBytes(), 0u);
}

TEST(NTRIPClient, DisconnectIsPromptInEveryPhase) {
    enum Phase { Connecting, Header, Stream, Table };
    for (const Phase phase : {Connecting, Header, Stream, Table}) {
        StuckListener stuck;
        FakeCaster caster([&](FakeCaster::Connection& c) {
            if (!c.ReadRequest()) return;
            if (phase == Stream) {
                c.Send("ICY 200 OK\r\n");
                c.StreamUntilClosed(kFrame, 20);
            } else if (phase == Table) {
                c.Send("SOURCETABLE 200 OK\r\n\r\nSTR;A;b;c\r\n");
            }
            c.WaitClosed(60000);
        });
        Rig rig(phase == Connecting ? stuck.port : caster.port());
        rig.client->FTimings.ReceiveTimeoutMs = 30000;
        if (phase == Table) rig.client->FMountPoint.clear();
        rig.client->Connect();
        switch (phase) {
            case Connecting:
                ASSERT_TRUE(rig.WaitStatus(ncsConnecting));
                PumpEventsFor(150);
                ASSERT_EQ(rig.events.statuses.size(), 1u) << "the connect did not hang";
                break;
            case Header:
            case Table:
                ASSERT_TRUE(PumpEventsUntil([&] { return caster.requests().size() == 1; }, 5000));
                PumpEventsFor(100);
                break;
            case Stream:
                ASSERT_TRUE(rig.WaitStatus(ncsReceivingData));
                break;
        }
        QElapsedTimer timer;
        timer.start();
        rig.client->Disconnect();
        EXPECT_LT(timer.elapsed(), 100) << "phase " << phase;
        EXPECT_EQ(rig.client->FStatus.load(), ncsDisconnected);
        EXPECT_EQ(rig.events.logs.back(), "Disconnected");
    }
}

TEST(NTRIPClient, RefusedSettings) {
    struct Case {
        std::string host;
        std::string mountPoint;
        int mode;
        std::string log;
    };
    const Case cases[] = {
        {"", "MNT", 0, "Error: Caster address is empty"},
        {"bad host", "MNT", 0, "Error: Invalid caster address: bad host"},
        {"127.0.0.1", "MNT HTTP/1.0\r\nX-Evil: 1", 0,
         "Error: Invalid mount point: MNT HTTP/1.0\r\nX-Evil: 1"},
        {"127.0.0.1", "MNT", 1, "Error: NTRIP 2 is not supported"},
    };
    for (const Case& c : cases) {
        Rig rig(2101);
        rig.events.logs.clear();
        rig.client->FHost = c.host;
        rig.client->FMountPoint = c.mountPoint;
        rig.client->FMode = c.mode;
        rig.client->Connect();
        PumpEventsFor(20);
        EXPECT_EQ(rig.events.logs, std::vector<std::string>{c.log});
        EXPECT_TRUE(rig.events.statuses.empty());
    }
}

TEST(NTRIPClient, PortOutOfRangeUsesTheDefault) {
    for (const int port : {0, -1, 65536}) {
        Rig rig(port);
        rig.client->FAutoReconnect = false;
        rig.client->FHost = "127.0.0.1";
        rig.client->Connect();
        EXPECT_TRUE(rig.events.HasLog("Connecting to 127.0.0.1:2101")) << port;
        rig.client->Disconnect();
    }
}

TEST(NTRIPClient, PlainStreamModeSendsNoRequest) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        c.Send(kFrame);
        c.WaitClosed();
    });
    Rig rig(caster.port());
    rig.client->FMode = 2;
    rig.client->Connect();
    EXPECT_EQ(rig.PortBytes(kFrame.size()), kFrame);
    ASSERT_TRUE(rig.WaitStatus(ncsReceivingData));
    EXPECT_TRUE(caster.requests().empty());
}

TEST(NTRIPClient, DisconnectFromInsideAStatusHandler) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        c.StreamUntilClosed(kFrame, 10);
    });
    Rig rig(caster.port());
    int statusCalls = 0;
    rig.client->OnStatus = [&](TPlovanNTRIPClient* sender, int32_t status, const std::string&) {
        ++statusCalls;
        if (status == ncsReceivingData) sender->Disconnect();
    };
    rig.client->Connect();
    ASSERT_TRUE(PumpEventsUntil([&] { return rig.events.HasLog("Disconnected"); }, 5000));
    PumpEventsFor(100);
    EXPECT_EQ(statusCalls, 3);
    EXPECT_FALSE(rig.client->FConnected.load());
}

TEST(NTRIPClient, DestructionCancelsPendingCalls) {
    FakeCaster caster([](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        c.StreamUntilClosed(kFrame, 5);
    });
    Rig rig(caster.port());
    bool destroying = false;
    int lateCalls = 0;
    rig.client->OnData = [&](TPlovanNTRIPClient*, const char*, int32_t) {
        lateCalls += destroying;
    };
    rig.client->OnStatus = [&](TPlovanNTRIPClient*, int32_t, const std::string&) {
        lateCalls += destroying;
    };
    rig.client->OnLog = [&](TPlovanNTRIPClient*, const std::string&) { lateCalls += destroying; };
    rig.client->Connect();
    ASSERT_TRUE(
        PumpEventsUntil([&] { return rig.client->FStatus.load() == ncsReceivingData; }, 5000));
    // No event loop runs now: the worker blocks in its next call.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    destroying = true;
    QElapsedTimer timer;
    timer.start();
    rig.client.reset();
    EXPECT_LT(timer.elapsed(), 1000);
    PumpEventsFor(50);
    EXPECT_EQ(lateCalls, 0);
}

TEST(NTRIPSocket, SendToAClosedPeerGivesAnErrorNotSigpipe) {
    // The default disposition: a SIGPIPE would end this test program.
    struct sigaction previous {};
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &standard, &previous);
    FakeCaster caster([](FakeCaster::Connection& c) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c.Reset();
    });
    TNTRIPSocket socket;
    in_addr loopback{};
    ASSERT_EQ(socket.Resolve("127.0.0.1", &loopback), TNTRIPSocket::Result::Ok);
    ASSERT_TRUE(socket.Create());
    ASSERT_EQ(socket.Connect(loopback, caster.port(), 2000), TNTRIPSocket::Result::Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::string gga = "$GPGGA,000000,0000.0000,N,00000.0000,E,1,10,1.0,0.0,M,0.0,M,,*00\r\n";
    long last = 0;
    for (int i = 0; i < 5 && last >= 0; ++i) {
        last = socket.Send(gga.data(), gga.size(), 500);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(last, -1);
    sigaction(SIGPIPE, &previous, nullptr);
}

TEST(NTRIPSocket, StopCutsWaitsShortButOnlyTheOwnerCloses) {
    FakeCaster caster([](FakeCaster::Connection& c) { c.WaitClosed(5000); });
    TNTRIPSocket socket;
    in_addr loopback{};
    ASSERT_EQ(socket.Resolve("127.0.0.1", &loopback), TNTRIPSocket::Result::Ok);
    ASSERT_TRUE(socket.Create());
    ASSERT_EQ(socket.Connect(loopback, caster.port(), 2000), TNTRIPSocket::Result::Ok);
    std::thread gui([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        socket.Stop();
    });
    char buffer[64];
    size_t received = 0;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 30000, &received),
              TNTRIPSocket::Result::Stopped);
    EXPECT_LT(timer.elapsed(), 1000);
    gui.join();
    EXPECT_TRUE(socket.Valid());  // shut down, not closed: the descriptor is still ours
    EXPECT_EQ(socket.Send("x", 1, 1000), -1);
    socket.Close();
    EXPECT_FALSE(socket.Valid());

    // Stopped before it connects: the connect does not even wait.
    TNTRIPSocket early;
    early.Stop();
    ASSERT_TRUE(early.Create());
    EXPECT_EQ(early.Connect(loopback, caster.port(), 30000), TNTRIPSocket::Result::Stopped);
    EXPECT_EQ(early.Resolve("localhost", &loopback), TNTRIPSocket::Result::Stopped);
}
