// A serial line reader on a pseudo-terminal linked as a COM port, in a
// temporary home, recording every event it raises. Its timers are set so
// long that they never fire unless a test shortens them; Deliver puts bytes
// on the line and runs one poll by hand. Header-only, for the reader's tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "devices/TPlovanSerialGPS.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace phxtest {

struct SerialRig {
    static constexpr int kPort = 7;
    static constexpr int kNoTimerMs = 3600 * 1000;  // ticks are called by hand

    phxtest::TempHome home;
    std::unique_ptr<phxtest::Pty> pty = std::make_unique<phxtest::Pty>();
    TPlovanSerialGPS gps;
    std::vector<std::string> lines, sent, order;
    std::vector<std::array<double, 3>> positions;
    std::vector<double> speeds;
    int connects = 0, disconnects = 0, idles = 0;

    SerialRig() {
        pty->LinkAsCom(kPort);
        gps.FPortNumber = kPort;
        gps.FPollInterval = kNoTimerMs;
        gps.FIdleTimeout = kNoTimerMs;
        gps.OnConnect = [this](TPlovanSerialGPS* s, int n) {
            EXPECT_EQ(s, &gps);
            EXPECT_EQ(n, kPort);
            ++connects;
            order.push_back("connect");
        };
        gps.OnDisconnect = [this](TPlovanSerialGPS*, int n) {
            EXPECT_EQ(n, kPort);
            ++disconnects;
            order.push_back("disconnect");
        };
        gps.OnIdle = [this](TPlovanSerialGPS*) {
            ++idles;
            order.push_back("idle");
        };
        gps.OnNewCommand = [this](TPlovanSerialGPS*, const std::string& l) { lines.push_back(l); };
        gps.OnSend = [this](TPlovanSerialGPS*, const std::string& t) { sent.push_back(t); };
        gps.OnPosition3DChange = [this](TPlovanSerialGPS*, double la, double lo, double al) {
            positions.push_back({la, lo, al});
        };
        gps.OnSpeedChange = [this](TPlovanSerialGPS*, double v) { speeds.push_back(v); };
    }

    // Puts bytes on the line and runs one poll once the port holds them.
    void Deliver(std::string_view bytes) {
        ASSERT_EQ(pty->Write(bytes), bytes.size());
        ASSERT_TRUE(phxtest::PumpEventsUntil(
            [&] { return gps.FHandle->QueuedBytes() >= static_cast<long>(bytes.size()); }, 2000));
        gps.PollTimerTick();
    }
};

}  // namespace phxtest
