// Where the program's files live on Linux. Paths are UTF-8 narrow strings
// with '/' separators; folder results end with '/'.
//
//  - application data ("APPDATA"): $APPDATA when set and not empty, else
//    $XDG_CONFIG_HOME, else $HOME/.config;
//  - the root of the day folders ("c:\VLM\"): $HOME/VLM/;
//  - the folder "beside the executable" (language files, NTRIP profiles,
//    profile lists): the executable's folder when it is writable, otherwise
//    $XDG_DATA_HOME/Plovan/PHX/ (default ~/.local/share/Plovan/PHX/), seeded
//    from the shipped files on first use.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string HomeDir();
std::string AppDataDir();
std::string VlmRoot();

// Folder of the running executable.
std::string ExecutableDir();

// The writable folder that stands for "beside the executable".
std::string BesideExecutableDir();

// Maps a path written for Windows: "c:\VLM\..." to VlmRoot(), any other
// drive-letter path to the same path below $HOME with '/' separators, and
// every '\' to '/'. Other paths come back with their separators turned.
std::string MapWindowsPath(std::string_view path);

// Creates one folder level when missing, with `mode` less the umask (an
// existing folder keeps its own). True when the folder exists after.
bool EnsureDirectory(const std::string& path, unsigned mode = 0777);

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace platform
