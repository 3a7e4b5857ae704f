// Counts the whole-file writes of a file while a piece of code runs: each
// write is a temporary file of its own beside the file, renamed over it.
// Test code only.
#pragma once

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace phxtest {

// Replacements of the file `name` in `folder` while `run` runs. (Renames
// onto the same name are not counted: the kernel folds them into one event.)
inline int RenamesOnto(const std::string& folder, const std::string& name,
                       const std::function<void()>& run) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_GE(inotify_add_watch(fd, folder.c_str(), IN_MOVED_FROM), 0);
    run();
    int count = 0;
    alignas(inotify_event) char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len && std::string(event->name).rfind(name + ".tmp", 0) == 0) ++count;
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(fd);
    return count;
}

}  // namespace phxtest
