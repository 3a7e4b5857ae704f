// The main window's drawing exchange: File "Export..." (KML, KMZ, DXF) and
// "Import..." (KML/KMZ, XYZ points, DXF), and the grid <-> WGS84
// conversions they use, each with the device settings window's values of
// the moment.
#include <QAction>
#include <QMenu>
#include <filesystem>

#include "canvas/DxfReader.h"
#include "canvas/DxfWriter.h"
#include "canvas/PlovanCanvas.h"
#include "canvas/XyzImport.h"
#include "devices/ui/TFGPS.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/KmlProjection.h"
#include "navigation/KmlWriter.h"
#include "navigation/StandardLayers.h"
#include "navigation/XyzPointLines.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/Shell.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

namespace {

constexpr const char* kExportFilter =
    "Google Earth KML [*.kml]|*.kml|Google Earth KMZ [*.kmz]|*.kmz|AutoCAD R12 DXF "
    "[*.dxf]|*.dxf|All Files [*.*]|*.*";
constexpr const char* kImportFilter =
    "KML/KMZ Files [*.kml;*.kmz]|*.kml;*.kmz|XYZ Files [*.xyz;*.txt;*.csv]|*.xyz;*.txt;*.csv|"
    "AutoCAD 2018 DXF [*.dxf]|*.dxf|All Files [*.*]|*.*";

// The file name's parts as the class library splits them: the extension
// from the last '.' of the name (not of a folder), the name without folder.
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) c = platform::AsciiLower(c);
    return text;
}

void Log(const std::string& text) { AppendEventLog(text, EventLogPath()); }

// The layer an import fills: found by name and emptied, or added (which
// makes it the current layer).
int PrepareLayer(TCanvasModel& canvas, const QString& name) {
    const int id = canvas.FindLayer(name);
    if (id < 0) return canvas.AddLayer(name);
    canvas.ClearLayer(id);
    return id;
}

// The layer an import of `path` fills: the file's name without its folder
// and extension.
std::string LayerNameOf(const std::string& path) {
    const std::string base = NameOf(path);
    return base.substr(0, base.size() - ExtensionOf(base).size());
}

bool LayerHasShapes(const TCanvasModel& canvas, const QString& name) {
    const int id = canvas.FindLayer(name);
    return id >= 0 && !canvas.GetLayerShapeIds(id).empty();
}

// The settings' projection for one command, parsed once; nullopt after its
// message.
std::optional<KmlGridProjection> CommandProjection(const TFGPS& gps) {
    std::string why;
    auto projection = KmlGridProjection::FromSettings(gps.Values(), &why);
    if (!projection) platform::ShowMessage("The geodetic parameters cannot be used: " + why);
    return projection;
}

}  // namespace

void TFNav::BuildExchangeMenu() {
    Import1 = new QAction(QStringLiteral("Import..."), File1);
    Import1->setObjectName(QStringLiteral("Import1"));
    Import1->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    Export1 = new QAction(QStringLiteral("Export..."), File1);
    Export1->setObjectName(QStringLiteral("Export1"));
    Export1->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
    File1->insertAction(Exit1, Export1);
    File1->insertAction(Exit1, Import1);
    connect(Export1, &QAction::triggered, this,
            [this] { platform::GuardHandler([this] { Export1Click(); }); });
    connect(Import1, &QAction::triggered, this,
            [this] { platform::GuardHandler([this] { Import1Click(); }); });
}

void TFNav::KmlGeographicToGrid(double latitude, double longitude, double& x, double& y) {
    if (FGPS) ::KmlGeographicToGrid(FGPS->Values(), latitude, longitude, x, y);
}

bool TFNav::GridToGeographicForKml(double x, double y, double& latitude, double& longitude) {
    return FGPS && KmlGridToGeographic(FGPS->Values(), x, y, latitude, longitude);
}

