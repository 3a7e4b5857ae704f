// How many descriptors of this process are open on a file, read from
// /proc/self/fd: the tests of files kept open between writes use it.
#pragma once

#include <filesystem>
#include <string>

namespace phxtest {

inline int OpenDescriptorCount(const std::string& path) {
    namespace fs = std::filesystem;
    int n = 0;
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        if (fs::read_symlink(fd.path(), linkError) == fs::path(path)) ++n;
    }
    return n;
}

}  // namespace phxtest
