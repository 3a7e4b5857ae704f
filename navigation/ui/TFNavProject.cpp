// The main window's project commands and screenshots: the File menu, the
// Open and Save buttons, the status bar's project panel and the screenshot
// timer. The rules live in navigation/ProjectFiles.h and
// navigation/ScreenshotNames.h; the writing of pictures in
// navigation/ScreenshotWriter.h.
#include <QAction>
#include <QCheckBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <stdexcept>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/ProjectFiles.h"
#include "navigation/ScreenshotNames.h"
#include "navigation/ScreenshotWriter.h"
#include "navigation/StandardLayers.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Shell.h"
#include "tools/ui/TfSVP.h"

namespace {

constexpr const char* kAutoSaveCaption = "Plovan Olcum Masasi - ";

QString Q(const std::string& text) { return QString::fromStdString(text); }

void LogEvent(const std::string& text) { AppendEventLog(text, EventLogPath()); }

// Clears a layer the survey state names, when it still is the layer of that
// name: an id from before the standard layers existed never empties one of
// the surveyor's layers.
void ClearNamedLayer(TPlovanCanvas* canvas, int id, const char* name) {
    const TCanvasLayer* layer = canvas->FindLayerById(id);
    if (layer && layer->Name == QString::fromUtf8(name)) canvas->ClearLayer(id);
}

// The grid and the vessel are drawn anew by the map tick and never stored.
void ClearUnstoredLayers(TPlovanCanvas* canvas) {
    ClearNamedLayer(canvas, g_Survey.GridLayerId, kGridLayerName);
    ClearNamedLayer(canvas, g_Survey.VesselLayerId, kVesselLayerName);
}

QAction* MakeCommand(TFNav* window, QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut, void (TFNav::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, window,
                     [window, handler] { platform::GuardHandler([=] { (window->*handler)(); }); });
    return action;
}

QToolButton* MakeButton(QToolBar* bar, const char* name, const QString& caption) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setText(caption);
    return button;
}

}  // namespace

void TFNav::BuildProjectCommands() {
    // The File menu comes first of all menus.
    File1 = new QMenu(QStringLiteral("File"), MainMenu1);
    File1->setObjectName(QStringLiteral("File1"));
    MainMenu1->insertMenu(MainMenu1->actions().value(0), File1);
    New1 = MakeCommand(this, File1, "New1", QStringLiteral("New"),
                       QKeySequence(Qt::CTRL | Qt::Key_N), &TFNav::New1Click);
    Open1 = MakeCommand(this, File1, "Open1", QStringLiteral("Open..."),
                        QKeySequence(Qt::CTRL | Qt::Key_O), &TFNav::Open1Click);
    Save1 = MakeCommand(this, File1, "Save1", QStringLiteral("Save"),
                        QKeySequence(Qt::CTRL | Qt::Key_S), &TFNav::Save1Click);
    SaveAs1 = MakeCommand(this, File1, "SaveAs1", QStringLiteral("Save As..."),
                          QKeySequence(Qt::CTRL | Qt::Key_W), &TFNav::SaveAs1Click);
    Exit1 = MakeCommand(this, File1, "Exit1", QStringLiteral("Exit"),
                        QKeySequence(Qt::CTRL | Qt::Key_Q), &TFNav::Exit1Click);

    // Open and Save right after Start on the realtime bar.
    bOpen = MakeButton(tRealtime, "bOpen", QStringLiteral("Open"));
    bSave = MakeButton(tRealtime, "bSave", QStringLiteral("Save"));
    const QList<QAction*> actions = tRealtime->actions();
    QAction* after = nullptr;
    for (qsizetype i = 0; i + 1 < actions.size(); ++i)
        if (tRealtime->widgetForAction(actions[i]) == bRealtime) after = actions[i + 1];
    tRealtime->insertWidget(after, bOpen);
    tRealtime->insertWidget(after, bSave);
    connect(bOpen, &QToolButton::clicked, this,
            [this] { platform::GuardHandler([this] { Open1Click(); }); });
    connect(bSave, &QToolButton::clicked, this,
            [this] { platform::GuardHandler([this] { Save1Click(); }); });

    OpenDialog1.Title = QStringLiteral("Dialog Open");
    SaveDialog1.Title = QStringLiteral("Dialog Save");

    FScreenshotWriter = std::make_unique<ScreenshotWriter>([](const std::string& message) {
        // A picture that could not be written is shown like any handler's
        // error; the timer goes on.
        platform::GuardHandler([&message] { throw std::runtime_error(message); });
    });
    connect(tScreenshot, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { tScreenshotTimer(); }); });
}

