#include "platform/TextFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace platform {

bool WriteAllBytes(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;  // nothing taken: the medium is full
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

namespace {

std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

// Makes a rename in the folder of `path` durable.
void SyncFolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Closes the temporary file `fd` written (`written`) and renames it over
// `target`, durably; on any failure it is removed and false is returned.
bool PutInPlace(int fd, bool written, const std::string& temporary, const std::string& target) {
    bool ok = ::close(fd) == 0 && written;
    if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

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

// Gives the new file `mode`.
bool KeepMode(int fd, mode_t mode) {
    if (::fchmod(fd, mode) == 0) return true;
    // Some file systems (FAT on a card) give every file the same mode and
    // refuse to change it: that is no change to the old file's mode.
    struct stat st {};
    return ::fstat(fd, &st) == 0 && (st.st_mode & 0777) == mode;
}

}  // namespace

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

bool AppendText(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAllBytes(fd, ToCrLf(text));
    return ::close(fd) == 0 && ok;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, unsigned mode) {
    const std::string temporary = TemporaryNameFor(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    // The mode holds whatever the umask says, so a private file is never
    // readable by others, not even for a moment.
    const bool ok = ::fchmod(fd, mode) == 0 && WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    return PutInPlace(fd, ok, temporary, path);
}

bool ReplaceFile(const std::string& path, std::string_view bytes, FileModes modes) {
    std::string target;
    if (!FinalTarget(path, target)) return false;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return false;
    // A folder or a device is never replaced, nor a file made read-only.
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0)) return false;

    const std::string temporary = TemporaryNameFor(target);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          static_cast<mode_t>(modes.created));
    if (fd < 0) return false;
    const bool ok = (!exists || KeepMode(fd, old.st_mode & modes.kept & 0777)) &&
                    WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    return PutInPlace(fd, ok, temporary, target);
}

FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // A folder on the way that is a file leaves no file there either.
        const bool missing = error == ENOENT || error == ENOTDIR;
        return {missing ? FileReadStatus::Missing : FileReadStatus::Unreadable, error};
    }
    struct stat st {};
    FileReadResult result;
    if (::fstat(fd, &st) != 0)
        result = {FileReadStatus::Unreadable, errno};
    else if (!S_ISREG(st.st_mode))
        result = {FileReadStatus::NotRegular};
    else if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        result = {FileReadStatus::TooLarge, 0, maxBytes};
    if (!result.ok()) {
        ::close(fd);
        return result;
    }
    // Read to the size found, and one byte beyond the bound at most: a file
    // that grows while it is read is still held to the bound. The byte after
    // the size found is room for the read that sees the end, so a file that
    // keeps its size is read into one buffer without growing it.
    const size_t ceiling = maxBytes < SIZE_MAX ? maxBytes + 1 : SIZE_MAX;
    bytes.resize(static_cast<size_t>(st.st_size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes) {
                result = {FileReadStatus::TooLarge, 0, maxBytes};
                break;
            }
            bytes.resize(std::min(ceiling, used + std::max<size_t>(used / 2, 65536)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            result = {FileReadStatus::Unreadable, errno};
            break;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(result.ok() ? used : 0);
    return result;
}

std::string FileReadReason(const FileReadResult& result) {
    switch (result.status) {
        case FileReadStatus::Ok:
            return {};
        case FileReadStatus::NotRegular:
            return "not a regular file";
        case FileReadStatus::TooLarge:
            return result.maxBytes >= (size_t{1} << 20)
                       ? "larger than " + std::to_string(result.maxBytes >> 20) + " MB"
                       : "larger than " + std::to_string(result.maxBytes) + " bytes";
        case FileReadStatus::Missing:
        case FileReadStatus::Unreadable:
            break;
    }
    std::string reason = std::error_code(result.error, std::generic_category()).message();
    if (!reason.empty())
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

std::string FileReadProblem(const std::string& path, const FileReadResult& result) {
    return path + " (" + FileReadReason(result) + ")";
}

bool ReadFile(const std::string& path, std::string& bytes) {
    return ReadRegularFile(path, bytes, SIZE_MAX).ok();
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.emplace_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace platform
