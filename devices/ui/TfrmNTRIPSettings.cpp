#include "devices/ui/TfrmNTRIPSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "devices/NtripProfiles.h"
#include "devices/NtripSettings.h"
#include "devices/OutputPortWriter.h"
#include "devices/TPlovanNTRIPClient.h"
#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "platform/Clock.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/SerialPort.h"
#include "platform/VclText.h"

TfrmNTRIPSettings* frmNTRIPSettings = nullptr;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Connects a widget signal to a handler that never lets an exception reach Qt.
template <typename Sender, typename Signal, typename Handler>
void Bind(Sender* sender, Signal signal, QObject* context, Handler handler) {
    QObject::connect(sender, signal, context,
                     [handler](auto&&...) { platform::GuardHandler(handler); });
}

}  // namespace

TfrmNTRIPSettings::TfrmNTRIPSettings(QWidget* owner) : QDialog(owner) {
    FMonotonicClock = [] { return std::chrono::steady_clock::now(); };
    FLastDataTime = FMonotonicClock();
    BuildLayout();
    platform::GuardHandler([this] { FormCreate(); });
}

TfrmNTRIPSettings::~TfrmNTRIPSettings() {
    platform::GuardHandler([this] { FormDestroy(); });
    if (frmNTRIPSettings == this) frmNTRIPSettings = nullptr;
}

