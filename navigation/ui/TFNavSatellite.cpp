// The main window's satellite map commands: the background switched on and
// off (remembered in the settings file, shown in status panel 6) and the
// tile cache emptied in memory and on disk.
#include <QAction>

#include "canvas/PlovanCanvas.h"
#include "devices/SurveyProjection.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "navigation/SatelliteMap.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace {

QString MapPanelText(bool on) { return on ? QStringLiteral("MAP: ON") : QStringLiteral("MAP: OFF"); }

}  // namespace

void TFNav::ConnectSatelliteCommands() {
    connect(ShowSatelliteImage1, &QAction::triggered, this,
            [this] { platform::GuardHandler([this] { ShowSatelliteImage1Click(); }); });
    connect(ClearSatelliteImageCahses1, &QAction::triggered, this,
            [this] { platform::GuardHandler([this] { ClearSatelliteImageCahses1Click(); }); });
    connect(sStatusBar, &TStatusBar::DblClick, this,
            [this] { platform::GuardHandler([this] { ShowSatelliteImage1Click(); }); });
}

TPlovanCanvas* TFNav::CreateMapCanvas(const platform::IniFile& ini) {
    auto* canvas = new TPlovanCanvas(Panel4, SatelliteTileOptions(ini));
    // The tiles follow the device settings window's geodetic edits as they
    // stand at each drawing; without numbers there they are not drawn.
    canvas->FMapProjection = [] {
        if (!FGPS) return TMapProjection{};
        const auto& system = FGPS->GridSystem();
        return system ? MakeMapProjection(*system) : TMapProjection{};
    };
    return canvas;
}

void TFNav::ApplySatelliteMapState(bool visible) {
    if (fcad) fcad->SetMapVisible(visible);
    if (sStatusBar->PanelCount() >= 7) {
        sStatusBar->SetPanelText(6, MapPanelText(visible));
        sStatusBar->SetPanelWidth(6, 80);
    }
}

void TFNav::ShowSatelliteImage1Click() {
    if (!fcad) return;
    fcad->SetMapVisible(!fcad->GetMapVisible());
    const bool on = fcad->GetMapVisible();
    if (sStatusBar->PanelCount() >= 7) {
        const QString text = MapPanelText(on);
        sStatusBar->SetPanelText(6, text);
        sStatusBar->SetPanelWidth(6, sStatusBar->TextWidth(text) + 16);
    }
    platform::IniFile ini(SettingsFilePath());
    ini.WriteBool("SETTINGS", "SatelliteMapVisible", on);
}

void TFNav::ClearSatelliteImageCahses1Click() {
    // The fetches are cancelled first, so nothing is renamed into a folder
    // while it is being emptied.
    std::string folder = platform::AppDataDir() + "Plovan/PHX/MapCache/";
    if (fcad) {
        fcad->ClearTileCache();
        folder = fcad->TileCacheFolder();
    }
    ClearTileCacheFolder(folder);
    platform::ShowMessage(QStringLiteral("Satellite image cache cleared."));
}
