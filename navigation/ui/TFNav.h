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
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "navigation/CanvasViewSettings.h"
#include "navigation/DepthPipeline.h"
#include "navigation/Echogram.h"
#include "navigation/GnssSentences.h"
#include "navigation/KmlImport.h"
#include "navigation/RetryingWriter.h"
#include "navigation/ScreenGrab.h"
#include "navigation/SoundingRowWriter.h"
#include "platform/FileDialogs.h"
#include "platform/GuiWake.h"

class QAction;
class QCloseEvent;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class ScreenshotWriter;
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
    // False when the close must not go on: the drawing could not be saved
    // and the surveyor kept the program open.
    bool FormCloseQuery();

    // Menu commands.
    void SoundVelocityProfile1Click();
    // Every caption of the menus, the fixed tool buttons and the windows in
    // the current language (TFNavLanguages.cpp).
    void ApplyLanguage();
    // "Languages" > "English" / "Turkish": switched, applied, shown in
    // panel 5 and stored at once.
    void English1Click();
    void Turkish1Click();
    // "Languages" > "Translation Editor": made on first use, shown.
    void TranslationEditor1Click();
    // "Tools" > "Show Satellite Image", the status bar's double-click and
    // F5: the satellite background on or off, shown in panel 6 and stored.
    void ShowSatelliteImage1Click();
    // "Tools" > "Clear Satellite Image Cahses...": the tiles in memory and
    // in the cache folder go (TFNavSatellite.cpp).
    void ClearSatelliteImageCahses1Click();

    // Project commands (File menu, bOpen, bSave, the status bar's project
    // panel). Save is the auto-save under a time-stamped name in the day's
    // project folder, also run by Exit, the close, the offsets window's
    // Realtime button and the sound velocity window's save.
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Exit1Click();
    // The auto-save of Save1Click; true when the drawing is in its file.
    // A save into a folder that has gone makes the day's folders again and
    // tries once more. `name` receives the file's name.
    bool AutoSave(std::string* name = nullptr);
    // Save As; true when the drawing went to the chosen file.
    bool SaveProjectAs();
    // A click at `x` (the status bar's client pixels) on the project panel
    // opens the project folder.
    void sStatusBarClick(int x);
    // The folder the file dialogs start in: the current project's, else the
    // day's project folder.
    std::string ProjectDialogFolder() const;

    // Drawing exchange (File "Export...", "Import..."): KML, KMZ and DXF out;
    // KML/KMZ, XYZ points and DXF in.
    void Export1Click();
    void Import1Click();
    // WGS84 to grid and back with the device settings window's values at
    // each call, in the projection in use; the grid-to-WGS84 direction is
    // false when it cannot convert. Without that window nothing is written.
    void KmlGeographicToGrid(double latitude, double longitude, double& x, double& y);
    bool GridToGeographicForKml(double x, double y, double& latitude, double& longitude);
    // A KML/KMZ import is read on a worker while status panel 2 shows its
    // progress; Import1 is disabled until its shapes are on the map.
    bool KmlImportRunning() const { return FKmlImport != nullptr; }

    // One cycle of screenshots of every monitor: grabbed here, written by the
    // screenshot worker; a cycle due while the last one is written is skipped.
    void tScreenshotTimer();
    // Waits up to `boundMs` for the screenshots in flight; true when none is.
    bool WaitForScreenshots(int boundMs);
    // Where the cycle's pictures come from (GrabScreens; tests replace it).
    std::function<std::vector<ScreenGrab>()> GrabMonitors = GrabScreens;
    // The worker that writes the screenshots.
    ScreenshotWriter* Screenshots() const { return FScreenshotWriter.get(); }

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
    // A port whose device went away while open, and its return (either reader).
    void PortLost(TPlovanSerialGPS* reader, const std::string& why);
    void PortReopened(TPlovanSerialGPS* reader);
    // Appends the start block to the day's geodesy record; a failure is
    // reported (once per cause) and the start goes on.
    void WriteGeodesySessionLog();
    // Held sounding rows go to their files, or their loss is logged (the close).
    void FlushSoundingRows();

    TFNavLinks Links;

    // The map tick of tMap, and the event marks (TFNavMap.cpp).
    void tMapTimer();
    void btEventAddClick();
    void btEventResetClick();
    void MarkEvent1Click();

    // Remembers the current project and shows its project folder (the parent
    // of the file's folder) in status panel 3.
    void SetCurrentFile(const std::string& path);
    const std::string& CurrentFile() const { return FCurrentFile; }

    // The survey's small windows (TFNavWindows.cpp): "Window" > "Realtime
    // Window..." and "Echogram..." (only with the sounder port open), "Tools"
    // > "Open Log Folder", "Help" > "About..." (modal), the zoom buttons.
    void mRealtimeWindow1Click();
    void Echogram1Click();
    void OpenLogFolder1Click();
    void About1Click();
    void ZoominClick();
    void ZoomoutClick();
    // The echogram timer: the sounder watchdog, the echogram window's
    // visibility and at most one history step per tick.
    void tEchogramTimer();
    // One history step drawn into the echogram window; nothing unless the
    // window is on the screen with a size; drawing errors are swallowed.
    void DrawDepthHistory(double depth, double top, double bottom, int count);
    // Keys aimed anywhere inside the main window, before the focused
    // control sees them (key preview); true when the key is consumed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The depths the echogram draws; it survives Stop and Start.
    DepthHistory FDepthHistory;

    // Drawing tools, view, track and selection commands and the canvas's
    // events (TFNavDrawing.cpp). Each drawing tool puts new shapes on the
    // user layer and sets the canvas's command mode.
    void ToolButton10Click();  // point
    void ToolButton9Click();   // line chain
    void ToolButton16Click();  // rectangle
    void ToolButton14Click();  // polyline
    void ToolButton19Click();  // ellipse
    void ToolButton15Click();  // polygon
    void ToolButton17Click();  // spline
    void ToolButton20Click();  // three-point arc
    void ToolButton18Click();  // circle
    void ZoomextentsClick();
    void ZoomwindowClick();
    void ZoomdynamicClick();
    void bFollowVesselClick();
    void ToolButton13Click();  // do not follow the vessel
    void tbFixedClick();
    void tbFloatClick();
    void tbAutoClick();
    void ToolButton11Click();  // clear the user's shapes
    void bSelectTracksClick();
    void bMouseSelectClick();
    void bDelSelectedClick();
    void fcadShapeNumberSelected(short shapeType, int shapeNumber);
    void fcadWorldMouseMove(double x, double y);
    void fcadWorldMouseDown(short button, double x, double y);
    void fcadDrawBegin(short shapeType, double x, double y);
    void fcadDrawEnd(short shapeType, double x, double y);
    void fcadDblClick();
    // F2, F3, F5, Delete and Escape's selection branch of the key preview;
    // true when the key is consumed.
    bool DrawingKeyDown(int key);

    // "Window" > "Plovan NTRIP Client...": creates the NTRIP settings window
    // when missing, hands it the open GNSS port and position, shows it.
    void PlovanNTRIPClient1Click();

    // The show commands of the Window, Tools and Help menus and the realtime
    // bar, and the program's own end (TFNavMenus.cpp).
    void NavigationSettings1Click();
    void OffsetsandValues1Click();
    void themeSelection1Click();
    // Saves the project, puts the runline window at its stored place, shows it.
    void Generate1Click();
    void Parameters1Click();  // the device settings window made visible
    void VesselShape1Click();
    void LatencyWatchSet1Click();
    void tbRunlineClick();
    // Starts "PlovanAux" beside the executable; never a program of that name
    // elsewhere. Without it a message names the path looked at.
    void RemoteSupport1Click();
    // Closes the main window with its whole close handling; the program entry
    // frees the windows and only then starts the new instance.
    void bRestartClick();
    bool RestartRequested() const { return FRestartRequested; }
    // End the process at once with status -1: bExit through the C library's
    // exit, ToolButton4 without even that. Neither runs the close query or
    // writes a setting.
    void bExitClick();
    void ToolButton4Click();
    // "Tools" > "Import Old PHX...": an old settings file replaces the
    // current one (which is kept beside it as ".bak"), then the process ends
    // at once; from the copy to the end no setting is written.
    void ImportOldPHX1Click();

    // Controls of the layout.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Export1 = nullptr;
    QAction* Import1 = nullptr;
    QAction* Exit1 = nullptr;
    QToolButton* bOpen = nullptr;
    QToolButton* bSave = nullptr;
    platform::TOpenDialog OpenDialog1;
    platform::TSaveDialog SaveDialog1;
    QMenu* Window2 = nullptr;
    QAction* PlovanNTRIPClient1 = nullptr;
    QMenu* Tools1 = nullptr;
    QMenu* Languages1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* mRealtimeWindow1 = nullptr;
    QAction* Echogram1 = nullptr;
    QAction* OpenLogFolder1 = nullptr;
    QAction* About1 = nullptr;
    QAction* SoundVelocityProfile1 = nullptr;
    QAction* ImportOldPHX1 = nullptr;
    QAction* ShowSatelliteImage1 = nullptr;
    QAction* ClearSatelliteImageCahses1 = nullptr;
    QAction *NavigationSettings1 = nullptr, *OffsetsandValues1 = nullptr,
            *themeSelection1 = nullptr, *Generate1 = nullptr, *Parameters1 = nullptr;
    QAction *VesselShape1 = nullptr, *LatencyWatchSet1 = nullptr, *RemoteSupport1 = nullptr;
    QToolButton *tbRunline = nullptr, *bRestart = nullptr, *bExit = nullptr;
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
    QMenu* Edit1 = nullptr;
    QAction* MarkEvent1 = nullptr;
    QToolButton* btEventAdd = nullptr;
    QToolButton* btEventReset = nullptr;
    // Drawing tools (tShape), view and shape commands (tDraw), track
    // clearing (tRealtime), the Edit and Zoom menus' items.
    QToolButton *ToolButton7 = nullptr, *ToolButton12 = nullptr, *ToolButton21 = nullptr,
                *ToolButton23 = nullptr, *ToolButton27 = nullptr, *ToolButton28 = nullptr,
                *ToolButton29 = nullptr, *ToolButton30 = nullptr, *ToolButton31 = nullptr;
    QToolButton *Zoomin = nullptr, *Zoomout = nullptr, *Zoomextents = nullptr,
                *Zoomwindow = nullptr, *Zoomdynamic = nullptr, *Zoompan = nullptr;
    QToolButton *bFollowVessel = nullptr, *ToolButton13 = nullptr, *bSelectTracks = nullptr,
                *bDelSelected = nullptr, *ToolButton11 = nullptr;
    QToolButton *tbFixed = nullptr, *tbFloat = nullptr, *tbAuto = nullptr;
    QAction *ClearFixedTracks1 = nullptr, *ClearUnfixedTracks1 = nullptr,
            *ClearUserAddedShapes1 = nullptr, *Deletetracksselected1 = nullptr;
    QMenu* Zoom1 = nullptr;
    QAction *In1 = nullptr, *Out1 = nullptr, *Extents1 = nullptr, *Window1 = nullptr,
            *Dynamic1 = nullptr, *Followvessel1 = nullptr, *Donotfollowvessel1 = nullptr;
    QTimer* tMap = nullptr;
    QTimer* tEchogram = nullptr;
    QTimer* tScreenshot = nullptr;

    // The GNSS receiver's and the echo sounder's readers, owned by the window.
    TPlovanSerialGPS* ZGPS1 = nullptr;
    TPlovanSerialGPS* ZSENSOR = nullptr;

    // The map canvas, filling Panel4.
    TPlovanCanvas* fcad = nullptr;

    // The on-screen keypad and keyboard for `target`: made once as children
    // of the window, then retargeted, placed in the client area below the
    // menu bar and raised; hidden with the window `target` is in.
    void ShowNumericKeypad(QWidget* target);
    void ShowSimpleKeyboard(QWidget* target);
    // Created on first use as children of the window, freed with it.
    TPlovanNumericKeypad* FNumericKeypad = nullptr;
    TPlovanSimpleKeyboard* FSimpleKeyboard = nullptr;
    // Raw port lines are echoed into the device settings window.
    bool FEchoRawSentences = false;

  protected:
    // The first show runs FormShow before the window reaches the screen, so a
    // restored placement is in place when it appears.
    void setVisible(bool visible) override;
    // The close is always allowed; the main window's close ends the message
    // loop.
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildLayout();
    void SwitchLanguage(const std::string& code);
    // The event buttons, the Edit menu's Mark Event and tMap's handler.
    void BuildMapControls();
    // A failure of the map tick or an event mark: message window, event log;
    // once for each cause until MapFaultCleared.
    void MapFault(const std::string& key, const std::string& text);
    void MapFaultCleared(const std::string& key);
    // The Window, Tools and Help menus in their order, with the handlers the
    // layout binds (TFNavMenus.cpp); the realtime bar's runline, restart and
    // exit buttons, after the others.
    void BuildMenuCatalogue();
    void BuildProgramButtons();
    // The echogram timer's handler and the key preview (TFNavWindows.cpp).
    void ConnectWindowHandlers();
    // The drawing tools' buttons and menu items, and their handlers with the
    // canvas's events (TFNavDrawing.cpp).
    void BuildDrawingTools();
    void ConnectDrawingHandlers();
    void SetDrawingTool(int command);
    void ClearTrackLayer(const QString& prompt, const char* layer, const std::string& logText);
    void StartPolygonSelection(bool tracks);
    void SelectWithDrawnPolygon(bool tracks);
    bool FMapPausedByDrawing = false;  // a drawing stopped the running map tick
    // The satellite map's part of FormCreate (TFNavSatellite.cpp): the
    // commands' connections, the canvas with its tile server and projection,
    // the stored state with panel 6.
    void ConnectSatelliteCommands();
    TPlovanCanvas* CreateMapCanvas(const platform::IniFile& ini);
    void ApplySatelliteMapState(bool visible);
    // The File menu, bOpen and bSave, the dialogs and the screenshot timer.
    void BuildProjectCommands();
    // Export1 and Import1, before Exit1.
    void BuildExchangeMenu();
    // One port message: g_LastPortMessage, the message window, the event log.
    void PortMessage(const std::string& text, bool show);
    // A survey fault: message window (shown), status bar, event log.
    void SurveyFault(const std::string& text);
    void SetRealtimeDown(bool down);
    // The close's box for a drawing that could not be saved as `name`:
    // Save As (true when it saved), close without it (true), or stay (false).
    bool CloseWithoutAutoSave(const std::string& name);
    void StartRealtime();
    void StopRealtime();
    // Start reads the geodetic set the map, the rows and the event marks
    // use until the next Start; a refused one is said once (its edit and
    // reason) and leaves no grid position at all.
    void ReadGeodeticSet();
    void GeodesyRefused(const std::string& why);
    // The latest position stands for now (PositionFresh with ZGPS1's port).
    bool PositionIsFresh() const;
    // No fix stands (idle, closed or failed port, Stop, or no fix for two
    // seconds): the position box, the realtime window and the speed readout
    // say so until a fresh fix.
    void ShowNoFix();
    // The GNSS gave out (closed, idle, lost): the map tick stops, even one a
    // drawing paused, no fix is fresh any more and the screen says so.
    void GnssGone();
    // tMap starts: GPSGroupBox lime, the GNSS monitor white.
    void StartMapTick();
    // The canvas has a drawing in progress; the map stands still meanwhile.
    bool DrawingInProgress() const;

    // Panel 5 shows the last sounder line: the lines of one poll leave their
    // text here and the panel takes the last one once the poll is over,
    // since measuring a text's width costs more than the rest of a line.
    // While a port is lost the panel keeps saying so.
    void QueueDepthStatus(std::string text);
    void ShowDepthStatus();
    QTimer* FDepthStatusTimer = nullptr;
    std::optional<std::string> FDepthStatus;

    bool FRealtimeDown = false;  // bRealtime's down state, kept by the GNSS port events
    DepthPipeline FDepthPipeline;
    std::unique_ptr<SoundingRowWriter> FCsvWriter, FXyzWriter;
    // The event marks' lines and the geodesy record: held and written again
    // when their folder has gone (made at the first use).
    RetryingWriter& EventLines();
    RetryingWriter& GeodesyRecord();
    std::unique_ptr<RetryingWriter> FEventLines, FGeodesyRecord;
    std::set<std::string> FMapFaults;  // causes of the map and event faults reported

    std::string FCurrentFile;
    // The XYZ import memory: each file's last-write time at its last import.
    std::map<std::string, std::filesystem::file_time_type> FXyzImportTimes;
    // The KML/KMZ import in flight: the worker's wake-up call outlives it.
    void StartKmlImport(const std::string& file);
    void KmlImportChanged();
    std::unique_ptr<platform::GuiWake> FKmlImportWake;
    std::unique_ptr<KmlImportJob> FKmlImport;
    std::unique_ptr<ScreenshotWriter> FScreenshotWriter;
    std::set<std::string> FScreenshotsNotTaken;  // positions already logged as not taken
    bool FShown = false;
    bool FClosing = false;
    bool FRestartRequested = false;
};

// The project folder shown for a project path: the parent of the folder that
// holds the file, with its trailing '/', or the file's own folder when that
// parent is empty.
std::string ProjectFolderOf(const std::string& path);

// The main window, created first by the program entry.
extern TFNav* FNav;