void TfrmNTRIPSettings::BuildLayout() {
    setObjectName(QStringLiteral("frmNTRIPSettings"));
    setWindowTitle(QStringLiteral("Plovan NTRIP Client"));

    boxProfile = Named(new QComboBox(this), "boxProfile");
    btnSaveProfile = Named(new QPushButton(QStringLiteral("+"), this), "btnSaveProfile");
    edtServer = Named(new QLineEdit(this), "edtServer");
    edtPort = Named(new QLineEdit(QStringLiteral("2101"), this), "edtPort");
    edtUsername = Named(new QLineEdit(this), "edtUsername");
    edtPassword = Named(new QLineEdit(this), "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    rbFromGPS = Named(new QRadioButton(QStringLiteral("From GPS"), this), "rbFromGPS");
    rbManual = Named(new QRadioButton(QStringLiteral("Manual"), this), "rbManual");
    rbFromGPS->setChecked(true);
    edtLatitude = Named(new QLineEdit(QStringLiteral("0.0"), this), "edtLatitude");
    edtLongitude = Named(new QLineEdit(QStringLiteral("0.0"), this), "edtLongitude");
    edtLatitude->setEnabled(false);
    edtLongitude->setEnabled(false);
    boxMountpoint = Named(new QComboBox(this), "boxMountpoint");
    btnFetchSources =
        Named(new QPushButton(QStringLiteral("Fetch Sources"), this), "btnFetchSources");
    chkShowLog = Named(new QCheckBox(QStringLiteral("Show Log"), this), "chkShowLog");
    chkShowLog->setChecked(true);
    pbProgress = Named(new QProgressBar(this), "pbProgress");
    pbProgress->setRange(0, 100);
    pbProgress->setValue(0);
    pbProgress->setTextVisible(false);
    memoLog = Named(new QPlainTextEdit(this), "memoLog");
    memoLog->setReadOnly(true);
    memoLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memoLog->setMaximumBlockCount(kMaxLogLines);
    chkOutputPort = Named(new QCheckBox(QStringLiteral("Enable"), this), "chkOutputPort");
    boxOutputPort = Named(new QComboBox(this), "boxOutputPort");
    boxOutputBaud = Named(new QComboBox(this), "boxOutputBaud");
    for (const int rate : devices::kOutputBaudRates) boxOutputBaud->addItem(QString::number(rate));
    boxOutputBaud->setCurrentIndex(5);
    lblBytesReceivedValue = Named(new QLabel(QStringLiteral("0"), this), "lblBytesReceivedValue");
    lblBytesSentValue = Named(new QLabel(QStringLiteral("0"), this), "lblBytesSentValue");
    for (QLabel* value : {lblBytesReceivedValue, lblBytesSentValue})
        value->setStyleSheet(QStringLiteral("color: green;"));
    btnConnect = Named(new QPushButton(QStringLiteral("Connect"), this), "btnConnect");
    Button1 = Named(new QPushButton(QStringLiteral("RTCM Parsing"), this), "Button1");
    btnClose = Named(new QPushButton(QStringLiteral("Close"), this), "btnClose");
    tmrUpdate = Named(new QTimer(this), "tmrUpdate");
    tmrUpdate->setInterval(500);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const char* caption, QWidget* field, QWidget* extra = nullptr) {
        grid->addWidget(new QLabel(QString::fromLatin1(caption), this), row, 0);
        grid->addWidget(field, row, 1, 1, extra ? 1 : 2);
        if (extra) grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow("Profile:", boxProfile, btnSaveProfile);
    addRow("Server:", edtServer);
    addRow("Port:", edtPort);
    addRow("Username:", edtUsername);
    addRow("Password:", edtPassword);
    auto* source = new QWidget(this);
    auto* sourceLayout = new QHBoxLayout(source);
    sourceLayout->setContentsMargins(0, 0, 0, 0);
    sourceLayout->addWidget(rbFromGPS);
    sourceLayout->addWidget(rbManual);
    addRow("Position:", source);
    addRow("Latitude:", edtLatitude);
    addRow("Longitude:", edtLongitude);
    addRow("Mount point:", boxMountpoint, btnFetchSources);
    auto* output = new QWidget(this);
    auto* outputLayout = new QHBoxLayout(output);
    outputLayout->setContentsMargins(0, 0, 0, 0);
    outputLayout->addWidget(boxOutputPort, 1);
    outputLayout->addWidget(boxOutputBaud);
    addRow("Output port:", output, chkOutputPort);
    addRow("Bytes received:", lblBytesReceivedValue);
    addRow("Bytes sent:", lblBytesSentValue);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkShowLog);
    buttons->addStretch(1);
    buttons->addWidget(btnConnect);
    buttons->addWidget(Button1);
    buttons->addWidget(btnClose);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(pbProgress);
    main->addWidget(memoLog, 1);
    main->addLayout(buttons);
    resize(460, 620);

    Bind(boxProfile, &QComboBox::activated, this, [this] { boxProfileChange(); });
    Bind(btnSaveProfile, &QPushButton::clicked, this, [this] { btnSaveProfileClick(); });
    Bind(btnFetchSources, &QPushButton::clicked, this, [this] { btnFetchSourcesClick(); });
    Bind(btnConnect, &QPushButton::clicked, this, [this] { btnConnectClick(); });
    Bind(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    Bind(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
    // As with the class library's boxes, a state set in code runs the
    // handler too (LoadSettings relies on it).
    Bind(chkShowLog, &QCheckBox::toggled, this, [this] { chkShowLogClick(); });
    Bind(chkOutputPort, &QCheckBox::toggled, this, [this] { chkOutputPortClick(); });
    // The surveyor's own pick of an output replaces a stored one not shown.
    for (QComboBox* box : {boxOutputPort, boxOutputBaud})
        Bind(box, &QComboBox::activated, this, [this] { FStoredOutput.reset(); });
    Bind(rbFromGPS, &QRadioButton::toggled, this, [this] {
        if (rbFromGPS->isChecked()) rbFromGPSClick();
    });
    Bind(rbManual, &QRadioButton::toggled, this, [this] {
        if (rbManual->isChecked()) rbManualClick();
    });
    Bind(tmrUpdate, &QTimer::timeout, this, [this] { tmrUpdateTimer(); });
    tmrUpdate->start();
}

void TfrmNTRIPSettings::FormCreate() {
    FSettingsFile = SettingsFilePath();
    FProfilesFile = platform::BesideExecutableDir() + "profiles.txt";
    FillOutputPorts();
    FClient = new TPlovanNTRIPClient(this);
    FClient->OnStatus = [this](TPlovanNTRIPClient*, int32_t status, const std::string& message) {
        ClientStatusChanged(status, message);
    };
    FClient->OnData = [this](TPlovanNTRIPClient*, const char* bytes, int32_t count) {
        ClientDataReceived(bytes, count);
    };
    FClient->OnSourceTable = [this](TPlovanNTRIPClient*, const std::vector<std::string>& names) {
        ClientSourceTableReceived(names);
    };
    FClient->OnLog = [this](TPlovanNTRIPClient*, const std::string& message) {
        ClientLog(message);
    };
    LoadProfiles();
    LoadSettings();
    AddLog("Plovan NTRIP Client initialized");
}

void TfrmNTRIPSettings::FormShow() { UpdatePositionControls(); }

void TfrmNTRIPSettings::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this);
    QDialog::setVisible(visible);
}

void TfrmNTRIPSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::GuardHandler([this] { FormShow(); });
}

