// What the serial line reader makes of sentences on a real pseudo-terminal:
// sentences behind binary frames or glued to each other, checksums judged
// before the parse, and replays of real receiver captures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <random>

#include "devices/TPlovanSerialGPS.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"
#include "tests/support/Capture.h"
#include "tests/support/SerialRig.h"

namespace {

using Rig = phxtest::SerialRig;

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F";
const std::string kVtg = "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K";
// The head of a binary frame: a '$' with a comma, a '$' with five letters
// and no comma, bytes above 127; no line end.
const std::string kBinary = "\xB5\x62\x01\x07$\x01,\x02$ABCDE\x01\xFF";

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

TEST(TPlovanSerialGPS, SentencesBehindBinaryBytesOrGluedArriveOnceEach) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> lines;   // raised through OnNewCommand
        std::vector<std::string> logged;  // in the port log, as received
        size_t positions, speeds;
    } cases[] = {
        {"a binary frame, then a sentence, on one line",
         {kBinary + kGga + "\r\n"},
         {kBinary, kGga},
         {kBinary + kGga},
         1,
         0},
        {"two sentences glued", {kGga + kRmc + "\r\n"}, {kGga, kRmc}, {kGga + kRmc}, 1, 1},
        {"three glued, the last without checksum",
         {kGga + kRmc + kVtg + "\n"},
         {kGga, kRmc, kVtg},
         {kGga + kRmc + kVtg},
         1,
         2},
        {"binary and sentences cut over reads at every boundary",
         {kBinary + kGga.substr(0, 3), kGga.substr(3) + "\r\n" + kBinary.substr(0, 5),
          kBinary.substr(5) + kRmc.substr(0, 7), kRmc.substr(7) + "\r", "\n"},
         {kBinary, kGga, kBinary, kRmc},
         {kBinary + kGga, kBinary + kRmc},
         1,
         1},
        {"CR-only line ends",
         {kGga + "\r" + kRmc + "\r" + kVtg + "\r"},
         {kGga, kRmc, kVtg},
         {kGga, kRmc, kVtg},
         1,
         2},
        {"blanks before a sentence", {" \t" + kGga + "\r\n"}, {kGga}, {kGga}, 1, 0},
        {"a '$' that starts no address cuts nothing",
         {"DPT 12.3 $ 4.5\r\n$GPGGAX,1,2$GPGG,3\r\n$SDDBT 1.2,f$GPRMC\r\n"},
         {"DPT 12.3 $ 4.5", "$GPGGAX,1,2$GPGG,3", "$SDDBT 1.2,f$GPRMC"},
         {"DPT 12.3 $ 4.5", "$GPGGAX,1,2$GPGG,3", "$SDDBT 1.2,f$GPRMC"},
         0,
         0},
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
        EXPECT_EQ(rig.gps.FRxBuffer, "");
        EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName), Joined(c.logged));
        EXPECT_EQ(rig.positions.size(), c.positions);
        EXPECT_EQ(rig.speeds.size(), c.speeds);
        EXPECT_EQ(rig.gps.BadChecksumCount(), 0);
    }
}

