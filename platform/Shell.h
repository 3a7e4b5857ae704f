// The seam through which the program asks the desktop to open a folder in
// the file manager. The application uses QDesktopServices; tests install a
// RecordingShell, so no test starts a file manager, and read what was asked.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens `folder` (a local path) as the desktop's "open" does; false when
    // the desktop refused.
    virtual bool OpenFolder(const std::string& folder) = 0;
};

// QDesktopServices::openUrl of the folder's file URL.
class DesktopShell : public Shell {
  public:
    bool OpenFolder(const std::string& folder) override;
};

// Records every folder asked for and answers `answer`.
class RecordingShell : public Shell {
  public:
    bool OpenFolder(const std::string& folder) override;
    std::vector<std::string> opened;
    bool answer = true;
};

// The shell in use (DesktopShell unless replaced).
Shell& shell();

// Installs `replacement` (nullptr restores DesktopShell); returns the previous one.
std::unique_ptr<Shell> SetShell(std::unique_ptr<Shell> replacement);

}  // namespace platform