void TfrmNTRIPSettings::FormDestroy() {
    if (FDestroyed) return;
    FDestroyed = true;
    tmrUpdate->stop();
    // Nothing of the client may reach a window that is going away.
    if (FClient) {
        FClient->OnStatus = nullptr;
        FClient->OnData = nullptr;
        FClient->OnSourceTable = nullptr;
        FClient->OnLog = nullptr;
    }
    SaveSettings();
    CloseOutputPort();
    if (FClient) {
        FClient->Disconnect();
        delete FClient;
        FClient = nullptr;
    }
}

void TfrmNTRIPSettings::AddLog(const std::string& text) {
    // The memo keeps at most kMaxLogLines lines, dropping the oldest.
    memoLog->appendPlainText(Q(platform::FormatDateTime("hh:nn:ss", platform::Now()) + " " + text));
}

void TfrmNTRIPSettings::FillOutputPorts() {
    boxOutputPort->clear();
    boxOutputPort->addItem(QStringLiteral("This port (GPS)"));
    for (const std::string& name : platform::SerialPort::ListPorts())
        boxOutputPort->addItem(Q(name));
    boxOutputPort->setCurrentIndex(0);
}

void TfrmNTRIPSettings::LoadProfiles() {
    boxProfile->clear();
    boxProfile->addItem(QStringLiteral("<New Profile>"));
    FProfileEntries.clear();
    if (const auto text = devices::ReadNtripProfiles(FProfilesFile)) {
        FProfileEntries = devices::ListNtripProfiles(*text);
        for (const auto& entry : FProfileEntries) boxProfile->addItem(Q(entry.name));
    }
    boxProfile->setCurrentIndex(FProfileEntries.empty() ? 0 : 1);
}

void TfrmNTRIPSettings::UseProfilesFile(const std::string& path) {
    FProfilesFile = path;
    LoadProfiles();
}

void TfrmNTRIPSettings::boxProfileChange() {
    const int index = boxProfile->currentIndex();
    if (index < 1 || static_cast<size_t>(index) > FProfileEntries.size()) return;
    if (!platform::FileExists(FProfilesFile)) return;
    const auto text = devices::ReadNtripProfiles(FProfilesFile);
    if (!text) return;
    const std::vector<std::string> fields = devices::NtripProfileFields(
        *text, FProfileEntries[static_cast<size_t>(index) - 1].fileLine);
    if (fields.size() >= 5) {
        edtServer->setText(Q(fields[1]));
        edtPort->setText(Q(fields[2]));
        edtUsername->setText(Q(fields[3]));
        edtPassword->setText(Q(fields[4]));
    }
    if (fields.size() >= 7) {
        edtLatitude->setText(Q(fields[5]));
        edtLongitude->setText(Q(fields[6]));
    }
}

void TfrmNTRIPSettings::SaveProfile() {
    devices::NtripProfile profile;
    profile.server = S(edtServer->text());
    profile.port = S(edtPort->text());
    profile.user = S(edtUsername->text());
    profile.password = S(edtPassword->text());
    profile.latitude = S(edtLatitude->text());
    profile.longitude = S(edtLongitude->text());
    const std::string name = devices::NtripProfileName(profile.server, profile.port, profile.user);
    const auto text = devices::ReadNtripProfiles(FProfilesFile);
    if (text &&
        devices::WriteNtripProfiles(FProfilesFile, devices::PutNtripProfile(*text, profile)))
        AddLog("Profile saved: " + name);
    else
        AddLog("Error saving profile");
    LoadProfiles();
    const int index = boxProfile->findText(Q(name), Qt::MatchExactly);
    if (index >= 0) boxProfile->setCurrentIndex(index);
}

void TfrmNTRIPSettings::LoadSettings() {
    // Restoring the output box opens the port through its handler, which
    // would save every key before "AutoConnect" has been read.
    FLoading = true;
    const devices::NtripSettings s = devices::ReadNtripSettings(platform::IniFile(FSettingsFile));
    edtServer->setText(Q(s.server));
    edtPort->setText(Q(s.port));
    edtUsername->setText(Q(s.username));
    edtPassword->setText(Q(s.password));
    if (!s.mountPoint.empty()) {
        boxMountpoint->clear();
        boxMountpoint->addItem(Q(s.mountPoint));
        boxMountpoint->setCurrentIndex(0);
    }
    (s.useManualPosition ? rbManual : rbFromGPS)->setChecked(true);
    edtLatitude->setText(Q(s.latitude));
    edtLongitude->setText(Q(s.longitude));
    if (!s.outputPort.empty()) {
        const int index = boxOutputPort->findText(Q(s.outputPort), Qt::MatchExactly);
        if (index >= 0) boxOutputPort->setCurrentIndex(index);
    }
    boxOutputBaud->setCurrentIndex(s.outputBaud);
    chkOutputPort->setChecked(s.outputEnabled);
    KeepStoredOutputUnlessShown(s);
    FAutoConnect = s.autoConnect;
    FLoading = false;
    UpdatePositionControls();
    if (FAutoConnect && !boxMountpoint->currentText().isEmpty()) {
        FAutoConnectPending = true;
        AddLog("Auto-connect enabled - will connect on startup");
    }
}

