#include "navigation/ui/TFNav.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QIcon>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <thread>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/FormPlacement.h"
#include "foundation/LanguageManager.h"
#include "navigation/CanvasViewSettings.h"
#include "navigation/ScreenshotWriter.h"
#include "navigation/StandardLayers.h"
#include "navigation/ui/MenuItems.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfRunline1.h"
#include "tools/ui/TfSVP.h"

TFNav* FNav = nullptr;

namespace {

constexpr const char* kCaptionPrefix = "Plovan Olcum Masasi - ";

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

QTimer* MakeTimer(QObject* owner, const char* name, int intervalMs) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(intervalMs);
    return timer;
}

QToolBar* MakeToolBar(QMainWindow* window, const char* name, const QString& title) {
    auto* bar = new QToolBar(title, window);
    bar->setObjectName(QString::fromLatin1(name));
    window->addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

}  // namespace

std::string ProjectFolderOf(const std::string& path) {
    const auto folderOf = [](const std::string& p) {
        const size_t slash = p.find_last_of('/');
        return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    };
    std::string folder = folderOf(path);
    std::string trimmed = folder;
    if (!trimmed.empty()) trimmed.pop_back();
    const std::string parent = folderOf(trimmed);
    return parent.empty() ? folder : parent;
}

TFNav::TFNav(QWidget* parent) : QMainWindow(parent) {
    BuildLayout();
    platform::GuardHandler([this] { FormCreate(); });
}

TFNav::~TFNav() {
    // The keypad, the keyboard, the readers and the canvas are children of the
    // window and go with it.
    if (FNav == this) FNav = nullptr;
}

