#include "canvas/ProjectFileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/TextFiles.h"

namespace vlm {
namespace {

// The file a save through `path` replaces: `path` itself, or the final
// target of the links it names (a relative target is taken from the link's
// own folder). False for a loop of links.
bool FinalTarget(const std::string& path, std::string& target) {
    namespace fs = std::filesystem;
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(current, error))) {
            target = current.string();
            return true;
        }
        const fs::path link = fs::read_symlink(current, error);
        if (error) return false;
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return false;
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// The permission bits a new file takes over from the old one.
bool KeepMode(int fd, mode_t mode) {
    if (::fchmod(fd, mode) == 0) return true;
    // Some file systems (FAT on a card) give every file the same mode and
    // refuse to change it: that is no change to the old file's mode.
    struct stat st {};
    return ::fstat(fd, &st) == 0 && (st.st_mode & 0777) == mode;
}

}  // namespace

bool WriteProjectFile(const std::string& path, std::string_view bytes) {
    std::string target;
    if (!FinalTarget(path, target)) return false;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return false;
    // A folder or a device is never replaced, nor a file made read-only.
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0)) return false;

    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok =
        (!exists || KeepMode(fd, old.st_mode & 0777)) && platform::WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(target);  // makes the rename itself durable
    return true;
}

bool ReadProjectFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    // Read to the size found, and one byte beyond the bound at most: a file
    // that grows while it is read is still held to the bound. The byte after
    // the size found is room for the read that sees the end, so a file that
    // keeps its size is read into one buffer without growing it.
    bytes.resize(static_cast<size_t>(st.st_size) + 1);
    size_t used = 0;
    bool ok = true;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes) {
                ok = false;
                break;
            }
            bytes.resize(std::min(maxBytes + 1, used + std::max<size_t>(used / 2, 65536)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(ok ? used : 0);
    return ok;
}

}  // namespace vlm
