// The NTRIP settings window on the offscreen platform: controls found by
// their layout names, real settings and profile files in a temporary HOME,
// pseudo-terminals as serial ports, a scripted caster on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>

#include "devices/TPlovanNTRIPClient.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/SerialPort.h"
#include "tests/support/Capture.h"
#include "tests/support/FakeCaster.h"
#include "tests/support/Pty.h"
#include "tests/support/RtcmEncoder.h"
#include "tests/support/TempHome.h"

using phxtest::FakeCaster;
using phxtest::PumpEventsUntil;
using phxtest::RtcmFrame;
using phxtest::StationPayload;

namespace {

const std::string kStation2003 = RtcmFrame(StationPayload(2003, 4208000.0, 2330000.0, 4173000.0));
const char* const kStation2003Text = "Base #2003: 41.13442695, 28.97361581, -1031.61m";

template <typename T>
T* Find(QWidget* window, const char* name) {
    T* widget = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void Store(const char* key, const std::string& value) {
    platform::IniFile(SettingsFilePath()).WriteString("NTRIP", key, value);
}
std::string Stored(const char* key) {
    platform::IniFile::DropCachedModels();
    return platform::IniFile(SettingsFilePath()).ReadString("NTRIP", key, "<missing>");
}

class NTRIPSettingsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        InitDayPaths();
        platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    }
    void TearDown() override {
        window_.reset();
        delete fRTCMParsing;
        platform::SetClockForTesting(nullptr);
        platform::SetDialogs(nullptr);
    }

    TfrmNTRIPSettings& Make() {
        window_ = std::make_unique<TfrmNTRIPSettings>();
        window_->UseProfilesFile(home_.home() + "profiles.txt");
        return *window_;
    }

    // The log's lines without their "hh:nn:ss " stamps.
    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        for (const QString& line : window_->memoLog->toPlainText().split('\n'))
            lines.push_back(line.mid(9).toStdString());
        return lines;
    }
    int CountLog(const std::string& text) const {
        const auto lines = Log();
        return static_cast<int>(std::count(lines.begin(), lines.end(), text));
    }
    bool HasLog(const std::string& text) const { return CountLog(text) > 0; }

    std::string EventsPath() const {
        const std::string day = platform::FormatDateTime("yyyy-mm-dd", platform::Now());
        return platform::VlmRoot() + day + "/LOG/" + day + " Events.log";
    }

    phxtest::TempHome home_;
    std::unique_ptr<TfrmNTRIPSettings> window_;
};

}  // namespace