void TfrmNTRIPSettings::KeepStoredOutputUnlessShown(const devices::NtripSettings& stored) {
    FStoredOutput.reset();
    // Item 0 is the GNSS port under any of its captions.
    const bool gpsItem = stored.outputPort.empty() ||
                         stored.outputPort.find("This port (GPS)") != std::string::npos ||
                         stored.outputPort.find("This Port (GPS)") != std::string::npos;
    const bool portShown = gpsItem ? boxOutputPort->currentIndex() == 0
                                   : S(boxOutputPort->currentText()) == stored.outputPort;
    if (portShown && boxOutputBaud->currentIndex() == stored.outputBaud &&
        chkOutputPort->isChecked() == stored.outputEnabled)
        return;
    FStoredOutput = stored;
    if (stored.outputEnabled && !gpsItem)
        AddLog("Output port " + stored.outputPort +
               " is not available; corrections go to the GPS port");
}

bool TfrmNTRIPSettings::SaveSettings() {
    if (FLoading) return true;
    devices::NtripSettings s;
    s.server = S(edtServer->text());
    s.port = S(edtPort->text());
    s.username = S(edtUsername->text());
    s.password = S(edtPassword->text());
    s.mountPoint = S(boxMountpoint->currentText());
    s.useManualPosition = rbManual->isChecked();
    s.latitude = S(edtLatitude->text());
    s.longitude = S(edtLongitude->text());
    s.outputPort = S(boxOutputPort->currentText());
    s.outputBaud = boxOutputBaud->currentIndex();
    s.outputEnabled = chkOutputPort->isChecked();
    if (FStoredOutput) {
        s.outputPort = FStoredOutput->outputPort;
        s.outputBaud = FStoredOutput->outputBaud;
        s.outputEnabled = FStoredOutput->outputEnabled;
    }
    s.autoConnect = FAutoConnect;
    platform::IniFile ini(FSettingsFile);
    if (devices::WriteNtripSettings(ini, s)) return true;
    AddLog("Failed to save settings to " + FSettingsFile);
    return false;
}

void TfrmNTRIPSettings::UpdatePositionControls() {
    const bool manual = rbManual->isChecked();
    for (QLineEdit* edit : {edtLatitude, edtLongitude}) {
        edit->setEnabled(manual);
        edit->setReadOnly(!manual);
        QPalette colours = edit->palette();
        colours.setColor(QPalette::Base,
                         palette().color(manual ? QPalette::Base : QPalette::Button));
        edit->setPalette(colours);
    }
    if (FClient) FClient->FUseManualPosition = manual;
}

void TfrmNTRIPSettings::CopyCasterSettingsToClient() {
    FClient->FHost = S(edtServer->text());
    FClient->FPort = platform::StrToIntDef(S(edtPort->text()), 2101);
    FClient->FUsername = S(edtUsername->text());
    FClient->FPassword = S(edtPassword->text());
}

void TfrmNTRIPSettings::btnFetchSourcesClick() {
    if (!FClient) return;
    CopyCasterSettingsToClient();
    AddLog("Fetching source table...");
    btnFetchSources->setEnabled(false);
    FClient->FetchSourceTable();
    // A request the client refused (no caster address) starts nothing that
    // would enable the button again.
    if (!FClient->HasWorker()) btnFetchSources->setEnabled(true);
}

void TfrmNTRIPSettings::ClientSourceTableReceived(const std::vector<std::string>& mountPoints) {
    btnFetchSources->setEnabled(true);
    boxMountpoint->clear();
    for (const std::string& name : mountPoints) boxMountpoint->addItem(Q(name));
    if (!mountPoints.empty()) boxMountpoint->setCurrentIndex(0);
    AddLog("Found " + platform::IntToStr(static_cast<long long>(mountPoints.size())) +
           " mount points");
}

