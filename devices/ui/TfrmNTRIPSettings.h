// The NTRIP settings window ("Plovan NTRIP Client"): the surveyor's control
// panel for RTK corrections. It owns the NTRIP client, keeps the caster
// settings in section "NTRIP" of the settings file and the caster profiles in
// "profiles.txt", chooses where the corrections go (the GNSS port itself or a
// serial port of its own), shows the connection state, a log of at most 100
// lines and the byte counters, connects by itself at start when the last run
// received corrections, and shows itself again when the corrections stop or
// the connection is lost. Closing only hides it; the connection goes on.
//
// Every received chunk is forwarded to the output port (when one of its own
// is chosen) through a writer thread, and watched for a change of reference
// station (1005/1006 frames with a valid CRC), which goes to the log and to
// the current day's events file. "RTCM Parsing" writes the report of the last
// received bytes into the RTCM report window.
//
// GUI thread only. Controls carry their layout names as object names.
#pragma once

#include <QDialog>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices/BaseStationWatch.h"
#include "devices/NtripProfiles.h"
#include "devices/NtripSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class TPlovanNTRIPClient;
namespace platform {
class SerialPort;
}
namespace devices {
class OutputPortWriter;
}

class TfrmNTRIPSettings : public QDialog {
    Q_OBJECT
  public:
    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

    // Builds the controls, then runs FormCreate (client, profiles, settings).
    explicit TfrmNTRIPSettings(QWidget* owner = nullptr);
    // Client events detached first, then SaveSettings, CloseOutputPort and
    // the client's Disconnect (FormDestroy).
    ~TfrmNTRIPSettings() override;

    // Controls of the layout.
    QComboBox* boxProfile = nullptr;
    QPushButton* btnSaveProfile = nullptr;
    QLineEdit* edtServer = nullptr;
    QLineEdit* edtPort = nullptr;
    QLineEdit* edtUsername = nullptr;
    QLineEdit* edtPassword = nullptr;
    QRadioButton* rbFromGPS = nullptr;
    QRadioButton* rbManual = nullptr;
    QLineEdit* edtLatitude = nullptr;
    QLineEdit* edtLongitude = nullptr;
    QComboBox* boxMountpoint = nullptr;
    QPushButton* btnFetchSources = nullptr;
    QCheckBox* chkShowLog = nullptr;
    QProgressBar* pbProgress = nullptr;
    QPlainTextEdit* memoLog = nullptr;
    QCheckBox* chkOutputPort = nullptr;
    QComboBox* boxOutputPort = nullptr;
    QComboBox* boxOutputBaud = nullptr;
    QLabel* lblBytesReceivedValue = nullptr;
    QLabel* lblBytesSentValue = nullptr;
    QPushButton* btnConnect = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* tmrUpdate = nullptr;

    // Published handlers.
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void boxProfileChange();
    void btnSaveProfileClick() { SaveProfile(); }
    void btnFetchSourcesClick();
    void btnConnectClick();
    void chkShowLogClick();
    void btnCloseClick();
    void rbFromGPSClick() { UpdatePositionControls(); }
    void rbManualClick() { UpdatePositionControls(); }
    void chkOutputPortClick();
    void tmrUpdateTimer();
    void Button1Click();

    // The client's events.
    void ClientStatusChanged(int32_t status, const std::string& message);
    void ClientDataReceived(const char* bytes, int32_t count);
    void ClientSourceTableReceived(const std::vector<std::string>& mountPoints);
    void ClientLog(const std::string& message) { AddLog(message); }

    // Called by the main window: the GNSS port object and its name ("COM3"),
    // and every new position (degrees, metres).
    void SetGPSPort(std::shared_ptr<platform::SerialPort> port, const std::string& portName);
    void UpdateGPSPosition(double latitude, double longitude, double altitude);

    // Called by the program entry right after creation: the GNSS reader's port
    // object goes to the client at once (writes while it is closed are
    // dropped), so corrections reach the receiver however the connection was
    // started; the window tells of it (SetGPSPort) once the port first opens.
    void AttachGPSPort(std::shared_ptr<platform::SerialPort> port,
                       std::function<std::string()> portName);

    // For the offsets window's NTRIP button: a modal show, or a raise when
    // the window is already on the screen.
    void ShowModalOrRaise();

    void AddLog(const std::string& text);

    // Reads the caster profiles from another file from now on (tests).
    void UseProfilesFile(const std::string& path);

    TPlovanNTRIPClient* FClient = nullptr;
    std::string FSettingsFile;
    std::string FProfilesFile;
    bool FOutputEnabled = false;
    std::string FGPSPortName;
    bool FAutoConnectPending = false;
    bool FDataFlowing = false;
    bool FAutoConnect = false;

    // The last reference station seen, by the live watch or the report.
    const rtcm3::BaseStation& BaseStation() const { return FBaseWatch.Last(); }
    // The window's own output port; open while its forwarding is on.
    const std::shared_ptr<platform::SerialPort>& OutputPort() const { return FOutputHandle; }
    // Waits until the output writer has sent what it holds (tests, orderly close).
    bool DrainOutput(int timeoutMs);

    // The clock of the 30 s watchdog (steady_clock unless replaced).
    void SetMonotonicClockForTesting(MonotonicClock clock);

    static constexpr int kMaxLogLines = 100;
    static constexpr std::chrono::seconds kDataSilence{30};

  protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildLayout();
    void FillOutputPorts();
    void LoadProfiles();
    void SaveProfile();
    void LoadSettings();
    // False, and a log line, when the settings file could not be written.
    bool SaveSettings();
    void UpdatePositionControls();
    void OpenOutputPort();
    void CloseOutputPort();
    void WriteToOutputPort(const char* bytes, int32_t count);
    void CopyCasterSettingsToClient();
    void AnnounceAttachedPort();

    std::shared_ptr<platform::SerialPort> FOutputHandle;
    std::unique_ptr<devices::OutputPortWriter> FOutputWriter;
    std::vector<devices::NtripProfileEntry> FProfileEntries;  // after "<New Profile>"
    std::chrono::steady_clock::time_point FLastDataTime;
    rtcm3::BaseStationWatch FBaseWatch;
    MonotonicClock FMonotonicClock;
    bool FLoading = false;  // no save while the stored settings are put into the controls
    std::shared_ptr<platform::SerialPort> FAttachedPort;
    std::function<std::string()> FAttachedPortName;
    bool FDestroyed = false;
    bool FManualDisconnect = false;  // inside the client's Disconnect of btnConnectClick
    // The stored output choice (port, rate, enabled) while the controls
    // cannot show it (its port not plugged in, or not opening at start):
    // saves keep it until the surveyor picks an output himself.
    std::optional<devices::NtripSettings> FStoredOutput;
    void KeepStoredOutputUnlessShown(const devices::NtripSettings& stored);
};

// The NTRIP settings window, created by the program entry (16th).
extern TfrmNTRIPSettings* frmNTRIPSettings;
