// The seam through which the program starts another program: the helper for
// remote support, and a new instance of itself at a restart. The application
// uses QProcess::startDetached with an argument list, so no shell ever reads
// a path; tests install a RecordingLauncher and read what was started.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Launcher {
  public:
    virtual ~Launcher() = default;
    // Starts `program` (a path) with `arguments`, detached from this
    // process; false when it could not be started.
    virtual bool StartDetached(const std::string& program,
                               const std::vector<std::string>& arguments) = 0;
};

// QProcess::startDetached: the program is executed directly, never through
// a shell.
class ProcessLauncher : public Launcher {
  public:
    bool StartDetached(const std::string& program,
                       const std::vector<std::string>& arguments) override;
};

// Records every start and answers `answer`; `onStart` runs at each start,
// so a test can look at the world at the moment of the launch.
class RecordingLauncher : public Launcher {
  public:
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
    };
    bool StartDetached(const std::string& program,
                       const std::vector<std::string>& arguments) override;
    std::vector<Start> started;
    bool answer = true;
    std::function<void(const Start&)> onStart;
};

// The launcher in use (ProcessLauncher unless replaced).
Launcher& launcher();

// Installs `replacement` (nullptr restores ProcessLauncher); returns the
// previous one.
std::unique_ptr<Launcher> SetLauncher(std::unique_ptr<Launcher> replacement);

}  // namespace platform
