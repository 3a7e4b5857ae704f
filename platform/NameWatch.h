// Tells at the cost of one non-blocking read whether a file's name may no
// longer lead to the file it led to when watched. An inotify watch on the
// file notes a move, a removal or a change of its link count; one on every
// folder above it notes the folder's own move or removal and any entry of
// the path's next name made, removed or renamed (a file or folder put in
// its place). Events that may be harmless (a chmod, a touch) count as
// changes too: the caller then checks the name itself and watches again.
//
// Without inotify (no instance, a folder that cannot be watched) Changed()
// is always true, so the caller checks the name every time, as it would
// without this.
#pragma once

#include <string>
#include <vector>

namespace platform {

class NameWatch {
  public:
    NameWatch() = default;
    ~NameWatch();
    NameWatch(const NameWatch&) = delete;
    NameWatch& operator=(const NameWatch&) = delete;

    // Watches `path` (absolute, or relative to the working folder) in place
    // of whatever was watched before; false when it cannot be watched.
    bool Watch(const std::string& path);
    // Stops watching.
    void Clear();
    // True when the name may lead elsewhere since Watch, or nothing is watched.
    bool Changed();

  private:
    struct Watched {
        int descriptor;
        std::string nextName;  // the name below this folder on the path; empty for the file
    };
    bool Noted(int descriptor, unsigned mask, const char* name) const;

    int fd_ = -1;
    bool changed_ = true;
    std::vector<Watched> watched_;
};

}  // namespace platform
