// The one scratch folder of a fuzz process, for targets whose interface is a
// file: made once, reused by every input and removed at exit. It lies in
// memory (/dev/shm) where the system has it, so the writes that sync to the
// disk cost no disk round trip on every run.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzz {

inline const std::string& ScratchFolder(const char* name) {
    static const std::string folder = [name] {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
        const std::string path =
            (base / ("phx_" + std::string(name) + "_fuzz_" + std::to_string(::getpid()))).string() +
            "/";
        std::filesystem::create_directories(path, ec);
        static const std::string removed = path;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removed, ignored);
        });
        return path;
    }();
    return folder;
}

}  // namespace fuzz
