#include "navigation/RetryingWriter.h"

namespace {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

RetryingWriter::RetryingWriter(std::string what, WriteItems write, Hooks hooks, size_t capBytes)
    : what_(std::move(what)), write_(std::move(write)), hooks_(std::move(hooks)), held_(capBytes) {}

bool RetryingWriter::Write(const std::string& path, std::string item) {
    held_.Hold(std::move(item));
    return WriteHeld(path);
}

bool RetryingWriter::Retry(const std::string& path) { return held_.Empty() || WriteHeld(path); }

bool RetryingWriter::WriteHeld(const std::string& path) {
    std::string why;
    bool ok = write_(path, held_.Items(), why);
    if (!ok) {
        if (hooks_.ensureFolders) hooks_.ensureFolders();
        ok = write_(path, held_.Items(), why);
    }
    if (!ok) {
        if (held_.Failed() && hooks_.report)
            hooks_.report(what_ + " cannot be written to " + FileName(path) + ": " + why + ". " +
                          "They are held until the file can be written.");
        return false;
    }
    if (const auto ended = held_.Written(); ended && hooks_.report)
        hooks_.report(what_ + " written again to " + FileName(path) + ": " +
                      std::to_string(ended->written) + " held written, " +
                      std::to_string(ended->lost) + " lost.");
    return true;
}