void TFNav::Export1Click() {
    // 1.
    SaveDialog1.Filter = QString::fromUtf8(kExportFilter);
    SaveDialog1.InitialDir = QString::fromStdString(ProjectDialogFolder());
    if (!SaveDialog1.Execute() || !fcad) return;
    // 2. A name without extension takes the chosen filter's.
    std::string name = SaveDialog1.FileName.toStdString();
    std::string ext = Lower(ExtensionOf(name));
    if (ext.empty()) {
        static const char* const kByFilter[] = {"", ".kml", ".kmz", ".dxf"};
        if (SaveDialog1.FilterIndex >= 1 && SaveDialog1.FilterIndex <= 3) {
            ext = kByFilter[SaveDialog1.FilterIndex];
            name += ext;
        }
    }
    // 3.
    if (ext == ".dxf") {
        if (fcad->ExportDXF(QString::fromStdString(name)))
            Log("Exported DXF: " + name);
        else
            platform::ShowMessage("DXF export failed: " + name);
        return;
    }
    if (ext != ".kml" && ext != ".kmz") return;

    // KML export. 1.
    if (!FGPS || !KmlDatumConfigured(FGPS->Values())) {
        platform::ShowMessage(std::string(
            "Please configure datum parameters in GPS Settings before exporting to KML/KMZ."));
        return;
    }
    // 2 to 7, with the parameters parsed once.
    const auto projection = CommandProjection(*FGPS);
    if (!projection) return;
    const KmlDocument doc = BuildKmlDocument(
        *fcad, NameOf(name),
        [&projection](double x, double y, double& lat, double& lon) {
            return projection->ToGeographic(x, y, lat, lon);
        },
        g_Survey.GridEasting, g_Survey.GridNorthing);
    // 8. A ".kmz" is the KML in a ZIP archive; either file goes in place
    // whole, or the old one stays.
    const bool written =
        ext == ".kmz" ? WriteKmzFile(name, doc.bytes) : WriteKmlFile(name, doc.bytes);
    if (!written) {
        platform::ShowMessage("KML export failed: " + name);
        return;
    }
    // 9.
    std::string message = "Exported: " + std::to_string(doc.tracks) + " tracks, " +
                          std::to_string(doc.soundings) + " depth points";
    if (doc.skipped > 0) message += " (" + std::to_string(doc.skipped) + " skipped)";
    Log(message + " to " + name);
    platform::ShowMessage(message);
    const std::string folder = FolderOf(name);
    if (!folder.empty()) platform::shell().OpenFolder(folder);
}

void TFNav::Import1Click() {
    // 1.
    OpenDialog1.Filter = QString::fromUtf8(kImportFilter);
    OpenDialog1.InitialDir = QString::fromStdString(ProjectDialogFolder());
    if (!OpenDialog1.Execute() || !fcad) {
        EnsureStandardLayers(fcad);
        return;
    }
    const QString chosen = OpenDialog1.FileName;
    // 2. The target layer is named after the file; each branch prepares it
    // only once its file has been read.
    const std::string file = chosen.toStdString();
    const std::string ext = Lower(ExtensionOf(file));
    const std::string layerName = LayerNameOf(file);
    const QString layer = QString::fromStdString(layerName);

    // 3.
    if (ext == ".kml" || ext == ".kmz") {
        if (!FGPS || !KmlDatumConfigured(FGPS->Values())) {
            platform::ShowMessage(
                std::string("Please configure datum parameters in GPS Settings "
                            "before importing KML/KMZ files."));
            return;
        }
        StartKmlImport(file);
        return;
    } else if (ext == ".xyz" || ext == ".txt" || ext == ".csv") {
        // An unchanged file is passed over only while its points are still
        // on the map.
        std::error_code ec;
        const auto written = std::filesystem::last_write_time(file, ec);
        const auto known = FXyzImportTimes.find(file);
        if (!ec && known != FXyzImportTimes.end() && known->second == written &&
            LayerHasShapes(*fcad, layer)) {
            platform::ShowMessage(std::string("File unchanged since last import. Skipping."));
            return;
        }
        std::string text;
        const platform::FileReadResult opened =
            platform::ReadRegularFile(file, text, kXyzMaxFileBytes);
        if (!opened.ok()) {
            platform::ShowMessage("Failed to open XYZ file: " +
                                  platform::FileReadProblem(file, opened));
            EnsureStandardLayers(fcad);
            return;
        }
        // A file without a point (emptied, or all lines unreadable) leaves
        // an earlier import of it in place.
        const XyzLinePoints read = ReadXyzLines(text);
        const std::string skipped =
            read.skipped > 0 ? " (" + std::to_string(read.skipped) + " lines skipped)" : "";
        if (read.points.empty()) {
            platform::ShowMessage("No points in XYZ file: " + file + skipped);
            EnsureStandardLayers(fcad);
            return;
        }
        if (!ec) FXyzImportTimes[file] = written;
        const int target = PrepareLayer(*fcad, layer);
        const int count = AddXyzPoints(*fcad, read.points, target);
        const std::string message = "Imported XYZ: " + file + " (" + std::to_string(count) +
                                    " points) to layer: " + layerName + skipped;
        Log(message);
        // Lines that were not read are shown, not only logged.
        if (read.skipped > 0) platform::ShowMessage(message);
        SetCurrentFile(file);
        fcad->ZoomExtents();
    } else {
        // The shapes go to "_dxf_" + the file's name; the layer named after
        // the file is only made when missing, so an import of "harbour.kml"
        // keeps its shapes.
        // A failed import (the reader shows why) changes nothing.
        const DxfImportResult read = LoadDxfFile(*fcad, chosen);
        if (read.imported) {
            if (fcad->FindLayer(layer) < 0) {
                fcad->AddLayer(layer);
                fcad->FCurrentLayer = fcad->GetImportLayer();
            }
            SetCurrentFile(file);
            Log("Imported DXF: " + file +
                (read.skipped > 0 ? " (" + std::to_string(read.skipped) + " entities skipped)"
                                  : ""));
        }
    }
    // 5.
    EnsureStandardLayers(fcad);
}

