// The serial line reader on real pseudo-terminals: what Open applies, the
// line cutting across chunk boundaries, the port log, the idle watchdog,
// writes and the shared port object, and a device that goes away. What the
// reader makes of sentences (mixed binary, checksums, captures) is in
// TPlovanSerialGPSSentences_test.cpp.
#include "devices/TPlovanSerialGPS.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SerialPortConfig.h"
#include "platform/TextFiles.h"
#include "tests/support/Pty.h"
#include "tests/support/SerialRig.h"
#include "tests/support/TempHome.h"

namespace {

using Rig = phxtest::SerialRig;
constexpr int kPort = Rig::kPort;

const char* kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const char* kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F";

TEST(TPlovanSerialGPS, InitialValues) {
    TPlovanSerialGPS gps;
    EXPECT_TRUE(gps.FHandle);
    EXPECT_FALSE(gps.FHandle->IsOpen());
    EXPECT_FALSE(gps.FOpen);
    EXPECT_EQ(gps.FPortNumber, 1);
    EXPECT_EQ(gps.FBaudRate, 9600);
    EXPECT_EQ(gps.FDataBitsIndex, 4);
    EXPECT_EQ(gps.FStopBitsCode, 1);
    EXPECT_EQ(gps.FParity, 0);
    EXPECT_EQ(gps.FPriority, 3);
    EXPECT_EQ(gps.FPollInterval, 50);
    EXPECT_EQ(gps.FIdleTimeout, 10000);
    EXPECT_FALSE(gps.FLogEnabled || gps.FLogTimestamp || gps.FEnableDTR || gps.FEnableRTS);
    EXPECT_FALSE(gps.FPollTimer->isActive());
    EXPECT_FALSE(gps.FIdleTimer->isActive());
    EXPECT_EQ(gps.FPollTimer->interval(), 50);
    EXPECT_EQ(gps.FIdleTimer->interval(), 10000);
    EXPECT_EQ(gps.FTimeFormat, "hhnnsszzz");
    EXPECT_EQ(gps.FDateFormat, "YYYY-MM-DD");
    EXPECT_EQ(gps.FLogFile, nullptr);
}

TEST(TPlovanSerialGPS, FieldsMapToPortSettings) {
    struct {
        int dataBitsIndex, stopBitsCode, parity;
        int dataBits;
        bool twoStop;
        platform::Parity expected;
        bool check;
    } cases[] = {
        {4, 1, 0, 8, false, platform::Parity::None, false},
        {3, 3, 2, 7, true, platform::Parity::Even, true},
        {3, 0, 1, 7, false, platform::Parity::Odd, true},
        {2, 2, 3, 6, true, platform::Parity::Mark, true},  // one and a half taken as two
        {1, 9, 4, 5, false, platform::Parity::Space, true},
        {4, 1, 7, 8, false, platform::Parity::Keep, true},  // unknown code: the port's parity stays
    };
    for (const auto& c : cases) {
        TPlovanSerialGPS gps;
        gps.FDataBitsIndex = c.dataBitsIndex;
        gps.FStopBitsCode = c.stopBitsCode;
        gps.FParity = c.parity;
        gps.FEnableDTR = true;
        gps.FBaudRate = 4800;
        const auto s = gps.PortSettings();
        EXPECT_EQ(s.dataBits, c.dataBits);
        EXPECT_EQ(s.twoStopBits, c.twoStop);
        EXPECT_EQ(s.parity, c.expected);
        EXPECT_EQ(s.parityCheck, c.check);
        EXPECT_TRUE(s.dtr);
        EXPECT_FALSE(s.rts);
        EXPECT_EQ(s.baudRate, 4800);
        EXPECT_FALSE(s.hardwareFlow || s.softwareFlow);
        termios t{};
        ASSERT_TRUE(platform::ApplySerialSettings(s, t));
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(c.dataBits == 7   ? CS7
                                                           : c.dataBits == 8 ? CS8
                                                           : c.dataBits == 6 ? CS6
                                                                             : CS5));
    }
}