void TFNav::BuildLayout() {
    setObjectName(QStringLiteral("FNav"));
    setWindowTitle(QStringLiteral("Plovan Olcum Masasi"));
    resize(1024, 700);

    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    // Menus in the order File, Edit, Zoom, Window, Tools, Languages, Help;
    // File, Edit and Zoom go in front of Window when their commands are built.
    Window2 = MainMenu1->addMenu(QStringLiteral("Window"));
    Window2->setObjectName(QStringLiteral("Window2"));
    Tools1 = MainMenu1->addMenu(QStringLiteral("Tools"));
    Tools1->setObjectName(QStringLiteral("Tools1"));
    Languages1 = MainMenu1->addMenu(QStringLiteral("Languages"));
    Languages1->setObjectName(QStringLiteral("Languages1"));
    English1 = AddMenuItem(Languages1, "English1", QStringLiteral("English"));
    Turkish1 = AddMenuItem(Languages1, "Turkish1", QStringLiteral("Turkish"));
    TranslationEditor1 =
        AddMenuItem(Languages1, "TranslationEditor1", QStringLiteral("Translation Editor"));
    Help1 = MainMenu1->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    BuildMenuCatalogue();

    tRealtime = MakeToolBar(this, "tRealtime", QStringLiteral("Realtime"));
    bRealtime = new QToolButton(tRealtime);
    bRealtime->setObjectName(QStringLiteral("bRealtime"));
    bRealtime->setCheckable(true);
    bRealtime->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bRealtime->setText(QStringLiteral("Start"));
    tRealtime->addWidget(bRealtime);
    ConnectIcon = new QToolButton(tRealtime);
    ConnectIcon->setObjectName(QStringLiteral("ConnectIcon"));
    ConnectIcon->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ConnectIcon->setText(QStringLiteral("Connect"));
    tRealtime->addWidget(ConnectIcon);

    tDraw = MakeToolBar(this, "tDraw", QStringLiteral("Draw"));
    bMouseSelect = new QToolButton(tDraw);
    bMouseSelect->setObjectName(QStringLiteral("bMouseSelect"));
    bMouseSelect->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bMouseSelect->setText(QStringLiteral("Select Shapes"));
    tDraw->addWidget(bMouseSelect);

    tShape = MakeToolBar(this, "tShape", QStringLiteral("Shape"));

    Panel4 = new QWidget(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    auto* panelLayout = new QVBoxLayout(Panel4);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    setCentralWidget(Panel4);

    sStatusBar = new TStatusBar(this);
    sStatusBar->setObjectName(QStringLiteral("sStatusBar"));
    for (const int width : {250, 200, 150, 200, 40}) sStatusBar->AddPanel(width);
    setStatusBar(sStatusBar);

    tMap = MakeTimer(this, "tMap", 200);
    tEchogram = MakeTimer(this, "tEchogram", 200);
    tScreenshot = MakeTimer(this, "tScreenshot", 60000);
    BuildMapControls();
    BuildProjectCommands();
    BuildExchangeMenu();
    BuildDrawingTools();
    BuildProgramButtons();
}

void TFNav::FormCreate() {
    // 1. The day's folders; a folder that cannot be made is left to the
    // writers that need it.
    for (const std::string& folder : {g_DayDir, g_ProjectDir, g_LogDir, g_XyzDir, g_SvpDir,
                                      g_DayDir + "JPG", g_DayDir + "MP4"}) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }

    // 2. The icon beside the executable, when there is one.
    const QString iconPath =
        QString::fromStdString(platform::BesideExecutableDir() + "PlovanHX2.ico");
    if (platform::FileExists(iconPath.toStdString())) {
        const QIcon icon(iconPath);
        if (!icon.isNull()) {
            QApplication::setWindowIcon(icon);
            setWindowIcon(icon);
        }
    }

    // 3.
    if (!g_LanguageManager) g_LanguageManager = std::make_unique<TLanguageManager>();

    // 4. Stored language, overlay font size and satellite background.
    const platform::IniFile ini(SettingsFilePath());
    const std::string language = ini.ReadString("SETTINGS", "Language", "en");
    g_Display.OverlayFontSize = ini.ReadInteger("OVERLAY_SETTINGS", "FontSize", 40);
    const bool mapVisible = ini.ReadBool("SETTINGS", "SatelliteMapVisible", false);

    // 5.
    if (language != "en") g_LanguageManager->SetLanguage(language);

    // 6. The tool bars have no edge borders.
    for (QToolBar* bar : {tRealtime, tDraw, tShape})
        bar->setStyleSheet("QToolBar { border: 0px; }");

    // 7. The handlers the layout leaves unassigned: bRealtime (start and
    // stop), the language, settings import, translation editor and satellite
    // menu items, and the status bar's click and double-click.
    connect(bRealtime, &QToolButton::clicked, this, [this] {
        // The down state follows the GNSS port, never the click itself.
        SetRealtimeDown(FRealtimeDown);
        platform::GuardHandler([this] { bRealtimeClick(); });
    });
    const auto item = [this](QAction* action, void (TFNav::*handler)()) {
        connect(action, &QAction::triggered, this, platform::Guarded(this, handler));
    };
    item(TranslationEditor1, &TFNav::TranslationEditor1Click);
    item(ImportOldPHX1, &TFNav::ImportOldPHX1Click);
    item(English1, &TFNav::English1Click);
    item(Turkish1, &TFNav::Turkish1Click);
    ConnectSatelliteCommands();
    connect(sStatusBar, &TStatusBar::Click, this,
            [this](int x) { platform::GuardHandler([this, x] { sStatusBarClick(x); }); });

    // 8. Status bar: the language code in panel 4, at least seven panels.
    if (sStatusBar->PanelCount() >= 5) {
        sStatusBar->SetPanelText(4, QString::fromStdString(g_LanguageManager->FLanguage).toUpper());
        sStatusBar->SetPanelWidth(4, sStatusBar->TextWidth(QStringLiteral("EN")) + 16);
    }
    while (sStatusBar->PanelCount() < 7) sStatusBar->AddPanel();

    // 9. The readers, closed until Start.
    ZGPS1 = new TPlovanSerialGPS(this);
    ZGPS1->setObjectName(QStringLiteral("ZGPS1"));
    ZGPS1->OnConnect = [this](TPlovanSerialGPS*, int port) { ZGPS1Connect(port); };
    ZGPS1->OnDisconnect = [this](TPlovanSerialGPS*, int port) { ZGPS1Disconnect(port); };
    ZGPS1->OnIdle = [this](TPlovanSerialGPS*) { ZGPS1Idle(); };
    ZGPS1->OnTimeout = [this](TPlovanSerialGPS*) { ZGPS1Timeout(); };
    ZGPS1->OnNewCommand = [this](TPlovanSerialGPS*, const std::string& l) { ZGPS1NewCommand(l); };
    ZGPS1->OnPosition3DChange = [this](TPlovanSerialGPS*, double la, double lo, double al) {
        ZGPS1Position3DChange(la, lo, al);
    };
    ZGPS1->OnSpeedChange = [this](TPlovanSerialGPS*, double kmh) { ZGPS1SpeedChange(kmh); };
    ZGPS1->OnSend = [this](TPlovanSerialGPS*, const std::string& t) { ZGPS1Send(t); };
    ZSENSOR = new TPlovanSerialGPS(this);
    ZSENSOR->setObjectName(QStringLiteral("ZSENSOR"));
    ZSENSOR->OnNewCommand = [this](TPlovanSerialGPS*, const std::string& l) {
        ZSENSORNewCommand(l);
    };
    for (TPlovanSerialGPS* reader : {ZGPS1, ZSENSOR}) {
        reader->OnLogGap = [this](TPlovanSerialGPS*, const std::string& t) { SurveyFault(t); };
        reader->OnPortLost = [this](TPlovanSerialGPS* r, const std::string& why) {
            PortLost(r, why);
        };
        reader->OnPortReopened = [this](TPlovanSerialGPS* r) { PortReopened(r); };
    }
    Links = ApplicationLinks();

    // 10.
    fcad = CreateMapCanvas(ini);
    fcad->setObjectName(QStringLiteral("fcad"));
    Panel4->layout()->addWidget(fcad);

    // 11.
    ApplySatelliteMapState(mapVisible);

    // 12.
    fcad->SetBackgroundColor(ini.ReadInteger("NAVIGATION_SETTINGS", "BackgroundColor", 0xFFFFFF));

    // 13. The canvas events, the drawing tools, bMouseSelect's click and the
    // key preview (FormKeyDown), with the echogram timer.
    ConnectDrawingHandlers();
    ConnectWindowHandlers();

    // 14.
    for (TPlovanSerialGPS* reader : {ZGPS1, ZSENSOR}) {
        reader->FTimeFormat = std::string(platform::kLongTimeFormat);
        reader->FDateFormat = std::string(platform::kShortDateFormat);
    }

    // 15. Number and date text of the whole program: '.' decimal separator,
    // ',' thousands and list separator, short date "YYYY-MM-DD", long time
    // "hhnnsszzz". The program's own text functions (platform/VclText.h)
    // have them built in; the C and Qt locales are pinned too, so nothing
    // that asks them can write a ',' for a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    // 16.
    FEchoRawSentences = true;

    // 17.
    bRealtime->setText(QString::fromStdString(g_LanguageManager->Translate("Start")));
    bRealtime->setFixedWidth(70);
}

