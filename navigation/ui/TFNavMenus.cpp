// The main window's menu catalogue and its show commands: the Window, Tools
// and Help menus in their order, the realtime bar's runline, restart and exit
// buttons, remote support and the import of an old settings file.
//
// A key that an earlier item of the menu bar already carries (Ctrl+O of
// "File" > "Open...") is only shown on a later item: the first item in menu
// order owns it, and two live actions with one key would make Qt fire
// neither.
#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "navigation/SettingsImport.h"
#include "navigation/ui/MenuItems.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "platform/Dialogs.h"
#include "platform/FileDialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"
#include "platform/ProcessExit.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfLatency.h"
#include "tools/ui/TfRunline1.h"
#include "tools/ui/TfTheme.h"

namespace {

void ShowInFront(QWidget* window) {
    if (!window) return;
    window->show();
    window->raise();
}

}  // namespace

void TFNav::BuildMenuCatalogue() {
    const auto item = [this](QAction* action, void (TFNav::*handler)()) {
        connect(action, &QAction::triggered, this, platform::Guarded(this, handler));
    };

    NavigationSettings1 = AddMenuItem(Window2, "NavigationSettings1", "Navigation Settings...");
    mRealtimeWindow1 = AddMenuItem(Window2, "mRealtimeWindow1", "Realtime Window...");
    Echogram1 = AddMenuItem(Window2, "Echogram1", "Echogram...");
    ShowShortcutOnly(Echogram1, QKeySequence(Qt::CTRL | Qt::Key_O));
    OffsetsandValues1 = AddMenuItem(Window2, "OffsetsandValues1", "Offsets...");
    ShowShortcutOnly(OffsetsandValues1, QKeySequence(Qt::CTRL | Qt::Key_O));
    themeSelection1 = AddMenuItem(Window2, "themeSelection1", "Theme Selection...");
    SoundVelocityProfile1 =
        AddMenuItem(Window2, "SoundVelocityProfile1", "Sound Velocity Profile...");
    PlovanNTRIPClient1 = AddMenuItem(Window2, "PlovanNTRIPClient1", "Plovan NTRIP Client...");
    Generate1 = AddMenuItem(Window2, "Generate1", "Generate Runline...");
    Parameters1 = AddMenuItem(Window2, "Parameters1", "Device Settings...");
    Parameters1->setShortcut(QKeySequence(Qt::Key_F10));
    item(NavigationSettings1, &TFNav::NavigationSettings1Click);
    item(mRealtimeWindow1, &TFNav::mRealtimeWindow1Click);
    item(Echogram1, &TFNav::Echogram1Click);
    item(OffsetsandValues1, &TFNav::OffsetsandValues1Click);
    item(themeSelection1, &TFNav::themeSelection1Click);
    item(SoundVelocityProfile1, &TFNav::SoundVelocityProfile1Click);
    item(PlovanNTRIPClient1, &TFNav::PlovanNTRIPClient1Click);
    item(Generate1, &TFNav::Generate1Click);
    item(Parameters1, &TFNav::Parameters1Click);

    // The import and the satellite items get their handlers when the window
    // is created.
    VesselShape1 = AddMenuItem(Tools1, "VesselShape1", "Vessel Shape...");
    OpenLogFolder1 = AddMenuItem(Tools1, "OpenLogFolder1", "Open Log Folder");
    OpenLogFolder1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    LatencyWatchSet1 = AddMenuItem(Tools1, "LatencyWatchSet1", "Latency Watch/Set");
    ImportOldPHX1 = AddMenuItem(Tools1, "ImportOldPHX1", "Import Old PHX...");
    Tools1->addSeparator();
    ShowSatelliteImage1 = AddMenuItem(Tools1, "ShowSatelliteImage1", "Show Satellite Image");
    ClearSatelliteImageCahses1 =
        AddMenuItem(Tools1, "ClearSatelliteImageCahses1", "Clear Satellite Image Cahses...");
    item(VesselShape1, &TFNav::VesselShape1Click);
    item(OpenLogFolder1, &TFNav::OpenLogFolder1Click);
    item(LatencyWatchSet1, &TFNav::LatencyWatchSet1Click);

    RemoteSupport1 = AddMenuItem(Help1, "RemoteSupport1", "Remote Support...");
    About1 = AddMenuItem(Help1, "About1", "About...");
    item(RemoteSupport1, &TFNav::RemoteSupport1Click);
    item(About1, &TFNav::About1Click);
}