TEST(TPlovanSerialGPS, OpenConfiguresTheTtyStartsTimersAndConnects) {
    struct {
        int baud, stopCode;
        bool cstopb;
    } cases[] = {{9600, 1, false}, {14400, 3, true}, {115200, 0, false}, {38400, 2, true}};
    for (const auto& c : cases) {
        Rig rig;
        rig.gps.FBaudRate = c.baud;
        rig.gps.FStopBitsCode = c.stopCode;
        rig.gps.FDataBitsIndex = 3;
        rig.gps.FPollInterval = 20;
        rig.gps.FIdleTimeout = 0;  // not above 0: the default
        rig.gps.Open();
        ASSERT_TRUE(rig.gps.FOpen);
        EXPECT_EQ(rig.connects, 1);
        const termios t = rig.pty->SlaveAttributes();
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.cstopb);
        EXPECT_EQ(rig.pty->SlaveSpeed(), c.baud);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_EQ(t.c_iflag & (IXON | ICRNL), 0u);
        EXPECT_TRUE(rig.gps.FPollTimer->isActive());
        EXPECT_EQ(rig.gps.FPollTimer->interval(), 20);
        EXPECT_TRUE(rig.gps.FIdleTimer->isActive());
        EXPECT_EQ(rig.gps.FIdleTimer->interval(), 10000);
    }
}

TEST(TPlovanSerialGPS, OpenTwiceCloseTwiceAndFailedOpen) {
    Rig rig;
    rig.gps.Close();  // closed: only the timers stop
    EXPECT_EQ(rig.disconnects, 0);
    rig.gps.Open();
    rig.gps.Open();
    EXPECT_EQ(rig.connects, 1);
    rig.gps.Close();
    rig.gps.Close();
    EXPECT_EQ(rig.disconnects, 1);
    EXPECT_FALSE(rig.gps.FHandle->IsOpen());

    rig.gps.FPortNumber = 200;  // /dev/ttyS199: no such device
    rig.gps.Open();
    EXPECT_FALSE(rig.gps.FOpen);
    EXPECT_EQ(rig.connects, 1);
    EXPECT_FALSE(rig.gps.FPollTimer->isActive());

    rig.gps.FPortNumber = kPort;
    rig.gps.FDataBitsIndex = 5;  // nine data bits: the port refuses
    rig.gps.Open();
    EXPECT_FALSE(rig.gps.FOpen);
    EXPECT_EQ(rig.connects, 1);
}

TEST(TPlovanSerialGPS, ASecondReaderCannotOpenAHeldPort) {
    Rig rig;
    rig.gps.Open();
    ASSERT_TRUE(rig.gps.FOpen);
    TPlovanSerialGPS other;
    other.FPortNumber = kPort;
    int connects = 0;
    other.OnConnect = [&](TPlovanSerialGPS*, int) { ++connects; };
    other.Open();
    EXPECT_FALSE(other.FOpen);
    EXPECT_EQ(connects, 0);
    rig.gps.Close();
    other.Open();
    EXPECT_TRUE(other.FOpen);
    EXPECT_EQ(connects, 1);
}

TEST(TPlovanSerialGPS, ChunksAreCutIntoTrimmedLines) {
    const std::string gga = kGga, rmc = kRmc;
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::string rest;
    } cases[] = {
        {"GGA and half an RMC", {gga + "\r\n" + rmc.substr(0, 20)}, {gga}, rmc.substr(0, 20)},
        {"RMC completed later",
         {gga + "\r\n" + rmc.substr(0, 20), rmc.substr(20) + "\r\n"},
         {gga, rmc},
         ""},
        {"two CR LF pairs", {"\r\n\r\n"}, {}, ""},
        {"blanks and controls trimmed", {" \t$GPHDT,1.5,T\x01 \r\n"}, {"$GPHDT,1.5,T"}, ""},
        {"LF alone and CR alone end a line", {"a\nb\rc\n\rd"}, {"a", "b", "c"}, "d"},
        {"CR LF split over two reads is one line end",
         {"$GPHDT,1,T\r", "\n$GPHDT,2,T\r", "\n"},
         {"$GPHDT,1,T", "$GPHDT,2,T"},
         ""},
        {"CR only, as some sounders send",
         {"DBT 1.2\rDBT 1.3\r\rDBT"},
         {"DBT 1.2", "DBT 1.3"},
         "DBT"},
        {"one line over three chunks", {"$GP", "HDT,2", ".0,T\r\n"}, {"$GPHDT,2.0,T"}, ""},
        {"NUL bytes dropped, the rest kept",
         {gga + "\r\n$GPHDT," + '\0' + "3.0,T\r\n" + rmc + "\r\n"},
         {gga, "$GPHDT,3.0,T", rmc},
         ""},
        {"a chunk of only NULs", {std::string(5, '\0'), "x\n"}, {"x"}, ""},
        {"bytes above 127 kept as bytes", {"\xC3\xA7\xFF\n"}, {"\xC3\xA7\xFF"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.gps.FLogEnabled = true;
        rig.gps.FLogFileName = rig.home.home() + "port.log";
        rig.gps.Open();
        ASSERT_TRUE(rig.gps.FOpen);
        for (const auto& chunk : c.chunks) rig.Deliver(chunk);
        EXPECT_EQ(rig.lines, c.lines);
        EXPECT_EQ(rig.gps.FRxBuffer, c.rest);
        std::string log;
        for (const auto& l : c.lines) log += l + "\r\n";
        EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName), log);
    }
}

