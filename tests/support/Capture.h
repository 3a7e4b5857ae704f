// The byte stream of a device capture in tests/data/: the file without its
// leading '#' comment lines, every other byte kept. Header-only, so tests,
// benchmarks and fuzz replays share it.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace phxtest {

// `relative` is below tests/data/, e.g. "rtcm3/rtcm3.log"; empty when missing.
inline std::string CaptureBytes(const std::string& relative) {
    std::ifstream in(std::string(PHX_CAPTURE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string all = buffer.str();
    size_t at = 0;
    while (at < all.size() && all[at] == '#') {
        const size_t end = all.find('\n', at);
        at = end == std::string::npos ? all.size() : end + 1;
    }
    return all.substr(at);
}

}  // namespace phxtest
