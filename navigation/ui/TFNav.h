// The main window: the map canvas with its tool bars, menu and status bar,
// the owner of the two serial readers (GNSS receiver and echo sounder) and
// the hub of the survey loop. Its life: created (day folders, readers,
// canvas, number formats), first shown (standard layers, language, last
// project, stored view), running, close query (ports closed, auto-save,
// placements, view stored), freed. No serial port opens before the surveyor
// presses Start.
//
// Controls carry their layout names as object names. Every handler that Qt
// calls runs through platform::GuardHandler.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "navigation/CanvasViewSettings.h"
#include "navigation/DepthPipeline.h"
#include "navigation/GnssSentences.h"
#include "navigation/SoundingRowWriter.h"

class QAction;
class QCloseEvent;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class TStatusBar;
class TPlovanNumericKeypad;
class TPlovanSimpleKeyboard;
class TPlovanSerialGPS;
class TPlovanCanvas;
namespace platform {
class IniFile;
}

// What the survey handlers read from windows that the main window does not
// own, each read at its use; an empty entry reads as "not there".
struct TFNavLinks {
    // The message window: adds a line to its memo, shown first when `show`.
    std::function<void(const QString& text, bool show)> Message;
    std::function<bool()> OffsetsVisible;               // the offsets window is on the screen
    std::function<OffsetsCopy()> Offsets;               // its four values
    std::function<std::optional<double>()> DepthAlert;  // Navset.edDepthAlert1
    std::function<int32_t()> NormalBackground;          // Navset.fcadColor, 0x00BBGGRR
    std::function<ProfileColumn()> Profile;             // the sound velocity column
};

// The links to the application's own windows (offsets, navigation
// settings, message window), each read through its global at every use.
TFNavLinks ApplicationLinks();

class TFNav : public QMainWindow {
    Q_OBJECT
  public:
    // Builds the layout's controls, then runs FormCreate.
    explicit TFNav(QWidget* parent = nullptr);
    ~TFNav() override;

    // Handlers of the window's own life.
    void FormCreate();
    void FormShow();
    void FormCloseQuery();

    // Menu commands.
    void SoundVelocityProfile1Click();
    // "Tools" > "Show Satellite Image", the status bar's double-click and
    // F5: the satellite background on or off, shown in panel 6 and stored.
    void ShowSatelliteImage1Click();
    // "Tools" > "Clear Satellite Image Cahses...": the tiles in memory and
    // in the cache folder go (TFNavSatellite.cpp).
    void ClearSatelliteImageCahses1Click();

    // Realtime start and stop, and the Settings button.
    void bRealtimeClick();
    void ConnectIconClick();
    // The GNSS reader's events.
    void ZGPS1Connect(int port);
    void ZGPS1Disconnect(int port);
    void ZGPS1Idle();
    void ZGPS1Timeout();
    void ZGPS1NewCommand(const std::string& line);
    void ZGPS1Send(const std::string& text);
    void ZGPS1Position3DChange(double latitude, double longitude, double altitude);
    void ZGPS1SpeedChange(double speedKmh);
    // The depth pipeline of the sounder's lines, and its watchdog's report.
    void ZSENSORNewCommand(const std::string& line);
    void ZSENSORTimeout();
    // Appends the start block to the day's geodesy record; a failure is
    // reported (once per cause) and the start goes on.
    void WriteGeodesySessionLog();
    // Held sounding rows go to their files, or their loss is logged (the close).
    void FlushSoundingRows();

    TFNavLinks Links;

    // Remembers the current project and shows its project folder (the parent
    // of the file's folder) in status panel 3.
    void SetCurrentFile(const std::string& path);
    const std::string& CurrentFile() const { return FCurrentFile; }

    // "Window" > "Plovan NTRIP Client...": creates the NTRIP settings window
    // when missing, hands it the open GNSS port and position, shows it.
    void PlovanNTRIPClient1Click();

    // Controls of the layout.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* Window2 = nullptr;
    QAction* PlovanNTRIPClient1 = nullptr;
    QMenu* Tools1 = nullptr;
    QMenu* Languages1 = nullptr;
    QAction* SoundVelocityProfile1 = nullptr;
    QAction* ImportOldPHX1 = nullptr;
    QAction* ShowSatelliteImage1 = nullptr;
    QAction* ClearSatelliteImageCahses1 = nullptr;
    QAction* English1 = nullptr;
    QAction* Turkish1 = nullptr;
    QAction* TranslationEditor1 = nullptr;
    QToolBar* tRealtime = nullptr;
    QToolBar* tDraw = nullptr;
    QToolBar* tShape = nullptr;
    QToolButton* bRealtime = nullptr;
    QToolButton* ConnectIcon = nullptr;
    QToolButton* bMouseSelect = nullptr;
    QWidget* Panel4 = nullptr;
    TStatusBar* sStatusBar = nullptr;
    QTimer* tMap = nullptr;
    QTimer* tEchogram = nullptr;
    QTimer* tScreenshot = nullptr;

    // The GNSS receiver's and the echo sounder's readers, owned by the window.
    TPlovanSerialGPS* ZGPS1 = nullptr;
    TPlovanSerialGPS* ZSENSOR = nullptr;

    // The map canvas, filling Panel4.
    TPlovanCanvas* fcad = nullptr;

    // Created on first use as children of the window, freed with it.
    TPlovanNumericKeypad* FNumericKeypad = nullptr;
    TPlovanSimpleKeyboard* FSimpleKeyboard = nullptr;
    // Datum text built by the first map tick.
    std::string FDatumParams;
    // Raw port lines are echoed into the device settings window.
    bool FEchoRawSentences = false;

  protected:
    // The first show runs FormShow before the window reaches the screen, so a
    // restored placement is in place when it appears.
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    // The close is always allowed; the main window's close ends the message
    // loop.
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildLayout();
    // The satellite map's part of FormCreate (TFNavSatellite.cpp): the
    // commands' connections, the canvas with its tile server and projection,
    // the stored state with panel 6.
    void ConnectSatelliteCommands();
    TPlovanCanvas* CreateMapCanvas(const platform::IniFile& ini);
    void ApplySatelliteMapState(bool visible);
    // One port message: g_LastPortMessage, the message window, the event log.
    void PortMessage(const std::string& text, bool show);
    // A survey fault: message window (shown), status bar, event log.
    void SurveyFault(const std::string& text);
    void SetRealtimeDown(bool down);
    void StartRealtime();
    void StopRealtime();

    bool FRealtimeDown = false;  // bRealtime's down state, kept by the GNSS port events
    DepthPipeline FDepthPipeline;
    std::unique_ptr<SoundingRowWriter> FCsvWriter, FXyzWriter;
    std::optional<bool> FShallowShown;  // the background the alert last set: red or normal
    std::string FGeodesyFault;          // the last geodesy log fault reported

    std::string FCurrentFile;
    bool FShown = false;
    std::optional<CanvasViewSettings> FShownView;  // the stored view, until the first show settled
    bool FClosing = false;
};

// The project folder shown for a project path: the parent of the folder that
// holds the file, with its trailing '/', or the file's own folder when that
// parent is empty.
std::string ProjectFolderOf(const std::string& path);

// The main window, created first by the program entry.
extern TFNav* FNav;