TEST_F(NTRIPSettingsWindow, ControlsCaptionsAndDefaults) {
    TfrmNTRIPSettings& w = Make();
    EXPECT_EQ(w.objectName(), "frmNTRIPSettings");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client");
    EXPECT_EQ(Find<QPushButton>(&w, "btnSaveProfile")->text(), "+");
    EXPECT_EQ(Find<QLineEdit>(&w, "edtServer")->text(), "");
    EXPECT_EQ(Find<QLineEdit>(&w, "edtPort")->text(), "2101");
    EXPECT_EQ(Find<QLineEdit>(&w, "edtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Find<QRadioButton>(&w, "rbFromGPS")->isChecked());
    EXPECT_EQ(Find<QRadioButton>(&w, "rbManual")->text(), "Manual");
    for (const char* name : {"edtLatitude", "edtLongitude"}) {
        EXPECT_EQ(Find<QLineEdit>(&w, name)->text(), "0.0");
        EXPECT_FALSE(Find<QLineEdit>(&w, name)->isEnabled());
    }
    EXPECT_EQ(Find<QPushButton>(&w, "btnFetchSources")->text(), "Fetch Sources");
    EXPECT_TRUE(Find<QCheckBox>(&w, "chkShowLog")->isChecked());
    EXPECT_TRUE(Find<QPlainTextEdit>(&w, "memoLog")->isReadOnly());
    EXPECT_EQ(Find<QCheckBox>(&w, "chkOutputPort")->text(), "Enable");
    EXPECT_FALSE(w.chkOutputPort->isChecked());
    QComboBox* baud = Find<QComboBox>(&w, "boxOutputBaud");
    ASSERT_EQ(baud->count(), 6);
    EXPECT_EQ(baud->itemText(0), "4800");
    EXPECT_EQ(baud->currentIndex(), 5);
    EXPECT_EQ(Find<QComboBox>(&w, "boxOutputPort")->itemText(0), "This port (GPS)");
    EXPECT_EQ(w.boxOutputPort->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>(&w, "boxProfile")->itemText(0), "<New Profile>");
    EXPECT_EQ(Find<QLabel>(&w, "lblBytesReceivedValue")->text(), "0");
    EXPECT_EQ(Find<QLabel>(&w, "lblBytesSentValue")->text(), "0");
    EXPECT_EQ(Find<QPushButton>(&w, "btnConnect")->text(), "Connect");
    EXPECT_EQ(Find<QPushButton>(&w, "Button1")->text(), "RTCM Parsing");
    EXPECT_EQ(Find<QPushButton>(&w, "btnClose")->text(), "Close");
    EXPECT_NE(Find<QProgressBar>(&w, "pbProgress"), nullptr);
    QTimer* timer = w.findChild<QTimer*>("tmrUpdate");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 500);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(Log(), std::vector<std::string>{"Plovan NTRIP Client initialized"});
    EXPECT_FALSE(w.isVisible());

    w.chkShowLog->setChecked(false);
    EXPECT_TRUE(w.memoLog->isHidden());
    w.rbManual->setChecked(true);
    EXPECT_TRUE(w.edtLatitude->isEnabled());
    EXPECT_FALSE(w.edtLatitude->isReadOnly());
    EXPECT_TRUE(w.FClient->FUseManualPosition);
}

TEST_F(NTRIPSettingsWindow, LoadsTheStoredSettingsAndKeepsThemWhileLoading) {
    // COM7 is listed (its link's target exists) but is no serial port: the
    // restored box fails to open it and unchecks itself while loading.
    std::filesystem::create_directories(platform::SerialPort::PortLinkDir());
    phxtest::WriteAll(home_.home() + "not-a-port", "");
    std::filesystem::create_symlink(home_.home() + "not-a-port",
                                    platform::SerialPort::PortLinkDir() + "COM7");
    Store("Server", "caster.example");
    Store("Port", "2102");
    Store("MountPoint", "MNT1");
    Store("UseManualPosition", "1");
    Store("Latitude", "41.1");
    Store("OutputPort", "COM7");
    Store("OutputBaud", "2");
    Store("OutputEnabled", "1");
    Store("AutoConnect", "1");
    TfrmNTRIPSettings& w = Make();
    EXPECT_EQ(w.edtServer->text(), "caster.example");
    EXPECT_EQ(w.edtPort->text(), "2102");
    ASSERT_EQ(w.boxMountpoint->count(), 1);
    EXPECT_EQ(w.boxMountpoint->currentText(), "MNT1");
    EXPECT_TRUE(w.rbManual->isChecked());
    EXPECT_TRUE(w.edtLatitude->isEnabled());
    EXPECT_EQ(w.edtLatitude->text(), "41.1");
    EXPECT_EQ(w.boxOutputPort->currentText(), "COM7");
    EXPECT_EQ(w.boxOutputBaud->currentIndex(), 2);
    EXPECT_TRUE(HasLog("Failed to configure output port"));
    EXPECT_FALSE(w.chkOutputPort->isChecked());
    EXPECT_TRUE(w.FAutoConnect);
    EXPECT_TRUE(w.FAutoConnectPending);
    EXPECT_TRUE(HasLog("Auto-connect enabled - will connect on startup"));
    // Nothing was written while loading: the stored choice survives a port
    // that failed at this start.
    EXPECT_EQ(Stored("AutoConnect"), "1");
    EXPECT_EQ(Stored("OutputEnabled"), "1");
    EXPECT_EQ(Stored("OutputPort"), "COM7");
    EXPECT_EQ(Stored("Server"), "caster.example");
}

TEST_F(NTRIPSettingsWindow, AutoConnectWithoutMountPointDoesNothing) {
    Store("AutoConnect", "1");
    TfrmNTRIPSettings& w = Make();
    EXPECT_FALSE(w.FAutoConnectPending);
    EXPECT_EQ(Log(), std::vector<std::string>{"Plovan NTRIP Client initialized"});
}

TEST_F(NTRIPSettingsWindow, ProfilesKeepTheirFileLines) {
    const std::string path = home_.home() + "profiles.txt";
    phxtest::WriteAll(path,
                      "a@one:2101\tone\t2101\ta\tpw-one\t1.0\t2.0\r\n"
                      "\r\n"
                      "a comment without a tab\r\n"
                      "two:2102\ttwo\t2102\t\tpw-two\r\n");
    TfrmNTRIPSettings& w = Make();
    ASSERT_EQ(w.boxProfile->count(), 3);
    EXPECT_EQ(w.boxProfile->currentIndex(), 1);
    EXPECT_EQ(w.edtServer->text(), "");  // selecting while loading fills nothing

    // The second profile is file line 4, not line 2 (the blank one).
    w.boxProfile->setCurrentIndex(2);
    w.boxProfileChange();
    EXPECT_EQ(w.edtServer->text(), "two");
    EXPECT_EQ(w.edtPort->text(), "2102");
    EXPECT_EQ(w.edtUsername->text(), "");
    EXPECT_EQ(w.edtPassword->text(), "pw-two");
    EXPECT_EQ(w.edtLatitude->text(), "0.0");  // five fields leave the position
    w.boxProfile->setCurrentIndex(1);
    w.boxProfileChange();
    EXPECT_EQ(w.edtServer->text(), "one");
    EXPECT_EQ(w.edtPassword->text(), "pw-one");
    EXPECT_EQ(w.edtLongitude->text(), "2.0");
}

TEST_F(NTRIPSettingsWindow, SaveProfileReplacesOrAppends) {
    const std::string path = home_.home() + "profiles.txt";
    TfrmNTRIPSettings& w = Make();
    w.edtServer->setText("h");
    w.edtUsername->setText("u");
    w.edtPassword->setText("secret");
    w.btnSaveProfile->click();
    EXPECT_TRUE(HasLog("Profile saved: u@h:2101"));
    EXPECT_EQ(phxtest::ReadAll(path), "u@h:2101\th\t2101\tu\tsecret\t0.0\t0.0\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(w.boxProfile->currentText(), "u@h:2101");

    w.edtPassword->setText("changed");
    w.btnSaveProfile->click();
    EXPECT_EQ(phxtest::ReadAll(path), "u@h:2101\th\t2101\tu\tchanged\t0.0\t0.0\r\n");
    w.edtUsername->setText("");
    w.btnSaveProfile->click();
    EXPECT_EQ(w.boxProfile->count(), 3);
    EXPECT_EQ(w.boxProfile->currentText(), "h:2101");

    // A profile file that cannot be written.
    w.UseProfilesFile(home_.home() + "missing-folder/profiles.txt");
    w.btnSaveProfile->click();
    EXPECT_TRUE(HasLog("Error saving profile"));
}

TEST_F(NTRIPSettingsWindow, ConnectAndFetchWithoutWhatTheyNeed) {
    TfrmNTRIPSettings& w = Make();
    w.btnConnect->click();
    EXPECT_EQ(Log(), (std::vector<std::string>{"Plovan NTRIP Client initialized",
                                               "Please select a mountpoint first"}));
    // No caster address: the client starts nothing, so both buttons are as before.
    w.btnFetchSources->click();
    EXPECT_TRUE(HasLog("Error: Caster address is empty"));
    EXPECT_TRUE(w.btnFetchSources->isEnabled());
    w.boxMountpoint->addItem("MNT");
    w.btnConnect->click();
    EXPECT_EQ(w.btnConnect->text(), "Connect");
    EXPECT_EQ(CountLog("Error: Caster address is empty"), 2);
}

TEST_F(NTRIPSettingsWindow, StatusTable) {
    TfrmNTRIPSettings& w = Make();
    w.ClientStatusChanged(1, "");
    EXPECT_EQ(w.btnConnect->text(), "Connecting...");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Connecting...");
    w.ClientStatusChanged(2, "");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Connected");
    EXPECT_FALSE(w.FAutoConnect);
    w.ClientStatusChanged(3, "");
    EXPECT_EQ(w.btnConnect->text(), "Disconnect");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Receiving Data");
    EXPECT_TRUE(w.FDataFlowing);
    EXPECT_EQ(Stored("AutoConnect"), "1");
    EXPECT_TRUE(HasLog("Auto-connect enabled for next startup"));
    // A second 3 in the same run does not save again.
    Store("AutoConnect", "0");
    w.ClientStatusChanged(3, "");
    EXPECT_EQ(Stored("AutoConnect"), "0");
    EXPECT_EQ(CountLog("Auto-connect enabled for next startup"), 1);
    // Lost while hidden: shown again, once.
    w.btnFetchSources->setEnabled(false);
    w.ClientStatusChanged(4, "");
    EXPECT_EQ(w.btnConnect->text(), "Connect");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Error");
    EXPECT_TRUE(w.btnFetchSources->isEnabled());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(HasLog("Connection lost - showing NTRIP settings"));
    EXPECT_FALSE(w.FDataFlowing);
    w.hide();
    w.ClientStatusChanged(0, "");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Disconnected");
    EXPECT_FALSE(w.isVisible());
    // Other values change nothing.
    w.ClientStatusChanged(9, "");
    EXPECT_EQ(w.windowTitle(), "Plovan NTRIP Client - Disconnected");
}

// A save that fails (a settings file the user made read-only, which root
// cannot write either) is a log line, and the first corrections then claim
// no auto-connect for the next start.
TEST_F(NTRIPSettingsWindow, AFailedSaveIsLoggedAndNotCountedAsDone) {
    Store("Server", "caster.example");
    TfrmNTRIPSettings& w = Make();
    ASSERT_EQ(::chmod(SettingsFilePath().c_str(), 0400), 0);
    const std::string before = phxtest::ReadAll(SettingsFilePath());
    w.ClientStatusChanged(3, "");
    EXPECT_TRUE(w.FDataFlowing);
    EXPECT_EQ(CountLog("Failed to save settings to " + SettingsFilePath()), 1);
    EXPECT_FALSE(HasLog("Auto-connect enabled for next startup"));
    EXPECT_EQ(phxtest::ReadAll(SettingsFilePath()), before);
    EXPECT_EQ(Stored("AutoConnect"), "<missing>");
    ::chmod(SettingsFilePath().c_str(), 0600);
}

TEST_F(NTRIPSettingsWindow, GnssPortAndPosition) {
    TfrmNTRIPSettings& w = Make();
    auto port = platform::SerialPort::Create();
    w.SetGPSPort(port, "COM3");
    EXPECT_EQ(w.boxOutputPort->itemText(0), "COM3 This Port (GPS)");
    EXPECT_EQ(w.FGPSPortName, "COM3");
    EXPECT_EQ(w.FClient->SerialHandle(), port);
    const auto log = Log();
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
              (std::vector<std::string>{"Serial port handle set", "Serial port handle connected"}));

    w.UpdateGPSPosition(41.5, 29.25, 10);
    EXPECT_EQ(w.edtLatitude->text(), "41.50000000");
    EXPECT_EQ(w.edtLongitude->text(), "29.25000000");
    EXPECT_EQ(w.FClient->Latitude(), 41.5);
    EXPECT_EQ(w.FClient->Altitude(), 10);
    w.rbManual->setChecked(true);
    w.UpdateGPSPosition(1, 2, 3);
    EXPECT_EQ(w.edtLatitude->text(), "41.50000000");
    EXPECT_EQ(w.FClient->Latitude(), 41.5);
}

TEST_F(NTRIPSettingsWindow, PortAttachedAtCreationIsAnnouncedWhenItOpens) {
    phxtest::Pty pty;
    TfrmNTRIPSettings& w = Make();
    auto port = platform::SerialPort::Create();
    w.AttachGPSPort(port, [] { return std::string("COM3"); });
    EXPECT_EQ(w.FClient->SerialHandle(), port);  // writes while closed are dropped
    EXPECT_FALSE(HasLog("Serial port handle set"));
    w.tmrUpdateTimer();
    EXPECT_FALSE(HasLog("Serial port handle connected"));
    ASSERT_TRUE(port->OpenDevice(pty.slavePath(), platform::SerialSettings{}));
    w.tmrUpdateTimer();
    w.tmrUpdateTimer();
    EXPECT_EQ(CountLog("Serial port handle set"), 1);
    EXPECT_EQ(CountLog("Serial port handle connected"), 1);
    EXPECT_EQ(w.boxOutputPort->itemText(0), "COM3 This Port (GPS)");
}

TEST_F(NTRIPSettingsWindow, LogKeepsTheLastHundredLines) {
    TfrmNTRIPSettings& w = Make();
    for (int i = 0; i < 150; ++i) w.AddLog("line " + std::to_string(i));
    const auto log = Log();
    ASSERT_EQ(log.size(), 100u);
    EXPECT_EQ(log.front(), "line 50");
    EXPECT_EQ(log.back(), "line 149");
    const QString first = w.memoLog->toPlainText().split('\n').front();
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d line 50$").match(first).hasMatch())
        << first.toStdString();
}

TEST_F(NTRIPSettingsWindow, OutputPortChoices) {
    phxtest::Pty pty;
    pty.LinkAsCom(5);
    TfrmNTRIPSettings& w = Make();
    // Item 0: the client writes to the GNSS port itself.
    w.chkOutputPort->setChecked(true);
    EXPECT_TRUE(HasLog("Output enabled: Using GPS input port"));
    EXPECT_TRUE(w.FOutputEnabled);
    EXPECT_TRUE(w.FClient->FForwardToSerial.load());
    EXPECT_EQ(Stored("OutputEnabled"), "1");
    w.chkOutputPort->setChecked(false);

    const int com5 = w.boxOutputPort->findText("COM5");
    ASSERT_GT(com5, 0);
    w.boxOutputPort->setCurrentIndex(com5);
    w.boxOutputBaud->setCurrentIndex(2);
    w.chkOutputPort->setChecked(true);
    EXPECT_TRUE(HasLog("Output port opened: COM5 @ 19200"));
    EXPECT_EQ(pty.SlaveSpeed(), 19200);
    const termios tio = pty.SlaveAttributes();
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_FALSE(w.FClient->FForwardToSerial.load());
    EXPECT_EQ(Stored("OutputPort"), "COM5");

    w.chkOutputPort->setChecked(false);
    EXPECT_TRUE(HasLog("Output port closed"));
    EXPECT_TRUE(w.FClient->FForwardToSerial.load());
    EXPECT_EQ(Stored("OutputEnabled"), "0");

    // A port that does not exist.
    w.boxOutputPort->addItem("COM42");
    w.boxOutputPort->setCurrentIndex(w.boxOutputPort->count() - 1);
    w.chkOutputPort->setChecked(true);
    EXPECT_TRUE(HasLog("Failed to open output port: COM42"));
    EXPECT_FALSE(w.chkOutputPort->isChecked());
    EXPECT_FALSE(w.FOutputEnabled);
    EXPECT_TRUE(w.FClient->FForwardToSerial.load());
    // None chosen.
    w.boxOutputPort->setCurrentIndex(-1);
    w.chkOutputPort->setChecked(true);
    EXPECT_TRUE(HasLog("No output port selected"));
    EXPECT_FALSE(w.chkOutputPort->isChecked());
}

TEST_F(NTRIPSettingsWindow, StartAndAutoConnectKeepAStoredOutputThatIsNotThere) {
    // COM8 is listed but is no serial port; COM9 is not plugged in at all.
    phxtest::WriteAll(home_.home() + "not-a-tty", "");
    std::filesystem::create_directories(platform::SerialPort::PortLinkDir());
    std::filesystem::create_symlink(home_.home() + "not-a-tty",
                                    platform::SerialPort::PortLinkDir() + "COM8");
    for (const char* port : {"COM8", "COM9"}) {
        SCOPED_TRACE(port);
        Store("OutputPort", port);
        Store("OutputBaud", "3");
        Store("OutputEnabled", "1");
        Store("AutoConnect", "1");
        Store("MountPoint", "MNT");
        Store("Server", "127.0.0.1");
        Store("Port", std::to_string(phxtest::FreeLoopbackPort()));
        platform::IniFile::DropCachedModels();
        TfrmNTRIPSettings& w = Make();
        w.tmrUpdateTimer();  // the auto-connect, which saves first
        ASSERT_TRUE(HasLog("Auto-reconnecting..."));
        EXPECT_TRUE(HasLog(std::string("Output port ") + port +
                           " is not available; corrections go to the GPS port"));
        EXPECT_TRUE(w.FClient->FForwardToSerial.load());
        EXPECT_EQ(Stored("OutputPort"), port);
        EXPECT_EQ(Stored("OutputEnabled"), "1");
        EXPECT_EQ(Stored("OutputBaud"), "3");
        window_.reset();  // the save at the end of the run keeps it too
        EXPECT_EQ(Stored("OutputPort"), port);
        EXPECT_EQ(Stored("OutputEnabled"), "1");
    }
    // The surveyor's own choice replaces it.
    TfrmNTRIPSettings& w = Make();
    w.chkOutputPort->click();
    EXPECT_EQ(Stored("OutputEnabled"), w.chkOutputPort->isChecked() ? "1" : "0");
    EXPECT_EQ(Stored("OutputPort"), "This port (GPS)");
}

TEST_F(NTRIPSettingsWindow, TheButtonStopsAConnectOnItsWayAndTheRetryChain) {
    // A caster that takes the request and never answers: the connect hangs.
    FakeCaster silent([](FakeCaster::Connection& c) {
        if (c.ReadRequest()) c.WaitClosed();
    });
    const struct {
        const char* what;
        int port;
    } cases[] = {{"connecting", silent.port()}, {"retrying", phxtest::FreeLoopbackPort()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TfrmNTRIPSettings& w = Make();
        w.FClient->FTimings.ReconnectIntervalMs = 60000;  // a retry stays due
        w.edtServer->setText("127.0.0.1");
        w.edtPort->setText(QString::number(c.port));
        w.boxMountpoint->addItem("MNT");
        w.btnConnect->click();
        ASSERT_TRUE(PumpEventsUntil(
            [&] {
                return c.port == silent.port() ? silent.requests().size() == 1
                                               : w.FClient->FReconnectTimer->isActive();
            },
            5000));
        PumpEventsUntil([&] { return w.btnConnect->text() == "Stop"; }, 2000);
        EXPECT_EQ(w.btnConnect->text(), "Stop");
        EXPECT_FALSE(w.FClient->FConnected.load());
        w.btnConnect->click();
        EXPECT_TRUE(HasLog("Stopping the connection attempts (manual)..."));
        EXPECT_FALSE(w.FClient->AttemptInProgress());
        EXPECT_FALSE(w.FClient->FReconnectTimer->isActive());
        EXPECT_EQ(w.btnConnect->text(), "Connect");
        EXPECT_EQ(Stored("AutoConnect"), "0");
        window_.reset();
    }
    EXPECT_EQ(silent.requests().size(), 1u);  // stopped, not started again
}

TEST_F(NTRIPSettingsWindow, UntickingAStalledOutputPortDoesNotWaitForTheWrite) {
    phxtest::Pty pty;  // nobody reads the master: writes stall once its buffer is full
    pty.LinkAsCom(5);
    TfrmNTRIPSettings& w = Make();
    w.boxOutputPort->setCurrentIndex(w.boxOutputPort->findText("COM5"));
    w.chkOutputPort->setChecked(true);
    ASSERT_TRUE(w.FOutputEnabled);
    const std::string chunk(16 * 1024, 'x');
    for (int i = 0; i < 3; ++i)
        w.ClientDataReceived(chunk.data(), static_cast<int32_t>(chunk.size()));
    const std::shared_ptr<platform::SerialPort> port = w.OutputPort();
    ASSERT_FALSE(w.DrainOutput(100));  // the writer is stuck in a write
    const auto before = std::chrono::steady_clock::now();
    w.chkOutputPort->setChecked(false);
    const auto waited = std::chrono::steady_clock::now() - before;
    // A write waits up to a second for room; the close must not wait it out.
    EXPECT_LT(waited, std::chrono::milliseconds(500));
    EXPECT_FALSE(port->IsOpen());
    EXPECT_GT(port->DroppedBytes(), 0u);
}

TEST_F(NTRIPSettingsWindow, ChunksGoToTheOutputPortAndAreWatched) {
    phxtest::Pty pty;
    pty.LinkAsCom(5);
    std::filesystem::create_directories(std::filesystem::path(EventsPath()).parent_path());
    TfrmNTRIPSettings& w = Make();
    w.boxOutputPort->setCurrentIndex(w.boxOutputPort->findText("COM5"));
    w.chkOutputPort->setChecked(true);
    ASSERT_TRUE(w.FOutputEnabled);

    w.ClientDataReceived(kStation2003.data(), static_cast<int32_t>(kStation2003.size()));
    w.ClientDataReceived(kStation2003.data(), static_cast<int32_t>(kStation2003.size()));
    ASSERT_TRUE(w.DrainOutput(2000));
    EXPECT_EQ(pty.Read(2 * kStation2003.size()), kStation2003 + kStation2003);
    EXPECT_EQ(CountLog(kStation2003Text), 1);
    EXPECT_EQ(w.BaseStation().id, 2003);
    const std::string events = phxtest::ReadAll(EventsPath());
    EXPECT_TRUE(QRegularExpression("^Auto Event:\\t\\d{4}-\\d\\d-\\d\\d \\d{6}000\\tNTRIP Base "
                                   "Station #2003: 41.13442695, 28.97361581, -1031.61m\\r\\n$")
                    .match(QString::fromStdString(events))
                    .hasMatch())
        << events;

    // A 5-byte chunk is forwarded and not scanned; a split frame is not seen;
    // an empty 1006 is ignored.
    const std::string moved = RtcmFrame(StationPayload(2003, 4208000.0, 2330000.0, 4173010.0));
    w.ClientDataReceived(moved.data(), 5);
    const std::string empty1006 = RtcmFrame(StationPayload(4, 0, 0, 0, 1006));
    w.ClientDataReceived(empty1006.data(), static_cast<int32_t>(empty1006.size()));
    w.ClientDataReceived(moved.data() + 5, static_cast<int32_t>(moved.size() - 5));
    ASSERT_TRUE(w.DrainOutput(2000));
    EXPECT_EQ(pty.Read(moved.size() + empty1006.size()),
              moved.substr(0, 5) + empty1006 + moved.substr(5));
    EXPECT_EQ(CountLog(kStation2003Text), 1);
    EXPECT_EQ(w.BaseStation().id, 2003);
    EXPECT_EQ(phxtest::ReadAll(EventsPath()), events);

    // With item 0 chosen the window writes nothing itself, even with its port open.
    w.boxOutputPort->setCurrentIndex(0);
    w.ClientDataReceived(kStation2003.data(), static_cast<int32_t>(kStation2003.size()));
    ASSERT_TRUE(w.DrainOutput(2000));
    EXPECT_EQ(pty.Read(1, 200), "");
}

TEST_F(NTRIPSettingsWindow, NoEventsLineWithoutTodaysLogFolder) {
    TfrmNTRIPSettings& w = Make();
    w.ClientDataReceived(kStation2003.data(), static_cast<int32_t>(kStation2003.size()));
    EXPECT_EQ(CountLog(kStation2003Text), 1);
    EXPECT_FALSE(platform::FileExists(EventsPath()));
}

TEST_F(NTRIPSettingsWindow, TimerCountersAndPendingAutoConnect) {
    TfrmNTRIPSettings& w = Make();
    w.FClient->FBytesReceived = 1234567;
    w.FClient->FBytesSent = 1000;
    w.tmrUpdateTimer();
    EXPECT_EQ(w.lblBytesReceivedValue->text(), "1,234,567");
    EXPECT_EQ(w.lblBytesSentValue->text(), "1,000");
    EXPECT_EQ(w.pbProgress->value(), 91);

    // Pending while the client is already connected: cleared, nothing else.
    w.FAutoConnectPending = true;
    w.FClient->FConnected = true;
    const auto before = Log();
    w.tmrUpdateTimer();
    EXPECT_FALSE(w.FAutoConnectPending);
    EXPECT_EQ(Log(), before);
    w.FClient->FConnected = false;
}

TEST_F(NTRIPSettingsWindow, WatchdogShowsTheWindowOnceAfterThirtySeconds) {
    TfrmNTRIPSettings& w = Make();
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    w.SetMonotonicClockForTesting([&] { return now; });
    w.ClientDataReceived("abc", 3);
    w.FDataFlowing = true;
    w.FClient->FConnected = true;
    const char* const line = "No data received for 30 seconds - showing NTRIP settings";
    now += std::chrono::seconds(30);
    w.tmrUpdateTimer();
    EXPECT_FALSE(w.isVisible());
    now += std::chrono::milliseconds(500);
    w.tmrUpdateTimer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(CountLog(line), 1);
    now += std::chrono::seconds(10);
    w.tmrUpdateTimer();
    EXPECT_EQ(CountLog(line), 1);
    // Hidden again by the surveyor: it may fire again.
    w.btnClose->click();
    EXPECT_FALSE(w.isVisible());
    w.tmrUpdateTimer();
    EXPECT_EQ(CountLog(line), 2);
    w.FClient->FConnected = false;
}

TEST_F(NTRIPSettingsWindow, NothingToParse) {
    TfrmNTRIPSettings& w = Make();
    w.Button1->click();
    EXPECT_TRUE(HasLog("No RTCM data to parse"));
    EXPECT_EQ(fRTCMParsing, nullptr);
}

// Connect through the window to a scripted caster: the settings reach the
// client, the stream reaches the watch, and the report works on the client's
// last bytes.
TEST_F(NTRIPSettingsWindow, ConnectReceiveReportDisconnect) {
    const std::string capture = phxtest::CaptureBytes("rtcm3/rtcm3.log");
    ASSERT_FALSE(capture.empty());
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n" + capture);
        c.WaitClosed();
    });
    TfrmNTRIPSettings& w = Make();
    w.edtServer->setText("127.0.0.1");
    w.edtPort->setText(QString::number(caster.port()));
    w.edtUsername->setText("user");
    w.edtPassword->setText("pass");
    w.boxMountpoint->addItem("MNT");
    w.UpdateGPSPosition(38.6, -77.0, 12);
    w.btnConnect->click();
    EXPECT_EQ(w.btnConnect->text(), "Disconnect");
    EXPECT_TRUE(HasLog("Connecting to 127.0.0.1:" + std::to_string(caster.port()) + "/MNT"));
    EXPECT_TRUE(HasLog("Position: 38.60000000, -77.00000000"));
    EXPECT_EQ(Stored("MountPoint"), "MNT");
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return HasLog("Base #2003: 38.80475943, -77.06477360, 114.56m"); }, 5000));
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return w.windowTitle() == "Plovan NTRIP Client - Receiving Data"; }, 5000));
    ASSERT_EQ(caster.requests().size(), 1u);
    EXPECT_NE(caster.requests()[0].find("GET /MNT HTTP/1.0\r\n"), std::string::npos);
    EXPECT_NE(caster.requests()[0].find("Authorization: Basic dXNlcjpwYXNz\r\n"),
              std::string::npos);

    w.Button1->click();
    ASSERT_NE(fRTCMParsing, nullptr);
    EXPECT_TRUE(fRTCMParsing->isVisible());
    const auto& lines = fRTCMParsing->Lines();
    EXPECT_EQ(lines.front(), "Plovan Survey Desk - RTCM Message Parser v1.0");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Station ID: 2003"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  Latitude:  38.60000000 deg"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Distance to Base: 23.45 km"), lines.end());
    fRTCMParsing->hide();  // no painting while the stream runs (Qt's image threads)
    // The watch already knew the station: the report adds no line.
    w.Button1->click();
    EXPECT_EQ(CountLog("Base #2003: 38.80475943, -77.06477360, 114.56m"), 1);

    w.btnConnect->click();
    EXPECT_TRUE(HasLog("Disconnecting (manual)..."));
    EXPECT_EQ(w.btnConnect->text(), "Connect");
    EXPECT_EQ(Stored("AutoConnect"), "0");
    EXPECT_FALSE(w.FClient->FConnected.load());
}