void TFNav::StartKmlImport(const std::string& file) {
    auto projection = CommandProjection(*FGPS);
    if (!projection) {
        EnsureStandardLayers(fcad);
        return;
    }
    if (!FKmlImportWake)
        FKmlImportWake = std::make_unique<platform::GuiWake>([this] { KmlImportChanged(); });
    platform::GuiWake* wake = FKmlImportWake.get();
    FKmlImport = std::make_unique<KmlImportJob>(
        file,
        [p = *projection](double lat, double lon, double& x, double& y) {
            return p.ToGrid(lat, lon, x, y);
        },
        [wake] { wake->Wake(); });
    Import1->setEnabled(false);
    KmlImportChanged();
}

void TFNav::KmlImportChanged() {
    if (!FKmlImport) return;
    const auto showStatus = [this](const QString& text) {
        if (sStatusBar->PanelCount() < 3) return;
        sStatusBar->SetPanelText(2, text);
        sStatusBar->SetPanelWidth(2, sStatusBar->TextWidth(text) + 20);
    };
    if (!FKmlImport->Done()) {
        showStatus(QStringLiteral("Importing %1: %2%")
                       .arg(QString::fromStdString(NameOf(FKmlImport->Path())))
                       .arg(FKmlImport->Percent()));
        return;
    }
    // The worker has ended; it is joined when `job` goes.
    const std::unique_ptr<KmlImportJob> job = std::move(FKmlImport);
    Import1->setEnabled(true);
    showStatus(QString());
    const std::string& file = job->Path();
    if (!job->Succeeded()) {
        platform::ShowMessage("Failed to load KML/KMZ file: " + job->Error());
        EnsureStandardLayers(fcad);
        return;
    }
    // Points, then lines, then the names.
    const std::string layerName = LayerNameOf(file);
    const int target = PrepareLayer(*fcad, QString::fromStdString(layerName));
    const KmlImportShapes& shapes = job->Shapes();
    for (const TPointD& p : shapes.points) fcad->AddPoint(p.X, p.Y, target);
    for (const KmlImportShapes::Line& line : shapes.lines)
        fcad->AddPolyline(line.vertices, target, line.closed);
    for (const KmlImportShapes::Label& label : shapes.labels)
        fcad->AddText(target, QString::fromStdString(label.text), label.at.X, label.at.Y, 0);
    // What was left out is said in the log line and shown.
    const std::string notes = shapes.notReadSummary + KmlNotConvertedSummary(shapes);
    const std::string line = "Imported KML/KMZ: " + file + " to layer: " + layerName + notes;
    Log(line);
    SetCurrentFile(file);
    fcad->ZoomExtents();
    EnsureStandardLayers(fcad);
    if (!notes.empty()) platform::ShowMessage(line);
}