void TfrmNTRIPSettings::btnConnectClick() {
    if (!FClient) return;
    // A connect on its way or a retry chain stops as a connection does.
    if (FClient->FConnected.load() || FClient->AttemptInProgress()) {
        AddLog(FClient->FConnected.load() ? "Disconnecting (manual)..."
                                          : "Stopping the connection attempts (manual)...");
        FAutoConnect = false;
        SaveSettings();
        FClient->FAutoReconnect = false;
        // The wait for the worker runs its pending calls: a "receiving" that
        // was already on its way must not arm the auto-connect again.
        FManualDisconnect = true;
        FClient->Disconnect();
        FManualDisconnect = false;
        btnConnect->setText(QStringLiteral("Connect"));
        return;
    }
    if (boxMountpoint->currentText().isEmpty()) {
        AddLog("Please select a mountpoint first");
        return;
    }
    SaveSettings();
    CopyCasterSettingsToClient();
    FClient->FMountPoint = S(boxMountpoint->currentText());
    FClient->FUseManualPosition = rbManual->isChecked();
    FClient->SetManualPosition(platform::StrToFloatDef(S(edtLatitude->text()), 0),
                               platform::StrToFloatDef(S(edtLongitude->text()), 0));
    AddLog("Position: " + S(edtLatitude->text()) + ", " + S(edtLongitude->text()));
    AddLog("Connecting to " + S(edtServer->text()) + ":" + S(edtPort->text()) + "/" +
           FClient->FMountPoint);
    FClient->FAutoReconnect = true;
    FClient->Connect();
    // A connection the client refused leaves nothing to disconnect.
    btnConnect->setText(FClient->HasWorker() ? QStringLiteral("Disconnect")
                                             : QStringLiteral("Connect"));
}

void TfrmNTRIPSettings::ClientStatusChanged(int32_t status, const std::string&) {
    if (status == ncsDisconnected || status == ncsError) {
        btnFetchSources->setEnabled(true);
        if (FDataFlowing) {
            FDataFlowing = false;
            if (!isVisible()) {
                show();
                AddLog("Connection lost - showing NTRIP settings");
            }
        }
    }
    const auto captions = devices::CaptionsForStatus(status);
    if (!captions) return;
    if (status == ncsReceivingData && !FManualDisconnect) {
        FDataFlowing = true;
        if (!FAutoConnect) {
            FAutoConnect = true;
            if (SaveSettings()) AddLog("Auto-connect enabled for next startup");
        }
    }
    // While a connect is on its way or a retry is due the button stops it.
    btnConnect->setText(FClient && FClient->AttemptInProgress()
                            ? QStringLiteral("Stop")
                            : QString::fromLatin1(captions->button));
    setWindowTitle(QString::fromLatin1(captions->window));
}

void TfrmNTRIPSettings::chkShowLogClick() { memoLog->setVisible(chkShowLog->isChecked()); }

void TfrmNTRIPSettings::btnCloseClick() { close(); }

void TfrmNTRIPSettings::SetGPSPort(std::shared_ptr<platform::SerialPort> port,
                                   const std::string& portName) {
    if (port == FAttachedPort) FAttachedPort.reset();
    if (FClient) {
        FClient->SetSerialHandle(std::move(port));
        AddLog("Serial port handle connected");
    }
    if (!portName.empty()) {
        FGPSPortName = portName;
        if (boxOutputPort->count() > 0)
            boxOutputPort->setItemText(0, Q(portName + " This Port (GPS)"));
    }
}

void TfrmNTRIPSettings::AttachGPSPort(std::shared_ptr<platform::SerialPort> port,
                                      std::function<std::string()> portName) {
    if (!FClient || !port) return;
    // Handed over quietly: the log tells of the port once it opens.
    auto log = std::move(FClient->OnLog);
    FClient->OnLog = nullptr;
    FClient->SetSerialHandle(port);
    FClient->OnLog = std::move(log);
    FAttachedPort = std::move(port);
    FAttachedPortName = std::move(portName);
    AnnounceAttachedPort();
}

void TfrmNTRIPSettings::AnnounceAttachedPort() {
    if (!FAttachedPort || !FAttachedPort->IsOpen()) return;
    const std::string name = FAttachedPortName ? FAttachedPortName() : std::string();
    SetGPSPort(FAttachedPort, name);
}

void TfrmNTRIPSettings::UpdateGPSPosition(double latitude, double longitude, double altitude) {
    if (rbManual->isChecked()) return;
    edtLatitude->setText(Q(platform::FormatFloat("0.00000000", latitude)));
    edtLongitude->setText(Q(platform::FormatFloat("0.00000000", longitude)));
    if (FClient) FClient->SetPosition(latitude, longitude, altitude);
}

void TfrmNTRIPSettings::ShowModalOrRaise() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    exec();
}

void TfrmNTRIPSettings::SetMonotonicClockForTesting(MonotonicClock clock) {
    FMonotonicClock = clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); };
}
