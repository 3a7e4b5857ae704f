// The seam through which the program ends itself without its close
// handling. The application ends the process for real; tests install a
// RecordingExit, which keeps the status the process would have reported and
// returns, so a caller must do nothing after asking to exit.
#pragma once

#include <memory>
#include <vector>

namespace platform {

class ProcessExit {
  public:
    virtual ~ProcessExit() = default;
    // The C library's exit: atexit handlers and static destructors run,
    // open C streams are flushed.
    virtual void Exit(int status) = 0;
    // _exit: the process ends at once, without any of that.
    virtual void HardExit(int status) = 0;
};

// std::exit and _exit.
class SystemExit : public ProcessExit {
  public:
    [[noreturn]] void Exit(int status) override;
    [[noreturn]] void HardExit(int status) override;
};

// Records each request with the status a parent process would see
// (the low eight bits: -1 is 255).
class RecordingExit : public ProcessExit {
  public:
    struct Request {
        int status;
        bool hard;
    };
    void Exit(int status) override;
    void HardExit(int status) override;
    std::vector<Request> requests;
};

// The exit in use (SystemExit unless replaced).
ProcessExit& processExit();

// Installs `replacement` (nullptr restores SystemExit); returns the previous one.
std::unique_ptr<ProcessExit> SetProcessExit(std::unique_ptr<ProcessExit> replacement);

}  // namespace platform
