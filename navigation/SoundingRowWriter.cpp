#include "navigation/SoundingRowWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/TextFiles.h"

namespace {

bool Diverts(int error) { return error == EACCES || error == EISDIR || error == EROFS; }

int OpenAppend(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    // A folder opened for writing fails above with EISDIR; anything that
    // is neither a file nor a device is refused the same way.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SoundingRowWriter::SoundingRowWriter(std::string header, Hooks hooks, size_t capBytes)
    : header_(std::move(header)), hooks_(std::move(hooks)), held_(capBytes) {}

SoundingRowWriter::~SoundingRowWriter() { CloseFile(); }

std::string SoundingRowWriter::NumberedName(const std::string& path, int n) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const size_t at =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
    return path.substr(0, at) + "_" + std::to_string(n) + path.substr(at);
}

int SoundingRowWriter::OpenTarget(const std::string& path, std::string& target, std::string& why) {
    int fd = OpenAppend(path);
    if (fd >= 0) {
        target = path;
        return fd;
    }
    int error = errno;
    why = std::strerror(error);
    if (!Diverts(error)) return -1;
    for (int n = 1; n <= 99; ++n) {
        const std::string name = NumberedName(path, n);
        fd = OpenAppend(name);
        if (fd >= 0) {
            target = name;
            return fd;
        }
        if (!Diverts(errno)) break;
    }
    return -1;
}

bool SoundingRowWriter::WriteHeld(int fd, off_t before, std::string& why) {
    bytes_.clear();
    if (before == 0) bytes_ = header_ + "\r\n";
    for (const std::string& row : held_.Items()) {
        bytes_ += row;
        bytes_ += "\r\n";
    }
    if (platform::WriteAllBytes(fd, bytes_)) return true;
    why = std::strerror(errno);
    // No half row: cut the file back to where this write began.
    (void)!::ftruncate(fd, before);  // a device (no size) cannot be cut; nothing was kept
    return false;
}

void SoundingRowWriter::CloseFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    nameWatch_.Clear();
    openFor_.clear();
    target_.clear();
}

bool SoundingRowWriter::NameLeadsToOpenFile(const std::string& path) {
    if (openFor_ != path || target_ != path) return false;
    // Nothing moved or removed on the path since it was last found to lead
    // here: no need to look the name up again.
    if (!nameWatch_.Changed()) return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_ino != ino_ || st.st_dev != dev_) return false;
    nameWatch_.Watch(path);  // a harmless event (a chmod, a neighbour's name): watch afresh
    return true;
}

bool SoundingRowWriter::TryOnce(const std::string& path, std::string& why) {
    // The file stays open from row to row. It is opened anew for another
    // name (a new day), when the name no longer leads to it (removed, its
    // folder deleted, renamed and something else put in its place), after a
    // failed write, and for every row while the rows go to an "_n" name, so
    // that each of those rows tries the own name first.
    if (fd_ >= 0 && !NameLeadsToOpenFile(path)) CloseFile();
    struct stat st {};
    if (fd_ < 0) {
        std::string target;
        const int fd = OpenTarget(path, target, why);
        if (fd < 0) return false;
        if (::fstat(fd, &st) != 0) {
            why = std::strerror(errno);
            ::close(fd);
            return false;
        }
        fd_ = fd;
        ino_ = st.st_ino;
        dev_ = st.st_dev;
        openFor_ = path;
        target_ = target;
        // Watched from now on; a name changed between the open and the
        // watch is found by the first row's look-up, as the watch starts
        // out "changed" when it could not be set.
        if (target == path && nameWatch_.Watch(path)) {
            struct stat named {};
            if (::stat(path.c_str(), &named) != 0 || named.st_ino != ino_ || named.st_dev != dev_)
                nameWatch_.Clear();
        }
    }
    // Rows are appended, so the file's end is where this write begins (a
    // device or a pipe has none: taken as empty).
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    if (WriteHeld(fd_, std::max<off_t>(end, 0), why)) {
        lastTarget_ = target_;
        return true;
    }
    CloseFile();
    return false;
}

bool SoundingRowWriter::Write(const std::string& path, const std::string& row) {
    held_.Hold(row);
    std::string why;
    bool ok = TryOnce(path, why);
    if (!ok) {
        if (hooks_.ensureFolders) hooks_.ensureFolders();
        ok = TryOnce(path, why);
    }
    if (!ok) {
        if (held_.Failed() && hooks_.report)
            hooks_.report("Sounding rows cannot be written to " + FileName(path) + ": " + why +
                          ". Rows are held until the file can be written.");
        return false;
    }
    if (const auto ended = held_.Written(); ended && hooks_.report)
        hooks_.report("Sounding rows written again to " + FileName(lastTarget_) + ": " +
                      std::to_string(ended->written) + " held rows written, " +
                      std::to_string(ended->lost) + " rows lost.");
    return true;
}

void SoundingRowWriter::Touch(const std::string& path) {
    if (!held_.Empty()) return;
    std::string why;
    (void)TryOnce(path, why);
}

size_t SoundingRowWriter::Flush(const std::string& path) {
    std::string why;
    bool written = held_.Empty() || TryOnce(path, why);
    if (!written) {
        if (hooks_.ensureFolders) hooks_.ensureFolders();
        written = TryOnce(path, why);
    }
    // The file is let go either way; the next row opens it again.
    CloseFile();
    if (!written) return held_.Count() + held_.Lost();
    held_.WrittenQuietly();
    return held_.Lost();
}
