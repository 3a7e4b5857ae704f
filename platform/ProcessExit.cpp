#include "platform/ProcessExit.h"

#include <unistd.h>

#include <cstdlib>

namespace platform {
namespace {

std::unique_ptr<ProcessExit>& Current() {
    static std::unique_ptr<ProcessExit> current = std::make_unique<SystemExit>();
    return current;
}

}  // namespace

void SystemExit::Exit(int status) { std::exit(status); }

void SystemExit::HardExit(int status) { ::_exit(status); }

void RecordingExit::Exit(int status) { requests.push_back({status & 0xFF, false}); }

void RecordingExit::HardExit(int status) { requests.push_back({status & 0xFF, true}); }

ProcessExit& processExit() { return *Current(); }

std::unique_ptr<ProcessExit> SetProcessExit(std::unique_ptr<ProcessExit> replacement) {
    std::unique_ptr<ProcessExit> previous = std::move(Current());
    Current() = replacement ? std::move(replacement) : std::make_unique<SystemExit>();
    return previous;
}

}  // namespace platform
