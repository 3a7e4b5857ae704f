#include "tests/support/TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/IniFile.h"

namespace phxtest {

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "phxtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    home_ = pattern + "/";
    appData_ = home_ + "AppData/";
    std::filesystem::create_directories(appData_);
    if (const char* h = std::getenv("HOME")) hadHome_ = true, oldHome_ = h;
    if (const char* a = std::getenv("APPDATA")) hadAppData_ = true, oldAppData_ = a;
    setenv("HOME", home_.c_str(), 1);
    setenv("APPDATA", appData_.c_str(), 1);
    platform::IniFile::DropCachedModels();
}

TempHome::~TempHome() {
    if (hadHome_) setenv("HOME", oldHome_.c_str(), 1); else unsetenv("HOME");
    if (hadAppData_) setenv("APPDATA", oldAppData_.c_str(), 1); else unsetenv("APPDATA");
    platform::IniFile::DropCachedModels();
    std::error_code ec;
    std::filesystem::permissions(home_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(home_, ec);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace phxtest
