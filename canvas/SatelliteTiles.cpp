// The satellite tiles of the canvas: memory, the disk cache and the fetcher.
#include <QMetaObject>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "canvas/JpegTile.h"
#include "canvas/PlovanCanvas.h"
#include "canvas/TileMath.h"
#include "platform/Paths.h"

namespace {

// The whole file, or std::nullopt when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace

TPlovanCanvas::TPlovanCanvas(QWidget* parent, tiles::TileFetcherOptions tileOptions)
    : TPlovanCanvas(parent) {
    FTileOptions = std::move(tileOptions);
}

void TPlovanCanvas::LatLonToTile(double latitudeDeg, double longitudeDeg, int zoom, int& column,
                                 int& row, double& pixelX, double& pixelY) {
    tiles::LatLonToTile(latitudeDeg, longitudeDeg, zoom, column, row, pixelX, pixelY);
}

void TPlovanCanvas::TileToLatLon(int column, int row, int zoom, double& latitudeDeg,
                                 double& longitudeDeg) {
    tiles::TileToLatLon(column, row, zoom, latitudeDeg, longitudeDeg);
}

std::string TPlovanCanvas::TileCacheFolder() const {
    std::string folder = FMapCacheDir.isEmpty() ? platform::AppDataDir() + "Plovan/PHX/MapCache/"
                                                : FMapCacheDir.toStdString();
    if (folder.back() != '/') folder += '/';
    return folder;
}

const QImage* TPlovanCanvas::GetTile(int zoom, int column, int row) {
    const std::string key = tiles::TileKey(zoom, column, row);
    if (const QImage* image = FTileCache.Find(key)) return image;

    const std::string file = TileCacheFolder() + tiles::TileRelativePath(zoom, column, row);
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        if (const auto bytes = ReadFile(file)) {
            if (auto image = tiles::DecodeJpegTile(*bytes)) return FTileCache.Insert(key, *image);
        }
        // An unreadable file is fetched again and replaced.
    }

    if (!FTileFetcher) {
        FTileWake = std::make_unique<platform::GuiWake>([this] { TakeArrivedTiles(); });
        platform::GuiWake* wake = FTileWake.get();
        FTileFetcher = std::make_unique<tiles::TileFetcher>(FTileOptions, [wake] { wake->Wake(); });
    }
    FTileFetcher->Request({zoom, column, row, file});
    if (FTilesWanted) FTilesWanted->insert(key);
    return nullptr;
}

void TPlovanCanvas::TakeArrivedTiles() {
    if (!FTileFetcher) return;
    std::vector<tiles::TileArrival> arrivals = FTileFetcher->TakeArrivals();
    if (arrivals.empty()) return;
    for (tiles::TileArrival& a : arrivals)
        FTileCache.Insert(tiles::TileKey(a.tile.zoom, a.tile.column, a.tile.row), std::move(a.image));
    BackgroundChanged();
}

void TPlovanCanvas::SetMapVisible(bool visible) {
    if (visible == GetMapVisible()) return;
    FMapVisible = visible ? 1 : 0;
    BackgroundChanged();
}

void TPlovanCanvas::SetMapCacheDir(const QString& folder) { FMapCacheDir = folder; }

void TPlovanCanvas::ClearTileCache() {
    if (FTileFetcher) FTileFetcher->CancelAll();
    FTileCache.Clear();
    BackgroundChanged();
}

void TPlovanCanvas::BackgroundChanged() {
    FNeedsRedraw = true;
    ++FRedrawCount;
    Invalidate();
}
