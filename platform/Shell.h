// The one seam through which the program asks the desktop to open a folder
// or a file, as the Windows shell's "open" verb does: through Qt's desktop
// services (the desktop's own handler, no command line is built). Tests
// install a RecordingShell, so no test starts a file manager.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens `path` with the desktop's handler (a folder in the file manager).
    // False when the desktop refused; callers may ignore it.
    virtual bool Open(const std::string& path) = 0;
};

// QDesktopServices::openUrl with the path as a local-file URL.
class DesktopShell : public Shell {
  public:
    bool Open(const std::string& path) override;
};

// Records every path asked for and opens nothing.
class RecordingShell : public Shell {
  public:
    bool Open(const std::string& path) override;
    std::vector<std::string> opened;
};

// The shell in use (DesktopShell unless replaced).
Shell& shell();

// Installs `replacement` (nullptr restores DesktopShell); returns the previous one.
std::unique_ptr<Shell> SetShell(std::unique_ptr<Shell> replacement);

// shell().Open(path).
bool ShellOpen(const std::string& path);

}  // namespace platform