TEST_F(NTRIPSettingsWindow, ReportRemembersAStationTheWatchMissed) {
    // A station frame split over two chunks escapes the live watch; the
    // report sees it in the raw bytes and brings the memory up to date.
    const std::string capture = phxtest::CaptureBytes("rtcm3/rtcm3.log");
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        c.SendInPieces(capture, 20, 60);
        c.WaitClosed();
    });
    TfrmNTRIPSettings& w = Make();
    w.edtServer->setText("127.0.0.1");
    w.edtPort->setText(QString::number(caster.port()));
    w.boxMountpoint->addItem("MNT");
    w.btnConnect->click();
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return w.FClient->FBytesReceived.load() >= static_cast<int64_t>(capture.size()); },
        5000));
    EXPECT_EQ(w.BaseStation().id, 0);
    w.Button1->click();
    EXPECT_EQ(CountLog("Base #2003: 38.80475943, -77.06477360, 114.56m"), 1);
    EXPECT_EQ(w.BaseStation().id, 2003);
    w.Button1->click();
    EXPECT_EQ(CountLog("Base #2003: 38.80475943, -77.06477360, 114.56m"), 1);
    // No events-file line from the report.
    EXPECT_FALSE(platform::FileExists(EventsPath()));
}

TEST_F(NTRIPSettingsWindow, FreedWindowSavesItsSettings) {
    TfrmNTRIPSettings& w = Make();
    w.edtServer->setText("caster.example");
    w.edtPassword->setText("secret");
    window_.reset();
    EXPECT_EQ(Stored("Server"), "caster.example");
    EXPECT_EQ(Stored("Password"), "secret");
    EXPECT_EQ(Stored("OutputBaud"), "5");
}

TEST_F(NTRIPSettingsWindow, ManualDisconnectWinsOverAStatusOnItsWay) {
    FakeCaster caster([&](FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        c.Send(kStation2003);
        c.WaitClosed();
    });
    TfrmNTRIPSettings& w = Make();
    w.edtServer->setText("127.0.0.1");
    w.edtPort->setText(QString::number(caster.port()));
    w.boxMountpoint->addItem("MNT");
    w.btnConnect->click();
    // The event loop stops at "connected", so the worker's data and
    // "receiving" calls are still waiting when the surveyor disconnects.
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return w.windowTitle() == "Plovan NTRIP Client - Connected"; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_TRUE(w.FClient->FConnected.load());
    w.btnConnect->click();
    EXPECT_FALSE(w.FAutoConnect);
    EXPECT_EQ(Stored("AutoConnect"), "0");
    EXPECT_FALSE(HasLog("Auto-connect enabled for next startup"));
    EXPECT_EQ(w.btnConnect->text(), "Connect");
}