std::string TFNav::ProjectDialogFolder() const {
    if (!FCurrentFile.empty()) {
        const size_t slash = FCurrentFile.find_last_of('/');
        if (slash != std::string::npos) return FCurrentFile.substr(0, slash + 1);
    }
    return g_ProjectDir;
}

void TFNav::New1Click() {
    // 1.
    if (platform::dialogs().MessageBox(QStringLiteral("Entire layout will be cleared! Continue?"),
                                       QStringLiteral("Warning"), platform::mbYesNo,
                                       platform::iconWarning) != platform::idYes)
        return;
    if (!fcad) return;
    // 2. Every shape goes and shape ids restart at 1; the layers stay.
    fcad->ClearLayer(-1);
    // 3.
    fcad->ClearSoundings();
    fcad->ClearNumberLabels();
    // 4.
    LogEvent("New layout - cleared all shapes");
    // 5.
    EnsureStandardLayers(fcad);
}

void TFNav::Open1Click() {
    // 1.
    OpenDialog1.Filter = QString::fromUtf8(kProjectFilter);
    OpenDialog1.InitialDir = Q(ProjectDialogFolder());
    if (!OpenDialog1.Execute() || !fcad) return;
    const std::string name = OpenDialog1.FileName.toStdString();
    // 2. Added to the drawing; a file that cannot be read leaves the drawing
    // as it was, and the current project stays.
    if (!fcad->LoadProject(OpenDialog1.FileName, -1, -1, 2)) {
        LogEvent("Open FAILED: " + name);
        platform::ShowMessage("Could not open " + name);
        return;
    }
    // 3.
    SetCurrentFile(name);
    // 4.
    LogEvent("Opened file: " + name);
    // 5. A vessel symbol or grid that came with the file goes; the map tick
    // draws them anew.
    g_Survey.VesselLayerId = fcad->FindLayer(QString::fromUtf8(kVesselLayerName));
    if (g_Survey.VesselLayerId >= 0) fcad->ClearLayer(g_Survey.VesselLayerId);
    g_Survey.GridLayerId = fcad->FindLayer(QString::fromUtf8(kGridLayerName));
    if (g_Survey.GridLayerId >= 0) fcad->ClearLayer(g_Survey.GridLayerId);
    // 6. The load may have given the standard layers new ids.
    EnsureStandardLayers(fcad);
}

void TFNav::Save1Click() { AutoSave(); }

bool TFNav::AutoSave(std::string* savedName) {
    // 1. One reading of the clock names the file and dates the lists.
    const platform::DateTime now = platform::Now();
    const std::string name = AutoSaveName(g_ProjectDir, now);
    if (savedName) *savedName = name;
    // 2. 3. The day's folder may have been removed while the program ran.
    bool saved = false;
    if (fcad) {
        ClearUnstoredLayers(fcad);
        saved = fcad->SaveProject(Q(name));
        // The failure is this save's own message: the folders are made quietly.
        if (!saved && MakeDataFolders()) saved = fcad->SaveProject(Q(name));
    }
    if (!saved) {
        // The key and the caption keep pointing at the last project that was
        // written, so the next start opens it.
        const std::string failed = "Auto-save FAILED: " + name;
        LogEvent(failed);
        if (Links.Message) Links.Message(Q(failed), true);
    } else {
        // 4 to 6: an error in one skips the rest of them, never the lists.
        try {
            LogEvent("Auto-saved: " + name);
            platform::IniFile ini(SettingsFilePath());
            if (ini.WriteString(kFileSection, kLastFileSavedKey, name))
                setWindowTitle(QString::fromUtf8(kAutoSaveCaption) + Q(name));
        } catch (...) {
        }
    }
    // 7. A list that cannot be written skips the rest; nothing is shown.
    try {
        if (fSVP && fSVP->cUseSVP->isChecked())
            WriteSvpListCopies(g_SvpDir, platform::FormatDateTime("yyyy-mm-dd", now),
                               fSVP->ListsForSave());
    } catch (...) {
    }
    return saved;
}