TEST(TPlovanSerialGPS, ALongRunWithoutLineFeedKeepsTheLast2048Characters) {
    Rig rig;
    rig.gps.Open();
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise.push_back(static_cast<char>('A' + i % 26));
    rig.Deliver(noise.substr(0, 3000));
    EXPECT_EQ(rig.gps.FRxBuffer, noise.substr(0, 3000));
    rig.Deliver(noise.substr(3000));
    EXPECT_EQ(rig.gps.FRxBuffer, noise.substr(5000 - 2048));
    EXPECT_TRUE(rig.lines.empty());
    rig.Deliver("\n$GPHDT,4.0,T\n");
    ASSERT_EQ(rig.lines.size(), 2u);
    EXPECT_EQ(rig.lines[0], noise.substr(5000 - 2048));
}

TEST(TPlovanSerialGPS, OneTickDrainsMoreThan1023BytesUpTo64KiB) {
    Rig rig;
    rig.gps.Open();
    // 120 lines of 100 bytes: a backlog that the 1023 bytes of a single read
    // would leave waiting in the kernel.
    std::string line(97, 'x');
    line = "$" + line + "\r\n";
    std::string backlog;
    for (int i = 0; i < 120; ++i) backlog += line;
    ASSERT_EQ(rig.pty->Write(backlog), backlog.size());
    ASSERT_TRUE(
        phxtest::PumpEventsUntil([&] { return rig.gps.FHandle->QueuedBytes() > 1023; }, 2000));
    rig.gps.PollTimerTick();
    EXPECT_EQ(rig.lines.size(), 120u);

    // A writer that keeps the line full: one tick stops after 64 KiB (in
    // reads of 1023 bytes) and leaves the rest for the next ticks, losing none.
    rig.lines.clear();
    const int total = 2000;
    std::string burst;
    for (int i = 0; i < total; ++i) burst += line;
    std::thread writer([&] { rig.pty->Write(burst, 20000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the tty fills up
    rig.gps.PollTimerTick();
    const size_t firstTick = rig.lines.size();
    EXPECT_LE(firstTick * 100, TPlovanSerialGPS::kMaxBytesPerTick + TPlovanSerialGPS::kReadChunk);
    const auto start = std::chrono::steady_clock::now();
    while (rig.lines.size() < static_cast<size_t>(total) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        rig.gps.PollTimerTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    writer.join();
    EXPECT_EQ(rig.lines.size(), static_cast<size_t>(total));
}

TEST(TPlovanSerialGPS, CloseClearsTheParsedValuesButKeepsTheBuffer) {
    Rig rig;
    rig.gps.Open();
    rig.Deliver(std::string(kGga) + "\r\n" + kRmc +
                "\r\n$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K\r\n$GPG");
    EXPECT_NE(rig.gps.GetLatitude(), 0);
    EXPECT_EQ(rig.gps.GetFixQuality(), 1);
    EXPECT_EQ(rig.gps.GetSatellites(), 8);
    EXPECT_DOUBLE_EQ(rig.gps.GetSpeed(), 10.2);
    EXPECT_DOUBLE_EQ(rig.gps.GetCourse(), 54.7);
    rig.gps.Close();
    EXPECT_EQ(rig.gps.GetLatitude(), 0);
    EXPECT_EQ(rig.gps.GetLongitude(), 0);
    EXPECT_EQ(rig.gps.GetAltitude(), 0);
    EXPECT_EQ(rig.gps.GetSpeed(), 0);
    EXPECT_EQ(rig.gps.GetCourse(), 0);
    EXPECT_EQ(rig.gps.GetFixQuality(), 0);
    EXPECT_EQ(rig.gps.GetSatellites(), 0);
    EXPECT_EQ(rig.gps.FRxBuffer, "$GPG");
    rig.gps.Open();
    EXPECT_EQ(rig.gps.FRxBuffer, "");
}

TEST(TPlovanSerialGPS, PortLogWithAndWithoutTimeStamps) {
    Rig rig;
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = rig.home.home() + "2025-03-07 PHX_GNSS_V3.log";
    phxtest::WriteAll(rig.gps.FLogFileName, "earlier\r\n");
    rig.gps.Open();
    rig.Deliver("$GPHDT,1,T\r\n$GPHDT,2,T\r\n");
    rig.gps.Close();
    rig.gps.FLogTimestamp = true;
    platform::SetClockForTesting([] { return platform::DateTime{2025, 3, 7, 9, 30, 5, 123}; });
    rig.gps.Open();
    rig.Deliver("$GPHDT,3,T\n");
    platform::SetClockForTesting(nullptr);
    rig.gps.Close();
    EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName),
              "earlier\r\n$GPHDT,1,T\r\n$GPHDT,2,T\r\n2025-03-07 09:30:05.123 $GPHDT,3,T\r\n");

    // Logging switched off, and a log that cannot be opened: lines still flow.
    rig.gps.FLogEnabled = false;
    rig.gps.FLogFileName = rig.home.home() + "off.log";
    rig.gps.Open();
    rig.Deliver("a\n");
    rig.gps.Close();
    EXPECT_FALSE(std::filesystem::exists(rig.gps.FLogFileName));
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = rig.home.home() + "missing/folder/port.log";
    rig.gps.Open();
    rig.Deliver("b\n");
    EXPECT_EQ(rig.gps.FLogFile, nullptr);
    EXPECT_EQ(rig.lines.back(), "b");
}

TEST(TPlovanSerialGPS, OneIdleReportPerSilence) {
    Rig rig;
    rig.gps.FPollInterval = 5;
    rig.gps.FIdleTimeout = 100;
    rig.gps.Open();
    ASSERT_TRUE(rig.pty->Write("$GPHDT,1,T\r\n"));
    phxtest::PumpEventsFor(450);  // more than four idle periods of silence
    EXPECT_EQ(rig.lines.size(), 1u);
    EXPECT_EQ(rig.idles, 1);
    ASSERT_TRUE(rig.pty->Write("x"));  // the next byte re-arms the watchdog
    phxtest::PumpEventsFor(450);
    EXPECT_EQ(rig.idles, 2);
    rig.gps.Close();
    phxtest::PumpEventsFor(250);
    EXPECT_EQ(rig.idles, 2);

    // Bytes arriving well within every idle period: never idle.
    rig.gps.FIdleTimeout = 300;
    rig.gps.Open();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(rig.pty->Write("$GPHDT,1,T\r\n"));
        phxtest::PumpEventsFor(30);
    }
    EXPECT_EQ(rig.idles, 2);
}

TEST(TPlovanSerialGPS, WriteSendsBytesAndRaisesOnSendOnlyWhenOpen) {
    Rig rig;
    rig.gps.Write("<A+000>\n");
    EXPECT_TRUE(rig.sent.empty());
    rig.gps.Open();
    rig.gps.Write("<A+000>\n<B+000>\n");
    EXPECT_EQ(rig.pty->Read(16), "<A+000>\n<B+000>\n");
    ASSERT_EQ(rig.sent.size(), 1u);
    EXPECT_EQ(rig.sent[0], "<A+000>\n<B+000>\n");
    rig.gps.Close();
    rig.gps.Write("late");
    EXPECT_EQ(rig.sent.size(), 1u);
    EXPECT_EQ(rig.pty->ReadAvailable(), "");
}

TEST(TPlovanSerialGPS, TheSharedPortOutlivesCloseAndOpen) {
    Rig rig;
    std::shared_ptr<platform::SerialPort> port = rig.gps.FHandle;
    rig.gps.Open();
    EXPECT_EQ(port->Write(std::string_view("\xD3\x00\x13", 3)), 3u);
    EXPECT_EQ(rig.pty->Read(3), std::string("\xD3\x00\x13", 3));
    rig.gps.Close();
    EXPECT_EQ(port->Write(std::string_view("\xD3\x00\x13", 3)), 0u);
    EXPECT_EQ(port->DroppedBytes(), 3u);
    rig.gps.Open();
    EXPECT_EQ(port->Write(std::string_view("\xD3\x00\x14", 3)), 3u);
    EXPECT_EQ(rig.pty->Read(3), std::string("\xD3\x00\x14", 3));

    // A worker thread writes while the GUI thread polls.
    rig.gps.FPollInterval = 2;
    rig.gps.Close();
    rig.gps.Open();
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) port->Write("corrections");
    });
    std::thread drain([&] {
        while (!stop) rig.pty->Read(1 << 16, 5);
    });
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(rig.pty->Write("$GPHDT,1,T\r\n"), 12u);
        phxtest::PumpEventsFor(5);
    }
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return rig.lines.size() == 20; }, 2000));
    stop = true;
    worker.join();
    drain.join();
}

