#include "platform/NameWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {
namespace {

constexpr unsigned kFileEvents = IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;
constexpr unsigned kFolderSelfEvents = IN_MOVE_SELF | IN_DELETE_SELF;
constexpr unsigned kFolderEntryEvents = IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE;
// The watch is gone (its file removed, its medium unmounted) or events were dropped.
constexpr unsigned kWatchLost = IN_IGNORED | IN_UNMOUNT | IN_Q_OVERFLOW;

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return {};
    return std::string(cwd) + "/" + path;
}

}  // namespace

NameWatch::~NameWatch() { Clear(); }

void NameWatch::Clear() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    watched_.clear();
    changed_ = true;
}

bool NameWatch::Watch(const std::string& path) {
    Clear();
    const std::string absolute = AbsolutePath(path);
    if (absolute.empty() || absolute.back() == '/') return false;
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    // Each folder from the root down, with the name the path takes in it.
    std::string folder = "/";
    size_t at = 1;
    while (at < absolute.size()) {
        const size_t slash = absolute.find('/', at);
        const size_t end = slash == std::string::npos ? absolute.size() : slash;
        const std::string name = absolute.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {  // not met in the program's own paths; checked by name instead
            Clear();
            return false;
        }
        const int wd = ::inotify_add_watch(fd_, folder.c_str(),
                                           kFolderSelfEvents | kFolderEntryEvents | IN_ONLYDIR);
        if (wd < 0) {
            Clear();
            return false;
        }
        watched_.push_back({wd, name});
        folder += (folder.size() > 1 ? "/" : "") + name;
    }
    const int wd = ::inotify_add_watch(fd_, absolute.c_str(), kFileEvents);
    if (wd < 0) {
        Clear();
        return false;
    }
    watched_.push_back({wd, ""});
    changed_ = false;
    return true;
}

bool NameWatch::Noted(int descriptor, unsigned mask, const char* name) const {
    if (mask & kWatchLost) return true;
    for (const Watched& w : watched_) {
        if (w.descriptor != descriptor) continue;
        if (w.nextName.empty() || (mask & kFolderSelfEvents)) return true;
        if ((mask & kFolderEntryEvents) && name && w.nextName == name) return true;
    }
    return false;
}

bool NameWatch::Changed() {
    if (fd_ < 0 || changed_) return true;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        if (n <= 0) {  // an error of the instance itself: nothing can be told any more
            changed_ = true;
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (Noted(event->wd, event->mask, event->len ? event->name : nullptr)) changed_ = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return changed_;
}

}  // namespace platform