bool TFNav::CloseWithoutAutoSave(const std::string& name) {
    const int answer = platform::dialogs().MessageBox(
        QStringLiteral("The drawing could not be saved to %1.\n\n"
                       "Yes: save it under another name and close.\n"
                       "No: close without saving the drawing.\n"
                       "Cancel: keep the program open.")
            .arg(QString::fromStdString(name)),
        QStringLiteral("Warning"), platform::mbYesNoCancel, platform::iconWarning);
    if (answer == platform::idYes) return SaveProjectAs();
    if (answer != platform::idNo) return false;
    LogEvent("Closed without saving the drawing");
    return true;
}

void TFNav::SaveAs1Click() { SaveProjectAs(); }

bool TFNav::SaveProjectAs() {
    // 1.
    SaveDialog1.Filter = QString::fromUtf8(kProjectFilter);
    SaveDialog1.InitialDir = Q(ProjectDialogFolder());
    if (!SaveDialog1.Execute() || !fcad) return false;
    const std::string name = SaveDialog1.FileName.toStdString();
    // 2. 3. The name as the dialog gave it: the dialog adds the extension of
    // the selected filter itself.
    ClearUnstoredLayers(fcad);
    if (!fcad->SaveProject(SaveDialog1.FileName)) {
        LogEvent("Save As FAILED: " + name);
        platform::ShowMessage("Could not save " + name);
        return false;
    }
    // 4.
    setWindowTitle(QStringLiteral("Plovan Olcum Masasi  <") + Q(name) + u'>');
    // 5. The settings key, the current project and the lists stay.
    LogEvent("Saved As: " + name);
    return true;
}

void TFNav::Exit1Click() {
    Save1Click();
    // The close query closes the ports and auto-saves once more.
    close();
}

void TFNav::sStatusBarClick(int x) {
    std::vector<int> widths;
    for (int i = 0; i < sStatusBar->PanelCount(); ++i) widths.push_back(sStatusBar->PanelWidth(i));
    if (!OnProjectPanel(widths, x) || FCurrentFile.empty()) return;
    platform::shell().OpenFolder(ProjectFolderOf(FCurrentFile));
}

void TFNav::tScreenshotTimer() {
    if (!FScreenshotWriter || FScreenshotWriter->Busy()) return;
    // 1. 2. One reading of the clock for every monitor of the cycle.
    const std::string folder = ScreenshotFolder(g_DayDir);
    const platform::DateTime now = platform::Now();
    // 3.
    std::vector<ScreenGrab> grabs = GrabMonitors ? GrabMonitors() : std::vector<ScreenGrab>();
    std::vector<QRect> areas;
    for (const ScreenGrab& grab : grabs) areas.push_back(grab.geometry);
    const std::vector<std::string> positions = ScreenPositionNames(areas);
    std::vector<ScreenshotWriter::Picture> pictures;
    for (size_t i = 0; i < grabs.size(); ++i) {
        if (grabs[i].image.isNull()) {
            // Said once per monitor and run, not at every cycle.
            if (FScreenshotsNotTaken.insert(positions[i]).second)
                LogEvent("Screenshot not taken: " + positions[i]);
            continue;
        }
        pictures.push_back(
            {std::move(grabs[i].image), ScreenshotFileName(folder, now, positions[i])});
    }
    FScreenshotWriter->Submit(folder, std::move(pictures));
}

bool TFNav::WaitForScreenshots(int boundMs) {
    return !FScreenshotWriter || FScreenshotWriter->WaitIdle(std::chrono::milliseconds(boundMs));
}
