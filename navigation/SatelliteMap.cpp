#include "navigation/SatelliteMap.h"

#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The entries of a folder, read before any of them is removed.
std::vector<fs::directory_entry> EntriesOf(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    return entries;
}

}  // namespace

tiles::TileFetcherOptions SatelliteTileOptions(const platform::IniFile& ini) {
    tiles::TileFetcherOptions options;
    options.server = ini.ReadString("SETTINGS", "SatelliteTileServer", "");
    return options;
}

bool ClearTileCacheFolder(const std::string& folder) {
    const fs::path root(folder);
    if (folder.empty() || !root.is_absolute() || root.relative_path().empty()) return false;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return false;
    // Entries are judged by their own status: a link is a link, whatever it
    // points to, and goes without its target being touched.
    for (const fs::directory_entry& entry : EntriesOf(root)) {
        std::error_code e;
        if (fs::is_directory(entry.symlink_status(e))) {
            for (const fs::directory_entry& inner : EntriesOf(entry.path())) {
                std::error_code r;
                if (!fs::is_directory(inner.symlink_status(r))) fs::remove(inner.path(), r);
            }
            fs::remove(entry.path(), e);  // only when it is empty now
        } else {
            fs::remove(entry.path(), e);
        }
    }
    return true;
}