TEST(TPlovanSerialGPS, ADeviceThatGoesAwayIsReportedOnceAndReopenedUnderItsName) {
    Rig rig;
    std::vector<std::string> lost;
    int reopened = 0;
    rig.gps.OnPortLost = [&](TPlovanSerialGPS*, const std::string& why) { lost.push_back(why); };
    rig.gps.OnPortReopened = [&](TPlovanSerialGPS*) { ++reopened; };
    rig.gps.FPollInterval = 5;
    rig.gps.FReopenInterval = 20;
    rig.gps.FIdleTimeout = 30;
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = rig.home.home() + "port.log";
    rig.gps.Open();
    ASSERT_TRUE(rig.pty->Write("$GPHDT,1,T\r\n$GPHDT,9"));  // the last line is cut by the loss
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return rig.lines.size() == 1; }, 2000));
    rig.gps.FLatitude = 41;  // as a fix, a VTG and an RMC leave them
    rig.gps.FSpeed = 10.2;
    rig.gps.FCourse = 54.7;
    rig.pty->CloseMaster();
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return lost.size() == 1; }, 2000));
    const int idlesAtLoss = rig.idles;
    EXPECT_FALSE(lost[0].empty());
    // What the gone device said last is not passed on as current.
    EXPECT_EQ(rig.gps.GetLatitude(), 0);
    EXPECT_EQ(rig.gps.GetSpeed(), 0);
    EXPECT_EQ(rig.gps.GetCourse(), 0);
    EXPECT_TRUE(rig.gps.PortLost());
    EXPECT_TRUE(rig.gps.FOpen);
    EXPECT_FALSE(rig.gps.FHandle->IsOpen());
    // The dead device does not open again: no second report while it stays
    // away, and its silence is not said again as idle.
    phxtest::PumpEventsFor(200);
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(rig.idles, idlesAtLoss);
    EXPECT_EQ(reopened, 0);
    EXPECT_EQ(rig.lines.size(), 1u);
    EXPECT_EQ(rig.disconnects, 0);
    rig.gps.Write("lost");
    EXPECT_TRUE(rig.sent.empty());

    // The adapter comes back under the same name: the reader finds it alone,
    // and lines flow with nothing else said.
    rig.pty = std::make_unique<phxtest::Pty>();
    rig.pty->LinkAsCom(kPort);
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return reopened == 1; }, 2000));
    EXPECT_FALSE(rig.gps.PortLost());
    ASSERT_TRUE(rig.pty->Write("$GPHDT,2,T\r\n"));
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return rig.lines.size() == 2; }, 2000));
    EXPECT_EQ(rig.lines[1], "$GPHDT,2,T");
    EXPECT_EQ(rig.connects, 1);
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName), "$GPHDT,1,T\r\n$GPHDT,2,T\r\n");
    // Silent after its return, it is idle as any device is.
    EXPECT_TRUE(phxtest::PumpEventsUntil([&] { return rig.idles > idlesAtLoss; }, 2000));

    // A second outage after the device spoke again is a new one.
    rig.pty->CloseMaster();
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return lost.size() == 2; }, 2000));
    rig.gps.Close();
    EXPECT_FALSE(rig.gps.FReopenTimer->isActive());
    EXPECT_EQ(rig.disconnects, 1);
    rig.pty = std::make_unique<phxtest::Pty>();
    rig.pty->LinkAsCom(kPort);
    phxtest::PumpEventsFor(100);
    EXPECT_EQ(reopened, 1);  // closed: no attempts any more
}