void TFNav::BuildProgramButtons() {
    const auto button = [this](const char* name, const char* caption, void (TFNav::*handler)()) {
        auto* b = new QToolButton(tRealtime);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setText(QString::fromUtf8(caption));
        tRealtime->addWidget(b);
        connect(b, &QToolButton::clicked, this, platform::Guarded(this, handler));
        return b;
    };
    tbRunline = button("tbRunline", "Runline", &TFNav::tbRunlineClick);
    bRestart = button("bRestart", "Restart", &TFNav::bRestartClick);
    bExit = button("bExit", "Exit", &TFNav::bExitClick);
    connect(ConnectIcon, &QToolButton::clicked, this,
            platform::Guarded(this, &TFNav::ConnectIconClick));
}

void TFNav::NavigationSettings1Click() { ShowInFront(Navset); }

void TFNav::OffsetsandValues1Click() { ShowInFront(Offsets); }

void TFNav::themeSelection1Click() { ShowInFront(fTheme); }

void TFNav::Generate1Click() {
    Save1Click();
    if (!fRunline1) return;
    RestoreFormPlacement(fRunline1, false);
    ShowInFront(fRunline1);
}

void TFNav::Parameters1Click() {
    if (FGPS) FGPS->setVisible(true);
}

void TFNav::VesselShape1Click() { ShowInFront(FShape); }

void TFNav::LatencyWatchSet1Click() { ShowInFront(fLatency); }

void TFNav::tbRunlineClick() { ShowInFront(fRunline1); }

void TFNav::RemoteSupport1Click() {
    // Only the helper installed with the program: a program of that name in
    // whatever folder happens to be current is never started.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/PlovanAux");
    const QFileInfo helper(path);
    if (!helper.isFile() || !helper.isExecutable()) {
        platform::ShowMessage(QStringLiteral("Remote support program not found: ") + path);
        return;
    }
    platform::launcher().StartDetached(path.toStdString(), {});
}

void TFNav::bRestartClick() {
    // The new instance must find the project auto-saved and every setting
    // stored (the NTRIP window stores its own when it is freed), so the
    // program entry starts it after the windows are gone.
    FRestartRequested = true;
    close();
}

void TFNav::bExitClick() { platform::processExit().Exit(-1); }

void TFNav::ToolButton4Click() { platform::processExit().HardExit(-1); }

void TFNav::ImportOldPHX1Click() {
    platform::TOpenDialog dialog;
    dialog.Filter = QStringLiteral("INI Files (*.ini)|*.ini|All Files (*.*)|*.*");
    dialog.Title = QStringLiteral("Import Old PHX INI File");
    if (!dialog.Execute()) return;
    const std::string source = dialog.FileName.toStdString();
    const std::string target = SettingsFilePath();
    // From the copy on, a timer or a window that stores a setting would write
    // the old model over the imported file.
    platform::IniFile::SetWritesRefused(true);
    const SettingsImport import = ImportSettingsFile(source, target);
    switch (import.result) {
        case SettingsImportResult::SourceMissing:
            platform::IniFile::SetWritesRefused(false);
            platform::ShowMessage(QStringLiteral("Source file does not exist."));
            return;
        case SettingsImportResult::CopyFailed:
            platform::IniFile::SetWritesRefused(false);
            platform::ShowMessage(import.problem.empty()
                                      ? std::string("Failed to copy INI file.")
                                      : "Failed to copy INI file: " + import.problem + ".");
            return;
        case SettingsImportResult::Imported:
            break;
    }
    platform::ShowMessage(
        QStringLiteral("INI file imported successfully. The application will now close."));
    platform::processExit().HardExit(-1);
}
