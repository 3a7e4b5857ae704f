// The main window's satellite map commands without their window: the tile
// server the settings name, and the emptying of the disk cache.
#pragma once

#include <string>

#include "canvas/TileFetcher.h"
#include "platform/IniFile.h"

// "SETTINGS"/"SatelliteTileServer": "scheme://host[:port]"; empty or
// missing: the public server over HTTPS on port 443.
tiles::TileFetcherOptions SatelliteTileOptions(const platform::IniFile& ini);

// Empties the tile cache folder (UTF-8 path): every loose file and symbolic
// link in it is removed (a link is never followed); in each folder below it
// (a zoom level) every entry is removed as a file and then the folder, so
// a folder nested deeper, and the zoom folder holding it, stay. The cache
// folder itself stays. Failures are ignored. An empty, relative or root
// path is refused and nothing is touched. False when refused or missing.
bool ClearTileCacheFolder(const std::string& folder);