TEST(TPlovanSerialGPS, AThrowingHandlerIsShownOnceAndLaterLinesStillCome) {
    Rig rig;
    auto* scripted = dynamic_cast<platform::ScriptedDialogs*>(&platform::dialogs());
    ASSERT_NE(scripted, nullptr);
    const auto before = scripted->messages.size();
    rig.gps.FPollInterval = 5;
    rig.gps.OnNewCommand = [&](TPlovanSerialGPS*, const std::string& l) {
        rig.lines.push_back(l);
        if (l == "bad") throw std::runtime_error("handler failed");
    };
    rig.gps.Open();
    ASSERT_TRUE(rig.pty->Write("one\nbad\ntwo\n"));
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return rig.lines.size() == 2; }, 2000));
    // The line after the failing one waits for the next bytes, then comes first.
    ASSERT_TRUE(rig.pty->Write("three\n"));
    ASSERT_TRUE(phxtest::PumpEventsUntil([&] { return rig.lines.size() == 4; }, 2000));
    EXPECT_EQ(rig.lines, (std::vector<std::string>{"one", "bad", "two", "three"}));
    ASSERT_EQ(scripted->messages.size(), before + 1);
    EXPECT_EQ(scripted->messages.back(), "handler failed");
}

TEST(TPlovanSerialGPS, DestructionRaisesNoDisconnect) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    pty.LinkAsCom(kPort);
    int disconnects = 0;
    std::shared_ptr<platform::SerialPort> port;
    {
        TPlovanSerialGPS gps;
        gps.FPortNumber = kPort;
        gps.OnDisconnect = [&](TPlovanSerialGPS*, int) { ++disconnects; };
        gps.Open();
        ASSERT_TRUE(gps.FOpen);
        port = gps.FHandle;
    }
    EXPECT_EQ(disconnects, 0);
    EXPECT_FALSE(port->IsOpen());  // the worker's copy is closed with the reader
    EXPECT_EQ(port->Write("x"), 0u);
}

TEST(TPlovanSerialGPS, PortNumbersNamesAndBaudRates) {
    const std::pair<const char*, int> numbers[] = {
        {"COM3", 3}, {"com3", 3},  {"Com12", 12}, {"7", 7},        {"", 1},
        {"USB", 1},  {"COM", 1},   {"COM25", 25}, {"COM256", 256}, {"COM300", 256},
        {"COM0", 1}, {"COM-4", 1}, {"COMx", 1},   {" COM5", 1},
    };
    for (const auto& [text, n] : numbers)
        EXPECT_EQ(TPlovanSerialGPS::ParsePortNumber(text), n) << text;
    EXPECT_EQ(TPlovanSerialGPS::PortName(3), "COM3");
    EXPECT_EQ(TPlovanSerialGPS::PortName(256), "COM256");
    for (int rate :
         {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200, 230400})
        EXPECT_EQ(TPlovanSerialGPS::ValidBaudRate(rate), rate);
    for (int rate : {56000, 128000, 256000, 0, -9600, 460800, 9601})
        EXPECT_EQ(TPlovanSerialGPS::ValidBaudRate(rate), 9600) << rate;
}

}  // namespace
