#include "platform/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/VclText.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}

std::string ShippedDataDir() {
    std::string base = Env("XDG_DATA_HOME");
    if (base.empty()) base = HomeDir() + ".local/share";
    return WithSlash(base) + "Plovan/PHX/";
}

// Copies the shipped files (kept beside the executable) into the per-user
// folder when they are not there yet; existing user files are kept.
void SeedFrom(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::create_directories(to, ec);
    for (const char* item : {"Languages", "profiles.txt", "mRawSVData.ini", "mRawSVExtracted.ini",
                             "mSortedAveragedSV.ini", "mSVPColumn.ini", "PlovanHX2.ico"}) {
        const fs::path source = fs::path(from) / item;
        if (!fs::exists(source, ec)) continue;
        fs::copy(source, fs::path(to) / item,
                 fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    }
}

}  // namespace

std::string HomeDir() {
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    if (home.empty()) home = fs::temp_directory_path().string();
    return WithSlash(home);
}

std::string AppDataDir() {
    std::string dir = Env("APPDATA");
    if (dir.empty()) dir = Env("XDG_CONFIG_HOME");
    if (dir.empty()) dir = HomeDir() + ".config";
    return WithSlash(dir);
}

std::string VlmRoot() { return HomeDir() + "VLM/"; }

std::string ExecutableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return WithSlash(fs::current_path(ec).string());
    return WithSlash(exe.parent_path().string());
}

std::string BesideExecutableDir() {
    const std::string exeDir = ExecutableDir();
    if (access(exeDir.c_str(), W_OK) == 0) return exeDir;
    const std::string userDir = ShippedDataDir();
    SeedFrom(exeDir, userDir);
    return userDir;
}

std::string MapWindowsPath(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    const bool drive = out.size() >= 2 && IsAsciiLetter(out[0]) && out[1] == ':';
    if (!drive) return out;
    std::string rest = out.substr(2);
    while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
    std::string lower = rest.substr(0, 4);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    if (lower == "vlm" || lower == "vlm/")
        return VlmRoot() + (rest.size() > 4 ? rest.substr(4) : "");
    return HomeDir() + rest;
}

bool EnsureDirectory(const std::string& path, unsigned mode) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return true;
    ::mkdir(path.c_str(), static_cast<mode_t>(mode));
    return fs::is_directory(path, ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

}  // namespace platform