void TFNav::FormShow() {
    // 1.
    EnsureStandardLayers(fcad);
    // 2.
    ApplyLanguage();

    // 3 to 8: one block; a failure anywhere skips the rest of it.
    try {
        const platform::IniFile ini(SettingsFilePath());
        // 4. The last saved project; a vessel symbol or grid stored with it
        // is drawn anew by the map tick.
        const std::string lastFile = ini.ReadString("FILE", "Last File Saved", "");
        if (fcad) {
            const std::string lastPath = platform::MapWindowsPath(lastFile);
            if (!lastPath.empty() && platform::FileExists(lastPath)) {
                fcad->LoadProject(QString::fromStdString(lastPath), -1, -1, 0);
                SetCurrentFile(lastPath);
            }
            for (const char* name : {kVesselLayerName, kGridLayerName}) {
                const int id = fcad->FindLayer(QString::fromUtf8(name));
                if (id >= 0) fcad->ClearLayer(id);
            }
        }
        // 5.
        setWindowTitle(QString::fromUtf8(kCaptionPrefix) + QString::fromStdString(lastFile));
        // 6.
        if (fcad) {
            const CanvasViewSettings view = ReadCanvasViewSettings(ini);
            // The canvas fits this view to its shape at every resize, also
            // those still to come while the window is placed and shown.
            fcad->SetView(view.PlanWorldLeft, view.PlanWorldTop, view.PlanWorldRight,
                          view.PlanWorldBottom);
            fcad->Resize();
            fcad->SetGridAutoScale(view.GridAutoScale);
            // The device settings window's grid box wins over the stored
            // canvas key, so the key written at close follows the box.
            if (FGPS) fcad->SetGridAutoScale(FGPS->cbAutoGrid->isChecked());
            fcad->FDepthSpeedDisplayMode = view.DepthSpeedDisplayMode;
            fcad->FGGAOverlayPosition = view.GGAOverlayPosition;
        }
        // 7. Screenshot interval, seconds; 0 or less switches the timer off.
        const int seconds = ini.ReadInteger("SCREENSHOT", "Interval", 60);
        if (FGPS) FGPS->eScreenshotInterval->setText(QString::number(seconds));
        if (seconds > 0) {
            tScreenshot->setInterval(
                static_cast<int>(std::min<long long>(seconds * 1000LL, INT32_MAX)));
            tScreenshot->start();
        } else {
            tScreenshot->stop();
        }
    } catch (...) {
    }
    // 9. Also after a failure above, so the survey state never keeps the
    // ids of layers that a half-read project removed.
    EnsureStandardLayers(fcad);

    // 10.
    RestoreFormPlacement(this, true);

    // 11.
    if (Offsets) Offsets->show();
    if (fJoystick) fJoystick->show();
}

