#include "navigation/LogFolder.h"

namespace {

// The path up to and including the last '/', or empty.
std::string PathPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string LogFolderToOpen(const std::string& portLogName, const std::string& logDir) {
    // A bare file name has no folder to open: the day's LOG folder stands in.
    std::string folder = PathPart(portLogName);
    if (folder.empty()) folder = logDir;
    std::string withoutSlash = folder;
    if (!withoutSlash.empty() && withoutSlash.back() == '/') withoutSlash.pop_back();
    const std::string parent = PathPart(withoutSlash);
    return parent.empty() ? folder : parent;
}
