// The NTRIP settings window against a real caster: RTKLIB's str2str on
// loopback ports, pseudo-terminals as the GNSS port and as a second output
// port. Skipped when str2str is not installed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "devices/Rtcm3.h"
#include "devices/TPlovanNTRIPClient.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/SerialPort.h"
#include "platform/TextFiles.h"
#include "tests/support/Capture.h"
#include "tests/support/Pty.h"
#include "tests/support/Str2StrCaster.h"
#include "tests/support/TempHome.h"

using phxtest::PumpEventsFor;
using phxtest::PumpEventsUntil;

namespace {

const char* const kBase278 = "Base #278: 44.08939091, -121.30752190, 1070.74m";

int CountLines(const QString& log, const std::string& text) {
    int n = 0;
    for (const QString& line : log.split('\n'))
        if (line.mid(9).toStdString() == text) ++n;
    return n;
}

// Reads the master of `pty` while the event loop runs, until `count` bytes
// came or `timeoutMs` passed.
std::string Collect(phxtest::Pty& pty, size_t count, int timeoutMs) {
    std::string bytes;
    PumpEventsUntil(
        [&] {
            bytes += pty.ReadAvailable();
            return bytes.size() >= count;
        },
        timeoutMs);
    return bytes;
}

}  // namespace

TEST(NTRIPWindowRealCaster, FetchConnectWatchReportAndForward) {
    phxtest::TempHome home;
    InitDayPaths();
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    phxtest::Str2StrCaster caster;
    if (!caster.installed()) GTEST_SKIP() << "str2str (Debian package rtklib) is not installed";
    ASSERT_TRUE(caster.ready()) << "str2str did not start listening";

    const std::string capture = phxtest::CaptureBytes("rtcm3/rtcm3.bndm.log");
    std::string first1006;
    rtcm3::ScanFrames(capture, [&](const rtcm3::Frame& frame) {
        if (first1006.empty() && frame.messageNumber == 1006)
            first1006 = capture.substr(frame.offset, frame.size);
    });
    ASSERT_FALSE(first1006.empty());
    const std::string day = platform::FormatDateTime("yyyy-mm-dd", platform::Now());
    const std::string events = platform::VlmRoot() + day + "/LOG/" + day + " Events.log";
    std::filesystem::create_directories(platform::VlmRoot() + day + "/LOG");

    phxtest::Pty gnss, output;
    output.LinkAsCom(6);
    auto window = std::make_unique<TfrmNTRIPSettings>();
    TfrmNTRIPSettings& w = *window;
    w.UseProfilesFile(home.home() + "profiles.txt");
    auto gnssPort = platform::SerialPort::Create();
    ASSERT_TRUE(gnssPort->OpenDevice(gnss.slavePath(), platform::SerialSettings{}));
    w.SetGPSPort(gnssPort, "COM3");
    w.edtServer->setText("127.0.0.1");
    w.edtPort->setText(QString::number(caster.casterPort()));
    w.edtUsername->setText("user");
    w.edtPassword->setText("pass");

    w.btnFetchSources->click();
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return w.boxMountpoint->count() == 1 && w.btnFetchSources->isEnabled(); }, 5000));
    EXPECT_EQ(w.boxMountpoint->currentText(), "MNT");
    EXPECT_EQ(CountLines(w.memoLog->toPlainText(), "Found 1 mount points"), 1);

    // Everything the client hands the window, as it hands it.
    std::string delivered;
    auto onData = w.FClient->OnData;
    w.FClient->OnData = [&](TPlovanNTRIPClient* sender, const char* bytes, int32_t count) {
        delivered.append(bytes, static_cast<size_t>(count));
        onData(sender, bytes, count);
    };
    w.UpdateGPSPosition(44.0, -121.3, 1000);
    w.btnConnect->click();
    ASSERT_TRUE(PumpEventsUntil([&] { return w.FClient->FConnected.load(); }, 5000));

    // One station frame on its own: one log line, one events-file line.
    ASSERT_TRUE(caster.Feed(first1006));
    EXPECT_EQ(Collect(gnss, first1006.size(), 5000), first1006);
    ASSERT_TRUE(
        PumpEventsUntil([&] { return CountLines(w.memoLog->toPlainText(), kBase278) == 1; }, 5000));
    const auto eventLines = [&] {
        std::string text;
        platform::ReadFile(events, text);
        return std::count(text.begin(), text.end(), '\n');
    };
    EXPECT_EQ(eventLines(), 1);
    EXPECT_NE(phxtest::ReadAll(events).find("\tNTRIP Base Station #278: 44.08939091, "
                                            "-121.30752190, 1070.74m\r\n"),
              std::string::npos);

    // The whole capture reaches the receiver byte for byte; the same station
    // adds nothing.
    ASSERT_TRUE(caster.Feed(capture));
    const std::string received = Collect(gnss, capture.size(), 10000);
    EXPECT_TRUE(received == capture) << received.size() << " of " << capture.size() << " bytes";
    // The client writes to the receiver before it hands the chunk over.
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return delivered.size() == first1006.size() + capture.size(); }, 5000));
    EXPECT_EQ(CountLines(w.memoLog->toPlainText(), kBase278), 1);
    EXPECT_EQ(eventLines(), 1);
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Receiving Data");

    w.Button1->click();
    ASSERT_NE(fRTCMParsing, nullptr);
    const auto& lines = fRTCMParsing->Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Station ID: 278"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Antenna Type: GPPNULLANTENNA"), lines.end());
    EXPECT_EQ(CountLines(w.memoLog->toPlainText(), kBase278), 1);
    // Painting a window lets Qt's own image threads run, which ThreadSanitizer
    // cannot see into (Qt is not instrumented).
    fRTCMParsing->hide();

    // A second port as output: the frames go there and not to the receiver.
    w.boxOutputPort->setCurrentIndex(w.boxOutputPort->findText("COM6"));
    w.chkOutputPort->setChecked(true);
    ASSERT_TRUE(w.FOutputEnabled);
    ASSERT_TRUE(caster.Feed(capture));
    const std::string forwarded = Collect(output, capture.size(), 10000);
    EXPECT_TRUE(forwarded == capture) << forwarded.size() << " of " << capture.size() << " bytes";
    EXPECT_EQ(gnss.ReadAvailable(), "");

    // Back to the receiver's port, which its reader closes while frames flow:
    // nothing reaches either port, and the bytes are counted as dropped.
    w.chkOutputPort->setChecked(false);
    gnssPort->Close();
    const int64_t before = w.FClient->FBytesReceived.load();
    const uint64_t droppedBefore = gnssPort->DroppedBytes();
    ASSERT_TRUE(caster.Feed(capture));
    ASSERT_TRUE(PumpEventsUntil(
        [&] {
            return w.FClient->FBytesReceived.load() >=
                   before + static_cast<int64_t>(capture.size());
        },
        10000));
    PumpEventsFor(100);
    EXPECT_EQ(gnss.ReadAvailable(), "");
    EXPECT_EQ(output.ReadAvailable(), "");
    EXPECT_GE(gnssPort->DroppedBytes() - droppedBefore, capture.size());

    w.btnConnect->click();
    EXPECT_FALSE(w.FClient->FConnected.load());
    window.reset();
    delete fRTCMParsing;
    platform::SetDialogs(nullptr);
}