bool TFNav::FormCloseQuery() {
    const bool screenshots = tScreenshot->isActive();
    // 1.
    bRealtime->setEnabled(false);
    // 2.
    QApplication::processEvents();
    SleepMs(50);
    // 3. Closing an open GNSS port reports the disconnect.
    for (TPlovanSerialGPS* reader : {ZGPS1, ZSENSOR}) {
        try {
            if (reader) reader->Close();
        } catch (...) {
        }
    }
    // Nothing may touch the drawing or the settings from here on while the
    // project is saved and the settings are written.
    for (QTimer* timer : {tMap, tEchogram, tScreenshot}) timer->stop();
    // A screenshot still being written gets a few seconds; the worker stops
    // with the window at the latest.
    WaitForScreenshots(5000);
    // The close bypasses Stop: rows held through an outage go out now.
    FlushSoundingRows();
    // 4.
    SleepMs(50);
    // 5. The drawing is never thrown away unseen: when it cannot be saved
    // the surveyor chooses.
    std::string name;
    if (!AutoSave(&name) && fcad && !CloseWithoutAutoSave(name)) {
        // Realtime ended with the ports; the window goes on as after Stop.
        bRealtime->setEnabled(true);
        if (g_Survey.RealtimeRunning) StopRealtime();
        if (screenshots) tScreenshot->start();
        return false;
    }
    // 6. Placements.
    if (Offsets) SaveFormPlacement(Offsets);
    if (Navset) SaveFormPlacement(Navset);
    SaveFormPlacement(this);
    if (fRealtime) SaveFormPlacement(fRealtime);
    if (fSVP) SaveFormPlacement(fSVP);
    if (fRunline1) SaveFormPlacement(fRunline1);
    if (fWaterfal) SaveFormPlacement(fWaterfal);
    if (fJoystick) SaveFormPlacement(fJoystick);
    // 7. Each closes with its own close handling: the navigation settings
    // store their section.
    if (Navset) Navset->close();
    if (Offsets) Offsets->close();
    if (FGPS) FGPS->close();
    if (fRealtime) fRealtime->close();
    if (fRunline1) fRunline1->close();
    if (fWaterfal) fWaterfal->close();
    // 8.
    if (!fcad) return true;
    // The view as chosen, not as widened to the canvas's shape at the moment:
    // the next start fits it to the shape then, so restarts never widen it.
    CanvasViewSettings view;
    const viewmath::ViewRect& chosen = fcad->ChosenView();
    view.PlanWorldLeft = chosen.left;
    view.PlanWorldRight = chosen.right;
    view.PlanWorldTop = chosen.top;
    view.PlanWorldBottom = chosen.bottom;
    view.GridAutoScale = fcad->FGridAutoScale != 0;
    view.DepthSpeedDisplayMode = fcad->FDepthSpeedDisplayMode;
    view.GGAOverlayPosition = fcad->FGGAOverlayPosition;
    platform::IniFile ini(SettingsFilePath());
    WriteCanvasViewSettings(ini, view);
    return true;
}

void TFNav::SoundVelocityProfile1Click() {
    if (!fSVP) return;
    fSVP->show();
    fSVP->raise();
}

void TFNav::PlovanNTRIPClient1Click() {
    if (!frmNTRIPSettings) frmNTRIPSettings = new TfrmNTRIPSettings(this);
    if (ZGPS1 && ZGPS1->FOpen) {
        frmNTRIPSettings->SetGPSPort(ZGPS1->FHandle,
                                     TPlovanSerialGPS::PortName(ZGPS1->FPortNumber));
        frmNTRIPSettings->UpdateGPSPosition(ZGPS1->GetLatitude(), ZGPS1->GetLongitude(),
                                            ZGPS1->GetAltitude());
    }
    frmNTRIPSettings->show();
}

void TFNav::SetCurrentFile(const std::string& path) {
    FCurrentFile = path;
    if (sStatusBar->PanelCount() >= 4) {
        const QString folder = QString::fromStdString(ProjectFolderOf(path));
        sStatusBar->SetPanelText(3, folder);
        sStatusBar->SetPanelWidth(3, sStatusBar->TextWidth(folder) + 20);
    }
}

void TFNav::setVisible(bool visible) {
    if (visible && !FShown) {
        FShown = true;
        platform::GuardHandler([this] { FormShow(); });
    }
    QMainWindow::setVisible(visible);
}

void TFNav::closeEvent(QCloseEvent* event) {
    // A close that arrives while the close query runs (it lets pending
    // events through) must not run it a second time.
    if (!FClosing) {
        FClosing = true;
        bool close = true;
        platform::GuardHandler([this, &close] { close = FormCloseQuery(); });
        FClosing = false;
        if (!close) {
            event->ignore();
            return;
        }
    }
    event->accept();
    // The main window's close ends the program, whatever other windows are
    // still open; exit() leaves them to be freed without a close of their own.
    if (FNav == this) QCoreApplication::exit(0);
}