TEST(TPlovanSerialGPS, AWrongChecksumIsLoggedAndRaisedButChangesNoValue) {
    const std::string gga = kGga.substr(0, kGga.size() - 3);  // without "*47"
    struct Case {
        std::string line;
        bool failed;  // judged and failed
        bool parsed;  // values changed
    } cases[] = {
        {kGga, false, true},
        {kRmc, false, true},
        {kRmc.substr(0, kRmc.size() - 2) + "6f", false, true},  // lower-case hex
        {gga + "*46", true, false},
        {"$GPGGA,123519,4807.039,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", true, false},
        {gga + "*4", true, false},
        {gga + "*470", true, false},
        {gga + "*", true, false},
        {gga + "*4G", true, false},
        {gga + "*47" + kBinary, true, false},  // bytes behind the checksum
        {"$PGRMC,A,218.8,100*00", true, false},
        {gga, false, true},  // no checksum at all
        {"$GPGGAX,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00", false, false},
        {"DBT,12.3,f*00", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Rig rig;
        rig.gps.FLogEnabled = true;
        rig.gps.FLogFileName = rig.home.home() + "port.log";
        std::vector<bool> failedSeen;
        rig.gps.OnNewCommand = [&](TPlovanSerialGPS* s, const std::string& l) {
            rig.lines.push_back(l);
            failedSeen.push_back(s->LastLineChecksumFailed());
        };
        rig.gps.Open();
        rig.Deliver(c.line + "\r\n");
        EXPECT_EQ(rig.lines, std::vector<std::string>{c.line});
        EXPECT_EQ(failedSeen, std::vector<bool>{c.failed});
        EXPECT_EQ(phxtest::ReadAll(rig.gps.FLogFileName), c.line + "\r\n");
        EXPECT_EQ(rig.gps.BadChecksumCount(), c.failed ? 1 : 0);
        EXPECT_EQ(!rig.positions.empty() || !rig.speeds.empty(), c.parsed);
        if (!c.parsed) {
            EXPECT_EQ(rig.gps.GetLatitude(), 0);
            EXPECT_EQ(rig.gps.GetFixQuality(), 0);
            EXPECT_EQ(rig.gps.GetSatellites(), 0);
            EXPECT_EQ(rig.gps.GetSpeed(), 0);
            EXPECT_EQ(rig.gps.GetCourse(), 0);
        }
    }
}

TEST(TPlovanSerialGPS, TheChecksumMarkFollowsEachLineAndTheCountEachOpen) {
    Rig rig;
    std::vector<bool> failedSeen;
    rig.gps.OnNewCommand = [&](TPlovanSerialGPS* s, const std::string&) {
        failedSeen.push_back(s->LastLineChecksumFailed());
    };
    rig.gps.Open();
    const std::string bad = "$GPGGA,123519,4817.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    // A bad sentence glued before a good one: only the bad one is marked.
    rig.Deliver(bad + kGga + "\r\n" + bad + "\r\nDBT 1.2\r\n");
    EXPECT_EQ(failedSeen, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(rig.gps.LastLineChecksumFailed());
    ASSERT_EQ(rig.positions.size(), 1u);
    EXPECT_NEAR(rig.positions[0][0], 48.1173, 1e-12);
    EXPECT_EQ(rig.gps.BadChecksumCount(), 2);
    rig.gps.Close();
    EXPECT_EQ(rig.gps.BadChecksumCount(), 2);
    rig.gps.Open();
    EXPECT_EQ(rig.gps.BadChecksumCount(), 0);
}

// ---- Real receiver captures ----

std::string CaptureBody(const std::string& name) {
    const std::string body = phxtest::CaptureBytes("nmea/" + name);
    EXPECT_FALSE(body.empty()) << "capture missing: " << name;
    return body;
}

std::string Trimmed(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return text.substr(b, e - b);
}

// The capture's lines as received, found by splitting the whole capture at
// once: NUL bytes out, CR LF, CR and LF as line ends, each line stripped of
// bytes up to blank at both ends, empty lines left out.
std::vector<std::string> ReceivedLines(const std::string& body) {
    std::vector<std::string> out;
    std::string line;
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\0') continue;
        if (c != '\r' && c != '\n') {
            line.push_back(c);
            continue;
        }
        if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
        if (const std::string t = Trimmed(line); !t.empty()) out.push_back(t);
        line.clear();
    }
    return out;  // the text after the last line end never becomes a line
}

// '$', five ASCII letters or digits, ','.
bool AddressAt(const std::string& line, size_t at) {
    if (at + 7 > line.size() || line[at] != '$' || line[at + 6] != ',') return false;
    return std::all_of(line.begin() + static_cast<long>(at) + 1,
                       line.begin() + static_cast<long>(at) + 6, [](char c) {
                           return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                                  (c >= 'a' && c <= 'z');
                       });
}

// The lines a reader must hand on: each received line cut before every NMEA
// address that does not start it.
std::vector<std::string> ExpectedLines(const std::vector<std::string>& received) {
    std::vector<std::string> out;
    for (const auto& line : received) {
        size_t start = 0;
        for (size_t at = 1; at < line.size(); ++at) {
            if (!AddressAt(line, at)) continue;
            if (const std::string piece = Trimmed(line.substr(start, at - start)); !piece.empty())
                out.push_back(piece);
            start = at;
        }
        out.push_back(Trimmed(line.substr(start)));
    }
    return out;
}

struct Replay {
    std::vector<std::string> lines;
    std::string log;
    std::vector<std::array<double, 3>> positions;
    std::vector<double> speeds;
    int64_t badChecksums = -1;
    size_t flagged = 0;
    // Sentences of each type, and how many of them the parse took: after the
    // sentence the reader's value is the sentence's.
    size_t gga = 0, ggaTaken = 0, rmc = 0, rmcTaken = 0, vtg = 0, vtgTaken = 0;
    size_t quality4Sentences = 0, quality4Set = 0;
};

// Pushes the capture through a pseudo-terminal in chunks of random size
// while the reader polls it on its timer.
Replay ReplayCapture(const std::string& body, unsigned seed, size_t expectedLines) {
    Rig rig;
    Replay result;
    std::vector<std::string> pending;  // fields of the line whose parse is still to come
    auto checkPending = [&] {
        if (pending.empty()) return;
        const auto& f = pending;
        const std::string type = f[0].substr(3);
        const auto number = [](const std::string& t) { return platform::StrToFloatDef(t, 0); };
        if (type == "GGA") {
            ++result.gga;
            const bool quality4 = f[6] == "4";
            result.quality4Sentences += quality4;
            result.quality4Set += quality4 && rig.gps.GetFixQuality() == 4;
            result.ggaTaken +=
                (f[6].empty() || rig.gps.GetFixQuality() == platform::StrToIntDef(f[6], 0)) &&
                (f[7].empty() || rig.gps.GetSatellites() == platform::StrToIntDef(f[7], 0)) &&
                (f[9].empty() || rig.gps.GetAltitude() == number(f[9]));
        } else if (type == "RMC") {
            ++result.rmc;
            result.rmcTaken += f[7].empty() || rig.gps.GetSpeed() == number(f[7]) * 1.852;
        } else if (type == "VTG") {
            ++result.vtg;
            result.vtgTaken += f[7].empty() || rig.gps.GetSpeed() == number(f[7]);
        }
        pending.clear();
    };
    rig.gps.OnNewCommand = [&](TPlovanSerialGPS* s, const std::string& l) {
        checkPending();
        result.lines.push_back(l);
        result.flagged += s->LastLineChecksumFailed();
        const std::string sentence = l.substr(0, l.find('*'));
        auto f = TPlovanSerialGPS::SplitFields(sentence, ',');
        if (f[0].size() == 6 && f[0][0] == '$' && f[0][1] != 'P' && f.size() > 9)
            pending = std::move(f);
    };
    rig.gps.OnPosition3DChange = [&](TPlovanSerialGPS*, double la, double lo, double al) {
        result.positions.push_back({la, lo, al});
    };
    rig.gps.OnSpeedChange = [&](TPlovanSerialGPS*, double v) { result.speeds.push_back(v); };
    rig.gps.FLogEnabled = true;
    rig.gps.FLogFileName = rig.home.home() + "port.log";
    rig.gps.FPollInterval = 2;
    rig.gps.Open();
    EXPECT_TRUE(rig.gps.FOpen);
    std::mt19937 random(seed);
    std::uniform_int_distribution<size_t> size(1, 700);
    for (size_t at = 0; at < body.size();) {
        const size_t n = std::min(size(random), body.size() - at);
        // The reader drains the line only while the event loop runs.
        for (size_t done = 0; done < n;) {
            done += rig.pty->Write(std::string_view(body).substr(at + done, n - done), 0);
            QCoreApplication::processEvents();
        }
        at += n;
    }
    phxtest::PumpEventsUntil([&] { return result.lines.size() >= expectedLines; }, 10000);
    phxtest::PumpEventsFor(20);
    checkPending();
    result.badChecksums = rig.gps.BadChecksumCount();
    rig.gps.Close();
    result.log = phxtest::ReadAll(rig.gps.FLogFileName);
    return result;
}

bool HasPosition(const Replay& r, double lat, double lon, double alt) {
    for (const auto& p : r.positions)
        if (std::abs(p[0] - lat) < 1e-9 && std::abs(p[1] - lon) < 1e-9 &&
            std::abs(p[2] - alt) < 1e-9)
            return true;
    return false;
}

TEST(TPlovanSerialGPS, RealCapturesArriveWholeThroughAPseudoTerminal) {
    struct {
        const char* file;
        size_t sentences;      // lines starting with '$' once cut
        size_t gga, rmc, vtg;  // sentences of each type
        double lat, lon, alt;  // one GGA, converted by hand
    } captures[] = {
        {"hemi.log", 753, 215, 0, 215, 42.363729555, -71.032352845, 10.835},
        {"nmea-rtk.log", 244, 122, 122, 0, 41.575030034166666, -93.75059777483334, 280.827},
        // RTCM 3 and UBX frames between the sentences; every RMC (and GGA)
        // follows binary bytes on its line.
        {"ublox-zed-f9r.log", 871, 30, 30, 30, 45.065772, 7.659061333333334, 257.4},
        {"bundg_zeus_9.log", 4999, 138, 146, 148, 52.85015666666666, 5.31362, -4},
        {"quectel-l76k-nmea.log", 2280, 150, 150, 150, 47.661979333333335, -122.32639216666666,
         76.5},
    };
    unsigned seed = 1;
    for (const auto& c : captures) {
        SCOPED_TRACE(c.file);
        const std::string body = CaptureBody(c.file);
        ASSERT_FALSE(body.empty());
        const std::vector<std::string> received = ReceivedLines(body);
        const std::vector<std::string> expected = ExpectedLines(received);
        const Replay r = ReplayCapture(body, seed++, expected.size());
        EXPECT_EQ(r.lines, expected);
        EXPECT_EQ(r.log, Joined(received));  // the log is not cut
        EXPECT_EQ(static_cast<size_t>(std::count_if(r.lines.begin(), r.lines.end(),
                                                    [](const auto& l) { return l[0] == '$'; })),
                  c.sentences);
        EXPECT_EQ(r.gga, c.gga);
        EXPECT_EQ(r.rmc, c.rmc);
        EXPECT_EQ(r.vtg, c.vtg);
        EXPECT_EQ(r.ggaTaken, r.gga);
        EXPECT_EQ(r.rmcTaken, r.rmc);
        EXPECT_EQ(r.vtgTaken, r.vtg);
        EXPECT_TRUE(HasPosition(r, c.lat, c.lon, c.alt));
        // Well-formed sentences only: nothing judged bad.
        EXPECT_EQ(r.badChecksums, 0);
        EXPECT_EQ(r.flagged, 0u);
    }
}

TEST(TPlovanSerialGPS, EveryRtkFixedSentenceSetsFixQuality4) {
    const std::string body = CaptureBody("nmea-rtk.log");
    const Replay r = ReplayCapture(body, 42, ExpectedLines(ReceivedLines(body)).size());
    EXPECT_EQ(r.quality4Sentences, 18u);
    EXPECT_EQ(r.quality4Set, r.quality4Sentences);
    ASSERT_FALSE(r.positions.empty());
    // The capture's last GGA.
    EXPECT_NEAR(r.positions.back()[0], 41.575030061, 1e-9);
    EXPECT_NEAR(r.positions.back()[1], -93.750597789, 1e-9);
    EXPECT_NEAR(r.positions.back()[2], 280.829, 1e-9);
}

}  // namespace
